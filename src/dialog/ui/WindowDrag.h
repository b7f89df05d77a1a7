#pragma once
// Moving a window by dragging its background: a press and a move of more
// than the drag distance start the window system's own move where it has one;
// elsewhere the window follows the pointer until the release. A click
// without motion does nothing. Presses its controls leave to it count too.

#include <QObject>
#include <QPoint>

class QMouseEvent;
class QWidget;

class CWindowDrag : public QObject {
    Q_OBJECT
public:
    explicit CWindowDrag(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Press(const QMouseEvent& event);
    void Move(const QMouseEvent& event);

    QWidget& m_window;
    QPoint m_dragOffset;
    QPoint m_pressPos;  // where the left button went down on the background
    bool m_bPressed = false;
    bool m_bDragging = false;  // moving the window ourselves (no system move)
};
