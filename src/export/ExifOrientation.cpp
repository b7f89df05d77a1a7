#include "export/ExifOrientation.h"

#include "export/ByteReading.h"
#include "export/PictureCompleteness.h"

#include <cstring>

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;

// Reads integers of either byte order from a TIFF block, every read bounded.
class TiffReader {
public:
    explicit TiffReader(std::span<const uint8_t> b) : m_b(b) {}
    bool Has(size_t at, size_t n) const { return at <= m_b.size() && n <= m_b.size() - at; }
    uint16_t U16(size_t at) const
    {
        return m_bBig ? uint16_t(m_b[at] << 8 | m_b[at + 1]) : uint16_t(m_b[at + 1] << 8 | m_b[at]);
    }
    uint32_t U32(size_t at) const
    {
        return m_bBig ? uint32_t(U16(at)) << 16 | U16(at + 2) : uint32_t(U16(at + 2)) << 16 | U16(at);
    }
    void SetBigEndian(bool big) { m_bBig = big; }

private:
    std::span<const uint8_t> m_b;
    bool m_bBig = false;
};

// A JPEG's APP1 segment that holds EXIF ("Exif\0\0" and the TIFF block),
// looked for among the segments before the first scan.
std::optional<int> JpegOrientation(std::span<const uint8_t> b)
{
    size_t pos = 2;
    while (pos + 4 <= b.size() && b[pos] == 0xFF) {
        const uint8_t marker = b[pos + 1];
        if (marker == 0xDA || marker == 0xD9)
            break;
        const size_t length = bytes::BigEndian16(b, pos + 2);
        if (length < 2 || pos + 2 + length > b.size())
            break;
        if (marker == 0xE1 && bytes::At(b, pos + 4, "Exif\0\0", 6))
            return ExifBlockOrientation(b.subspan(pos + 10, length - 8));
        pos += 2 + length;
    }
    return std::nullopt;
}

// A PNG's eXIf chunk: the TIFF block itself.
std::optional<int> PngOrientation(std::span<const uint8_t> b)
{
    size_t pos = 8;
    while (pos + 12 <= b.size()) {
        const uint64_t length = bytes::BigEndian32(b, pos);
        if (length > b.size() - pos - 12)
            break;
        if (bytes::At(b, pos + 4, "eXIf", 4))
            return ExifBlockOrientation(b.subspan(pos + 8, size_t(length)));
        if (bytes::At(b, pos + 4, "IEND", 4))
            break;
        pos += size_t(12 + length);
    }
    return std::nullopt;
}

// A WebP's EXIF chunk (the TIFF block, after "Exif\0\0" where a writer put it).
std::optional<int> WebpOrientation(std::span<const uint8_t> b)
{
    size_t pos = 12;
    while (pos + 8 <= b.size()) {
        const uint64_t length = bytes::LittleEndian32(b, pos + 4);
        if (length > b.size() - pos - 8)
            break;
        if (bytes::At(b, pos, "EXIF", 4)) {
            std::span<const uint8_t> block = b.subspan(pos + 8, size_t(length));
            if (bytes::At(block, 0, "Exif\0\0", 6))
                block = block.subspan(6);
            return ExifBlockOrientation(block);
        }
        pos += size_t(8 + length + (length & 1));
    }
    return std::nullopt;
}

// Where stored pixel (sx, sy) of a W x H picture lands when shown.
struct Placed {
    int x;
    int y;
};

Placed Place(int orientation, int sx, int sy, int W, int H)
{
    switch (orientation) {
    case 2: return {W - 1 - sx, sy};
    case 3: return {W - 1 - sx, H - 1 - sy};
    case 4: return {sx, H - 1 - sy};
    case 5: return {sy, sx};
    case 6: return {H - 1 - sy, sx};
    case 7: return {H - 1 - sy, W - 1 - sx};
    case 8: return {sy, W - 1 - sx};
    default: return {sx, sy};
    }
}

}  // namespace

std::optional<int> ExifBlockOrientation(std::span<const uint8_t> tiff)
{
    TiffReader r(tiff);
    if (bytes::At(tiff, 0, "MM\0*", 4))
        r.SetBigEndian(true);
    else if (!bytes::At(tiff, 0, "II*\0", 4))
        return std::nullopt;
    if (!r.Has(4, 4))
        return std::nullopt;
    const uint32_t ifd = r.U32(4);
    if (!r.Has(ifd, 2))
        return std::nullopt;
    const uint16_t entries = r.U16(ifd);
    for (uint32_t i = 0; i < entries; ++i) {
        const size_t at = size_t(ifd) + 2 + size_t(i) * 12;
        if (!r.Has(at, 12))
            return std::nullopt;
        if (r.U16(at) != kOrientationTag)
            continue;
        if (r.U16(at + 2) != kShortType || r.U32(at + 4) != 1)
            return std::nullopt;
        const int value = r.U16(at + 8);
        return value >= 1 && value <= 8 ? std::optional<int>(value) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<int> FileExifOrientation(std::span<const uint8_t> file)
{
    if (file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF)
        return JpegOrientation(file);
    if (IsPngFile(file))
        return PngOrientation(file);
    if (bytes::At(file, 0, "RIFF", 4) && bytes::At(file, 8, "WEBP", 4))
        return WebpOrientation(file);
    if (bytes::At(file, 0, "II*\0", 4) || bytes::At(file, 0, "MM\0*", 4))
        return ExifBlockOrientation(file);
    return std::nullopt;
}

PackedPicture OrientedPicture(const PackedPicture& stored, int orientation)
{
    if (orientation < 2 || orientation > 8 || stored.Empty())
        return stored;
    const int W = stored.Width(), H = stored.Height();
    const bool swaps = orientation >= 5;
    PackedPicture shown(swaps ? H : W, swaps ? W : H, stored.Header().biXPelsPerMeter);
    shown.Header().biYPelsPerMeter = stored.Header().biYPelsPerMeter;
    if (swaps)
        std::swap(shown.Header().biXPelsPerMeter, shown.Header().biYPelsPerMeter);
    for (int sy = 0; sy < H; ++sy) {
        for (int sx = 0; sx < W; ++sx) {
            const Placed p = Place(orientation, sx, sy, W, H);
            std::memcpy(shown.Pixel(p.x, p.y), stored.Pixel(sx, sy), 3);
        }
    }
    return shown;
}
