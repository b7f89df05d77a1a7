#pragma once
// Picture files for tests, written with Qt's image writers.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

namespace testsupport {

// A picture file whose pixels all differ, so every deformation shows.
inline QString WritePicture(const QString& folder, const QString& name, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7 + y * 3) & 255, (x * 5 + y * 11 + 40) & 255, ((x ^ y) * 13 + 90) & 255));
    const QString path = folder + QLatin1Char('/') + name;
    img.save(path);
    return path;
}

// The bytes of `image` written in `format` ("JPEG", "PNG", ...); empty when
// no writer for the format is installed.
inline std::vector<uint8_t> EncodedPicture(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        return {};
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace testsupport
