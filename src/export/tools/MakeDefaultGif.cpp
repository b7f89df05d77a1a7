// Draws the picture shown when a project's picture is missing and writes it as a GIF:
// a soft diagonal gradient, a faint grid, and a ring emblem with a wave through it.
//   warplet-make-default-gif <output.gif>

#include "engine/PackedPicture.h"
#include "export/GifPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kWidth = 412;
constexpr int kHeight = 309;

struct Colour {
    double r, g, b;
};

Colour Mix(const Colour& a, const Colour& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour Background(int x, int y)
{
    const Colour top{70, 110, 170};
    const Colour bottom{200, 160, 120};
    const double t = (double(x) / kWidth * 0.35 + double(y) / kHeight * 0.65);
    Colour c = Mix(top, bottom, t);
    // A checker of 24-pixel squares, lightly lighter and darker, and thin grid lines.
    const bool odd = ((x / 24) + (y / 24)) % 2 != 0;
    const double shade = odd ? 1.05 : 0.97;
    c = {c.r * shade, c.g * shade, c.b * shade};
    if (x % 24 == 0 || y % 24 == 0)
        c = Mix(c, Colour{255, 255, 255}, 0.18);
    return c;
}

// The emblem: a ring around the centre and a sine wave across it, as if the grid
// were being deformed.
Colour Emblem(int x, int y, Colour c)
{
    const double cx = kWidth / 2.0;
    const double cy = kHeight / 2.0;
    const double dx = x - cx;
    const double dy = y - cy;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double disc = std::clamp(78.0 - r, 0.0, 1.0);
    c = Mix(c, Colour{250, 246, 236}, disc * 0.85);
    const double ring = std::clamp(1.0 - std::abs(r - 80.0) / 4.0, 0.0, 1.0);
    c = Mix(c, Colour{235, 120, 60}, ring);
    if (r < 76.0) {
        const double wave = cy + 22.0 * std::sin(dx / 18.0);
        const double line = std::clamp(1.0 - std::abs(y - wave) / 3.5, 0.0, 1.0);
        c = Mix(c, Colour{60, 90, 160}, line);
    }
    return c;
}

uint8_t Byte(double v)
{
    return uint8_t(std::clamp(std::lround(v), 0L, 255L));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.gif>\n", argv[0]);
        return 2;
    }
    PackedPicture picture(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Colour c = Emblem(x, y, Background(x, y));
            uint8_t* p = picture.Pixel(x, y);
            p[0] = Byte(c.b);
            p[1] = Byte(c.g);
            p[2] = Byte(c.r);
        }
    }
    if (!WriteGifPicture(argv[1], picture)) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
