#include "engine/WindField.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Cell sizes in 1/16 pixel.
constexpr int64_t kCellU16 = WindField::kCellU * 16;
constexpr int64_t kCellV16 = WindField::kCellV * 16;

}  // namespace

void WindField::Setup(int amplitude, int angleDegrees, int width, int height, const std::function<int()>& rand)
{
    const double phi = double(-angleDegrees) * 3.14159 / 180.0;
    m_nSn = int(1024.0 * std::sin(phi));
    m_nCs = int(1024.0 * std::cos(phi));
    const int64_t absSn = std::abs(m_nSn), absCs = std::abs(m_nCs);
    const int64_t w = std::max(width, 0), h = std::max(height, 0);
    m_nEu = int(h * absSn / 1024 + w * absCs / 1024);
    m_nEv = int(w * absSn / 1024 + h * absCs / 1024);
    m_nColumns = m_nEu / kCellU + 4;
    m_nRows = m_nEv / kCellV + 4;
    const int range = std::max(amplitude, 1);
    m_nodes.assign(size_t(m_nColumns) * size_t(m_nRows), Node{});
    for (Node& node : m_nodes) {
        node.a = rand() % 33 - 16;
        node.b = rand() % range;
    }
}

int64_t WindField::Cubic(int64_t y0, int64_t y1, int64_t y2, int64_t y3, int64_t t)
{
    return y0 + (y1 - y0) * t / 100 + (t - 100) * (y0 + y2 - 2 * y1) * t / 20000 +
           (y0 + 3 * y1 - 3 * y2 + y3) * (t - 100) * (t - 200) * t / 6000000;
}

WindField::Offset WindField::Sample(int x, int y, int W, int H) const
{
    if (m_nodes.empty())
        return {};
    const int64_t ax = 16 * int64_t(x) - 8 * int64_t(W);
    const int64_t ay = 16 * int64_t(y) - 8 * int64_t(H);
    int64_t u = (m_nCs * ax + m_nSn * ay) / 1024 + 8 * int64_t(m_nEu);
    int64_t v = (m_nCs * ay - m_nSn * ax) / 1024 + 8 * int64_t(m_nEv);
    // Every pixel of a picture inside the area lands inside the grid; the limit
    // keeps the 4 x 4 node lookup in the grid for any other position too.
    u = std::clamp<int64_t>(u, 0, kCellU16 * (m_nColumns - 3) - 1);
    v = std::clamp<int64_t>(v, 0, kCellV16 * (m_nRows - 3) - 1);
    const int cu = int(u / kCellU16), cv = int(v / kCellV16);
    const int64_t tu = (u % kCellU16) * 100 / kCellU16;
    const int64_t tv = (v % kCellV16) * 100 / kCellV16;

    // Along v for each of the four columns, then along u over the four results.
    int64_t columnA[4], columnB[4];
    for (int i = 0; i < 4; ++i) {
        const Node& n0 = m_nodes[Index(cu + i, cv)];
        const Node& n1 = m_nodes[Index(cu + i, cv + 1)];
        const Node& n2 = m_nodes[Index(cu + i, cv + 2)];
        const Node& n3 = m_nodes[Index(cu + i, cv + 3)];
        columnA[i] = Cubic(n0.a, n1.a, n2.a, n3.a, tv);
        columnB[i] = Cubic(n0.b, n1.b, n2.b, n3.b, tv);
    }
    const int64_t Ka = Cubic(columnA[0], columnA[1], columnA[2], columnA[3], tu);
    const int64_t Kb = Cubic(columnB[0], columnB[1], columnB[2], columnB[3], tu);

    const int64_t dA = 8 * Ka / 8;
    const int64_t dB = kCellV * Kb / 8;
    return Offset{int((m_nCs * dA - m_nSn * dB) / 16384), int((m_nSn * dA + m_nCs * dB) / 16384)};
}
