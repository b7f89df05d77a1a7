#include "export/PictureFile.h"

#include "export/FileError.h"
#include "export/GifPicture.h"
#include "project/AtomicFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

// Wider pictures would overflow the stride arithmetic.
constexpr int kMaxSaveWidth = (std::numeric_limits<int>::max() - 31) / 24;

// The resolution assumed when a file states none, as a new screen bitmap has.
constexpr int kUnstatedDpi = 96;

// What the decoder may allocate for one picture: a picture of the full-size
// export's largest size (2^28 pixels) at 4 bytes a pixel, with room to spare.
constexpr int kDecodeLimitMegabytes = 1100;

// Dots per metre that the image plugins leave on an image whose file states no resolution.
int DefaultDotsPerMeter()
{
    static const int value = QImage(1, 1, QImage::Format_RGB32).dotsPerMeterX();
    return value;
}

int32_t PelsPerMeterOfImage(int dotsPerMeter)
{
    if (dotsPerMeter <= 0 || dotsPerMeter == DefaultDotsPerMeter())
        return PelsPerMeterFromDpi(kUnstatedDpi);
    return PelsPerMeterFromDpm(dotsPerMeter);
}

std::string UpperExtension(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        return {};
    std::string ext = path.substr(dot);
    for (char& c : ext) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return ext;
}

// The packed rows (bottom-up, BGR) as a top-down RGB image.
QImage ImageFromPackedRows(int width, int height, const uint8_t* pixels)
{
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        return image;
    const size_t stride = size_t(PictureStride(width));
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = pixels + size_t(height - 1 - y) * stride;
        uint8_t* dst = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            dst[3 * x + 0] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x + 0];
        }
    }
    // A freshly created bitmap carries the screen resolution; saved files state 96 dpi.
    const int dpm = int(std::lround(kUnstatedDpi / 0.0254));
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    return image;
}

PictureSaveResult Failed(std::string detail, FileError::Cause cause = FileError::Cause::Generic)
{
    return {PictureSaveResult::Status::WriteFailed, std::move(detail), cause};
}

PictureSaveResult Saved()
{
    return {PictureSaveResult::Status::Saved, {}};
}

// Writes encoded bytes over `path` through a temporary file: every write and
// the final flush are checked, and the old file stays whole on any failure.
PictureSaveResult WriteEncoded(const std::string& path, std::span<const uint8_t> bytes, AtomicFileBatch* batch)
{
    try {
        WriteFileAtomically(path, bytes, batch);
    } catch (const FileError& e) {
        return Failed(e.what(), e.GetCause());
    }
    return Saved();
}

// Writes a single-picture GIF with the program's own encoder.
PictureSaveResult SaveGif(const std::string& path, const BITMAPINFOHEADER& header,
                          std::span<const uint8_t> pixels, AtomicFileBatch* batch)
{
    const size_t bytes = size_t(header.biHeight) * size_t(PictureStride(header.biWidth));
    const PackedPicture picture(
        MakePictureHeader(header.biWidth, header.biHeight, PelsPerMeterFromDpi(kUnstatedDpi)),
        std::vector<uint8_t>(pixels.begin(), pixels.begin() + std::ptrdiff_t(bytes)));
    GifWriteError error;
    if (!WriteGifPicture(path, picture, &error, batch))
        return Failed(path + ": " + error.what, FileError::CauseFromErrno(error.error));
    return Saved();
}

// Encodes with a Qt encoder in memory, then writes the bytes.
PictureSaveResult SaveWithQt(const std::string& path, const std::string& format, const QImage& image,
                             AtomicFileBatch* batch)
{
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, QByteArray::fromStdString(format));
    if (format == "jpeg")
        writer.setQuality(kJpegQuality);
    if (!writer.write(image))
        return Failed("the " + format + " encoder failed: " + writer.errorString().toStdString());
    return WriteEncoded(path, std::span(reinterpret_cast<const uint8_t*>(encoded.constData()), size_t(encoded.size())),
                        batch);
}

}  // namespace

