#include "controls/ui/MySlider.h"

#include "app/AppState.h"
#include "controls/SkinArithmetic.h"
#include "res/StringTable.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>

namespace {

constexpr std::uint32_t kDisabledDone = 0xA7CAD4;  // Windows colour values
constexpr std::uint32_t kDisabledRest = 0xCAF4FF;

}  // namespace

CMySlider::CMySlider(int id, QWidget* parent)
        : QWidget(parent), m_nId(id), m_done(0x3A, 0x78, 0xC2), m_rest(0xF7, 0xEE, 0xDC)
{
    setObjectName(QString::number(id));
    setFocusPolicy(Qt::StrongFocus);
    // The help text is the part of the string after its first newline.
    const QString text = AppString(id);
    const qsizetype newline = text.indexOf(QLatin1Char('\n'));
    const QString tip = newline >= 0 ? text.mid(newline + 1) : text;
    if (!tip.isEmpty())
        setToolTip(tip);
}

void CMySlider::SetRange(int min, int max)
{
    m_nMin = min;
    m_nMax = std::max(min, max);
    m_nPos = std::clamp(m_nPos, m_nMin, m_nMax);
    update();
}

void CMySlider::SetPos(int pos)
{
    pos = std::clamp(pos, m_nMin, m_nMax);
    if (pos == m_nPos)
        return;
    m_nPos = pos;
    update();
}

void CMySlider::SetColors(const QColor& done, const QColor& rest)
{
    m_done = done;
    m_rest = rest;
    update();
}

QColor CMySlider::DoneColor() const
{
    return isEnabled() ? m_done : ColorFromColorRef(kDisabledDone);
}

QColor CMySlider::RestColor() const
{
    return isEnabled() ? m_rest : ColorFromColorRef(kDisabledRest);
}

void CMySlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const double sx = width() / 400.0;
    const double sy = height() / 100.0;
    const auto& pts = SliderShapePoints();
    auto at = [&](int i) { return QPointF(pts[i].x() * sx, pts[i].y() * sy); };
    const SliderSplit split = SliderSplitFor(m_nPos, m_nMin, m_nMax);
    const QColor done = DoneColor();
    const QColor rest = RestColor();
    for (int b = 0; b < kSliderBars; ++b) {
        const QPointF bl = at(4 * b), tl = at(4 * b + 1), tr = at(4 * b + 2), br = at(4 * b + 3);
        if (b != split.bar) {
            p.setBrush(b < split.bar ? done : rest);
            p.drawPolygon(QPolygonF() << bl << tl << tr << br);
            continue;
        }
        // The dividing edge, interpolated between the bar's corners in sixteenths.
        const QPointF bottom = bl + (br - bl) * split.fraction / 16.0;
        const QPointF top = tl + (tr - tl) * split.fraction / 16.0;
        p.setBrush(done);
        p.drawPolygon(QPolygonF() << bl << tl << top << bottom);
        p.setBrush(rest);
        p.drawPolygon(QPolygonF() << bottom << top << tr << br);
    }
}

void CMySlider::SetPosFromX(int x)
{
    SetPos(SliderPosForX(x, width(), m_nMin, m_nMax));
    emit hScroll(ScrollCode::ThumbPosition, m_nPos);
}

void CMySlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_bDragging = true;
    SetPosFromX(event->position().toPoint().x());
}

void CMySlider::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bDragging && (event->buttons() & Qt::LeftButton))
        SetPosFromX(event->position().toPoint().x());
}

void CMySlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_bDragging = false;
    QWidget::mouseReleaseEvent(event);
}

void CMySlider::keyPressEvent(QKeyEvent* event)
{
    const int page = std::max(1, (m_nMax - m_nMin) / 5);
    int pos = m_nPos;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up: pos -= 1; break;
    case Qt::Key_Right:
    case Qt::Key_Down: pos += 1; break;
    case Qt::Key_PageUp: pos -= page; break;
    case Qt::Key_PageDown: pos += page; break;
    case Qt::Key_Home: pos = m_nMin; break;
    case Qt::Key_End: pos = m_nMax; break;
    default: QWidget::keyPressEvent(event); return;
    }
    SetPos(pos);
    emit hScroll(ScrollCode::ThumbPosition, m_nPos);
}

bool CMySlider::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && !App().m_bShowTips)
        return true;
    if (event->type() == QEvent::EnabledChange)
        update();
    return QWidget::event(event);
}
