#include "controls/ui/MyStatic.h"

#include "controls/SkinArithmetic.h"
#include "controls/ui/Art.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

namespace {

constexpr std::uint32_t kOutline = 0x466E83;  // Windows colour value
constexpr qreal kCorner = 8;                  // corner ellipse size

QPainterPath Outline(const QRectF& r)
{
    QPainterPath path;
    path.addRoundedRect(r, kCorner / 2, kCorner / 2);
    return path;
}

}  // namespace

QImage FitPictureCentred(const QImage& picture, int width, int height)
{
    if (picture.isNull() || width <= 0 || height <= 0)
        return {};
    // The result keeps the picture's device pixel ratio: a double-resolution
    // picture is fitted into a double-resolution frame, not reduced to 1x.
    const qreal ratio = picture.devicePixelRatio();
    QImage out(qRound(width * ratio), qRound(height * ratio), QImage::Format_RGB32);
    out.setDevicePixelRatio(ratio);
    out.fill(picture.pixel(0, 0));
    const QSize fitted = LogicalSize(picture).scaled(width, height, Qt::KeepAspectRatio);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(QPoint((width - fitted.width()) / 2, (height - fitted.height()) / 2), fitted), picture);
    return out;
}

CMyStatic::CMyStatic(int id, QWidget* parent) : QWidget(parent), m_nId(id)
{
    setObjectName(QString::number(id));
}

bool CMyStatic::SetPictureResource(int resourceId)
{
    return SetPicture(ArtImage(resourceId));
}

bool CMyStatic::SetPicture(const QImage& picture)
{
    if (picture.isNull())
        return false;
    TakePicture(picture.convertToFormat(QImage::Format_RGB32));
    return true;
}

bool CMyStatic::SetPictureFitted(int resourceId, int width, int height)
{
    return SetPictureFitted(ArtImage(resourceId), width, height);
}

bool CMyStatic::SetPictureFitted(const QImage& picture, int width, int height)
{
    const QImage fitted = FitPictureCentred(picture, width, height);
    if (fitted.isNull())
        return false;
    TakePicture(fitted);
    return true;
}

void CMyStatic::ClearPicture()
{
    m_picture = QImage();
    clearMask();
    update();
}

void CMyStatic::TakePicture(QImage picture)
{
    m_picture = std::move(picture);
    resize(LogicalSize(m_picture));
    setMask(QRegion(Outline(QRectF(rect())).toFillPolygon().toPolygon()));
    update();
}

void CMyStatic::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, m_picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ColorFromColorRef(kOutline), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(Outline(QRectF(rect()).adjusted(1, 1, -1, -1)));
}

CMyGroupBox::CMyGroupBox(const QString& caption, QWidget* parent) : QWidget(parent), m_strCaption(caption)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CMyGroupBox::SetWindowText(const QString& caption)
{
    m_strCaption = caption;
    update();
}

void CMyGroupBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFont font = QApplication::font();
    p.setFont(font);
    const QFontMetrics fm(font);
    const int textHeight = fm.height();
    const int textWidth = m_strCaption.isEmpty() ? 0 : fm.horizontalAdvance(m_strCaption);
    const int top = textHeight / 2;
    const int right = width() - 2;
    const int bottom = height() - 2;
    const int gapFrom = 4;
    const int gapTo = 6 + textWidth + 2;
    auto frame = [&](int off, const QColor& colour) {
        p.setPen(colour);
        if (textWidth > 0) {
            p.drawLine(off, top + off, gapFrom + off, top + off);
            p.drawLine(gapTo + off, top + off, right + off, top + off);
        } else {
            p.drawLine(off, top + off, right + off, top + off);
        }
        p.drawLine(right + off, top + off, right + off, bottom + off);
        p.drawLine(right + off, bottom + off, off, bottom + off);
        p.drawLine(off, bottom + off, off, top + off);
    };
    frame(1, Qt::white);
    frame(0, QColor(0x80, 0x80, 0x80));
    if (textWidth > 0) {
        p.setPen(Qt::black);
        p.drawText(QRect(6, 0, textWidth + 2, textHeight), Qt::AlignLeft | Qt::AlignVCenter, m_strCaption);
    }
}
