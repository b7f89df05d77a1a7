#pragma once
// The freeze mask: one value 0..64 per map element, over the work picture.
// 0 leaves an element free, 64 freezes it; in between, a tool's change there
// is scaled down. At each element every tool step's change is scaled by
// (64 - m) / 64, truncated toward zero, per component:
//
//     new = old + trunc((candidate - old) * (64 - m) / 64)
//
// An empty mask (no values) and a mask of all zeros change nothing.

#include "engine/Displacement.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class FreezeMask {
public:
    static constexpr int kFrozen = 64;

    FreezeMask() = default;
    // A W x H mask, all clear.
    FreezeMask(int width, int height)
            : m_nWidth(width), m_nHeight(height), m_values(size_t(width) * size_t(height), uint8_t(0))
    {}
    // A W x H mask of the given values (row-major, top row first); values above
    // 64 are taken as 64.
    FreezeMask(int width, int height, std::vector<uint8_t> values);

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    bool Empty() const { return m_values.empty(); }
    bool HasSize(int width, int height) const { return m_nWidth == width && m_nHeight == height; }
    // True when no element is frozen at all (also for an empty mask).
    bool AllClear() const;
    uint8_t At(int x, int y) const { return m_values[size_t(y) * size_t(m_nWidth) + size_t(x)]; }
    uint8_t& At(int x, int y) { return m_values[size_t(y) * size_t(m_nWidth) + size_t(x)]; }
    const uint8_t* Row(int y) const { return m_values.data() + size_t(y) * size_t(m_nWidth); }
    const std::vector<uint8_t>& Values() const { return m_values; }
    // No mask at all.
    void Reset() { *this = FreezeMask(); }
    // The mask for another picture size, nearest element: (x, y) takes the
    // value at (x * W / w, y * H / h). An empty mask stays empty.
    FreezeMask Resampled(int width, int height) const;
    // Whether this mask acts on a W x H map: it has values of that size. A mask
    // of another size acts nowhere.
    bool ActsOn(int width, int height) const { return !Empty() && HasSize(width, height); }

    friend bool operator==(const FreezeMask&, const FreezeMask&) = default;

private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<uint8_t> m_values;
};

// One element's candidate value after the mask value m (0..64).
Displacement FrozenValue(Displacement old, Displacement candidate, int m);

// Writes n candidate values into `row` through the mask values of that row.
void ApplyFreezeRow(Displacement* row, const Displacement* candidates, const uint8_t* mask, size_t n);

namespace reference {
// The same as ApplyFreezeRow, element by element through FrozenValue.
void ApplyFreezeRow(Displacement* row, const Displacement* candidates, const uint8_t* mask, size_t n);
}  // namespace reference

// Moves the whole map toward no deformation by `percent` (0..100) through the
// mask (nullptr: none): the candidate of each component v is
// v - trunc(v * percent / 100), which the mask then scales as any tool's change.
// 100 % of a clear mask gives the identity; 0 % changes nothing.
void ReconstructMap(MapRef map, int percent, const FreezeMask* mask);
