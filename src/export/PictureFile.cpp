#include "export/PictureFile.h"

#include "export/PictureCompleteness.h"
#include "io/FileError.h"
#include "export/GifPicture.h"
#include "io/AtomicFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
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
// What a file cut short says when nothing of it could be decoded (FailureText.cpp reads it).
constexpr const char* kEndsEarlyDetail = "the file ends too early";

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
PictureSaveResult SaveGif(const std::string& path, const BITMAPINFOHEADER& header, std::span<const uint8_t> pixels,
                          AtomicFileBatch* batch)
{
    const size_t bytes = size_t(header.biHeight) * size_t(PictureStride(header.biWidth));
    const PackedPicture picture(MakePictureHeader(header.biWidth, header.biHeight, PelsPerMeterFromDpi(kUnstatedDpi)),
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

// Converts rows of a decoded image into packed rows (blue, green, red): the
// colours a conversion of the whole image to 32-bit ARGB (not premultiplied)
// gives, without the alpha byte. A row is converted on its own, so that no
// second picture of the whole size is ever made; the common formats are read
// directly, the others through a conversion of the row.
class RowPacker {
public:
    explicit RowPacker(const QImage& image)
            : m_image(image), m_target(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32),
              m_colors(image.colorTable())
    {
        // As the conversion reads a palette picture: no table at all is a grey
        // ramp, and indexes past the table are black.
        if (image.format() == QImage::Format_Indexed8) {
            if (m_colors.isEmpty()) {
                for (int i = 0; i < 256; ++i)
                    m_colors.append(qRgb(i, i, i));
            }
            m_colors.resize(256, qRgb(0, 0, 0));
        }
    }

    // Image row y into `out` (3 x width bytes, apart from the image).
    void Pack(int y, uint8_t* out) const
    {
        const int width = m_image.width();
        const uchar* line = m_image.constScanLine(y);
        switch (m_image.format()) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32: PackArgb(reinterpret_cast<const QRgb*>(line), width, out); return;
        case QImage::Format_Grayscale8:
            for (int x = 0; x < width; ++x)
                std::memset(out + 3 * x, line[x], 3);
            return;
        case QImage::Format_Indexed8:
            for (int x = 0; x < width; ++x)
                PackArgb(&m_colors[line[x]], 1, out + 3 * x);
            return;
        default: break;
        }
        QImage row(line, width, 1, m_image.bytesPerLine(), m_image.format());
        row.setColorTable(m_colors);
        const QImage argb = row.convertToFormat(m_target);
        if (argb.isNull())
            throw std::bad_alloc();
        PackArgb(reinterpret_cast<const QRgb*>(argb.constScanLine(0)), width, out);
    }

private:
    static void PackArgb(const QRgb* src, int width, uint8_t* out)
    {
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = src[x];
            out[3 * x + 0] = uint8_t(qBlue(pixel));
            out[3 * x + 1] = uint8_t(qGreen(pixel));
            out[3 * x + 2] = uint8_t(qRed(pixel));
        }
    }

    const QImage& m_image;
    QImage::Format m_target;
    QList<QRgb> m_colors;
};

