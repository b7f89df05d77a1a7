#pragma once
// Integers and tags read at an offset of a file's bytes, for the small parsers
// that look into picture files' headers. Callers check the bounds first.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace bytes {

inline uint32_t BigEndian16(std::span<const uint8_t> b, size_t at)
{
    return uint32_t(b[at]) << 8 | b[at + 1];
}

inline uint32_t BigEndian32(std::span<const uint8_t> b, size_t at)
{
    return BigEndian16(b, at) << 16 | BigEndian16(b, at + 2);
}

inline uint32_t LittleEndian32(std::span<const uint8_t> b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// Whether the n bytes at `at` are `text` (false when they run past the end).
inline bool At(std::span<const uint8_t> b, size_t at, const char* text, size_t n)
{
    return at <= b.size() && n <= b.size() - at && std::memcmp(b.data() + at, text, n) == 0;
}

}  // namespace bytes
