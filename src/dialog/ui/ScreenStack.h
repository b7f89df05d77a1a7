#pragma once
// The main dialog's screens: which controls each one shows and where they
// stand (DialogLayout), the background it is painted on, and the fades of a
// change: the screen left fades out through an overlay (every screen but the
// editing screen, which comes back at once), and the window fades in when it
// is first shown.

#include <QBasicTimer>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QPoint>

#include <functional>
#include <map>

class CBufferWnd;
class CWorkWnd;
class QPainter;
class QWidget;

class CScreenStack : public QObject {
    Q_OBJECT
public:
    static constexpr int kFadeStep = 80;
    static constexpr int kFadeMs = 40;

    // The screens of `window`; `fades` turns the fades on.
    CScreenStack(QWidget& window, bool fades);

    // A control of the screens' groups (DialogLayout's ScreenGroup, and the
    // options button on every screen), with the label shown on its left.
    void AddControl(int id, QWidget* control, QWidget* label = nullptr);
    QWidget* Control(int id) const;
    // The work window (control WorkWindow): centred in the work area, and on
    // the editing screen only while `hasPicture` says there is a picture.
    void SetWorkWindow(CWorkWnd* work, std::function<bool()> hasPicture);

    // Hides every screen's controls (before the first screen is shown).
    void HideAll();
    void SwitchTo(int screen);
    // The screen shown; -1 before the first.
    int Current() const { return m_nScreen; }

    bool Fades() const { return m_bFades; }
    void SetFades(bool fades) { m_bFades = fades; }
    // The window's fade-in, when fades are on.
    void FadeIn();

    // The design area's top-left corner in the window.
    QPoint DesignOrigin() const;
    // The current screen's background, painted at the design area.
    void Paint(QPainter& painter);

signals:
    // A screen was shown: the indicator on it is brought up to date.
    void screenShown(int screen);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void BackToEditing();
    void ShowGroup(int screen, bool show);
    void PositionGroup(int screen);
    void StartTransition();
    void FinishTransition();
    // The composed background of a screen's set (design-area size).
    const QPixmap& Background(int screen);
    // The patch of a screen's background under `area` (logical pixels).
    QImage BackgroundPatch(int screen, const QRect& area);

    QWidget& m_window;
    CBufferWnd* m_pBuffer;
    CWorkWnd* m_pWorkWnd = nullptr;
    std::function<bool()> m_hasPicture;
    std::map<int, QWidget*> m_controls;
    std::map<int, QWidget*> m_labels;
    std::map<int, QPixmap> m_backgrounds;
    int m_nScreen = -1;
    bool m_bFades;
    bool m_bFading = false;
    int m_nOverlayOpacity = 0;   // the overlay's, while it fades out
    int m_nWindowOpacity = 255;  // the window's, while it fades in
    QBasicTimer m_fadeOutTimer;  // the overlay fading out after a screen change
    QBasicTimer m_fadeInTimer;   // the window fading in when first shown
};
