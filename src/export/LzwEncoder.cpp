#include "export/LzwEncoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

int ClearCodeFor(int minCodeSize)
{
    return minCodeSize == 1 ? 4 : 1 << minCodeSize;
}

bool PixelsFit(const uint8_t* pixels, size_t count, int clearCode)
{
    if (clearCode >= 256)
        return true;
    return std::all_of(pixels, pixels + count, [&](uint8_t p) { return p < clearCode; });
}

}  // namespace

LzwEncoder::LzwEncoder() : m_table(size_t(1) << kTableBits, 0) {}

// Inlined into each caller, so that the exact coding's loop carries nothing of the lossy one.
template <typename Extend>
[[gnu::always_inline]] inline bool LzwEncoder::EncodeWith(const uint8_t* pixels, size_t count, int minCodeSize,
                                                          std::vector<uint8_t>& out, Extend extend)
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
    ClearTable();
    w.Put(m_clearCode, width);
    if (count == 0) {
        Finish(w, -1, width, nextCode);
        m_out = nullptr;
        return true;
    }

    // The single-pixel strings have the pixel as their code, so the first pixel
    // (and the pixel after each emitted string) is a known string at once.
    uint32_t* table = m_table.data();
    uint32_t current = pixels[0];
    for (size_t i = 1; i < count; ++i) {
        const uint32_t key = current << 8 | pixels[i];
        uint32_t slot = Slot(key);
        uint32_t entry;
        while ((entry = table[slot]) != 0 && entry >> kCodeBits != key)
            slot = (slot + 1) & kTableMask;
        if (entry != 0) {
            current = entry & ((1u << kCodeBits) - 1);
            continue;
        }
        if (uint32_t code; extend(i, current, &code)) {
            current = code;
            continue;
        }

        // The string grown by the pixel is new: give it a code and emit the known prefix.
        const int assigned = nextCode;
        table[slot] = key << kCodeBits | uint32_t(assigned);
        w.Put(int(current), width);
        FlushFullBlock(w);
        if (assigned == 1 << width)
            ++width;
        if (assigned == kLastCode) {
            ClearTable();
            w.Put(m_clearCode, width);
            FlushFullBlock(w);
            nextCode = firstCode;
            width = startWidth;
        } else {
            ++nextCode;
        }
        current = pixels[i];  // the pixel starts the next string
    }
    Finish(w, int(current), width, nextCode);
    m_out = nullptr;
    return true;
}

bool LzwEncoder::Encode(const uint8_t* pixels, size_t count, int minCodeSize, std::vector<uint8_t>& out)
{
    // Exact: a string that is not in the table is never extended otherwise.
    return EncodeWith(pixels, count, minCodeSize, out, [](size_t, uint32_t, uint32_t*) { return false; });
}

bool LzwEncoder::EncodeLossy(uint8_t* pixels, size_t count, int minCodeSize, LzwSubstitutes& substitutes,
                             std::vector<uint8_t>& out)
{
    const int clearCode = ClearCodeFor(minCodeSize);
    const uint32_t* table = m_table.data();
    // The first substitute whose string is in the table extends it, and takes the pixel's place.
    const auto extend = [&, clearCode](size_t i, uint32_t current, uint32_t* code) {
        for (const uint8_t q : substitutes.For(i, pixels[i])) {
            if (q >= clearCode)
                continue;
            const uint32_t key = current << 8 | q;
            uint32_t slot = Slot(key), entry;
            while ((entry = table[slot]) != 0 && entry >> kCodeBits != key)
                slot = (slot + 1) & kTableMask;
            if (entry != 0) {
                substitutes.Took(i, pixels[i], q);
                pixels[i] = q;
                *code = entry & ((1u << kCodeBits) - 1);
                return true;
            }
        }
        return false;
    };
    return EncodeWith(pixels, count, minCodeSize, out, extend);
}

void LzwEncoder::ClearTable()
{
    std::fill(m_table.begin(), m_table.end(), 0u);
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
