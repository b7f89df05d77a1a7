#include "engine/LocalTools.h"

#include "engine/RadialShape.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <new>

// Notation in every Apply: (x, y) is the brush centre, p a visited lattice pixel
// with its offset (p.X, p.Y) from the centre and its brush weight p.F (0..64);
// k is the step weight, s the strength at the step's pressure. All integer divisions truncate toward
// zero; products are formed in 64 bits so that no map value can overflow them.

namespace {

// A step can write only into a map of the size the tool was prepared for.
bool CanWrite(const CTool& tool, MapRef map, const Displacement* scratch)
{
    return scratch != nullptr && map.HasSize(tool.PictureWidth(), tool.PictureHeight());
}

int Quotient(int64_t numerator, int64_t denominator)
{
    return int(numerator / denominator);
}

}  // namespace

// ---------------------------------------------------------------------------
// Enlarging and shrinking: the offset points toward the centre (enlarge) or away
// from it (shrink), in both directions or in one.

void CTool_ZoomIn::Apply(MapRef map, Displacement* scratch, int x, int y)
{
    if (!CanWrite(*this, map, scratch))
        return;
    const int64_t ks = int64_t(m_nStep) * StepStrength();
    ForEachLatticePixel(x, y, false, [&](const LatticePixel& p) {
        const int64_t g = p.F * ks;
        scratch[p.index] = ComposeLocal(map, p.x, p.y, Quotient(g * p.X, -4096), Quotient(g * p.Y, -4096));
    });
}

void CTool_ZoomInV::Apply(MapRef map, Displacement* scratch, int x, int y)
{
    if (!CanWrite(*this, map, scratch))
        return;
    const int64_t ks = int64_t(m_nStep) * StepStrength();
    ForEachLatticePixel(x, y, false, [&](const LatticePixel& p) {
        const int64_t g = p.F * ks;
        scratch[p.index] = ComposeLocal(map, p.x, p.y, 0, Quotient(g * p.Y, -4096));
    });
}

void CTool_ZoomInH::Apply(MapRef map, Displacement* scratch, int x, int y)
{
    if (!CanWrite(*this, map, scratch))
        return;
    const int64_t ks = int64_t(m_nStep) * StepStrength();
    ForEachLatticePixel(x, y, false, [&](const LatticePixel& p) {
        const int64_t g = p.F * ks;
        scratch[p.index] = ComposeLocal(map, p.x, p.y, Quotient(g * p.X, -4096), 0);
    });
}

void CTool_ZoomOut::Apply(MapRef map, Displacement* scratch, int x, int y)
{
    if (!CanWrite(*this, map, scratch))
        return;
    const int64_t ks = int64_t(m_nStep) * StepStrength();
    ForEachLatticePixel(x, y, false, [&](const LatticePixel& p) {
        const int64_t g = p.F * ks;
        scratch[p.index] = ComposeLocal(map, p.x, p.y, Quotient(g * p.X, 4096), Quotient(g * p.Y, 4096));
    });
}

void CTool_ZoomOutV::Apply(MapRef map, Displacement* scratch, int x, int y)
{
    if (!CanWrite(*this, map, scratch))
        return;
    const int64_t ks = int64_t(m_nStep) * StepStrength();
    ForEachLatticePixel(x, y, false, [&](const LatticePixel& p) {
        const int64_t g = p.F * ks;
        scratch[p.index] = ComposeLocal(map, p.x, p.y, 0, Quotient(g * p.Y, 4096));
    });
}

void CTool_ZoomOutH::Apply(MapRef map, Displacement* scratch, int x, int y)
{
    if (!CanWrite(*this, map, scratch))
        return;
    const int64_t ks = int64_t(m_nStep) * StepStrength();
    ForEachLatticePixel(x, y, false, [&](const LatticePixel& p) {
        const int64_t g = p.F * ks;
        scratch[p.index] = ComposeLocal(map, p.x, p.y, Quotient(g * p.X, 4096), 0);
    });
}

