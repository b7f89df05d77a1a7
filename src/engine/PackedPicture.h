#pragma once
// The packed picture: a 40-byte BITMAPINFOHEADER and 24-bit pixels (blue, green,
// red), rows stored bottom row first, each row padded to a multiple of 4 bytes.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

struct BITMAPINFOHEADER {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 24;
    uint32_t biCompression = 0;  // BI_RGB
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 2835;
    int32_t biYPelsPerMeter = 2835;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
    friend bool operator==(const BITMAPINFOHEADER&, const BITMAPINFOHEADER&) = default;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the header is stored as 40 raw bytes");
static_assert(std::endian::native == std::endian::little, "headers are stored as raw little-endian bytes");

// Bytes per row: width x 3 rounded up to a multiple of 4.
constexpr int PictureStride(int width)
{
    return ((width * 24 + 31) / 32) * 4;
}

// A header for width x height with the given resolution (2835 pixels per metre is 72 dpi).
BITMAPINFOHEADER MakePictureHeader(int width, int height, int32_t pelsPerMeter = 2835);

class PackedPicture {
public:
    PackedPicture() = default;
    // A black picture of width x height.
    PackedPicture(int width, int height, int32_t pelsPerMeter = 2835);
    PackedPicture(const BITMAPINFOHEADER& header, std::vector<uint8_t> bits);

    int Width() const { return m_header.biWidth; }
    int Height() const { return m_header.biHeight; }
    int Stride() const { return PictureStride(m_header.biWidth); }
    bool Empty() const { return m_bits.empty(); }

    const BITMAPINFOHEADER& Header() const { return m_header; }
    BITMAPINFOHEADER& Header() { return m_header; }
    std::vector<uint8_t>& Bits() { return m_bits; }
    const std::vector<uint8_t>& Bits() const { return m_bits; }

    // Buffer row r counts from the bottom of the picture.
    uint8_t* BufferRow(int r) { return m_bits.data() + size_t(r) * size_t(Stride()); }
    const uint8_t* BufferRow(int r) const { return m_bits.data() + size_t(r) * size_t(Stride()); }
    // Picture row y counts from the top, as window and map coordinates do.
    uint8_t* Row(int y) { return BufferRow(Height() - 1 - y); }
    const uint8_t* Row(int y) const { return BufferRow(Height() - 1 - y); }
    uint8_t* Pixel(int x, int y) { return Row(y) + 3 * x; }
    const uint8_t* Pixel(int x, int y) const { return Row(y) + 3 * x; }

    friend bool operator==(const PackedPicture&, const PackedPicture&) = default;

private:
    BITMAPINFOHEADER m_header{};
    std::vector<uint8_t> m_bits;
};
