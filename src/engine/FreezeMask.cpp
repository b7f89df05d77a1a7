#include "engine/FreezeMask.h"

#include <algorithm>

namespace {

int32_t FrozenComponent(int32_t old, int32_t candidate, int m)
{
    // The change lies between old and candidate, so the sum fits 32 bits.
    const int64_t change = int64_t(candidate) - old;
    return int32_t(old + change * (FreezeMask::kFrozen - m) / FreezeMask::kFrozen);
}

}  // namespace

FreezeMask::FreezeMask(int width, int height, std::vector<uint8_t> values)
        : m_nWidth(width), m_nHeight(height), m_values(std::move(values))
{
    m_values.resize(size_t(std::max(width, 0)) * size_t(std::max(height, 0)), uint8_t(0));
    for (uint8_t& v : m_values)
        v = std::min<uint8_t>(v, kFrozen);
}

bool FreezeMask::AllClear() const
{
    return std::all_of(m_values.begin(), m_values.end(), [](uint8_t v) { return v == 0; });
}

FreezeMask FreezeMask::Resampled(int width, int height) const
{
    if (Empty() || width <= 0 || height <= 0)
        return {};
    if (HasSize(width, height))
        return *this;
    FreezeMask out(width, height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = Row(int(int64_t(y) * m_nHeight / height));
        for (int x = 0; x < width; ++x)
            out.At(x, y) = src[int64_t(x) * m_nWidth / width];
    }
    return out;
}

Displacement FrozenValue(Displacement old, Displacement candidate, int m)
{
    return Displacement{FrozenComponent(old.dx, candidate.dx, m), FrozenComponent(old.dy, candidate.dy, m)};
}

void ApplyFreezeRow(Displacement* row, const Displacement* candidates, const uint8_t* mask, size_t n)
{
    size_t i = 0;
    while (i < n) {
        // Runs of clear elements are copied whole, frozen ones skipped.
        size_t end = i;
        if (mask[i] == 0) {
            while (end < n && mask[end] == 0)
                ++end;
            std::copy(candidates + i, candidates + end, row + i);
        } else if (mask[i] == FreezeMask::kFrozen) {
            while (end < n && mask[end] == FreezeMask::kFrozen)
                ++end;
        } else {
            row[i] = FrozenValue(row[i], candidates[i], mask[i]);
            end = i + 1;
        }
        i = end;
    }
}

namespace reference {

void ApplyFreezeRow(Displacement* row, const Displacement* candidates, const uint8_t* mask, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        row[i] = FrozenValue(row[i], candidates[i], mask[i]);
}

}  // namespace reference

void ReconstructMap(MapRef map, int percent, const FreezeMask* mask)
{
    if (!map.Attached())
        return;
    percent = std::clamp(percent, 0, 100);
    const bool masked = mask && mask->ActsOn(map.width, map.height);
    std::vector<Displacement> candidates(size_t(std::max(map.width, 0)));
    for (int y = 0; y < map.height; ++y) {
        Displacement* row = &map.At(0, y);
        for (int x = 0; x < map.width; ++x) {
            const Displacement v = row[x];
            candidates[size_t(x)] = Displacement{int32_t(v.dx - int64_t(v.dx) * percent / 100),
                                                 int32_t(v.dy - int64_t(v.dy) * percent / 100)};
        }
        if (masked)
            ApplyFreezeRow(row, candidates.data(), mask->Row(y), size_t(map.width));
        else
            std::copy(candidates.begin(), candidates.end(), row);
    }
}
