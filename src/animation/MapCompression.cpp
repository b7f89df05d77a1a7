#include "animation/MapCompression.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace {

uInt NextPiece(size_t left, size_t piece)
{
    return uInt(std::min(left, piece));
}

}  // namespace

namespace detail {

std::vector<uint8_t> Deflate(std::span<const uint8_t> raw, int flush, size_t piece)
{
    z_stream zs{};
    if (deflateInit(&zs, Z_DEFAULT_COMPRESSION) != Z_OK)
        throw std::runtime_error("zlib: deflateInit failed");
    // deflateBound covers a finished stream; the partial flush adds at most an
    // empty block and the byte alignment, so a small margin makes it enough.
    // Input and output pass in pieces; `flush` is asked for once the last piece
    // of input is in, and again while its output does not fit the room given.
    std::vector<uint8_t> out(deflateBound(&zs, uLong(raw.size())) + 64 + (raw.size() / piece) * 64);
    size_t taken = 0, produced = 0;
    bool complete = false;
    for (;;) {
        if (zs.avail_in == 0 && taken < raw.size()) {
            zs.next_in = const_cast<Bytef*>(raw.data() + taken);
            zs.avail_in = NextPiece(raw.size() - taken, piece);
            taken += zs.avail_in;
        }
        zs.next_out = out.data() + produced;
        zs.avail_out = NextPiece(out.size() - produced, piece);
        if (zs.avail_out == 0)
            break;  // out of room
        const size_t room = zs.avail_out;
        const bool last = taken == raw.size();
        const int status = deflate(&zs, last ? flush : Z_NO_FLUSH);
        produced += room - zs.avail_out;
        if (status == Z_STREAM_ERROR)
            break;
        if (last && zs.avail_in == 0 && (flush == Z_FINISH ? status == Z_STREAM_END : zs.avail_out > 0)) {
            complete = true;
            break;
        }
    }
    deflateEnd(&zs);
    if (!complete)
        throw std::runtime_error("zlib: the compressed block did not fit its buffer");
    // The buffer was sized for the worst case; what is kept holds only the
    // stream's bytes (kept blocks live long, in the undo history).
    return std::vector<uint8_t>(out.begin(), out.begin() + std::ptrdiff_t(produced));
}

size_t Inflate(std::span<const uint8_t> packed, std::span<uint8_t> out, size_t piece)
{
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return 0;
    size_t taken = 0, produced = 0;
    // The status is not consulted beyond progress: unfinished streams are fine.
    for (;;) {
        zs.next_in = const_cast<Bytef*>(packed.data() + taken);
        zs.avail_in = NextPiece(packed.size() - taken, piece);
        zs.next_out = out.data() + produced;
        zs.avail_out = NextPiece(out.size() - produced, piece);
        const size_t given = zs.avail_in, room = zs.avail_out;
        const int status = inflate(&zs, Z_PARTIAL_FLUSH);
        taken += given - zs.avail_in;
        produced += room - zs.avail_out;
        const bool progressed = given != zs.avail_in || room != zs.avail_out;
        if (status != Z_OK || !progressed || produced == out.size() || (taken == packed.size() && zs.avail_out > 0))
            break;
    }
    inflateEnd(&zs);
    return produced;
}

}  // namespace detail

std::vector<uint8_t> PackBlock(std::span<const uint8_t> raw)
{
    return detail::Deflate(raw, Z_PARTIAL_FLUSH, detail::kZlibPiece);
}

std::vector<uint8_t> PackBlockFinished(std::span<const uint8_t> raw)
{
    return detail::Deflate(raw, Z_FINISH, detail::kZlibPiece);
}

size_t UnpackBlock(std::span<const uint8_t> packed, std::span<uint8_t> out)
{
    return detail::Inflate(packed, out, detail::kZlibPiece);
}
