#pragma once
// The displacement map: for every work-picture pixel, where in the unchanged
// source picture its colour comes from, in 1/64 pixel.

#include <cstddef>
#include <cstdint>
#include <vector>

struct Displacement {
    int32_t dx = 0;
    int32_t dy = 0;
    friend bool operator==(const Displacement&, const Displacement&) = default;
};
static_assert(sizeof(Displacement) == 8, "maps are stored and compressed as 8 bytes an element");

// A non-owning view of a map together with its dimensions; row-major, top row first.
struct MapRef {
    Displacement* data = nullptr;
    int width = 0;
    int height = 0;

    bool Attached() const { return data != nullptr; }
    size_t Count() const { return size_t(width) * size_t(height); }
    Displacement& At(int x, int y) const { return data[size_t(y) * size_t(width) + size_t(x)]; }
    bool HasSize(int w, int h) const { return data != nullptr && width == w && height == h; }
};

// An owning map of width x height elements, all zero (the identity) when made.
class DisplacementMap {
public:
    DisplacementMap() = default;
    DisplacementMap(int width, int height)
            : m_nWidth(width), m_nHeight(height), m_elements(size_t(width) * size_t(height))
    {}

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    size_t Count() const { return m_elements.size(); }
    Displacement* Data() { return m_elements.data(); }
    const Displacement* Data() const { return m_elements.data(); }
    Displacement& At(int x, int y) { return m_elements[size_t(y) * size_t(m_nWidth) + size_t(x)]; }
    const Displacement& At(int x, int y) const { return m_elements[size_t(y) * size_t(m_nWidth) + size_t(x)]; }
    MapRef Ref() { return MapRef{m_elements.data(), m_nWidth, m_nHeight}; }
    std::vector<Displacement>& Elements() { return m_elements; }
    const std::vector<Displacement>& Elements() const { return m_elements; }
    friend bool operator==(const DisplacementMap&, const DisplacementMap&) = default;

private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<Displacement> m_elements;
};

// dx := p*dx/64 and dy := p*dy/64 for every element, truncating toward zero.
// The product is formed in 64 bits so that huge stored values cannot overflow;
// every value whose 32-bit product fits gives the same result.
void ScaleMap(MapRef map, int p);

// The largest |dx| or |dy| of count elements, formed in 64 bits (|INT32_MIN| fits).
int64_t LargestMagnitude(const Displacement* elements, size_t count);
