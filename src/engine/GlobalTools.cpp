#include "engine/GlobalTools.h"

#include "engine/RadialShape.h"
#include "engine/RandomFieldSource.h"
#include "engine/WindField.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// Field values are formed in 64 bits; a click far outside the picture could
// leave the 32-bit range, so they are limited to it.
int32_t Narrow(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// A whole-pixel offset weighted by the strength, v * s / 64.
int32_t Strengthen(int64_t v, int s)
{
    return Narrow(v * s / 64);
}

}  // namespace

// ---------------------------------------------------------------------------
// Zoom and shrink: toward (or away from) the click point, strongest in the
// picture's middle and zero at its border.

namespace {

// The field of GlZoom (divisor sign +1) and GlShrink (-1): e*X*s / (sign*64*W).
void FillRadialPull(std::vector<Displacement>& field, int x, int y, int W, int H, int strength, int sign,
                    const std::vector<int>& p, const std::vector<int>& q)
{
    const int64_t s = strength;
    for (int py = 0; py < H; ++py) {
        const int64_t Y = int64_t(y) - py;
        for (int px = 0; px < W; ++px) {
            const int64_t X = int64_t(x) - px;
            const int64_t e = int64_t(p[size_t(px)]) * q[size_t(py)];
            field[size_t(py) * size_t(W) + size_t(px)] = Displacement{Narrow(e * X * s / (sign * 64 * int64_t(W))),
                                                                      Narrow(e * Y * s / (sign * 64 * int64_t(H)))};
        }
    }
}

}  // namespace

void CTool_GlZoom::Prepare(int x, int y, int W, int H)
{
    CToolGlobal::Prepare(x, y, W, H);
    if (HasField())
        FillRadialPull(m_field, x, y, W, H, m_nStrength, +1, WindowX(), WindowY());
}

void CTool_GlShrink::Prepare(int x, int y, int W, int H)
{
    CToolGlobal::Prepare(x, y, W, H);
    if (HasField())
        FillRadialPull(m_field, x, y, W, H, m_nStrength, -1, WindowX(), WindowY());
}

// ---------------------------------------------------------------------------
// Tornado: every pixel's offset from the click point turned by an angle that is
// largest in the middle and vanishes at the border; strength 32 turns nothing.

void CTool_GlTornado::Prepare(int x, int y, int W, int H)
{
    CToolGlobal::Prepare(x, y, W, H);
    if (!HasField())
        return;
    const std::vector<int> p = WindowX(), q = WindowY();
    const double s = double(float(m_nStrength));
    const double twoPowMinus24 = 1.0 / 16777216.0;
    for (int py = 0; py < H; ++py) {
        const double Y = double(int64_t(y) - py);
        for (int px = 0; px < W; ++px) {
            const double X = double(int64_t(x) - px);
            const int e = p[size_t(px)] * q[size_t(py)];
            const double angle = double(e) * (s - 32.0) * 4.0 * twoPowMinus24;
            const double Sn = 64.0 * std::sin(angle), Cs = 64.0 * std::cos(angle);
            const double dx = std::trunc(Y * Sn + X * Cs - 64.0 * X);
            const double dy = std::trunc(Y * Cs - X * Sn - 64.0 * Y);
            FieldAt(px, py) = Displacement{Narrow(int64_t(dx)), Narrow(int64_t(dy))};
        }
    }
}

// ---------------------------------------------------------------------------
// Wave: radial rings around the click point, windowed by the border parabolas.

void CTool_GlWave::Prepare(int x, int y, int W, int H)
{
    CToolGlobal::Prepare(x, y, W, H);
    if (!HasField())
        return;
    const std::vector<int> p = WindowX(), q = WindowY();
    const double M = double(std::max(W, H));
    const int s = m_nStrength;
    for (int py = 0; py < H; ++py) {
        const int64_t Y = int64_t(y) - py;
        for (int px = 0; px < W; ++px) {
            const int64_t X = int64_t(x) - px;
            const double a = std::sin(std::sqrt(double(X * X + Y * Y) * 3.14 * 2.0 / M));
            const double theta = std::atan2(double(Y), double(X));
            const int64_t ax = int64_t(std::cos(theta) * 64.0 * s * a * 0.125);
            const int64_t ay = int64_t(std::sin(theta) * 64.0 * s * a * 0.125);
            const int64_t e = int64_t(p[size_t(px)]) * q[size_t(py)];
            FieldAt(px, py) = Displacement{Narrow(ax * e / (64 * int64_t(W))), Narrow(ay * e / (64 * int64_t(H)))};
        }
    }
}

// ---------------------------------------------------------------------------
// Ripples: a smooth random field, scaled with the picture's shorter side and
// limited so that every pixel samples inside the picture.