// ---------------------------------------------------------------------------
// Scale: a fixed turn by one radian around the centre plus a push at right
// angles to the pointer's motion.

void CTool_Zoom::Apply(MapRef map, Displacement* scratch, int x, int y)
{
    if (!CanWrite(*this, map, scratch))
        return;
    static const double C1 = 64.0 * std::cos(1.0);
    static const double S1 = 64.0 * std::sin(1.0);
    const int64_t s = StepStrength();
    ForEachLatticePixel(x, y, false, [&](const LatticePixel& p) {
        int dx = 0, dy = 0;
        if (p.F != 0) {
            const int64_t q = int64_t(p.F) * m_nStep / 2;
            const int64_t a = m_nDirY * s * q / 4096;
            const int64_t b = -(m_nDirX * s * q / 4096);
            const double X = p.X, Y = p.Y;
            // The turn is computed in pixels and read in 1/64 pixel.
            const int64_t turnX = int64_t(X - (X * C1 + Y * S1 + 32.0) * 0.015625);
            const int64_t turnY = int64_t(Y - (Y * C1 - X * S1 + 32.0) * 0.015625);
            dx = Quotient(turnX + 2 * a, 3);
            dy = Quotient(turnY + 2 * b, 3);
        }
        scratch[p.index] = ComposeLocal(map, p.x, p.y, dx, dy);
    });
}

// ---------------------------------------------------------------------------
// Rotate: turns each pixel's offset from the centre by an angle that grows with
// the brush weight; strength 32 turns nothing, the turn sign reverses it.

void CTool_Rotate::Apply(MapRef map, Displacement* scratch, int x, int y)
{
    if (!CanWrite(*this, map, scratch))
        return;
    // The angle depends only on the weight, so its sine and cosine are worked
    // out once per weight value.
    std::array<double, 65> sn{}, cs{};
    const double s = double(float(PressedTurnStrength(m_nStrength, m_nPressure)));
    for (int F = 1; F <= 64; ++F) {
        const double angle = (s - 32.0) * 4.0 * F * std::ldexp(1.0, -18) * m_nTurnSign;
        sn[size_t(F)] = 64.0 * std::sin(angle);
        cs[size_t(F)] = 64.0 * std::cos(angle);
    }
    ForEachLatticePixel(x, y, false, [&](const LatticePixel& p) {
        int dx = 0, dy = 0;
        if (p.F != 0) {
            const double Sn = sn[size_t(p.F)], Cs = cs[size_t(p.F)];
            const double X = p.X, Y = p.Y;
            dx = int(Y * Sn + X * Cs - 64.0 * X);
            dy = int(Y * Cs - X * Sn - 64.0 * Y);
        }
        scratch[p.index] = ComposeLocal(map, p.x, p.y, dx, dy);
    });
}

// ---------------------------------------------------------------------------
// Move: drags the content along the pointer's motion. Visits only the inner
// pixels (one in from every border).

void CTool_Move::Apply(MapRef map, Displacement* scratch, int x, int y)
{
    if (!CanWrite(*this, map, scratch))
        return;
    const int64_t s = StepStrength();
    ForEachLatticePixel(x, y, true, [&](const LatticePixel& p) {
        const int64_t g = int64_t(p.F) * m_nStep;
        scratch[p.index] =
            ComposeLocal(map, p.x, p.y, Quotient(m_nDirX * s * g, -4096), Quotient(m_nDirY * s * g, -4096));
    });
}

// ---------------------------------------------------------------------------
// Undo: pulls the map under the brush back toward zero.

void CTool_Undo::Apply(MapRef map, Displacement* scratch, int x, int y)
{
    if (!CanWrite(*this, map, scratch))
        return;
    ForEachLatticePixel(x, y, false, [&](const LatticePixel& p) {
        const int64_t g = int64_t(p.F) * StepStrength() / 8;
        const Displacement m = map.At(p.x, p.y);
        scratch[p.index] = ComposeLocal(map, p.x, p.y, Quotient(m.dx * g, -4096), Quotient(m.dy * g, -4096));
    });
}

