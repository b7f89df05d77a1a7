#include "export/OctreeQuantizer.h"

#include <algorithm>

struct OctreeQuantizer::Node {
    int level = 0;
    bool isLeaf = false;
    bool inReducibleList = false;
    uint32_t pixelCount = 0;
    // 64-bit sums: a large picture of one colour would overflow 32 bits.
    uint64_t redSum = 0;
    uint64_t greenSum = 0;
    uint64_t blueSum = 0;
    int paletteIndex = 0;
    int childCount = 0;
    std::array<std::unique_ptr<Node>, 8> children;
    Node* next = nullptr;
    Node* prev = nullptr;

    PaletteEntry Average() const
    {
        PaletteEntry e;
        e.red = uint8_t(redSum / pixelCount);
        e.green = uint8_t(greenSum / pixelCount);
        e.blue = uint8_t(blueSum / pixelCount);
        return e;
    }
};

OctreeQuantizer::OctreeQuantizer(int maxColors)
        : m_maxColors(maxColors), m_leafLimit(maxColors > 7 ? (maxColors - 2) / 7 * 7 + 8 : 8), m_root(NewNode(0)),
          m_palette(size_t(std::max(maxColors, 0)))
{}

OctreeQuantizer::~OctreeQuantizer() = default;

std::unique_ptr<OctreeQuantizer::Node> OctreeQuantizer::NewNode(int level)
{
    auto node = std::make_unique<Node>();
    node->level = level;
    if (level >= m_depthLimit) {
        node->isLeaf = true;
        ++m_leafCount;
    }
    return node;
}

void OctreeQuantizer::AddPixels(const uint8_t* row, int pixelCount)
{
    for (int i = 0; i < pixelCount; ++i, row += 3) {
        AddPixel(row[0], row[1], row[2]);
        if (m_leafCount > m_leafLimit)
            Reduce();
    }
}

void OctreeQuantizer::AddPixel(uint8_t blue, uint8_t green, uint8_t red)
{
    Node* node = m_root.get();
    while (node) {
        node->redSum += red;
        node->greenSum += green;
        node->blueSum += blue;
        ++node->pixelCount;
        if (node->isLeaf || node->level >= m_depthLimit)
            break;
        const int shift = 7 - node->level;
        const int index = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
        auto& child = node->children[size_t(index)];
        if (!child) {
            child = NewNode(node->level + 1);
            ++node->childCount;
        }
        if (node->childCount > 1 && !node->inReducibleList)
            PushReducible(node);
        node = child.get();
    }
}

void OctreeQuantizer::PushReducible(Node* node)
{
    Node*& head = m_reducible[size_t(node->level)];
    node->prev = nullptr;
    node->next = head;
    if (head)
        head->prev = node;
    head = node;
    node->inReducibleList = true;
}

void OctreeQuantizer::UnlinkReducible(Node* node)
{
    if (!node->inReducibleList)
        return;
    if (node->prev)
        node->prev->next = node->next;
    else
        m_reducible[size_t(node->level)] = node->next;
    if (node->next)
        node->next->prev = node->prev;
    node->next = node->prev = nullptr;
    node->inReducibleList = false;
}

void OctreeQuantizer::DeleteChildren(Node* node)
{
    for (auto& child : node->children) {
        if (!child)
            continue;
        DeleteChildren(child.get());
        UnlinkReducible(child.get());
        if (child->isLeaf)
            --m_leafCount;
        child.reset();
    }
    node->childCount = 0;
}

void OctreeQuantizer::Reduce()
{
    int level = m_depthLimit - 1;
    while (level >= 0 && !m_reducible[size_t(level)])
        --level;
    if (level < 0)
        return;

    Node* chosen = m_reducible[size_t(level)];
    for (Node* n = chosen->next; n; n = n->next) {
        if (n->pixelCount < chosen->pixelCount)
            chosen = n;
    }
    UnlinkReducible(chosen);
    DeleteChildren(chosen);
    chosen->isLeaf = true;
    ++m_leafCount;
    if (chosen->level < m_depthLimit - 1)
        m_depthLimit = chosen->level + 1;
}

void OctreeQuantizer::CollectLeaves(Node* node, std::vector<Node*>& leaves) const
{
    if (node->isLeaf || node->level == m_depthLimit) {
        if (node->pixelCount > 0)
            leaves.push_back(node);
        return;
    }
    for (auto& child : node->children) {
        if (child)
            CollectLeaves(child.get(), leaves);
    }
}

namespace {

int SquaredDistance(const PaletteEntry& a, const PaletteEntry& b)
{
    const int dr = int(a.red) - int(b.red);
    const int dg = int(a.green) - int(b.green);
    const int db = int(a.blue) - int(b.blue);
    return dr * dr + dg * dg + db * db;
}

}  // namespace

// Empty slots sort before every leaf.
uint64_t OctreeQuantizer::SortKey(const Node* node)
{
    return node ? uint64_t(node->pixelCount) + 1 : 0;
}

int OctreeQuantizer::GetPalette(PaletteEntry* out)
{
    if (m_maxColors <= 0)
        return 0;
    std::vector<Node*> collected;
    CollectLeaves(m_root.get(), collected);
    const int leafCount = int(collected.size());

    // leafLimit slots, the unused ones null and sorted to the front.
    const int slotCount = std::max(m_leafLimit, leafCount);
    std::vector<Node*> slots(size_t(slotCount), nullptr);
    std::copy(collected.begin(), collected.end(), slots.begin());
    std::stable_sort(slots.begin(), slots.end(), [](const Node* a, const Node* b) { return SortKey(a) < SortKey(b); });

    const int firstPaletteSlot = slotCount - m_maxColors;
    for (int i = 0; i < m_maxColors; ++i) {
        const int s = firstPaletteSlot + i;
        Node* leaf = s >= 0 ? slots[size_t(s)] : nullptr;
        m_palette[size_t(i)] = leaf ? leaf->Average() : PaletteEntry{};
        if (leaf)
            leaf->paletteIndex = i;
    }
    // Leaves that did not make it into the palette take their nearest palette colour.
    for (int s = 0; s < firstPaletteSlot; ++s) {
        Node* leaf = slots[size_t(s)];
        if (!leaf)
            continue;
        const PaletteEntry colour = leaf->Average();
        int best = -1;
        int bestDistance = 0;
        for (int i = 0; i < m_maxColors; ++i) {
            if (!slots[size_t(firstPaletteSlot + i)])
                continue;
            const int d = SquaredDistance(colour, m_palette[size_t(i)]);
            if (best < 0 || d < bestDistance) {
                best = i;
                bestDistance = d;
            }
        }
        leaf->paletteIndex = std::max(best, 0);
    }

    const int count = std::min(m_maxColors, leafCount);
    std::copy(m_palette.end() - count, m_palette.end(), out);
    return count;
}
