#include "controls/ui/DlgControls.h"

#include "controls/SkinArithmetic.h"
#include "controls/ui/Art.h"
#include "controls/ui/MySlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr std::uint32_t kChannel = 0x67A6D2;  // Windows colour value
constexpr int kThumbWidth = 10;

}  // namespace

CDlgRadioBtn::CDlgRadioBtn(int id, const QString& caption, QWidget* parent) : QRadioButton(caption, parent), m_nId(id)
{
    setObjectName(QString::number(id));
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(8);
    setFont(f);
}

CDlgSlider::CDlgSlider(int id, QWidget* parent) : QSlider(Qt::Horizontal, parent), m_nId(id)
{
    setObjectName(QString::number(id));
    setMinimumHeight(28);
}

QRect CDlgSlider::ChannelRect() const
{
    return QRect(kThumbWidth / 2, height() / 2 - 4, std::max(1, width() - kThumbWidth), 8);
}

int CDlgSlider::PosForX(int x) const
{
    const QRect channel = ChannelRect();
    return SliderPosForX(x - channel.left(), channel.width(), minimum(), maximum());
}

void CDlgSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect channel = ChannelRect();
    const QPixmap track = ArtPixmap(ArtId::SliderTrack);
    if (!track.isNull())
        p.drawPixmap(channel.adjusted(-2, -8, 2, 8), track);
    p.fillRect(channel.adjusted(2, 2, -2, -2), ColorFromColorRef(kChannel));
    // Tick marks below the channel, black with a white line beside each.
    const int range = maximum() - minimum();
    const int ticks = range <= 0 ? 0 : std::min(range, 10);
    for (int i = 0; i <= ticks; ++i) {
        const int x = channel.left() + (ticks == 0 ? 0 : channel.width() * i / ticks);
        p.setPen(Qt::black);
        p.drawLine(x, channel.bottom() + 4, x, channel.bottom() + 7);
        p.setPen(Qt::white);
        p.drawLine(x + 1, channel.bottom() + 4, x + 1, channel.bottom() + 7);
    }
    const int x = channel.left() +
                  (range <= 0 ? 0 : int(static_cast<long long>(channel.width()) * (value() - minimum()) / range));
    const QRectF thumb(x - kThumbWidth / 2.0, channel.top() - 6, kThumbWidth, channel.height() + 12);
    QLinearGradient g(thumb.topLeft(), thumb.bottomLeft());
    g.setColorAt(0, QColor(0xC8, 0xA0, 0x70));
    g.setColorAt(1, QColor(0x83, 0x6E, 0x46));
    p.setPen(QPen(QColor(0x4A, 0x38, 0x26), 1));
    p.setBrush(isEnabled() ? QBrush(g) : QBrush(Qt::lightGray));
    p.drawRoundedRect(thumb, 3, 3);
}

void CDlgSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QSlider::mousePressEvent(event);
        return;
    }
    m_bDragging = true;
    setValue(PosForX(event->position().toPoint().x()));
    emit hScroll(ScrollCode::ThumbPosition, value());
}

void CDlgSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_bDragging)
        return;
    const int pos = PosForX(event->position().toPoint().x());
    if (pos != value()) {
        setValue(pos);
        emit hScroll(ScrollCode::ThumbPosition, value());
    }
}

void CDlgSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_bDragging) {
        QSlider::mouseReleaseEvent(event);
        return;
    }
    m_bDragging = false;
    emit hScroll(ScrollCode::EndScroll, value());
}

void CDlgSlider::keyPressEvent(QKeyEvent* event)
{
    QSlider::keyPressEvent(event);
    emit hScroll(ScrollCode::EndScroll, value());
}