// Gives the pages of `bits` past its size back to the system (it keeps them
// reserved: they read as zeros when touched again). Only whole pages that lie
// inside the buffer are given back.
void ReleaseUnusedTail(std::vector<uint8_t>& bits)
{
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<uintptr_t>(bits.data() + bits.size());
    const auto end = reinterpret_cast<uintptr_t>(bits.data() + bits.capacity());
    const uintptr_t first = (begin + page - 1) / page * page;
    const uintptr_t last = end / page * page;
    if (last > first && last - first >= (size_t(64) << 10))
        madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

// Reads the picture into one buffer that becomes the packed picture's pixels.
// Where the decoder takes an image prepared for it (most do), it decodes into
// that buffer: at its end when its rows are smaller than the packed rows,
// from its start otherwise. The rows are then packed in place from the top
// (a packed row never reaches past the decoded rows still to be read), put in
// bottom-up order and the buffer's unused end given back. Peak memory is the
// larger of the decoded and the packed picture.
std::optional<PackedPicture> DecodeIntoPackedBuffer(QImageReader& reader, const std::string& path)
{
    const QSize size = reader.size();
    const QImage::Format format = reader.imageFormat();
    if (!size.isValid() || size.isEmpty() || format == QImage::Format_Invalid) {
        // The decoder cannot say beforehand what it makes: it makes its own image.
        QImage image;
        if (!reader.read(&image) || image.isNull())
            return std::nullopt;
        return PackedPictureFromImage(image);
    }
    const int width = size.width();
    const int height = size.height();
    const uint64_t limit = uint64_t(kDecodeLimitMegabytes) << 20;
    const uint64_t decodedStride =
        (uint64_t(width) * uint64_t(QImage::toPixelFormat(format).bitsPerPixel()) + 31) / 32 * 4;
    const uint64_t packedStride = (uint64_t(width) * 3 + 3) / 4 * 4;
    if (decodedStride * uint64_t(height) > limit || packedStride * uint64_t(height) > limit) {
        const uint64_t bytesPerPixel = std::max<uint64_t>(3, (QImage::toPixelFormat(format).bitsPerPixel() + 7) / 8);
        throw PictureTooLargeError(path, width, height, limit / bytesPerPixel);
    }

    const size_t decodedBytes = size_t(decodedStride) * size_t(height);
    const size_t packedBytes = size_t(packedStride) * size_t(height);
    std::vector<uint8_t> bits(std::max(decodedBytes, packedBytes));
    uint8_t* const decodedAt = bits.data() + (bits.size() - decodedBytes);
    QImage image(decodedAt, width, height, qsizetype(decodedStride), format);
    if (!reader.read(&image) || image.isNull())
        return std::nullopt;
    const bool inPlace = image.constBits() == decodedAt && image.size() == size && image.format() == format;
    if (!inPlace && image.size() != size)
        return PackedPictureFromImage(image);  // a decoder that changed its mind about the size

    // Top-down packed rows at the start of the buffer; each goes through a
    // row of its own since it may overlap the decoded row it comes from.
    const RowPacker packer(image);
    std::vector<uint8_t> row(packedStride, 0);
    for (int y = 0; y < height; ++y) {
        packer.Pack(y, row.data());
        std::memcpy(bits.data() + size_t(y) * packedStride, row.data(), packedStride);
    }
    const int32_t pelsX = PelsPerMeterOfImage(image.dotsPerMeterX());
    const int32_t pelsY = PelsPerMeterOfImage(image.dotsPerMeterY());
    image = QImage();  // it may point into the buffer
    for (int y = 0; y < height / 2; ++y)
        std::swap_ranges(bits.begin() + std::ptrdiff_t(size_t(y) * packedStride),
                         bits.begin() + std::ptrdiff_t(size_t(y + 1) * packedStride),
                         bits.begin() + std::ptrdiff_t(size_t(height - 1 - y) * packedStride));
    bits.resize(packedBytes);
    ReleaseUnusedTail(bits);

    BITMAPINFOHEADER header = MakePictureHeader(width, height, pelsX);
    header.biYPelsPerMeter = pelsY;
    return PackedPicture(header, std::move(bits));
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
    const int width = image.width();
    const int height = image.height();
    if (width <= 0 || height <= 0)
        return {};
    PackedPicture picture(width, height, PelsPerMeterOfImage(image.dotsPerMeterX()));
    picture.Header().biYPelsPerMeter = PelsPerMeterOfImage(image.dotsPerMeterY());
    const RowPacker packer(image);
    for (int y = 0; y < height; ++y)
        packer.Pack(y, picture.Row(y));  // Row counts from the top; the buffer is bottom-up
    return picture;
}

void SetPictureDecodeLimit()
{
    // Qt's own default refuses a camera's 48-megapixel photograph. The limit is
    // one setting for every thread: it is written only while it differs.
    if (QImageReader::allocationLimit() != kDecodeLimitMegabytes)
        QImageReader::setAllocationLimit(kDecodeLimitMegabytes);
}

namespace {

// A whole file's bytes and a decoder reading them, orientation as stored.
class FileDecoder {
public:
    explicit FileDecoder(const std::string& path)
            : m_path(path), m_data(ReadWholeFile(path, kMaxPictureFileBytes)),
              m_view(QByteArray::fromRawData(m_data.data(), qsizetype(m_data.size()))), m_buffer(&m_view)
    {
        m_buffer.open(QIODevice::ReadOnly);
        SetPictureDecodeLimit();
        m_reader.setDevice(&m_buffer);
        m_reader.setAutoTransform(false);
    }

    std::optional<PackedPicture> Decode(PictureLoadNotes* notes = nullptr)
    {
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(m_data.data()), m_data.size());
        const bool complete = PictureFileComplete(bytes);
        if (notes)
            notes->incomplete = !complete;
        if (!complete && !PrepareCutFile(bytes))
            throw FileError(FileError::Cause::Generic, m_path, kEndsEarlyDetail);
        std::optional<PackedPicture> picture;
        try {
            picture = DecodeIntoPackedBuffer(m_reader, m_path);
        } catch (const std::bad_alloc&) {
            throw FileError(FileError::Cause::Generic, m_path, "not enough memory to decode the picture");
        }
        if (!picture && !complete)
            throw FileError(FileError::Cause::Generic, m_path, kEndsEarlyDetail);
        return picture;
    }
    QImageReader& Reader() { return m_reader; }

private:
    // A file cut short is decoded only where the decoder fills in what it
    // lacks (JPEG) or where all of its pixels are there: a PNG cut after its
    // pixel data is decoded with its end chunk put back. Handed a PNG cut in its
    // pixels, the decoder gives nothing but a line of its own on stderr.
    bool PrepareCutFile(std::span<const uint8_t> bytes)
    {
        if (!IsPngFile(bytes))
            return true;
        const std::optional<size_t> whole = PngWholeChunksBeforeCut(bytes);
        if (!whole)
            return false;
        m_data.resize(*whole);
        const std::span<const uint8_t> end = PngEndChunk();
        m_data.append(reinterpret_cast<const char*>(end.data()), end.size());
        m_buffer.close();
        m_view = QByteArray::fromRawData(m_data.data(), qsizetype(m_data.size()));
        m_buffer.setBuffer(&m_view);
        m_buffer.open(QIODevice::ReadOnly);
        m_reader.setDevice(&m_buffer);
        return true;
    }

    std::string m_path;
    std::string m_data;
    QByteArray m_view;
    QBuffer m_buffer;
    QImageReader m_reader;
};

}  // namespace

