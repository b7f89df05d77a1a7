#include "controls/ui/ProgressWnd.h"

#include "controls/SkinArithmetic.h"

#include <QPainter>

namespace {

constexpr std::uint32_t kBar = 0x800000;  // Windows colour value: navy

}  // namespace

CProgressWnd::CProgressWnd(QWidget* parent) : QWidget(parent)
{
    resize(10, 5);
    hide();
    if (parent)
        m_host = parent->rect();
}

void CProgressWnd::SetRange(int min, int max)
{
    m_nMin = min;
    m_nMax = max;
}

void CProgressWnd::SetPos(int pos)
{
    m_nPos = pos;
    // Windows rectangles: right and bottom lie one past the last pixel.
    const int left = m_host.left();
    const int right = m_host.left() + m_host.width();
    const int bottom = m_host.top() + m_host.height();
    const int width = ProgressBarWidth(left, right, pos, m_nMin, m_nMax);
    setGeometry(8, bottom - 15, std::max(0, width), 10);
    show();
    repaint();
    if (parentWidget())
        parentWidget()->repaint();
}

void CProgressWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), ColorFromColorRef(kBar));
}
