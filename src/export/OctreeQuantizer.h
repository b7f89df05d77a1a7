#pragma once
// Octree colour quantiser: every added pixel walks a tree of colour cells from the
// root down to a leaf; whenever there are more leaves than leafLimit the sparsest
// deepest cell is folded into one leaf. The palette is the average colour of the
// most populated leaves.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// A palette entry as stored in memory: blue, green, red, reserved (zero).
struct PaletteEntry {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

class OctreeQuantizer {
public:
    explicit OctreeQuantizer(int maxColors);
    ~OctreeQuantizer();
    OctreeQuantizer(const OctreeQuantizer&) = delete;
    OctreeQuantizer& operator=(const OctreeQuantizer&) = delete;

    // Adds pixelCount pixels of 3 bytes each (blue, green, red).
    void AddPixels(const uint8_t* row, int pixelCount);

    // Writes the colours to out[0 .. result - 1]; out must hold maxColors entries.
    // The result is min(maxColors, number of leaves).
    int GetPalette(PaletteEntry* out);

    int MaxColors() const { return m_maxColors; }
    int LeafLimit() const { return m_leafLimit; }
    int LeafCount() const { return m_leafCount; }
    int DepthLimit() const { return m_depthLimit; }

private:
    struct Node;

    void AddPixel(uint8_t blue, uint8_t green, uint8_t red);
    std::unique_ptr<Node> NewNode(int level);
    void PushReducible(Node* node);
    void UnlinkReducible(Node* node);
    void DeleteChildren(Node* node);
    void Reduce();
    void CollectLeaves(Node* node, std::vector<Node*>& leaves) const;
    static uint64_t SortKey(const Node* node);

    int m_maxColors;
    int m_leafLimit;
    int m_depthLimit = 8;
    int m_leafCount = 0;
    std::unique_ptr<Node> m_root;
    std::array<Node*, 8> m_reducible{};  // list heads, one per level
    std::vector<PaletteEntry> m_palette;
};