PictureTooLargeError::PictureTooLargeError(std::string path, int width, int height, uint64_t maxPixels)
        : FileError(Cause::Generic, std::move(path),
                    "the picture is too large: " + std::to_string(width) + " x " + std::to_string(height) +
                        " pixels, at most " + std::to_string(maxPixels) + " pixels"),
          m_nWidth(width), m_nHeight(height), m_nMaxPixels(maxPixels)
{}

std::optional<PackedPicture> LoadPictureFile(const std::string& path, PictureLoadNotes* notes)
{
    return FileDecoder(path).Decode(notes);
}

FileError UndecodablePicture(const std::string& path)
{
    return FileError(FileError::Cause::Generic, path, "not a picture this program can decode");
}

QSize PictureFileSize(const std::string& path)
{
    FileDecoder decoder(path);
    const QSize size = decoder.Reader().size();
    if (size.isValid() && !size.isEmpty() && decoder.Reader().imageFormat() != QImage::Format_Invalid)
        return size;
    // The decoder cannot tell beforehand: the picture is decoded.
    const std::optional<PackedPicture> picture = decoder.Decode();
    if (!picture || picture->Empty())
        throw UndecodablePicture(path);
    return QSize(picture->Width(), picture->Height());
}

namespace reference {

PackedPicture PackedPictureFromImage(const QImage& image)
{
    const QImage argb = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int width = argb.width();
    const int height = argb.height();
    PackedPicture picture(width, height, PelsPerMeterOfImage(image.dotsPerMeterX()));
    picture.Header().biYPelsPerMeter = PelsPerMeterOfImage(image.dotsPerMeterY());
    for (int y = 0; y < height; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uint8_t* dst = picture.Row(y);
        for (int x = 0; x < width; ++x) {
            dst[3 * x + 0] = uint8_t(qBlue(src[x]));
            dst[3 * x + 1] = uint8_t(qGreen(src[x]));
            dst[3 * x + 2] = uint8_t(qRed(src[x]));
        }
    }
    return picture;
}

}  // namespace reference

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
