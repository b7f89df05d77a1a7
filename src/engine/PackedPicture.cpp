#include "engine/PackedPicture.h"

#include <utility>

BITMAPINFOHEADER MakePictureHeader(int width, int height, int32_t pelsPerMeter)
{
    BITMAPINFOHEADER h;
    h.biWidth = width;
    h.biHeight = height;
    h.biSizeImage = uint32_t(height) * uint32_t(PictureStride(width));
    h.biXPelsPerMeter = pelsPerMeter;
    h.biYPelsPerMeter = pelsPerMeter;
    return h;
}

PackedPicture::PackedPicture(int width, int height, int32_t pelsPerMeter)
        : m_header(MakePictureHeader(width, height, pelsPerMeter)), m_bits(m_header.biSizeImage, 0)
{}

PackedPicture::PackedPicture(const BITMAPINFOHEADER& header, std::vector<uint8_t> bits)
        : m_header(header), m_bits(std::move(bits))
{}
