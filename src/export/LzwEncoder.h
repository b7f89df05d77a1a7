#pragma once
// GIF LZW compression of one frame's palette indexes into data sub-blocks.
//
// The string table is a tree: the root holds the single-pixel strings, every other
// node the string of its parent plus one pixel. A node starts with no children ('T'),
// keeps its first child in a list ('S'), and at its second child gets a direct lookup
// table indexed by pixel ('L') while the lookup pool lasts; after that its list grows.

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

    static constexpr int kNodePoolSize = 4094;
    static constexpr int kLookupPoolSize = 5120;
    static constexpr int kLastCode = 4094;  // the table is cleared once this code is assigned

private:
    struct Node {
        char type = 'T';
        int code = 0;
        uint8_t pixel = 0;
        Node** lookup = nullptr;
        Node* child = nullptr;
        Node* next = nullptr;
    };

    void ClearTree();
    Node** TakeTable();
    Node* NewNode(int code, uint8_t pixel);
    void Attach(Node* parent, Node* node);
    void Emit(int code);
    void FlushFullBlock();
    void WriteBlock(int length);
    void Finish(const Node* current);

    std::vector<Node> m_nodes;
    std::vector<Node*> m_lookupPool;
    std::vector<Node*> m_nullTable;
    Node m_root;
    int m_nodesUsed = 0;
    int m_lookupUsed = 0;

    int m_clearCode = 256;
    int m_firstCode = 258;
    int m_startWidth = 9;
    int m_width = 9;
    int m_nextCode = 258;

    uint32_t m_bits = 0;
    int m_bitCount = 0;
    std::array<uint8_t, 1001> m_block{};  // [0] is the sub-block length, data from [1]
    int m_pending = 0;                    // complete bytes waiting in m_block
    std::vector<uint8_t>* m_out = nullptr;
};

// One-shot form of LzwEncoder::Encode.
bool LzwEncode(std::vector<uint8_t>& out, const uint8_t* pixels, int minCodeSize, size_t count);

// The same compression with a std::map string table and a plain bit list: slow, simple,
// and the reference the pooled encoder is tested against. Same rules, same bytes.
bool LzwEncodeReference(std::vector<uint8_t>& out, const uint8_t* pixels, int minCodeSize, size_t count);