// ---------------------------------------------------------------------------
// Smooth: blends each element with its four neighbours; no composition. Pixels
// within three of the border keep their value.

void CTool_Smooth::Apply(MapRef map, Displacement* scratch, int x, int y)
{
    if (!CanWrite(*this, map, scratch))
        return;
    const int W = m_nWidth, H = m_nHeight;
    ForEachLatticePixel(x, y, false, [&](const LatticePixel& p) {
        const Displacement centre = map.At(p.x, p.y);
        if (p.x < 3 || p.x > W - 4 || p.y < 3 || p.y > H - 4) {
            scratch[p.index] = centre;
            return;
        }
        const int64_t l = int64_t(p.F) * StepStrength() / 64;
        const Displacement& left = map.At(p.x - 1, p.y);
        const Displacement& right = map.At(p.x + 1, p.y);
        const Displacement& above = map.At(p.x, p.y - 1);
        const Displacement& below = map.At(p.x, p.y + 1);
        const int64_t sumX = int64_t(left.dx) + right.dx + above.dx + below.dx;
        const int64_t sumY = int64_t(left.dy) + right.dy + above.dy + below.dy;
        scratch[p.index] = Displacement{Quotient(l * sumX + 4 * (64 - l) * centre.dx, 256),
                                        Quotient(l * sumY + 4 * (64 - l) * centre.dy, 256)};
    });
}

// ---------------------------------------------------------------------------
// The shape brushes: the offset follows the shape table, scaled by the weight.

CToolShape::CToolShape(int bitmapId, int commandId, int sizePercent, Parameters parameters)
        : CToolLocal(bitmapId, commandId, sizePercent), m_parameters(parameters)
{}

void CToolShape::Prepare(int x, int y, int W, int H)
{
    CToolLocal::Prepare(x, y, W, H);
    EnsureShape();
}

bool CToolShape::CanApply(int W, int H) const
{
    return CToolLocal::CanApply(W, H) && m_nShapeSize == m_nDiameter &&
           m_shape.size() == size_t(m_nDiameter) * size_t(m_nDiameter);
}

void CToolShape::EnsureShape()
{
    const int D = m_nDiameter;
    if (D == m_nShapeSize && !m_shape.empty())
        return;
    m_shape.clear();
    m_nShapeSize = 0;
    if (D <= 0)
        return;
    RadialShape shape;
    shape.Build(D, m_parameters.sign, m_parameters.amplitude, m_parameters.lobes, [this] { return Rand(); });
    try {
        m_shape.resize(size_t(D) * size_t(D));
    } catch (const std::bad_alloc&) {
        m_shape.clear();
        return;
    }
    for (int i = 0; i < D; ++i)
        for (int j = 0; j < D; ++j)
            m_shape[size_t(i) * size_t(D) + size_t(j)] = shape.Element(j, i, D, D);
    m_nShapeSize = D;
}

void CToolShape::Apply(MapRef map, Displacement* scratch, int x, int y)
{
    if (!CanWrite(*this, map, scratch))
        return;
    EnsureShape();
    if (!CanApply(m_nWidth, m_nHeight))
        return;
    const int R = m_nRadius, D = m_nDiameter;
    const int64_t ks = int64_t(m_nStep) * StepStrength();
    ForEachLatticePixel(x, y, false, [&](const LatticePixel& p) {
        const int64_t g = p.F * ks;
        const Displacement& t = m_shape[size_t(p.Y + R) * size_t(D) + size_t(p.X + R)];
        scratch[p.index] = ComposeLocal(map, p.x, p.y, Quotient(g * t.dx, 4096), Quotient(g * t.dy, 4096));
    });
}
