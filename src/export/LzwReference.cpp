// The reference LZW coder: a std::map string table and a list of bits, written to be
// read against the GIF compression rules rather than to be fast.

#include "export/LzwEncoder.h"

#include <map>
#include <utility>

namespace {

class ReferenceBlocks {
public:
    explicit ReferenceBlocks(std::vector<uint8_t>& out) : m_out(out) {}

    void Emit(int code, int width)
    {
        for (int b = 0; b < width; ++b)
            m_bits.push_back(((code >> b) & 1) != 0);
        while (m_bits.size() >= 8) {
            int byte = 0;
            for (int b = 0; b < 8; ++b)
                byte |= int(m_bits[size_t(b)]) << b;
            m_bits.erase(m_bits.begin(), m_bits.begin() + 8);
            m_pending.push_back(uint8_t(byte));
        }
    }
    void FlushIfFull()
    {
        if (m_pending.size() >= 256)
            Write(255);
    }
    void Write(size_t length)
    {
        m_out.push_back(uint8_t(length));
        m_out.insert(m_out.end(), m_pending.begin(), m_pending.begin() + std::ptrdiff_t(length));
        m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(length));
    }
    void PadAndWriteRest()
    {
        if (!m_bits.empty())
            Emit(0, int(8 - m_bits.size()));
        Write(m_pending.size());
    }
    size_t Pending() const { return m_pending.size(); }

private:
    std::vector<uint8_t>& m_out;
    std::vector<bool> m_bits;
    std::vector<uint8_t> m_pending;
};

}  // namespace

bool LzwEncodeReference(std::vector<uint8_t>& out, const uint8_t* pixels, int minCodeSize, size_t count)
{
    if (minCodeSize < 1 || minCodeSize > 8)
        return false;
    const int clearCode = minCodeSize == 1 ? 4 : 1 << minCodeSize;
    for (size_t i = 0; i < count; ++i) {
        if (pixels[i] >= clearCode)
            return false;
    }
    const int endCode = clearCode + 1;
    const int firstCode = clearCode + 2;
    const int startWidth = minCodeSize == 1 ? 3 : minCodeSize + 1;

    out.push_back(uint8_t(minCodeSize == 1 ? 2 : minCodeSize));
    ReferenceBlocks blocks(out);
    std::map<std::pair<int, int>, int> table;  // (prefix code, pixel) -> code
    int width = startWidth;
    int nextCode = firstCode;
    blocks.Emit(clearCode, width);
    if (count == 0) {
        blocks.Emit(endCode, width);
        blocks.PadAndWriteRest();
        return true;
    }

    int prefix = pixels[0];
    for (size_t i = 1; i < count; ++i) {
        const int p = pixels[i];
        const auto found = table.find({prefix, p});
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        const int assigned = nextCode;
        table[{prefix, p}] = assigned;
        blocks.Emit(prefix, width);
        blocks.FlushIfFull();
        if (assigned == 1 << width)
            ++width;
        if (assigned == 4094) {
            table.clear();
            blocks.Emit(clearCode, width);
            blocks.FlushIfFull();
            nextCode = firstCode;
            width = startWidth;
        } else {
            ++nextCode;
        }
        prefix = p;
    }

    blocks.Emit(prefix, width);
    // The decoder's entry for this last code may widen the end code.
    if (nextCode == 1 << width && width < 12)
        ++width;
    if (blocks.Pending() > 252)
        blocks.Write(252);
    blocks.Emit(endCode, width);
    blocks.PadAndWriteRest();
    return true;
}
