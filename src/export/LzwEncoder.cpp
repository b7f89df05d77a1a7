#include "export/LzwEncoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

int ClearCodeFor(int minCodeSize) { return minCodeSize == 1 ? 4 : 1 << minCodeSize; }

bool PixelsFit(const uint8_t* pixels, size_t count, int clearCode)
{
    if (clearCode >= 256)
        return true;
    return std::all_of(pixels, pixels + count, [&](uint8_t p) { return p < clearCode; });
}

}  // namespace

LzwEncoder::LzwEncoder() : m_nodes(kNodePoolSize), m_lookupPool(kLookupPoolSize + 256, kNone) {}

bool LzwEncoder::Encode(const uint8_t* pixels, size_t count, int minCodeSize, std::vector<uint8_t>& out)
{
    if (minCodeSize < 1 || minCodeSize > 8)
        return false;
    m_clearCode = ClearCodeFor(minCodeSize);
    if (!PixelsFit(pixels, count, m_clearCode))
        return false;
    const int firstCode = m_clearCode + 2;
    const int startWidth = minCodeSize == 1 ? 3 : minCodeSize + 1;
    int width = startWidth;
    int nextCode = firstCode;
    m_out = &out;
    BlockWriter w;  // a local, so its state stays in registers in the loop below
    w.data = m_block.data();

    out.push_back(uint8_t(minCodeSize == 1 ? 2 : minCodeSize));
    ClearTree();
    w.Put(m_clearCode, width);
    if (count == 0) {
        Finish(w, -1, width, nextCode);
        m_out = nullptr;
        return true;
    }

    // The root's table leads from pixel p to the node with code p, so the walk can start
    // (and restart) there directly with p consumed.
    const Node* nodes = m_nodes.data();
    const Code* lookup = m_lookupPool.data();
    Code current = pixels[0];
    for (size_t i = 1; i < count; ++i) {
        const uint8_t p = pixels[i];
        const Code child = FindChild(nodes, lookup, current, p);
        if (child != kNone) {
            current = child;
            continue;
        }

        // The string grown by p is new: give it a code and emit the known prefix.
        const int assigned = nextCode;
        AddChild(current, Code(assigned), p);
        w.Put(current, width);
        FlushFullBlock(w);
        if (assigned == 1 << width)
            ++width;
        if (assigned == kLastCode) {
            ClearTree();
            w.Put(m_clearCode, width);
            FlushFullBlock(w);
            nextCode = firstCode;
            width = startWidth;
        } else {
            ++nextCode;
        }
        current = p;  // p starts the next string
    }
    Finish(w, current, width, nextCode);
    m_out = nullptr;
    return true;
}

// Empties the lookup pool, gives the root its table and resets the single-pixel nodes.
// Nodes with higher codes are reset when their code is assigned again.
void LzwEncoder::ClearTree()
{
    std::fill(m_lookupPool.begin(), m_lookupPool.begin() + m_lookupUsed, kNone);
    m_lookupUsed = 0;
    const int root = TakeTable();
    for (int p = 0; p < m_clearCode; ++p) {
        m_lookupPool[size_t(root + p)] = Code(p);
        m_nodes[size_t(p)] = NewNode(uint8_t(p));
    }
}

// Carves the next table of clearCode entries from the lookup pool; -1 once it is used up.
inline int LzwEncoder::TakeTable()
{
    if (m_lookupUsed + m_clearCode > kLookupPoolSize)
        return -1;
    const int table = m_lookupUsed;
    m_lookupUsed += m_clearCode;
    return table;
}

inline LzwEncoder::Code LzwEncoder::FindChild(const Node* nodes, const Code* lookup, Code parent,
                                              uint8_t pixel)
{
    // Every node has a table (non-'L' nodes share one of kNone), so the common case of
    // a table hit costs one read and no test of the node type.
    const Node& node = nodes[parent];
    const Code hit = lookup[size_t(node.table + pixel)];
    if (hit != kNone)
        return hit;

    Code c = node.child;  // kNone for 'T' and 'L' nodes
    while (c != kNone && nodes[c].pixel != pixel)
        c = nodes[c].next;
    return c;
}

// Creates the node for code with the given pixel and attaches it below parent.
inline void LzwEncoder::AddChild(Code parentCode, Code code, uint8_t pixel)
{
    Node& node = m_nodes[code];
    node = NewNode(pixel);
    Node& parent = m_nodes[parentCode];
    switch (parent.type) {
    case 'L':
        m_lookupPool[size_t(parent.table + pixel)] = code;
        break;
    case 'T':
        parent.child = code;
        parent.type = 'S';
        break;
    default:  // 'S': move the list into a table while the pool lasts
        if (const int table = TakeTable(); table >= 0) {
            for (Code c = parent.child; c != kNone;) {
                const Code next = m_nodes[c].next;
                m_nodes[c].next = kNone;
                m_lookupPool[size_t(table + m_nodes[c].pixel)] = c;
                c = next;
            }
            m_lookupPool[size_t(table + pixel)] = code;
            parent.type = 'L';
            parent.table = uint16_t(table);
            parent.child = kNone;
        } else {
            node.next = parent.child;
            parent.child = code;
        }
        break;
    }
}

// Packs a code at the given width, least significant bit first. On little-endian
// machines the whole accumulator is stored at once and only the complete bytes count.
inline void LzwEncoder::BlockWriter::Put(int code, int width)
{
    bits |= uint64_t(code) << bitCount;
    bitCount += width;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(data + 1 + pending, &bits, sizeof bits);
        const int whole = bitCount >> 3;
        pending += whole;
        bits >>= 8 * whole;
        bitCount &= 7;
    } else {
        for (; bitCount >= 8; bitCount -= 8, bits >>= 8)
            data[1 + pending++] = uint8_t(bits);
    }
}

inline void LzwEncoder::FlushFullBlock(BlockWriter& w)
{
    if (w.pending >= 256)
        w.pending = WriteBlock(w.pending, 255);
}

// Writes the first length of the pending bytes as one sub-block and moves the rest to
// the front; returns how many stay pending. Takes and returns counts rather than the
// writer so that the writer's state can live in registers.
int LzwEncoder::WriteBlock(int pending, int length)
{
    m_block[0] = uint8_t(length);
    m_out->insert(m_out->end(), m_block.begin(), m_block.begin() + 1 + length);
    std::memmove(m_block.data() + 1, m_block.data() + 1 + length, size_t(pending - length));
    return pending - length;
}

// Emits the last string's code (if there were pixels) and the end code, and writes the
// remaining sub-blocks.
void LzwEncoder::Finish(BlockWriter w, int lastCode, int width, int nextCode)
{
    if (lastCode >= 0) {
        w.Put(lastCode, width);
        // A decoder adds a table entry for this last code too and widens its codes when
        // that entry reaches 2^width; the end code must be written at that width.
        if (nextCode == 1 << width && width < 12)
            ++width;
    }
    if (w.pending > 252)
        w.pending = WriteBlock(w.pending, 252);
    w.Put(m_clearCode + 1, width);
    if (w.bitCount > 0) {
        w.data[1 + w.pending++] = uint8_t(w.bits);
        w.bits = 0;
        w.bitCount = 0;
    }
    WriteBlock(w.pending, w.pending);
}

bool LzwEncode(std::vector<uint8_t>& out, const uint8_t* pixels, int minCodeSize, size_t count)
{
    LzwEncoder encoder;
    return encoder.Encode(pixels, count, minCodeSize, out);
}
