#include "animation/ThumbnailHeader.h"

#include <cstdint>

BITMAPINFOHEADER MakeThumbnailHeader(int TW, int TH)
{
    BITMAPINFOHEADER h;
    h.biSize = 40;
    h.biWidth = TW;
    h.biHeight = TH;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = 0;
    h.biSizeImage = uint32_t(TH) * uint32_t((3 * TW + 3) / 4 * 4);
    h.biXPelsPerMeter = 2835;
    h.biYPelsPerMeter = 2835;
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    return h;
}

BITMAPINFOHEADER ZeroThumbnailHeader()
{
    BITMAPINFOHEADER h;
    h.biSize = 0;
    h.biWidth = 0;
    h.biHeight = 0;
    h.biPlanes = 0;
    h.biBitCount = 0;
    h.biCompression = 0;
    h.biSizeImage = 0;
    h.biXPelsPerMeter = 0;
    h.biYPelsPerMeter = 0;
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    return h;
}

ThumbnailSize ComputeThumbnailSize(int W, int H, int CW, int CH)
{
    if (W <= 0 || H <= 0)
        return {};
    if (H < W)
        return {CW, int(int64_t(CW) * H / W)};
    return {int(int64_t(CH) * W / H), CH};
}