int32_t PelsPerMeterFromDpi(int dpi)
{
    const float scaled = float(dpi) * 100.0f;  // single precision, as the header has always been filled
    return int32_t(double(scaled) / 2.54);
}

int32_t PelsPerMeterFromDpm(int dotsPerMeter)
{
    const int dpi = int(std::lround(double(dotsPerMeter) * 0.0254));
    return PelsPerMeterFromDpi(dpi);
}

PackedPicture PackedPictureFromImage(const QImage& image)
{
    // Converting to 32-bit ARGB (not premultiplied) keeps each pixel's colour
    // exactly; the alpha byte is then simply not copied.
    const QImage argb = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int width = argb.width();
    const int height = argb.height();
    PackedPicture picture(width, height, PelsPerMeterOfImage(image.dotsPerMeterX()));
    picture.Header().biYPelsPerMeter = PelsPerMeterOfImage(image.dotsPerMeterY());
    for (int y = 0; y < height; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uint8_t* dst = picture.Row(y);  // Row counts from the top; the buffer is bottom-up
        for (int x = 0; x < width; ++x) {
            dst[3 * x + 0] = uint8_t(qBlue(src[x]));
            dst[3 * x + 1] = uint8_t(qGreen(src[x]));
            dst[3 * x + 2] = uint8_t(qRed(src[x]));
        }
    }
    return picture;
}

std::optional<PackedPicture> LoadPictureFile(const std::string& path)
{
    const std::string data = ReadWholeFile(path, kMaxPictureFileBytes);
    QByteArray view = QByteArray::fromRawData(data.data(), qsizetype(data.size()));
    QBuffer buffer(&view);
    buffer.open(QIODevice::ReadOnly);
    // Qt's own default refuses a camera's 48-megapixel photograph.
    QImageReader::setAllocationLimit(kDecodeLimitMegabytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    QImage image;
    if (!reader.read(&image) || image.isNull() || image.width() <= 0 || image.height() <= 0)
        return std::nullopt;
    PackedPicture picture = PackedPictureFromImage(image);
    if (picture.Empty())
        return std::nullopt;  // the conversion could not allocate the pixels
    return picture;
}

std::string PictureFormatForPath(const std::string& path)
{
    struct Entry {
        std::string_view extension;
        std::string_view format;
    };
    static constexpr std::array<Entry, 5> kEncoders{{
        {".JPG", "jpeg"},
        {".BMP", "bmp"},
        {".GIF", "gif"},
        {".TIF", "tiff"},
        {".PNG", "png"},
    }};
    const std::string ext = UpperExtension(path);
    for (const Entry& e : kEncoders) {
        if (ext == e.extension)
            return std::string(e.format);
    }
    return {};
}

PictureSaveResult SavePicture(const std::string& path, const BITMAPINFOHEADER& header, std::span<const uint8_t> pixels,
                              AtomicFileBatch* batch)
{
    const std::string format = PictureFormatForPath(path);
    if (format.empty())
        return {PictureSaveResult::Status::UnsupportedType, "no encoder for this extension"};

    const int width = header.biWidth;
    const int height = header.biHeight;
    if (width <= 0 || height <= 0)
        return Failed("the picture has no pixels");
    if (width > kMaxSaveWidth)
        return Failed("the picture is too wide");
    if (pixels.size() / size_t(PictureStride(width)) < size_t(height))
        return Failed("the pixel buffer is smaller than the header says");

    if (format == "gif")
        return SaveGif(path, header, pixels, batch);

    if (!QImageWriter::supportedImageFormats().contains(QByteArray::fromStdString(format)))
        return {PictureSaveResult::Status::UnsupportedType, "no installed encoder for " + format};
    const QImage image = ImageFromPackedRows(width, height, pixels.data());
    if (image.isNull())
        return Failed("cannot allocate the picture");
    return SaveWithQt(path, format, image, batch);
}

PictureSaveResult SavePicture(const std::string& path, const PackedPicture& picture)
{
    return SavePicture(path, picture.Header(), picture.Bits());
}
