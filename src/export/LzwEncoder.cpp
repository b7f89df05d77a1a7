#include "export/LzwEncoder.h"

#include <algorithm>
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

LzwEncoder::LzwEncoder()
    : m_nodes(kNodePoolSize), m_lookupPool(kLookupPoolSize, nullptr), m_nullTable(256, nullptr)
{
}

bool LzwEncoder::Encode(const uint8_t* pixels, size_t count, int minCodeSize, std::vector<uint8_t>& out)
{
    if (minCodeSize < 1 || minCodeSize > 8)
        return false;
    m_clearCode = ClearCodeFor(minCodeSize);
    if (!PixelsFit(pixels, count, m_clearCode))
        return false;
    m_firstCode = m_clearCode + 2;
    m_startWidth = minCodeSize == 1 ? 3 : minCodeSize + 1;
    m_width = m_startWidth;
    m_nextCode = m_firstCode;
    m_bits = 0;
    m_bitCount = 0;
    m_pending = 0;
    m_out = &out;

    out.push_back(uint8_t(minCodeSize == 1 ? 2 : minCodeSize));
    ClearTree();
    Emit(m_clearCode);

    Node* current = &m_root;
    size_t i = 0;
    while (i < count) {
        const uint8_t p = pixels[i];
        Node* child = current->lookup[p];
        if (!child && current->type == 'S') {
            for (child = current->child; child && child->pixel != p; child = child->next) {
            }
        }
        if (child) {
            current = child;
            ++i;
            continue;
        }

        // The string grown by p is new: give it a code and emit the known prefix.
        const int assigned = m_nextCode;
        Attach(current, NewNode(assigned, p));
        Emit(current->code);
        FlushFullBlock();
        if (assigned == 1 << m_width)
            ++m_width;
        if (assigned == kLastCode) {
            ClearTree();
            Emit(m_clearCode);
            FlushFullBlock();
            m_nextCode = m_firstCode;
            m_width = m_startWidth;
        } else {
            ++m_nextCode;
        }
        current = &m_root;  // p is not consumed: it starts the next string
    }
    Finish(count > 0 ? current : nullptr);
    m_out = nullptr;
    return true;
}

void LzwEncoder::ClearTree()
{
    std::fill(m_lookupPool.begin(), m_lookupPool.begin() + m_lookupUsed, nullptr);
    m_lookupUsed = 0;
    m_nodesUsed = 1;  // slot 0 is never used

    m_root = Node{};
    m_root.type = 'L';
    m_root.lookup = TakeTable();
    for (int p = 0; p < m_clearCode; ++p)
        m_root.lookup[p] = NewNode(p, uint8_t(p));
}

LzwEncoder::Node** LzwEncoder::TakeTable()
{
    if (m_lookupUsed + m_clearCode > kLookupPoolSize)
        return nullptr;
    Node** table = m_lookupPool.data() + m_lookupUsed;
    m_lookupUsed += m_clearCode;
    return table;
}

LzwEncoder::Node* LzwEncoder::NewNode(int code, uint8_t pixel)
{
    Node* node = &m_nodes[size_t(m_nodesUsed++)];
    *node = Node{};
    node->code = code;
    node->pixel = pixel;
    node->lookup = m_nullTable.data();
    return node;
}

void LzwEncoder::Attach(Node* parent, Node* node)
{
    switch (parent->type) {
    case 'L':
        parent->lookup[node->pixel] = node;
        break;
    case 'T':
        parent->child = node;
        parent->type = 'S';
        break;
    default:  // 'S'
        if (Node** table = TakeTable()) {
            for (Node* c = parent->child; c;) {
                Node* next = c->next;
                c->next = nullptr;
                table[c->pixel] = c;
                c = next;
            }
            table[node->pixel] = node;
            parent->type = 'L';
            parent->lookup = table;
            parent->child = nullptr;
        } else {
            node->next = parent->child;
            parent->child = node;
        }
        break;
    }
}

// Packs a code at the current width, least significant bit first.
void LzwEncoder::Emit(int code)
{
    m_bits |= uint32_t(code) << m_bitCount;
    m_bitCount += m_width;
    while (m_bitCount >= 8) {
        m_block[size_t(1 + m_pending++)] = uint8_t(m_bits);
        m_bits >>= 8;
        m_bitCount -= 8;
    }
}

void LzwEncoder::FlushFullBlock()
{
    if (m_pending >= 256)
        WriteBlock(255);
}

// Writes the first length pending bytes as one sub-block; the rest move to the front.
void LzwEncoder::WriteBlock(int length)
{
    m_block[0] = uint8_t(length);
    m_out->insert(m_out->end(), m_block.begin(), m_block.begin() + 1 + length);
    std::memmove(m_block.data() + 1, m_block.data() + 1 + length, size_t(m_pending - length));
    m_pending -= length;
}

void LzwEncoder::Finish(const Node* current)
{
    if (current) {
        Emit(current->code);
        // A decoder adds a table entry for this last code too and widens its codes when
        // that entry reaches 2^width; the end code must be written at that width.
        if (m_nextCode == 1 << m_width && m_width < 12)
            ++m_width;
    }
    if (m_pending > 252)
        WriteBlock(252);
    Emit(m_clearCode + 1);
    if (m_bitCount > 0) {
        m_block[size_t(1 + m_pending++)] = uint8_t(m_bits);
        m_bits = 0;
        m_bitCount = 0;
    }
    WriteBlock(m_pending);
}

bool LzwEncode(std::vector<uint8_t>& out, const uint8_t* pixels, int minCodeSize, size_t count)
{
    LzwEncoder encoder;
    return encoder.Encode(pixels, count, minCodeSize, out);
}
