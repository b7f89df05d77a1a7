#pragma once
// The compressed blocks of a keyframe record: a zlib stream made by one
// deflate call with a partial flush, left unfinished (no final block, no
// checksum), and read back by one inflate call that accepts unfinished and
// finished streams alike.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Compresses `raw` at the default level into an unfinished zlib stream. The
// result's capacity is its size.
std::vector<uint8_t> PackBlock(std::span<const uint8_t> raw);
// The same data as a properly finished stream (for readers' tests and tools).
std::vector<uint8_t> PackBlockFinished(std::span<const uint8_t> raw);
// Inflates `packed` into `out` (which keeps its size); never writes past its
// end. Whatever the stream does not cover stays as it was. Returns the number
// of bytes produced; corrupt data is not an error.
size_t UnpackBlock(std::span<const uint8_t> packed, std::span<uint8_t> out);

// Deflate never shrinks data by more than this factor, so a raw size larger
// than this many times the packed size (plus a little) cannot be genuine.
inline constexpr uint64_t kMaxDeflateRatio = 1032;
inline bool PlausiblePackedSize(uint64_t rawSize, uint64_t packedSize)
{
    return rawSize <= (packedSize + 64) * kMaxDeflateRatio;
}

namespace detail {
// zlib counts what it takes and gives in 32 bits: blocks are fed to it in pieces
// of at most `piece` bytes (tests use small pieces). `flush` is zlib's.
inline constexpr size_t kZlibPiece = size_t(1) << 30;
std::vector<uint8_t> Deflate(std::span<const uint8_t> raw, int flush, size_t piece);
size_t Inflate(std::span<const uint8_t> packed, std::span<uint8_t> out, size_t piece);
}  // namespace detail
