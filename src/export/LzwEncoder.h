#pragma once
// GIF LZW compression of one frame's palette indexes into data sub-blocks.
//
// The string table maps (code of a known string, next pixel) to the code of the
// longer string. It is one open-addressed hash table of 32-bit entries, key and
// code packed together, large enough (16384 entries, at most a quarter full) that
// a lookup rarely reads more than one entry; clearing the string table empties it.
//
// The lossy form takes a tolerance: where the string so far cannot be extended by the
// next pixel, it may be extended by an index the caller says looks nearly the same
// there, so that runs of nearly equal indexes are coded as one string. The pixels are
// rewritten to what a decoder will read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// What a lossy LZW match may code in place of a pixel.
class LzwSubstitutes {
public:
    virtual ~LzwSubstitutes() = default;
    // The indexes pixel `at`, of index `pixel`, may be coded as instead, best first.
    // The span stays valid until the next call.
    virtual std::span<const uint8_t> For(size_t at, uint8_t pixel) = 0;
    // Pixel `at` was coded as `substitute`, one of those For offered.
    virtual void Took(size_t /*at*/, uint8_t /*pixel*/, uint8_t /*substitute*/) {}
};

class LzwEncoder {
public:
    LzwEncoder();
    LzwEncoder(const LzwEncoder&) = delete;
    LzwEncoder& operator=(const LzwEncoder&) = delete;

    // Appends the code size byte and the data sub-blocks of pixels[0 .. count - 1] to out
    // (not the terminating zero-length block). minCodeSize is 1 to 8; every pixel must be
    // below 2^minCodeSize (4 for size 1). Returns false, appending nothing, otherwise.
    bool Encode(const uint8_t* pixels, size_t count, int minCodeSize, std::vector<uint8_t>& out);
    // As Encode, where a pixel that does not extend the string may be replaced by one of
    // its substitutes that does; pixels[] is left as a decoder will read it.
    bool EncodeLossy(uint8_t* pixels, size_t count, int minCodeSize, LzwSubstitutes& substitutes,
                     std::vector<uint8_t>& out);

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
    template <typename Extend>
    bool EncodeWith(const uint8_t* pixels, size_t count, int minCodeSize, std::vector<uint8_t>& out, Extend extend);
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
