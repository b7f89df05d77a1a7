#include "animation/ui/ThumbWnd.h"

#include "animation/KeyframeStore.h"
#include "animation/ui/KeysWnd.h"
#include "app/AppState.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWhatsThis>

namespace {

// A thumbnail (bottom-up BGR rows of the shared header's size) as an image.
QImage ThumbnailImage(const BITMAPINFOHEADER& header, const std::vector<uint8_t>& bits)
{
    const int w = header.biWidth, h = header.biHeight;
    const int stride = (w * 3 + 3) / 4 * 4;
    if (w <= 0 || h <= 0 || bits.size() < size_t(stride) * size_t(h))
        return {};
    const QImage view(bits.data(), w, h, stride, QImage::Format_BGR888);
    return view.mirrored(false, true);
}

QString FramesText(int frames)
{
    return AppString(StrId::FramesCount).arg(frames);
}
QString NumberText(int number)
{
    return QStringLiteral(" %1 ").arg(number);
}

// Each text is drawn twice: a light grey shadow, then the text one pixel up
// and left of it.
struct SlotText {
    int flags;
    QPoint shadow;
    QPoint text;
};
constexpr SlotText kDuration{Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine, {2, -1}, {1, -2}};
constexpr SlotText kNumber{Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, {2, 2}, {1, 1}};

}  // namespace

CThumbWnd::CThumbWnd(int id, const KeyframeStore& keys, CKeysWnd* strip)
        : QWidget(strip), m_nId(id), m_keys(keys), m_pStrip(strip), m_font(QApplication::font())
{
    setObjectName(QStringLiteral("Thumb"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CThumbWnd::SetKey(const CMMask* key, int index)
{
    m_pKey = key;
    m_nIndex = index;
    update();
}

void CThumbWnd::SetSelected(bool selected)
{
    if (selected == m_bSelected)
        return;
    m_bSelected = selected;
    update();
}

void CThumbWnd::RequestPicture()
{
    m_bNeedPicture = true;
    update();
}

void CThumbWnd::SetTooltip(const QString& text)
{
    setToolTip(text);
}

QRect CThumbWnd::ThumbRect() const
{
    if (!m_pKey)
        return {};
    const BITMAPINFOHEADER& header = m_keys.ThumbHeader();
    const int w = header.biWidth, h = header.biHeight;
    if (w <= 0 || h <= 0)
        return {};
    return QRect((width() - w) / 2, (height() - h) / 2, w, h);
}

bool CThumbWnd::ShowsTexts() const
{
    // The initial frame shows neither duration nor number.
    return m_pKey && m_nIndex > 0 && !ThumbRect().isEmpty();
}

QRect CThumbWnd::TextArea(const QString& text, int flags, QPoint shadow, QPoint offset) const
{
    const QRect drawn = QFontMetrics(m_font, this).boundingRect(rect(), flags, text);
    return drawn.translated(shadow).united(drawn.translated(offset)) & rect();
}

QRect CThumbWnd::DurationArea() const
{
    if (!ShowsTexts() || !App().m_bShowDuration)
        return {};
    return TextArea(FramesText(m_pKey->Duration()), kDuration.flags, kDuration.shadow, kDuration.text);
}

QRect CThumbWnd::NumberArea() const
{
    if (!ShowsTexts() || !App().m_bShowNumber)
        return {};
    return TextArea(NumberText(m_nIndex), kNumber.flags, kNumber.shadow, kNumber.text);
}

QString CThumbWnd::GetHelpText(QPoint pos) const
{
    // Each text's help answers where the text is drawn.
    if (DurationArea().contains(pos))
        return AppString(StrId::TransitionPeriod);
    if (NumberArea().contains(pos))
        return AppString(StrId::KeyframeIndex);
    return AppString(StrId::Keyframe);
}

void CThumbWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect thumb = ThumbRect();
    // The slot colour around the thumbnail.
    QRegion background(rect());
    if (!thumb.isEmpty())
        background -= thumb;
    p.setClipRegion(background);
    p.fillRect(rect(), QColor::fromRgb(kBackground));
    p.setClipping(false);
    if (!m_pKey || thumb.isEmpty())
        return;
    if (m_bNeedPicture) {
        m_bNeedPicture = false;
        m_pStrip->KeyPictureNeeded();
    }
    p.drawImage(thumb.topLeft(), ThumbnailImage(m_keys.ThumbHeader(), m_pKey->Thumbnail()));
    if (m_bSelected) {
        // A bump edge: raised outside, sunken inside.
        const QRect r = rect();
        p.setPen(QColor(0xFF, 0xFF, 0xFF));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.drawLine(r.topRight(), r.bottomRight());
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawRect(r.adjusted(1, 1, -2, -2));
        p.setPen(QColor(0xFF, 0xFF, 0xFF));
        p.drawLine(r.left() + 2, r.bottom() - 2, r.right() - 2, r.bottom() - 2);
        p.drawLine(r.right() - 2, r.top() + 2, r.right() - 2, r.bottom() - 2);
    }
    PaintTexts(p);
}

void CThumbWnd::PaintTexts(QPainter& p)
{
    if (!ShowsTexts())
        return;
    p.setFont(m_font);
    const QRect r = rect();
    const QColor shadow(0xC0, 0xC0, 0xC0);
    const auto draw = [&](const SlotText& how, const QString& text, const QColor& colour) {
        p.setPen(shadow);
        p.drawText(r.translated(how.shadow), how.flags, text);
        p.setPen(colour);
        p.drawText(r.translated(how.text), how.flags, text);
    };
    if (App().m_bShowDuration)
        draw(kDuration, FramesText(m_pKey->Duration()), QColor(0x00, 0x00, 0x80));  // 0x800000 as blue-green-red
    if (App().m_bShowNumber)
        draw(kNumber, NumberText(m_nIndex), QColor(0x80, 0x00, 0x00));  // 0x000080 as blue-green-red
}

void CThumbWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pStrip->OnSlotClick(m_nId);
    else if (event->button() == Qt::RightButton)
        m_pStrip->OnSlotRightClick(m_nId, event->globalPosition().toPoint());
}

void CThumbWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pStrip->OnSlotDoubleClick(m_nId);
}

bool CThumbWnd::event(QEvent* event)
{
    if (event->type() == QEvent::WhatsThis) {
        const auto* help = static_cast<QHelpEvent*>(event);
        QWhatsThis::showText(help->globalPos(), GetHelpText(help->pos()), this);
        return true;
    }
    if (event->type() == QEvent::ToolTip && !App().m_bShowTips)
        return true;
    return QWidget::event(event);
}
