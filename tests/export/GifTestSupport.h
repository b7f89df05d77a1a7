#pragma once
// Test helpers for the GIF encoder: an independent GIF parser and LZW decoder written
// from the file format, a photo-like synthetic picture, and a scripted frame source.

#include "engine/PackedPicture.h"
#include "export/GifExport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace giftest {

// Every code the decoder read, with the width it was read at.
struct LzwTrace {
    std::vector<int> codes;
    std::vector<int> widths;
    int maxNext = 0;               // highest "next free code" the table reached
    std::vector<size_t> endPixel;  // pixels decoded after each code
};

// Concatenated sub-block data, and the length of each sub-block.
struct SubBlocks {
    std::vector<uint8_t> data;
    std::vector<int> lengths;
};

// Reads sub-blocks from bytes[pos] up to and including the zero terminator.
inline bool ReadSubBlocks(const std::vector<uint8_t>& bytes, size_t& pos, SubBlocks& out)
{
    while (pos < bytes.size()) {
        const int n = bytes[pos++];
        if (n == 0)
            return true;
        if (pos + size_t(n) > bytes.size())
            return false;
        out.lengths.push_back(n);
        out.data.insert(out.data.end(), bytes.begin() + std::ptrdiff_t(pos), bytes.begin() + std::ptrdiff_t(pos + n));
        pos += size_t(n);
    }
    return false;
}

// A textbook GIF LZW decoder. Fails on a code beyond the table, on running out of bits
// before the end code, and on non-zero bits or extra bytes after it.
inline bool DecodeLzw(const std::vector<uint8_t>& data, int minCodeSize, std::vector<uint8_t>& pixels,
                      LzwTrace* trace = nullptr)
{
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    std::vector<std::vector<uint8_t>> table(4096);
    int width = minCodeSize + 1;
    int next = clear + 2;
    int prev = -1;
    size_t bitPos = 0;
    auto reset = [&] {
        for (int i = 0; i < clear; ++i)
            table[size_t(i)] = {uint8_t(i)};
        width = minCodeSize + 1;
        next = clear + 2;
        prev = -1;
    };
    reset();
    for (;;) {
        if (bitPos + size_t(width) > data.size() * 8)
            return false;
        int code = 0;
        for (int b = 0; b < width; ++b, ++bitPos)
            code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << b;
        if (trace) {
            trace->codes.push_back(code);
            trace->widths.push_back(width);
        }
        if (code == clear) {
            if (trace)
                trace->endPixel.push_back(pixels.size());
            reset();
            continue;
        }
        if (code == end)
            break;
        std::vector<uint8_t> entry;
        if (prev < 0) {
            if (code >= clear)
                return false;
            entry = table[size_t(code)];
        } else {
            if (code < next && (code < clear || code > end))
                entry = table[size_t(code)];
            else if (code == next)
                entry = table[size_t(prev)], entry.push_back(table[size_t(prev)][0]);
            else
                return false;
            if (next < 4096) {
                table[size_t(next)] = table[size_t(prev)];
                table[size_t(next)].push_back(entry[0]);
                ++next;
                if (next == (1 << width) && width < 12)
                    ++width;
            }
        }
        if (trace)
            trace->maxNext = std::max(trace->maxNext, next);
        pixels.insert(pixels.end(), entry.begin(), entry.end());
        if (trace)
            trace->endPixel.push_back(pixels.size());
        prev = code;
    }
    // Only zero padding may follow the end code, and no whole byte.
    if ((bitPos + 7) / 8 != data.size())
        return false;
    for (; bitPos < data.size() * 8; ++bitPos) {
        if ((data[bitPos / 8] >> (bitPos % 8)) & 1)
            return false;
    }
    return true;
}

struct ParsedFrame {
    int delay = -1;
    int disposal = -1;
    int transparentIndex = -1;  // -1: no transparency
    GifRect rect;
    uint8_t flags = 0;
    int minCodeSize = 0;
    SubBlocks blocks;
    std::vector<uint8_t> indexes;
    LzwTrace trace;
};

struct ParsedGif {
    bool ok = false;
    std::string error;
    int width = 0;
    int height = 0;
    uint8_t screenFlags = 0;
    std::vector<uint8_t> colourTable;  // red, green, blue
    bool loopExtension = false;
    int loopCount = -1;
    std::vector<ParsedFrame> frames;
    bool trailer = false;
};

