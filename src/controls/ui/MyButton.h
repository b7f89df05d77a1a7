#pragma once
// Picture buttons of the skin: a picture drawn over the tiled skin bitmap at
// one of four brightness levels (disabled, normal, hover, pressed), with
// animated look changes, an optional caption strip and a latched state.

#include <QImage>
#include <QTimer>
#include <QPointer>
#include <QWidget>

class QAction;

class CMyButton : public QWidget {
    Q_OBJECT
public:
    // `id` is the control's dialog identifier: the command it reports and the
    // identifier of its help text.
    explicit CMyButton(int id, QWidget* parent = nullptr);

    int GetDlgCtrlID() const { return m_nId; }

    // Loads the picture once (later calls do nothing), builds the displayed
    // picture and resizes the button to it without moving it. False when the
    // picture is missing.
    bool SetPicture(int resourceId);
    bool SetPicture(const QImage& picture);
    bool HasPicture() const { return !m_source.isNull(); }
    // Shows another picture in place of the loaded one (a button whose picture
    // tells its state, as play and stop); false, changing nothing, for a null image.
    bool ReplacePicture(const QImage& picture);
    const QImage& Picture() const { return m_source; }

    // A click from the keyboard: reports the command as a mouse click does,
    // when the button is enabled.
    void Click();

    // The command the button stands for: a click triggers it, and the button
    // follows its enabled state, its tooltip and, when it is checkable, its
    // checked state as the latched look. A button without one reports its
    // clicks through commandIssued.
    void SetAction(QAction* action);
    QAction* Action() const { return m_pAction; }

    // Latched buttons keep the pressed look and ignore the mouse for their look.
    void SetLatched(bool latched);
    bool IsLatched() const { return m_bLatched; }

    // The caption is drawn in a strip below the picture when shown.
    void SetShowCaption(bool show);
    bool IsCaptionShown() const { return m_bShowCaption; }
    void SetWindowText(const QString& text);
    QString GetWindowText() const { return m_strText; }

    // Look changes are animated (when the option asks for it) only while
    // allowed; the player forbids it while the loop plays, so that its frames
    // keep their pace.
    void SetAnimationAllowed(bool allowed) { m_bAnimationAllowed = allowed; }
    bool AnimationAllowed() const { return m_bAnimationAllowed; }

    // The look the button has, or is changing to.
    int Level() const { return m_nLevel; }
    // Shows the look an animated change is going to at once.
    void FinishAnimation();
    int CaptionHeight() const { return m_nCaptionHeight; }
    const QImage& Display() const { return m_display; }
    // How often the displayed picture was built (once per look change without
    // animation, eleven times with it: once at the change, then at each step of
    // the animation's timer).
    int DisplayBuildCount() const { return m_nBuilds; }

    // The skin bitmap shared by all buttons.
    static const QImage& SkinBitmap();
    // What lies under the button in its window (its size or larger): the
    // button draws on it instead of the shared skin, so that it shows no patch
    // over a pictured background. A null image goes back to the skin.
    void SetBackdrop(const QImage& backdrop);
    // Drops the hover look when the pointer is no longer over the button (it
    // left while a dialog or menu the button opened had the mouse).
    void RefreshHover();

    QSize sizeHint() const override;

signals:
    // A click on a button without an action: the control's identifier, for
    // the parent to dispatch.
    void commandIssued(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

    // Goes to a target level, animated on a timer when the setting asks for it
    // and animation is allowed.
    void ChangeLevel(int target);
    bool IsDisabledLook() const;
    bool PointerOver() const;
    // A checkable action's state: the latched look.
    virtual void ShowChecked(bool checked) { SetLatched(checked); }

private:
    // How much of a disabled button's picture shows over its background, and its caption's colour.
    static constexpr qreal kDisabledOpacity = 0.4;
    static constexpr QRgb kDisabledCaption = 0x8C7B66;
    static constexpr int CaptionFlags() { return Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap; }
    static constexpr int kAnimationSteps = 10;
    static constexpr int kAnimationStepMs = 10;
    void FitCaption();
    void Rebuild();
    void ResizeToPicture();
    // The next look of an animated change.
    void AnimationStep();
    // The picture at `level`, repainted.
    void ShowLevel(int level);
    // Level and look at once, ending an animation.
    void SetLevelNow(int level);
    void FollowAction();
    // The click's command: the action triggered, or commandIssued.
    void Issue();

    int m_nId;
    int m_nLevel;  // the level the button has, or is changing to
    int m_nShown;  // the level its picture shows
    int m_nAnimationFrom = 0;
    int m_nAnimationStep = 0;
    QTimer m_animation;
    bool m_bLatched = false;
    bool m_bShowCaption = false;
    bool m_bPressed = false;
    bool m_bAnimationAllowed = true;
    int m_nCaptionHeight = 0;
    int m_nBuilds = 0;
    QString m_strText;
    QFont m_font;
    QImage m_source;
    QImage m_display;
    QImage m_plain;  // the background alone, for the faded look of a disabled button
    QImage m_backdrop;
    QPointer<QAction> m_pAction;
};

// A picture button that keeps a check state of its own; its look follows
// SetLatched, not the check state.
class CMyRadioBtn : public CMyButton {
    Q_OBJECT
public:
    explicit CMyRadioBtn(int id, QWidget* parent = nullptr) : CMyButton(id, parent) {}

    bool GetCheck() const { return m_bChecked; }
    void SetCheck(bool checked);

protected:
    // Checked and latched together.
    void ShowChecked(bool checked) override;

private:
    bool m_bChecked = false;
};
