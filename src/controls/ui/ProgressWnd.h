#pragma once
// The thin navy bar that shows the progress of an export along the bottom of
// its host area.

#include <QWidget>

class CProgressWnd : public QWidget {
    Q_OBJECT
public:
    explicit CProgressWnd(QWidget* parent = nullptr);

    // The rectangle of the parent the bar lives in.
    void SetHostRect(const QRect& host) { m_host = host; }
    void SetRange(int min, int max);
    // Shows the bar at x = 8, y = host bottom - 15, 10 pixels high, with the
    // width for `pos`, and repaints it and its parent at once.
    void SetPos(int pos);
    int GetPos() const { return m_nPos; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect m_host;
    int m_nMin = 0;
    int m_nMax = 100;
    int m_nPos = 0;
};
