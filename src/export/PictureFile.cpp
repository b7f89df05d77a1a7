#include "export/PictureFile.h"

#include "export/FileError.h"
#include "export/GifPicture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Wider pictures would overflow the stride arithmetic.
constexpr int kMaxSaveWidth = (std::numeric_limits<int>::max() - 31) / 24;

// The resolution assumed when a file states none, as a new screen bitmap has.
constexpr int kUnstatedDpi = 96;

// Closes a POSIX file descriptor when it goes out of scope.
class FdGuard {
public:
    explicit FdGuard(int fd) : m_fd(fd) {}
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    ~FdGuard()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

[[noreturn]] void ThrowFileError(const std::string& path, int error)
{
    throw FileError(FileError::CauseFromErrno(error), path, std::strerror(error));
}

// Reads the whole file; any failure to open or read it is a FileError.
QByteArray ReadWholeFile(const std::string& path)
{
    FdGuard fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        ThrowFileError(path, errno);
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0)
        ThrowFileError(path, errno);
    if (S_ISDIR(info.st_mode))
        ThrowFileError(path, EISDIR);

    QByteArray data;
    if (info.st_size > 0)
        data.reserve(qsizetype(info.st_size));
    std::array<char, 64 * 1024> chunk{};
    for (;;) {
        const ssize_t got = ::read(fd.Get(), chunk.data(), chunk.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowFileError(path, errno);
        }
        if (got == 0)
            break;
        data.append(chunk.data(), qsizetype(got));
    }
    return data;
}

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

PictureSaveResult Failed(std::string detail)
{
    return {PictureSaveResult::Status::WriteFailed, std::move(detail)};
}

PictureSaveResult Saved()
{
    return {PictureSaveResult::Status::Saved, {}};
}

// Writes a single-picture GIF with the program's own encoder, which replaces an
// existing file only once the whole new file has been written.
PictureSaveResult SaveGif(const std::string& path, const BITMAPINFOHEADER& header,
                          std::span<const uint8_t> pixels)
{
    const size_t bytes = size_t(header.biHeight) * size_t(PictureStride(header.biWidth));
    const PackedPicture picture(
        MakePictureHeader(header.biWidth, header.biHeight, PelsPerMeterFromDpi(kUnstatedDpi)),
        std::vector<uint8_t>(pixels.begin(), pixels.begin() + std::ptrdiff_t(bytes)));
    if (!WriteGifPicture(path, picture))
        return Failed("the GIF encoder failed");
    return Saved();
}

// Writes with a Qt encoder through QSaveFile (temporary file, renamed on commit).
PictureSaveResult SaveWithQt(const std::string& path, const std::string& format, const QImage& image)
{
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return Failed(file.errorString().toStdString());
    QImageWriter writer(&file, QByteArray::fromStdString(format));
    if (format == "jpeg")
        writer.setQuality(kJpegQuality);
    if (!writer.write(image)) {
        file.cancelWriting();
        return Failed(writer.errorString().toStdString());
    }
    if (!file.commit())
        return Failed(file.errorString().toStdString());
    return Saved();
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
    QByteArray data = ReadWholeFile(path);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
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

PictureSaveResult SavePicture(const std::string& path, const BITMAPINFOHEADER& header, std::span<const uint8_t> pixels)
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
        return SaveGif(path, header, pixels);

    if (!QImageWriter::supportedImageFormats().contains(QByteArray::fromStdString(format)))
        return {PictureSaveResult::Status::UnsupportedType, "no installed encoder for " + format};
    const QImage image = ImageFromPackedRows(width, height, pixels.data());
    if (image.isNull())
        return Failed("cannot allocate the picture");
    return SaveWithQt(path, format, image);
}

PictureSaveResult SavePicture(const std::string& path, const PackedPicture& picture)
{
    return SavePicture(path, picture.Header(), picture.Bits());
}
