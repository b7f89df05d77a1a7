#include "engine/Tool.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>

namespace {

int Limit(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// floor(v / 64) for negative values too.
int FloorDiv64(int v)
{
    return v >> 6;
}

std::vector<Displacement> ZeroedBuffer(size_t count)
{
    try {
        return std::vector<Displacement>(count);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// T[i] = trunc(64 exp(-i^2 / 1024)), i = 0..63.
const std::array<int, 64>& FalloffTable()
{
    static const std::array<int, 64> table = [] {
        std::array<int, 64> t{};
        for (int i = 0; i < 64; ++i)
            t[size_t(i)] = int(64.0 * std::exp(-double(i * i) / 1024.0));
        return t;
    }();
    return table;
}

}  // namespace

int QuantisePressure(double pressure)
{
    if (std::isnan(pressure))
        return kFullPressure;
    return int(std::lround(std::clamp(pressure, 0.0, 1.0) * kFullPressure));
}

int PressedStrength(int strength, int q)
{
    return int((int64_t(strength) * q + 32) >> 6);
}

int PressedTurnStrength(int strength, int q)
{
    return 32 + PressedStrength(strength - 32, q);
}

int PressedRadius(int radius, int q)
{
    return std::max(1, (radius * q + 32) / 64);
}

// ---------------------------------------------------------------------------
// CTool

CTool::CTool(int bitmapId, int commandId, int sizePercent)
        : m_nBitmapId(bitmapId), m_nCommandId(commandId), m_nSizePercent(sizePercent)
{}

Rect CTool::GetBrushRect(int x, int y) const
{
    return Rect{x - m_nRadius, y - m_nRadius, x + m_nRadius, y + m_nRadius};
}

std::vector<Displacement> CTool::CreateScratch() const
{
    return {};
}

void CTool::Prepare(int x, int y, int W, int H)
{
    if (m_nLastX == kNoPoint && m_nLastY == kNoPoint) {
        m_nLastX = x;
        m_nLastY = y;
    }
    // In double: a pointer far outside the window must not overflow the step.
    const double deltaX = double(x) - m_nLastX, deltaY = double(y) - m_nLastY;
    m_dAngle = std::atan2(deltaX, deltaY);
    m_nDirX = int(64.0 * std::sin(m_dAngle));
    m_nDirY = int(64.0 * std::cos(m_dAngle));
    m_nLastX = x;
    m_nLastY = y;
    m_nWidth = W;
    m_nWidth1 = W - 1;
    m_nHeight = H;
    m_nHeight1 = H - 1;
    const double length = std::sqrt(deltaX * deltaX + deltaY * deltaY);
    m_nStep = int(std::min(double(m_nRadius / 2), std::max(2.0, length)));
    SetPictureSize(W, H);
}

void CTool::EndStroke()
{
    m_nLastX = kNoPoint;
    m_nLastY = kNoPoint;
}

void CTool::Apply(MapRef, Displacement*, int, int) {}

void CTool::Activate()
{
    RefreshCursor();
}

bool CTool::CanApply(int, int) const
{
    return true;
}

int CTool::BaseRadius(int width, int height) const
{
    if (m_nFreeRadius > 0 && IsLocal())
        return std::clamp(m_nFreeRadius, 1, std::max({width, height, 1}));
    return std::max(m_nSizePercent * std::min(width, height) / 100, 0);
}

void CTool::SetFreeRadius(int radius)
{
    m_nFreeRadius = std::clamp(radius, 0, kMaxFreeRadius);
}

void CTool::SetPressure(int q)
{
    m_nPressure = std::clamp(q, 0, kFullPressure);
}

void CTool::SetPictureSize(int width, int height)
{
    m_nPictureWidth = width;
    m_nPictureHeight = height;
    m_nWidth = width;
    m_nHeight = height;
    m_nRadius = BaseRadius(width, height);
    if (m_bPressureSize && IsLocal() && m_nPressure != kFullPressure)
        m_nRadius = PressedRadius(m_nRadius, m_nPressure);
    m_nRadius2 = int(float(m_nRadius) * float(m_nRadius));
    m_nDiameter = 2 * m_nRadius + 1;
}

int CTool::Falloff(int index)
{
    // Compared before negating, so that no index can overflow.
    if (index <= -64 || index >= 64)
        return 0;
    return FalloffTable()[size_t(index < 0 ? -index : index)];
}

void CTool::SetCursorKind(int kind) const
{
    if (m_pCursor)
        m_pCursor->SetCursorKind(kind);
}

void CTool::RefreshCursor() const
{
    if (m_pCursor)
        m_pCursor->RefreshCursor();
}

int CTool::Rand()
{
    return m_pRandom ? m_pRandom->Next() : m_ownRandom.Next();
}

// ---------------------------------------------------------------------------
// CToolLocal

std::vector<Displacement> CToolLocal::CreateScratch() const
{
    return ZeroedBuffer(size_t(m_nDiameter) * size_t(m_nDiameter));
}

void CToolLocal::Activate()
{
    SetCursorKind(kCursorNone);
    CTool::Activate();
}

bool CToolLocal::CanApply(int, int) const
{
    return m_nRadius > 0;
}

int CToolLocal::WeightAt(int X, int Y) const
{
    if (m_nRadius2 == 0)
        return (X == 0 && Y == 0) ? Falloff(0) : 0;
    return Falloff(int((int64_t(X) * X + int64_t(Y) * Y) * 64 / m_nRadius2));
}

Displacement CToolLocal::ComposeLocal(MapRef map, int x, int y, int dx, int dy) const
{
    const int cx = FloorDiv64(dx), cy = FloorDiv64(dy);
    if (x + cx < 0 || x + cx > m_nWidth - 3 || y + cy < 0 || y + cy > m_nHeight - 3)
        return Displacement{0, 0};
    const int xc = std::max(x + cx, 1), yc = std::max(y + cy, 1);
    const int fx = dx - (xc - x) * 64, fy = dy - (yc - y) * 64;
    const int64_t w00 = int64_t(64 - fx) * (64 - fy), w10 = int64_t(fx) * (64 - fy);
    const int64_t w01 = int64_t(64 - fx) * fy, w11 = int64_t(fx) * fy;
    const Displacement& a = map.At(xc, yc);
    const Displacement& b = map.At(xc + 1, yc);
    const Displacement& c = map.At(xc, yc + 1);
    const Displacement& d = map.At(xc + 1, yc + 1);
    const int64_t sx = a.dx * w00 + b.dx * w10 + c.dx * w01 + d.dx * w11;
    const int64_t sy = a.dy * w00 + b.dy * w10 + c.dy * w01 + d.dy * w11;
    return Displacement{int32_t(dx + sx / 4096), int32_t(dy + sy / 4096)};
}

// ---------------------------------------------------------------------------
// CToolGlobal

CToolGlobal::CToolGlobal(int bitmapId, int commandId) : CTool(bitmapId, commandId, 0) {}

Rect CToolGlobal::GetBrushRect(int, int) const
{
    return Rect{0, 0, m_nPictureWidth, m_nPictureHeight};
}

std::vector<Displacement> CToolGlobal::CreateScratch() const
{
    return ZeroedBuffer(size_t(std::max(m_nHeight, 0)) * size_t(std::max(m_nWidth, 0)));
}

void CToolGlobal::Prepare(int x, int y, int W, int H)
{
    SetCursorKind(kCursorBusy);
    RefreshCursor();
    CTool::Prepare(x, y, W, H);
    m_nWidth = W;
    m_nWidth1 = W - 1;
    m_nHeight = H;
    m_nHeight1 = H - 1;
    m_field = ZeroedBuffer(size_t(std::max(W, 0)) * size_t(std::max(H, 0)));
}

void CToolGlobal::EndStroke()
{
    SetCursorKind(kCursorTool);
    RefreshCursor();
    m_field = {};
    CTool::EndStroke();
}

void CToolGlobal::Activate()
{
    SetCursorKind(kCursorTool);
    RefreshCursor();
}

bool CToolGlobal::CanApply(int W, int H) const
{
    return W >= 2 && H >= 2 && W == m_nWidth && H == m_nHeight && m_field.size() == size_t(W) * size_t(H);
}

void CToolGlobal::Apply(MapRef map, Displacement* scratch, int, int)
{
    SetCursorKind(kCursorTool);
    RefreshCursor();
    const int W = m_nWidth, H = m_nHeight;
    if (!CanApply(W, H) || !map.HasSize(W, H))
        return;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const Displacement m = map.At(x, y);
            const int X =
                Limit(int(std::clamp<int64_t>(int64_t(64) * x + m.dx, INT32_MIN, INT32_MAX)), 0, 64 * (W - 2));
            const int Y =
                Limit(int(std::clamp<int64_t>(int64_t(64) * y + m.dy, INT32_MIN, INT32_MAX)), 0, 64 * (H - 2));
            const int x0 = X / 64, y0 = Y / 64, fx = X % 64, fy = Y % 64;
            const int w00 = (63 - fx) * (63 - fy), w10 = fx * (63 - fy), w01 = (63 - fx) * fy, w11 = fx * fy;
            const Displacement& a = FieldAt(x0, y0);
            const Displacement& b = FieldAt(x0 + 1, y0);
            const Displacement& c = FieldAt(x0, y0 + 1);
            const Displacement& d = FieldAt(x0 + 1, y0 + 1);
            const int64_t sx = int64_t(a.dx) * w00 + int64_t(b.dx) * w10 + int64_t(c.dx) * w01 + int64_t(d.dx) * w11;
            const int64_t sy = int64_t(a.dy) * w00 + int64_t(b.dy) * w10 + int64_t(c.dy) * w01 + int64_t(d.dy) * w11;
            scratch[size_t(y) * W + x] = Displacement{int32_t(m.dx + sx / 3969), int32_t(m.dy + sy / 3969)};
        }
    }
}

std::vector<int> CToolGlobal::WindowX() const
{
    const int W = m_nWidth;
    std::vector<int> p(size_t(std::max(W, 0)));
    for (int x = 0; x < W; ++x)
        p[size_t(x)] = int(int64_t(x - W) * x * 256 / (int64_t(W) * W));
    return p;
}

std::vector<int> CToolGlobal::WindowY() const
{
    const int H = m_nHeight;
    std::vector<int> q(size_t(std::max(H, 0)));
    for (int y = 0; y < H; ++y)
        q[size_t(y)] = int(int64_t(y - H) * y * 256 / (int64_t(H) * H));
    return q;
}

// ---------------------------------------------------------------------------
// Steps

namespace {

// Fills the gaps between the lattice values of a D x D scratch (R = (D-1)/2).
void FillLatticeGaps(Displacement* s, int R)
{
    const int D = 2 * R + 1;
    auto avg = [](const Displacement& a, const Displacement& b) {
        return Displacement{int32_t((int64_t(a.dx) + b.dx) / 2), int32_t((int64_t(a.dy) + b.dy) / 2)};
    };
    for (int row = 0; row <= 2 * R; row += 2) {
        Displacement* r = s + size_t(row) * D;
        for (int i = 1; i <= 2 * R - 1; i += 2)
            r[i] = avg(r[i - 1], r[i + 1]);
    }
    for (int row = 1; row <= 2 * R - 1; row += 2) {
        Displacement* r = s + size_t(row) * D;
        const Displacement* above = r - D;
        const Displacement* below = r + D;
        for (int i = 0; i < D; ++i)
            r[i] = avg(above[i], below[i]);
    }
}

// Copies the filled scratch back into the map, clipped to the picture, through
// the freeze mask when one acts on the map.
void CopyBack(const Displacement* s, int R, Rect rect, MapRef map, int W, int H, const FreezeMask* mask)
{
    const int D = 2 * R + 1;
    if (rect.right <= 0)
        return;
    int skip = 0, first = rect.left, length = 2 * R - 1;
    if (rect.left < 0) {
        skip = -rect.left;
        first = 0;
        length = 2 * R - 1 + rect.left;
    } else if (rect.right >= W - 1) {
        length = 2 * R + W - rect.right - 2;
    }
    // A brush wider than the picture is clipped on both sides.
    length = std::min(length, W - first);
    if (length <= 0)
        return;
    for (int row = 0; row <= 2 * R - 3; ++row) {
        const int y = rect.top + row;
        if (y < 0 || y > H - 2)
            continue;
        const Displacement* from = s + size_t(row) * D + skip;
        if (mask)
            ApplyFreezeRow(&map.At(first, y), from, mask->Row(y) + first, size_t(length));
        else
            std::copy_n(from, length, &map.At(first, y));
    }
}

}  // namespace

bool BrushStep(CTool& tool, MapRef map, std::vector<Displacement>& scratch, int x, int y, int W, int H,
               const FreezeMask* mask)
{
    if (!map.HasSize(W, H))
        return false;
    tool.Prepare(x, y, W, H);
    const int R = tool.Radius(), D = tool.Diameter();
    if (!tool.CanApply(W, H) || scratch.size() < size_t(D) * size_t(D))
        return false;
    const Rect rect = tool.GetBrushRect(x, y);
    std::fill_n(scratch.begin(), size_t(D) * size_t(D), Displacement{});
    tool.Apply(map, scratch.data(), x, y);
    FillLatticeGaps(scratch.data(), R);
    CopyBack(scratch.data(), R, rect, map, W, H, mask && mask->ActsOn(W, H) ? mask : nullptr);
    return true;
}

bool GlobalStep(CTool& tool, MapRef map, std::vector<Displacement>& scratch, int W, int H, const FreezeMask* mask)
{
    const size_t n = size_t(W) * size_t(H);
    if (!map.HasSize(W, H) || scratch.size() < n || !tool.CanApply(W, H))
        return false;
    tool.Apply(map, scratch.data(), 0, 0);
    if (mask && mask->ActsOn(W, H)) {
        for (int y = 0; y < H; ++y)
            ApplyFreezeRow(&map.At(0, y), scratch.data() + size_t(y) * size_t(W), mask->Row(y), size_t(W));
    } else {
        std::copy_n(scratch.begin(), n, map.data);
    }
    return true;
}