inline ParsedGif ParseGif(const std::vector<uint8_t>& b)
{
    ParsedGif g;
    auto fail = [&](const char* why) {
        g.error = why;
        return g;
    };
    if (b.size() < 13 || std::string(b.begin(), b.begin() + 6) != "GIF89a")
        return fail("signature");
    g.width = b[6] | (b[7] << 8);
    g.height = b[8] | (b[9] << 8);
    g.screenFlags = b[10];
    size_t pos = 13;
    if (g.screenFlags & 0x80) {
        const size_t n = size_t(3) << ((g.screenFlags & 7) + 1);
        if (pos + n > b.size())
            return fail("colour table");
        g.colourTable.assign(b.begin() + 13, b.begin() + std::ptrdiff_t(13 + n));
        pos += n;
    }
    ParsedFrame frame;
    while (pos < b.size()) {
        const uint8_t tag = b[pos++];
        if (tag == 0x3B) {
            g.trailer = true;
            g.ok = pos == b.size();
            if (!g.ok)
                g.error = "bytes after trailer";
            return g;
        }
        if (tag == 0x21) {
            if (pos >= b.size())
                return fail("extension");
            const uint8_t label = b[pos++];
            SubBlocks ext;
            if (!ReadSubBlocks(b, pos, ext))
                return fail("extension blocks");
            if (label == 0xF9 && ext.data.size() == 4) {
                frame.disposal = (ext.data[0] >> 2) & 7;
                frame.delay = ext.data[1] | (ext.data[2] << 8);
                frame.transparentIndex = (ext.data[0] & 1) ? ext.data[3] : -1;
            } else if (label == 0xFF && ext.data.size() == 14 &&
                       std::string(ext.data.begin(), ext.data.begin() + 11) == "NETSCAPE2.0") {
                g.loopExtension = true;
                g.loopCount = ext.data[12] | (ext.data[13] << 8);
            }
            continue;
        }
        if (tag != 0x2C || pos + 10 > b.size())
            return fail("block");
        frame.rect.left = b[pos] | (b[pos + 1] << 8);
        frame.rect.top = b[pos + 2] | (b[pos + 3] << 8);
        frame.rect.right = frame.rect.left + (b[pos + 4] | (b[pos + 5] << 8));
        frame.rect.bottom = frame.rect.top + (b[pos + 6] | (b[pos + 7] << 8));
        frame.flags = b[pos + 8];
        frame.minCodeSize = b[pos + 9];
        pos += 10;
        if (!ReadSubBlocks(b, pos, frame.blocks))
            return fail("image blocks");
        if (!DecodeLzw(frame.blocks.data, frame.minCodeSize, frame.indexes, &frame.trace))
            return fail("lzw");
        if (frame.indexes.size() != size_t(frame.rect.Width()) * size_t(frame.rect.Height()))
            return fail("pixel count");
        g.frames.push_back(std::move(frame));
        frame = ParsedFrame{};
    }
    return fail("no trailer");
}

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A photo-like picture: soft colour fields, a bright highlight, fine texture and noise.
// phase moves a disc of swirling colour in the middle (the part that animates).
inline PackedPicture PhotoLike(int width, int height, double phase = 0.0, unsigned seed = 7)
{
    PackedPicture p(width, height);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width;
            const double v = double(y) / height;
            double r = 120 + 90 * std::sin(3.1 * u + 1.3 * v) + 20 * std::sin(40 * u * v);
            double g = 110 + 70 * std::cos(2.3 * v - 0.7 * u) + 15 * std::sin(25 * v);
            double b = 100 + 80 * std::sin(1.7 * (u + v) + 2.0);
            const double dx = u - 0.5;
            const double dy = v - 0.5;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d < 0.2) {
                const double a = std::atan2(dy, dx) + phase * (0.2 - d) * 20;
                r = 128 + 100 * std::sin(3 * a);
                g = 128 + 100 * std::sin(3 * a + 2.1);
                b = 128 + 100 * std::sin(3 * a + 4.2);
            }
            uint8_t* px = p.Pixel(x, y);
            px[0] = uint8_t(std::clamp(int(b) + noise(rng), 0, 255));
            px[1] = uint8_t(std::clamp(int(g) + noise(rng), 0, 255));
            px[2] = uint8_t(std::clamp(int(r) + noise(rng), 0, 255));
        }
    }
    return p;
}

// A source whose frames are given in advance.
class ScriptedSource : public GifFrameSource {
public:
    ScriptedSource(PackedPicture paletteSource, std::vector<PackedPicture> frames)
            : m_paletteSource(std::move(paletteSource)), m_frames(std::move(frames))
    {}
    const PackedPicture& PaletteSource() override
    {
        calls.push_back("palette");
        return m_paletteSource;
    }
    int FrameCount() const override { return int(m_frames.size()); }
    const PackedPicture& RenderGifFrame(int f) override
    {
        calls.push_back("render " + std::to_string(f));
        return m_frames.at(size_t(f));
    }
    void ShowFrame() override { calls.push_back("show"); }
    bool CheckCancel() override { return cancelAt >= 0 && ++checks > cancelAt; }
    void Progress(int done, int total) override
    {
        calls.push_back("progress " + std::to_string(done) + "/" + std::to_string(total));
    }

    int cancelAt = -1;  // cancel at this check (0 = after the first frame)
    int checks = 0;
    std::vector<std::string> calls;
    const std::vector<PackedPicture>& Frames() const { return m_frames; }

private:
    PackedPicture m_paletteSource;
    std::vector<PackedPicture> m_frames;
};

// A fresh, empty folder for one test, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        std::random_device rd;
        m_path = std::filesystem::temp_directory_path() / ("warplet-gif-test-" + std::to_string(rd()));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    int EntryCount() const
    {
        return int(std::distance(std::filesystem::directory_iterator(m_path), std::filesystem::directory_iterator()));
    }

private:
    std::filesystem::path m_path;
};

inline void SetPixel(PackedPicture& p, int x, int y, uint8_t r, uint8_t g, uint8_t b)
{
    uint8_t* px = p.Pixel(x, y);
    px[0] = b;
    px[1] = g;
    px[2] = r;
}

}  // namespace giftest
