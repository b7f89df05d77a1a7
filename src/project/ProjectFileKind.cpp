#include "project/ProjectFileKind.h"

#include "project/ProjectFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

struct Signature {
    size_t offset;
    std::string_view bytes;
    const char* kind;
};

// Files people open by mistake, by the bytes they start with.
constexpr std::array<Signature, 14> kSignatures{{
    {0, std::string_view("\xFF\xD8\xFF", 3), "a JPEG picture"},
    {0, std::string_view("\x89PNG\r\n\x1A\n", 8), "a PNG picture"},
    {0, "GIF87a", "a GIF picture"},
    {0, "GIF89a", "a GIF picture"},
    {0, std::string_view("II*\0", 4), "a TIFF picture"},
    {0, std::string_view("MM\0*", 4), "a TIFF picture"},
    {8, "WEBP", "a WebP picture"},
    {8, "AVI ", "an AVI video"},
    {0, std::string_view("\x1A\x45\xDF\xA3", 4), "a WebM or Matroska video"},
    {0, std::string_view("\x30\x26\xB2\x75\x8E\x66\xCF\x11", 8), "a Windows Media video"},
    {0, "%PDF", "a PDF document"},
    {0, std::string_view("PK\3\4", 4), "a ZIP archive"},
    {0, std::string_view("\xFF\x0A", 2), "a JPEG XL picture"},
    {0, std::string_view("\0\0\0\x0CJXL \r\n\x87\n", 12), "a JPEG XL picture"},
}};

// An ISO media file ("ftyp" box first) by its brands: the major brand, then the
// compatible ones the box lists. HEIF and AVIF pictures share the box with MP4 videos.
const char* IsoMediaKind(std::span<const uint8_t> bytes)
{
    const auto brand = [&](size_t at, std::string_view name) {
        return std::memcmp(bytes.data() + at, name.data(), 4) == 0;
    };
    const auto pictureAt = [&](size_t at) -> const char* {
        if (brand(at, "avif") || brand(at, "avis"))
            return "an AVIF picture";
        for (const std::string_view heif : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"})
            if (brand(at, heif))
                return "a HEIF picture";
        return nullptr;
    };
    if (const char* kind = pictureAt(8))
        return kind;
    const size_t boxSize = std::min<size_t>(
        bytes.size(), (size_t(bytes[0]) << 24) | (size_t(bytes[1]) << 16) | (size_t(bytes[2]) << 8) | bytes[3]);
    for (size_t at = 16; at + 4 <= boxSize; at += 4)
        if (const char* kind = pictureAt(at))
            return kind;
    return "an MP4 video";
}

bool StartsWith(std::span<const uint8_t> bytes, const Signature& s)
{
    return bytes.size() >= s.offset + s.bytes.size() &&
           std::memcmp(bytes.data() + s.offset, s.bytes.data(), s.bytes.size()) == 0;
}

uint32_t Little(std::span<const uint8_t> bytes, size_t at, size_t width)
{
    uint32_t v = 0;
    for (size_t k = width; k-- > 0;)
        v = (v << 8) | bytes[at + k];
    return v;
}

// A bitmap file begins with "BM" and its own length; an older project whose path is
// 66 bytes long and starts with "M" begins with "BM" too.
bool IsBitmap(std::span<const uint8_t> bytes)
{
    return bytes.size() >= 6 && bytes[0] == 'B' && bytes[1] == 'M' && Little(bytes, 2, 4) == bytes.size();
}

// The older format begins with the picture path: a length (one byte, or 0xFF and two
// bytes, or 0xFF 0xFFFF and four; 0xFF 0xFFFE before any of them marks UTF-16) and
// that many characters, none of them a control character.
bool PlausibleOlderStart(std::span<const uint8_t> bytes)
{
    size_t at = 0;
    const auto remaining = [&]() { return bytes.size() - at; };
    const auto length = [&](uint64_t& n) {
        if (remaining() < 1)
            return false;
        n = bytes[at++];
        if (n < 0xFF)
            return true;
        if (remaining() < 2)
            return false;
        n = Little(bytes, at, 2);
        at += 2;
        if (n < 0xFFFF)
            return true;
        if (remaining() < 4)
            return false;
        n = Little(bytes, at, 4);
        at += 4;
        return true;
    };
    uint64_t n = 0;
    if (!length(n))
        return false;
    size_t unit = 1;
    if (n == 0xFFFE && at == 3) {
        unit = 2;
        if (!length(n))
            return false;
    }
    if (n > remaining() / unit)
        return false;
    for (uint64_t i = 0; i < n; ++i) {
        const uint32_t c = Little(bytes, at + size_t(i) * unit, unit);
        if (c < 0x20 || c == 0x7F)
            return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> NotAProjectFile(std::span<const uint8_t> bytes)
{
    if (bytes.empty())
        return "an empty file";
    if (bytes.size() >= sizeof kProjectTag && std::memcmp(bytes.data(), kProjectTag, sizeof kProjectTag) == 0)
        return std::nullopt;
    if (bytes.size() >= 12 && std::memcmp(bytes.data() + 4, "ftyp", 4) == 0)
        return IsoMediaKind(bytes);
    for (const Signature& s : kSignatures) {
        if (StartsWith(bytes, s))
            return s.kind;
    }
    if (IsBitmap(bytes))
        return "a BMP picture";
    if (!PlausibleOlderStart(bytes))
        return "its start fits neither format";
    return std::nullopt;
}
