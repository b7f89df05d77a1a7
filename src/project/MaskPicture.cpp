#include "project/MaskPicture.h"

#include "export/PictureFile.h"
#include "io/AtomicFile.h"

#include <QImage>

FreezeMask FreezeMaskFromImage(const QImage& image, int width, int height)
{
    if (image.isNull() || width <= 0 || height <= 0)
        return {};
    const bool alpha = image.hasAlphaChannel();
    const QImage scaled = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32)
                              .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    FreezeMask mask(width, height);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(scaled.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const int v = alpha ? qAlpha(row[x]) : qGray(row[x]);
            mask.At(x, y) = uint8_t((v * FreezeMask::kFrozen + 127) / 255);
        }
    }
    return mask;
}

FreezeMask FreezeMaskFromPictureFile(const std::string& path, int width, int height)
{
    const std::string bytes = ReadWholeFile(path, kMaxPictureFileBytes);
    SetPictureDecodeLimit();
    const QImage image = QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), qsizetype(bytes.size()));
    if (image.isNull())
        throw UndecodablePicture(path);
    return FreezeMaskFromImage(image, width, height);
}
