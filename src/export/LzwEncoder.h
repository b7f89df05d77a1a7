#pragma once
// GIF LZW compression of one frame's palette indexes into data sub-blocks.
//
// The string table is a tree: the root holds the single-pixel strings, every other
// node the string of its parent plus one pixel. A node starts with no children ('T'),
// keeps its first child in a list ('S'), and at its second child gets a direct lookup
// table indexed by pixel ('L') while the lookup pool lasts; after that its list grows.
//
// Nodes live in one flat array indexed by their code and refer to each other by 16-bit
// codes, so the whole tree (8 bytes a node) and the lookup pool stay in the L1 cache.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class LzwEncoder {
public:
    LzwEncoder();
    LzwEncoder(const LzwEncoder&) = delete;
    LzwEncoder& operator=(const LzwEncoder&) = delete;

    // Appends the code size byte and the data sub-blocks of pixels[0 .. count - 1] to out
    // (not the terminating zero-length block). minCodeSize is 1 to 8; every pixel must be
    // below 2^minCodeSize (4 for size 1). Returns false, appending nothing, otherwise.
    bool Encode(const uint8_t* pixels, size_t count, int minCodeSize, std::vector<uint8_t>& out);

    static constexpr int kLookupPoolSize = 5120;
    static constexpr int kLastCode = 4094;  // the table is cleared once this code is assigned
    static constexpr int kNodePoolSize = kLastCode + 1;  // one slot per code 0 .. 4094

private:
    using Code = uint16_t;
    // "No node" in lists and tables: code 4095 is never assigned.
    static constexpr Code kNone = kLastCode + 1;
    // After the pool proper: a table of kNone shared by every node that is not 'L'.
    static constexpr uint16_t kNullTable = kLookupPoolSize;

    struct Node {
        Code next = kNone;   // next sibling in the parent's list
        Code child = kNone;  // first child of an 'S' node
        uint16_t table = kNullTable;  // offset of the node's table in the lookup pool
        uint8_t pixel = 0;
        char type = 'T';
    };

    // Complete bytes of the current sub-block, packed from a 64-bit bit accumulator.
    struct BlockWriter {
        uint8_t* data = nullptr;  // block buffer; [0] is the length byte, bytes from [1]
        uint64_t bits = 0;
        int bitCount = 0;
        int pending = 0;  // complete bytes waiting after the length byte

        void Put(int code, int width);
    };

    static Node NewNode(uint8_t pixel)
    {
        Node node;
        node.pixel = pixel;
        return node;
    }
    void ClearTree();
    int TakeTable();
    void AddChild(Code parent, Code code, uint8_t pixel);
    static Code FindChild(const Node* nodes, const Code* lookup, Code parent, uint8_t pixel);
    void FlushFullBlock(BlockWriter& w);
    int WriteBlock(int pending, int length);
    void Finish(BlockWriter w, int lastCode, int width, int nextCode);

    std::vector<Node> m_nodes;
    std::vector<Code> m_lookupPool;
    int m_lookupUsed = 0;
    int m_clearCode = 256;

    // Sub-block staging: 255 data bytes plus what the last code and the 8-byte
    // accumulator store may run over.
    std::array<uint8_t, 1 + 512> m_block{};
    std::vector<uint8_t>* m_out = nullptr;
};

// One-shot form of LzwEncoder::Encode.
bool LzwEncode(std::vector<uint8_t>& out, const uint8_t* pixels, int minCodeSize, size_t count);

// The same compression with a std::map string table and a plain bit list: slow, simple,
// and the reference the pooled encoder is tested against. Same rules, same bytes.
bool LzwEncodeReference(std::vector<uint8_t>& out, const uint8_t* pixels, int minCodeSize, size_t count);
