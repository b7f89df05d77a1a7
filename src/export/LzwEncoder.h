#pragma once
// GIF LZW compression of one frame's palette indexes into data sub-blocks.
//
// The string table maps (code of a known string, next pixel) to the code of the
// longer string. It is one open-addressed hash table of 32-bit entries, key and
// code packed together, large enough (16384 entries, at most a quarter full) that
// a lookup rarely reads more than one entry; clearing the string table empties it.

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

    static constexpr int kLastCode = 4094;  // the table is cleared once this code is assigned

private:
    static constexpr int kTableBits = 14;
    static constexpr uint32_t kTableMask = (1u << kTableBits) - 1;
    // An entry is key << 12 | code, the key (prefix code << 8 | pixel) below 2^20.
    // Every stored code is at least the first free code, so 0 marks an empty slot.
    static constexpr int kCodeBits = 12;

    // Complete bytes of the current sub-block, packed from a 64-bit bit accumulator.
    struct BlockWriter {
        uint8_t* data = nullptr;  // block buffer; [0] is the length byte, bytes from [1]
        uint64_t bits = 0;
        int bitCount = 0;
        int pending = 0;  // complete bytes waiting after the length byte

        void Put(int code, int width);
    };

    static uint32_t Slot(uint32_t key) { return (key * 2654435761u) >> (32 - kTableBits); }
    void ClearTable();
    void FlushFullBlock(BlockWriter& w);
    int WriteBlock(int pending, int length);
    void Finish(BlockWriter w, int lastCode, int width, int nextCode);

    std::vector<uint32_t> m_table;
    int m_clearCode = 256;

    // Sub-block staging: 255 data bytes plus what the last code and the 8-byte
    // accumulator store may run over.
    std::array<uint8_t, 1 + 512> m_block{};
    std::vector<uint8_t>* m_out = nullptr;
};

// One-shot form of LzwEncoder::Encode.
bool LzwEncode(std::vector<uint8_t>& out, const uint8_t* pixels, int minCodeSize, size_t count);

// The same compression with a std::map string table and a plain bit list: slow, simple,
// and the reference LzwEncoder is tested against. Same rules, same bytes.
bool LzwEncodeReference(std::vector<uint8_t>& out, const uint8_t* pixels, int minCodeSize, size_t count);
