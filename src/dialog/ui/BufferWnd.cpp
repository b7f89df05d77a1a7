#include "dialog/ui/BufferWnd.h"

#include <QPainter>

CBufferWnd::CBufferWnd(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Buffer"));
    // The overlay only shows; clicks go through to nothing while it fades.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void CBufferWnd::Capture()
{
    QWidget* owner = parentWidget();
    if (!owner)
        return;
    hide();  // the snapshot must not contain an older snapshot
    m_snapshot = owner->grab();
    setGeometry(owner->rect());
    m_nOpacity = 255;
    raise();
    show();
    repaint();
}

void CBufferWnd::Release()
{
    m_snapshot = QPixmap();
    hide();
}

void CBufferWnd::SetOpacity(int alpha)
{
    m_nOpacity = qBound(0, alpha, 255);
    update();
}

void CBufferWnd::paintEvent(QPaintEvent*)
{
    if (m_snapshot.isNull())
        return;
    QPainter p(this);
    p.setOpacity(m_nOpacity / 255.0);
    p.drawPixmap(0, 0, m_snapshot);
}
