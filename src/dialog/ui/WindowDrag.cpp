#include "dialog/ui/WindowDrag.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

CWindowDrag::CWindowDrag(QWidget& window) : QObject(&window), m_window(window)
{
    window.installEventFilter(this);
}

bool CWindowDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_window)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: Press(*static_cast<QMouseEvent*>(event)); return true;
    case QEvent::MouseMove: Move(*static_cast<QMouseEvent*>(event)); return true;
    case QEvent::MouseButtonRelease:
        m_bPressed = false;
        m_bDragging = false;
        return true;
    default: return false;
    }
}

void CWindowDrag::Press(const QMouseEvent& event)
{
    if (event.button() != Qt::LeftButton)
        return;
    m_bPressed = true;
    m_bDragging = false;
    m_pressPos = event.globalPosition().toPoint();
    m_dragOffset = m_pressPos - m_window.frameGeometry().topLeft();
}

void CWindowDrag::Move(const QMouseEvent& event)
{
    if (!m_bPressed || !(event.buttons() & Qt::LeftButton))
        return;
    const QPoint pos = event.globalPosition().toPoint();
    if (!m_bDragging) {
        if ((pos - m_pressPos).manhattanLength() < QApplication::startDragDistance())
            return;
        // The window system's own move, where it has one; it ends the press.
        if (m_window.windowHandle() && m_window.windowHandle()->startSystemMove()) {
            m_bPressed = false;
            return;
        }
        m_bDragging = true;
    }
    m_window.move(pos - m_dragOffset);
}
