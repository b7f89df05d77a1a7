#include "controls/SkinArithmetic.h"

#include <QPainter>

#include <algorithm>

int LevelComponent(int x, int key, int level)
{
    int out;
    if (level > 0)
        out = (x - 128) * (level + 32) / 32 + 128;
    else
        out = (x * (level + 32) - key * level) / 32;
    return std::clamp(out, 0, 255);
}

QRgb LevelPixel(QRgb source, QRgb key, int level)
{
    if (level < ButtonLevel::Normal) {
        const int o = (qBlue(source) + qGreen(source) + qRed(source)) / 3 + 300;
        const int blue = o * 153 / 511;
        const int green = std::min(255, o * 233 / 511);
        const int red = std::min(255, o * 255 / 511);
        return qRgb(red, green, blue);
    }
    return qRgb(LevelComponent(qRed(source), qRed(key), level), LevelComponent(qGreen(source), qGreen(key), level),
                LevelComponent(qBlue(source), qBlue(key), level));
}

QRgb KeyColour(const QImage& source)
{
    if (source.isNull())
        return qRgb(0, 0, 0);
    return source.pixel(0, source.height() - 1) | 0xFF000000u;
}

QImage BuildButtonDisplay(const QImage& source, const QImage& skin, int level, int captionHeight)
{
    // Sizes in device pixels; the caption height is logical, like the skin's
    // tiling, so a double-resolution picture gets a double-resolution display.
    const qreal ratio = source.devicePixelRatio();
    const int w = source.width();
    const int h = source.height();
    QImage display(w, h + qRound(std::max(0, captionHeight) * ratio), QImage::Format_RGB32);
    if (display.isNull())
        return display;
    display.setDevicePixelRatio(ratio);
    if (skin.isNull()) {
        display.fill(Qt::lightGray);
    } else {
        QPainter p(&display);
        const QSizeF area = display.deviceIndependentSize();
        const QSizeF tile = skin.deviceIndependentSize();
        for (qreal y = 0; y < area.height(); y += tile.height())
            for (qreal x = 0; x < area.width(); x += tile.width())
                p.drawImage(QPointF(x, y), skin);
    }
    const QImage src = source.convertToFormat(QImage::Format_RGB32);
    const QRgb key = KeyColour(src) & 0xFFFFFFu;
    for (int y = 0; y < h; ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        QRgb* out = reinterpret_cast<QRgb*>(display.scanLine(y));
        for (int x = 0; x < w; ++x) {
            if ((in[x] & 0xFFFFFFu) != key)
                out[x] = LevelPixel(in[x], key, level);
        }
    }
    return display;
}

SliderSplit SliderSplitFor(int pos, int min, int max)
{
    if (max <= min)
        return {};
    const long long s =
        std::clamp((static_cast<long long>(pos) - min) * 400 / (static_cast<long long>(max) - min), 0LL, 400LL);
    if (s == 400)
        return {kSliderBars - 1, 16};
    return {static_cast<int>(s / 16), static_cast<int>(s % 16)};
}

int SliderPosForX(int x, int width, int min, int max)
{
    if (width <= 0 || max <= min)
        return min;
    const long long pos =
        min + static_cast<long long>(std::clamp(x, 0, width)) * (static_cast<long long>(max) - min) / width;
    return static_cast<int>(std::clamp<long long>(pos, min, max));
}

const std::array<QPointF, 4 * kSliderBars>& SliderShapePoints()
{
    // Bars 12 units wide on a 16-unit pitch, rising from a fifth of the height
    // to the full height; each bar's top follows the slope of the wedge.
    static const std::array<QPointF, 4 * kSliderBars> points = [] {
        std::array<QPointF, 4 * kSliderBars> pts{};
        auto top = [](double x) { return 100.0 - (20.0 + 80.0 * x / 400.0); };
        for (int i = 0; i < kSliderBars; ++i) {
            const double left = 16.0 * i + 2.0;
            const double right = left + 12.0;
            pts[4 * i + 0] = QPointF(left, 100.0);
            pts[4 * i + 1] = QPointF(left, top(left));
            pts[4 * i + 2] = QPointF(right, top(right));
            pts[4 * i + 3] = QPointF(right, 100.0);
        }
        return pts;
    }();
    return points;
}

int ProgressBarWidth(int left, int right, int pos, int min, int max)
{
    if (max <= min)
        return left + 6;
    return static_cast<int>(left + static_cast<long long>(right - left - 16) * (pos - min) / (max - min) + 6);
}

long long ScaledSide(int side, int percent)
{
    return static_cast<long long>(side) * percent / 100;
}
