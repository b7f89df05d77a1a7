#pragma once
// The plainer controls of the program's small dialogs.

#include <QRadioButton>
#include <QSlider>

// Radio button with its caption in the dialogs' 8-point font, left-aligned and
// vertically centred.
class CDlgRadioBtn : public QRadioButton {
    Q_OBJECT
public:
    CDlgRadioBtn(int id, const QString& caption, QWidget* parent = nullptr);
    int GetDlgCtrlID() const { return m_nId; }
    bool GetCheck() const { return isChecked(); }
    void SetCheck(bool checked) { setChecked(checked); }

private:
    int m_nId;
};

// Horizontal slider on the track bitmap; reports thumb positions while the
// mouse moves it and an end-of-scroll after release and after keys.
class CDlgSlider : public QSlider {
    Q_OBJECT
public:
    explicit CDlgSlider(int id, QWidget* parent = nullptr);
    int GetDlgCtrlID() const { return m_nId; }
    // The position a point x of the slider stands for.
    int PosForX(int x) const;

signals:
    void hScroll(int code, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect ChannelRect() const;

    int m_nId;
    bool m_bDragging = false;
};