void CTool_GlRipples::Prepare(int x, int y, int W, int H)
{
    CToolGlobal::Prepare(x, y, W, H);
    if (!HasField())
        return;
    const int c = std::min(W, H) / 10;
    const int rowLength = W + 10;
    const int s = m_nStrength;
    RandomFieldSource source([this] { return Rand(); });
    source.InitSmoothGenerator(rowLength, 512, c, c);
    for (int py = 0; py < H; ++py) {
        const RandomFieldSource::SmoothRow row = source.PrepareSmooth(rowLength, py);
        for (int px = 0; px < W; ++px) {
            const int X16 = std::clamp(16 * px + row.xs[size_t(px)] * c / 8, 0, 16 * W - 16);
            const int Y16 = std::clamp(16 * py + row.ys[size_t(px)] * c / 8, 0, 16 * H - 16);
            const int ox = (X16 - 16 * px) >> 4, oy = (Y16 - 16 * py) >> 4;
            FieldAt(px, py) = Displacement{Strengthen(ox, s), Strengthen(oy, s)};
        }
    }
    source.ShutupRandomGenerator();
}

// ---------------------------------------------------------------------------
// Wind: random streaks along the direction from the picture's centre to the click.

void CTool_GlWind::Prepare(int x, int y, int W, int H)
{
    CToolGlobal::Prepare(x, y, W, H);
    if (!HasField())
        return;
    const double a = std::atan2(double(x - W / 2), double(y - H / 2));
    const int degrees = int(a * 180.0 / 3.14);
    WindField wind;
    wind.Setup(200, degrees, W + 10, H + 10, [this] { return Rand(); });
    const int s = m_nStrength;
    for (int py = 0; py < H; ++py) {
        for (int px = 0; px < W; ++px) {
            const WindField::Offset o = wind.Sample(px, py, W, H);
            FieldAt(px, py) = Displacement{Strengthen(o.dx, s), Strengthen(o.dy, s)};
        }
    }
}

// ---------------------------------------------------------------------------
// Splashes and dunes: a random star around the click point in a virtual frame
// centred on it, as large as needed to cover the picture.

BlotFrame BlotFrame::Around(int cx, int cy, int W, int H)
{
    BlotFrame f;
    f.d = 2 * std::max(cx, W - cx);
    f.g = 2 * std::max(cy, H - cy);
    f.columnShift = (W - cx < cx) ? 0 : f.d - W;
    f.rowShift = (H - cy < cy) ? 0 : f.g - H;
    return f;
}

void FillBlotField(std::vector<Displacement>& field, int cx, int cy, int W, int H, int strength,
                   const BlotParameters& params, const std::function<int()>& rand)
{
    if (field.size() != size_t(std::max(W, 0)) * size_t(std::max(H, 0)) || field.empty())
        return;
    const BlotFrame frame = BlotFrame::Around(cx, cy, W, H);
    RadialShape shape;
    shape.Build(frame.d, params.sign, params.amplitude, params.lobes, rand);
    const int s = strength;
    for (int y = 0; y < H; ++y) {
        const int b = y + frame.rowShift;
        for (int x = 0; x < W; ++x) {
            const Displacement e = shape.Element(x + frame.columnShift, b, frame.d, frame.g);
            field[size_t(y) * size_t(W) + size_t(x)] = Displacement{Strengthen(e.dx, s), Strengthen(e.dy, s)};
        }
    }
}

namespace {

constexpr BlotParameters kBlot{+1, 6400, 9};
constexpr BlotParameters kBlot2{+1, 6400, 65};
constexpr BlotParameters kSands{-1, 3200, 9};
constexpr BlotParameters kSands2{-1, 3200, 65};

}  // namespace

void CTool_GlBlot::Prepare(int x, int y, int W, int H)
{
    CToolGlobal::Prepare(x, y, W, H);
    FillBlotField(m_field, x, y, W, H, m_nStrength, kBlot, [this] { return Rand(); });
}

void CTool_GlBlot2::Prepare(int x, int y, int W, int H)
{
    CToolGlobal::Prepare(x, y, W, H);
    FillBlotField(m_field, x, y, W, H, m_nStrength, kBlot2, [this] { return Rand(); });
}

void CTool_GlSands::Prepare(int x, int y, int W, int H)
{
    CToolGlobal::Prepare(x, y, W, H);
    FillBlotField(m_field, x, y, W, H, m_nStrength, kSands, [this] { return Rand(); });
}

void CTool_GlSands2::Prepare(int x, int y, int W, int H)
{
    CToolGlobal::Prepare(x, y, W, H);
    FillBlotField(m_field, x, y, W, H, m_nStrength, kSands2, [this] { return Rand(); });
}
