#include "engine/RadialShape.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

constexpr int kFullResolution = 15708;  // 5000 * pi, rounded

// A segment end: low ends lie in [0, A/4], high ends in [A - A/4, A].
int DrawEnd(bool high, int amplitude, int rand)
{
    const int quarter = amplitude / 4;
    const int spread = std::max(quarter, 0) + 1;
    const int draw = rand % spread;
    return high ? amplitude - quarter + draw : draw;
}

// The smooth step from u to v, entry j of a segment of c entries.
int SegmentEntry(int u, int v, int j, int c)
{
    // A one-entry segment holds its start value (j / (c - 1) would be 0 / 0).
    const double t = c > 1 ? double(j) / double(c - 1) : 0.0;
    return int(double(u) + double(v - u) * (t * t) * (3.0 - 2.0 * t));
}

}  // namespace

int RadialShape::MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return 0;
    const int64_t product = int64_t(number) * int64_t(numerator);
    const int64_t d = denominator;
    const bool negative = (product < 0) != (d < 0);
    const int64_t magnitude = (std::llabs(product) + std::llabs(d) / 2) / std::llabs(d);
    const int64_t q = negative ? -magnitude : magnitude;
    return int(std::clamp<int64_t>(q, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int RadialShape::AngularResolution(int N)
{
    const int a1 = int(5000.0 * std::atan2(double(N), double(N)));
    const int a2 = int(5000.0 * std::atan2(double(N), double(N) + 1.0));
    if (a1 == a2)
        return kFullResolution;
    return std::min(kFullResolution / std::abs(a1 - a2) + 1, kFullResolution);
}

void RadialShape::Build(int N, int sign, int amplitude, int lobes, const std::function<int()>& rand)
{
    const int L = std::max(lobes, 1);
    const int c = std::max(1, AngularResolution(N) / L);
    m_nS = L * c;
    m_nSegment = c;

    // 2L segment ends around the ring, low first, then alternating.
    const int ends = 2 * L;
    std::vector<int> end(static_cast<size_t>(ends));
    for (int i = 0; i < ends; ++i)
        end[size_t(i)] = sign * DrawEnd(i % 2 == 1, amplitude, rand());

    m_profile.assign(size_t(2) * size_t(m_nS), 0);
    for (int seg = 0; seg < ends; ++seg) {
        const int u = end[size_t(seg)];
        const int v = end[size_t((seg + 1) % ends)];  // the last segment closes the ring
        for (int j = 0; j < c; ++j)
            m_profile[size_t(seg) * size_t(c) + size_t(j)] = SegmentEntry(u, v, j, c);
    }
}

Displacement RadialShape::Element(int a, int b, int N1, int N2) const
{
    // Lengths in 1/16 pixel, from the frame centre.
    int X16 = (2 * a - N1) * 8;
    int Y16 = (2 * b - N2) * 8;
    const int Yn = MulDiv(Y16, N1, N2);  // height normalised to the width
    const int Rmax = int(std::sqrt(double(int64_t(128) * N1 * N1)));

    if (Built() && !(X16 == 0 && Yn == 0)) {
        const double r = std::sqrt(double(X16) * double(X16) + double(Yn) * double(Yn));
        int index = int(std::atan2(double(Y16), double(X16)) * m_nS / 3.1416);
        if (index < 0)
            index += 2 * m_nS;
        index = std::clamp(index, 0, 2 * m_nS - 1);
        const int h = m_profile[size_t(index)] + Rmax;
        const int rt = int(r);
        const int r2 = h > 0 ? MulDiv(rt, Rmax, h) : 0;
        if (r2 <= 0) {
            X16 = 0;
            Y16 = 0;
        } else {
            X16 = MulDiv(X16, r2, rt);
            Y16 = MulDiv(Y16, r2, rt);
        }
    }
    return Displacement{((8 * N1 + X16 + 8) >> 4) - a, ((8 * N2 + Y16 + 8) >> 4) - b};
}
