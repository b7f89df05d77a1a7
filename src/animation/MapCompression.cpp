#include "animation/MapCompression.h"

#include <zlib.h>

#include <stdexcept>

namespace {

std::vector<uint8_t> Deflate(std::span<const uint8_t> raw, int flush)
{
    z_stream zs{};
    if (deflateInit(&zs, Z_DEFAULT_COMPRESSION) != Z_OK)
        throw std::runtime_error("zlib: deflateInit failed");
    // deflateBound covers a finished stream; the partial flush adds at most an
    // empty block and the byte alignment, so a small margin makes it enough.
    std::vector<uint8_t> out(deflateBound(&zs, uLong(raw.size())) + 64);
    zs.next_in = const_cast<Bytef*>(raw.data());
    zs.avail_in = uInt(raw.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    const int status = deflate(&zs, flush);
    const bool complete = zs.avail_in == 0 && zs.avail_out > 0 &&
                          (flush == Z_FINISH ? status == Z_STREAM_END : status == Z_OK || status == Z_BUF_ERROR);
    const size_t produced = out.size() - zs.avail_out;
    deflateEnd(&zs);
    if (!complete)
        throw std::runtime_error("zlib: the compressed block did not fit its buffer");
    // The buffer was sized for the worst case; what is kept holds only the
    // stream's bytes (kept blocks live long, in the undo history).
    return std::vector<uint8_t>(out.begin(), out.begin() + std::ptrdiff_t(produced));
}

}  // namespace

std::vector<uint8_t> PackBlock(std::span<const uint8_t> raw)
{
    return Deflate(raw, Z_PARTIAL_FLUSH);
}

std::vector<uint8_t> PackBlockFinished(std::span<const uint8_t> raw)
{
    return Deflate(raw, Z_FINISH);
}

size_t UnpackBlock(std::span<const uint8_t> packed, std::span<uint8_t> out)
{
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return 0;
    zs.next_in = const_cast<Bytef*>(packed.data());
    zs.avail_in = uInt(packed.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    inflate(&zs, Z_PARTIAL_FLUSH);  // the status is not consulted: unfinished streams are fine
    const size_t produced = out.size() - zs.avail_out;
    inflateEnd(&zs);
    return produced;
}
