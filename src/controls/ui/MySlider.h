#pragma once
// The skin's slider: a wedge of 25 bars, filled with the done colour up to the
// position and with the rest colour beyond it.

#include <QColor>
#include <QWidget>

// Scroll notification codes carried by the sliders' hScroll signal.
namespace ScrollCode {
inline constexpr int ThumbPosition = 4;
inline constexpr int EndScroll = 8;
}  // namespace ScrollCode

class CMySlider : public QWidget {
    Q_OBJECT
public:
    explicit CMySlider(int id, QWidget* parent = nullptr);

    int GetDlgCtrlID() const { return m_nId; }
    void SetRange(int min, int max);
    int GetRangeMin() const { return m_nMin; }
    int GetRangeMax() const { return m_nMax; }
    // Sets the position (limited to the range) and repaints; no notification.
    void SetPos(int pos);
    int GetPos() const { return m_nPos; }
    void SetColors(const QColor& done, const QColor& rest);
    // The colours painted now (the disabled pair while disabled).
    QColor DoneColor() const;
    QColor RestColor() const;

    QSize sizeHint() const override { return {200, 40}; }

signals:
    // The parent's scroll notification: code 4 (thumb position) and the position.
    void hScroll(int code, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void SetPosFromX(int x);

    int m_nId;
    int m_nMin = 0;
    int m_nMax = 100;
    int m_nPos = 0;
    bool m_bDragging = false;
    QColor m_done;
    QColor m_rest;
};
