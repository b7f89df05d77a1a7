#include "animation/CMMask.h"
#include "animation/MapCompression.h"
#include "io/Archive.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>

namespace {

CMMask Sample2x2()
{
    CMMask key(2, 2, 0);
    key.Map() = {{1, -2}, {300, 4}, {-50000, 6}, {7, 1 << 30}};
    key.SetDuration(17);
    return key;
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at)
{
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

}  // namespace

TEST(KeyframeRecord, TwoByTwoRecordHasItsStatedLayoutAndReadsBack)
{
    const CMMask key = Sample2x2();
    ArchiveWriter out;
    key.Serialize(out, 0);
    const std::vector<uint8_t>& b = out.Bytes();
    ASSERT_GE(b.size(), 28u);
    EXPECT_EQ(U32At(b, 0), 2u);
    EXPECT_EQ(U32At(b, 4), 2u);
    EXPECT_EQ(U32At(b, 8), 4u);
    EXPECT_EQ(U32At(b, 12), 17u);
    EXPECT_EQ(U32At(b, 16), 32u);
    const uint32_t packedMap = U32At(b, 20);
    const size_t thumbAt = 24 + packedMap;
    EXPECT_EQ(U32At(b, thumbAt), 0u);
    const uint32_t packedThumb = U32At(b, thumbAt + 4);
    EXPECT_EQ(b.size(), 8u + 4 + 4 + 4 + 4 + packedMap + 4 + 4 + packedThumb);
    // An unfinished zlib stream: the header, no final block.
    EXPECT_EQ(b[24], 0x78);
    EXPECT_EQ(b[24 + 1], 0x9C);

    ArchiveReader in(b);
    CMMask back;
    uint64_t budget = kMaxProjectRawBytes;
    back.Serialize(in, 2, 0, budget);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(back.Width(), 2);
    EXPECT_EQ(back.Height(), 2);
    EXPECT_EQ(back.Count(), 4);
    EXPECT_EQ(back.Duration(), 17);
    EXPECT_EQ(back.Map(), key.Map());
    EXPECT_TRUE(back.Thumbnail().empty());
}

TEST(KeyframeRecord, FinishedAndUnfinishedStreamsBothRead)
{
    std::vector<uint8_t> raw(5000);
    for (size_t i = 0; i < raw.size(); ++i)
        raw[i] = uint8_t(i * 31 % 251);
    for (const auto& packed : {PackBlock(raw), PackBlockFinished(raw)}) {
        std::vector<uint8_t> out(raw.size(), 0xEE);
        EXPECT_EQ(UnpackBlock(packed, out), raw.size());
        EXPECT_EQ(out, raw);
    }
    // A short stream fills only its own part; a corrupt one never writes past the block.
    const auto packed = PackBlock(raw);
    std::vector<uint8_t> longer(raw.size() + 100, 0);
    UnpackBlock(packed, longer);
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), longer.begin()));
    EXPECT_EQ(longer.back(), 0);
    std::vector<uint8_t> smaller(100, 0);
    EXPECT_EQ(UnpackBlock(packed, smaller), 100u);
    std::vector<uint8_t> garbage(64, 0x5A);
    EXPECT_EQ(UnpackBlock(garbage, smaller), 0u);
}

TEST(KeyframeRecord, APackedBlockHoldsOnlyItsBytes)
{
    // A megabyte of zeros packs into about a kilobyte; the buffer deflate was
    // given (over a megabyte) must not stay behind it.
    for (const auto& packed :
         {PackBlock(std::vector<uint8_t>(1 << 20)), PackBlockFinished(std::vector<uint8_t>(1 << 20))}) {
        EXPECT_LT(packed.size(), 4096u);
        EXPECT_EQ(packed.capacity(), packed.size());
    }
}

TEST(KeyframeRecord, IncompressibleDataFitsTheOutputBuffer)
{
    std::vector<uint8_t> raw(100000);
    uint32_t s = 12345;
    for (auto& b : raw)
        b = uint8_t((s = s * 1103515245u + 12345u) >> 24);
    const auto packed = PackBlock(raw);
    EXPECT_GT(packed.size(), raw.size());
    std::vector<uint8_t> out(raw.size());
    UnpackBlock(packed, out);
    EXPECT_EQ(out, raw);
    EXPECT_EQ(PackBlock({}).size() > 0, true);
}

// Blocks larger than zlib's 32-bit counts go through it in pieces: with tiny
// pieces, packing and unpacking give what one call gives, and a stream longer
// than the block still stops at its end.
TEST(KeyframeRecord, BlocksPassZlibInPiecesWithTheSameResult)
{
    std::vector<uint8_t> raw(70000);
    uint32_t s = 99;
    for (size_t i = 0; i < raw.size(); ++i)
        raw[i] = i % 3 ? uint8_t(i / 97) : uint8_t((s = s * 1103515245u + 12345u) >> 24);
    for (const int flush : {Z_PARTIAL_FLUSH, Z_FINISH}) {
        const std::vector<uint8_t> whole = detail::Deflate(raw, flush, detail::kZlibPiece);
        const std::vector<uint8_t> pieces = detail::Deflate(raw, flush, 1000);
        for (const auto& packed : {whole, pieces}) {
            for (const size_t piece : {size_t(7), size_t(4096), detail::kZlibPiece}) {
                std::vector<uint8_t> out(raw.size(), 0xEE);
                EXPECT_EQ(detail::Inflate(packed, out, piece), raw.size()) << piece;
                EXPECT_EQ(out, raw) << piece;
                std::vector<uint8_t> smaller(12345, 0);
                EXPECT_EQ(detail::Inflate(packed, smaller, piece), smaller.size()) << piece;
                EXPECT_TRUE(std::equal(smaller.begin(), smaller.end(), raw.begin())) << piece;
            }
        }
    }
    // Blocks below a piece keep the bytes they always had.
    EXPECT_EQ(PackBlock(raw), detail::Deflate(raw, Z_PARTIAL_FLUSH, raw.size() + 1));
}

TEST(KeyframeRecord, FormatTwoRejectsInconsistentSizesBeforeAllocating)
{
    auto record = [](int32_t W, int32_t H, uint32_t count, uint32_t rawSize, uint32_t packedSize, uint32_t thumbRaw) {
        ArchiveWriter w;
        w.WriteInt32(W);
        w.WriteInt32(H);
        w.WriteUInt32(count);
        w.WriteInt32(10);
        w.WriteUInt32(rawSize);
        w.WriteUInt32(packedSize);
        const auto packed = PackBlock(std::vector<uint8_t>(8));
        w.WriteRaw(packed);
        w.WriteUInt32(thumbRaw);
        w.WriteUInt32(uint32_t(packed.size()));
        w.WriteRaw(packed);
        return w.TakeBytes();
    };
    const uint32_t p = uint32_t(PackBlock(std::vector<uint8_t>(8)).size());
    auto read = [](const std::vector<uint8_t>& bytes, uint32_t thumb) {
        ArchiveReader r(bytes);
        CMMask key;
        uint64_t budget = kMaxProjectRawBytes;
        key.Serialize(r, 2, thumb, budget);
        return key;
    };
    EXPECT_EQ(read(record(1, 1, 1, 8, p, 8), 8).Count(), 1);
    EXPECT_THROW(read(record(1, 1, 2, 16, p, 8), 8), ArchiveError);       // count is not W x H
    EXPECT_THROW(read(record(1, 1, 1, 9, p, 8), 8), ArchiveError);        // raw size is not count x 8
    EXPECT_THROW(read(record(1, 1, 1, 8, p + 100, 8), 8), ArchiveError);  // packed block past the end
    EXPECT_THROW(read(record(1, 1, 1, 8, p, 7), 8), ArchiveError);        // thumbnail differs from the header
    EXPECT_THROW(read(record(0, 5, 0, 0, p, 8), 8), ArchiveError);        // empty map
    EXPECT_THROW(read(record(70000, 1, 70000, 560000, p, 8), 8), ArchiveError);
    // 8192 x 8192 is within the side limit, but a few bytes cannot unpack to 512 MB.
    EXPECT_THROW(read(record(8192, 8192, 8192u * 8192u, 8192u * 8192u * 8u, p, 8), 8), ArchiveError);
    EXPECT_THROW(read(record(65536, 65536, 0, 0, p, 8), 8), ArchiveError);  // count overflows 32 bits
}

TEST(KeyframeRecord, FormatOneRecordKeepsTheMapAndSkipsThePicture)
{
    ArchiveWriter w;
    w.WriteUInt32(2);
    const Displacement map[2] = {{3, 4}, {-5, 6}};
    w.WriteRaw(map, sizeof map);
    w.WriteInt32(99);
    const int32_t header[6] = {0, 5, 3, 16, 0x180001, 0};  // 16 row bytes x 3 rows
    w.WriteRaw(header, sizeof header);
    w.WriteRaw(std::vector<uint8_t>(48, 0xAB));
    w.WriteInt32(0x1234);
    ArchiveReader r(w.Bytes());
    CMMask key;
    uint64_t budget = kMaxProjectRawBytes;
    key.Serialize(r, 1, 0, budget);
    EXPECT_EQ(r.ReadInt32(), 0x1234);
    EXPECT_EQ(key.Count(), 2);
    EXPECT_EQ(key.Duration(), 10);
    EXPECT_EQ(key.Map()[1], (Displacement{-5, 6}));
    EXPECT_TRUE(key.Thumbnail().empty());

    // A record without elements.
    ArchiveWriter none;
    none.WriteUInt32(0);
    none.WriteInt32(0);
    none.WriteRaw(std::vector<uint8_t>(24, 0));
    ArchiveReader nr(none.Bytes());
    CMMask empty;
    empty.Serialize(nr, 1, 0, budget);
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_TRUE(nr.AtEnd());

    ArchiveWriter huge;
    huge.WriteUInt32(1000000);
    ArchiveReader hr(huge.Bytes());
    EXPECT_THROW(CMMask().Serialize(hr, 1, 0, budget), ArchiveError);
}

TEST(KeyframeRecord, CopiesAndCopyContents)
{
    CMMask a(2, 1, 6);
    a.Map()[0] = {1, 2};
    a.Thumbnail()[5] = 9;
    a.SetDuration(3);
    const CMMask copy(a);
    EXPECT_EQ(copy.Map(), a.Map());
    EXPECT_EQ(copy.Thumbnail(), a.Thumbnail());
    EXPECT_EQ(copy.Duration(), 3);

    CMMask b(2, 1, 6);
    b.CopyContents(a);
    EXPECT_EQ(b.Map(), a.Map());
    EXPECT_EQ(b.Thumbnail(), a.Thumbnail());
    EXPECT_EQ(b.Duration(), CMMask::kDefaultDuration);
    b.CopyContents(b);
    EXPECT_EQ(b.Map(), a.Map());
    CMMask fresh(3, 2, 0);
    EXPECT_EQ(fresh.Count(), 6);
    EXPECT_EQ(fresh.Map(), std::vector<Displacement>(6));
    EXPECT_EQ(fresh.Duration(), 10);
}

// The undo history keeps keyframes packed; a keyframe hands out the packed form
// it made before as long as its contents cannot have changed, and packs again
// (sharing the old block when the bytes are the same) once they may have.
TEST(KeyframeRecord, PackedFormsAreSharedUntilTheContentsChange)
{
    CMMask key = Sample2x2();
    key.Thumbnail().assign(6, 1);
    const CMMask& read = key;  // reading hands nothing out for writing
    const auto packedAs = [](const auto& contents) {
        return PackBlock(
            {reinterpret_cast<const uint8_t*>(contents.data()), contents.size() * sizeof(contents.front())});
    };
    const CMMask::PackedBytes map = key.PackedMap();
    const CMMask::PackedBytes thumb = key.PackedThumbnail();
    EXPECT_EQ(*map, packedAs(read.Map()));
    EXPECT_EQ(*thumb, packedAs(read.Thumbnail()));
    EXPECT_EQ(key.PackedMap(), map);
    EXPECT_TRUE(key.MapPackedAs(map));

    // Handed out for writing but left as it was: packed again, the same block.
    key.Ref();
    EXPECT_FALSE(key.MapPackedAs(map));
    EXPECT_EQ(key.PackedMap(), map);
    EXPECT_TRUE(key.MapPackedAs(map));

    // Changed: a block of its own with the new bytes; the thumbnail's stays.
    key.Map()[3] = {8, 9};
    const CMMask::PackedBytes changed = key.PackedMap();
    EXPECT_NE(changed, map);
    EXPECT_EQ(*changed, packedAs(read.Map()));
    EXPECT_EQ(*map, packedAs(Sample2x2().Map()));  // what others hold is left alone
    EXPECT_TRUE(key.ThumbnailPackedAs(thumb));
    key.Thumbnail()[2] = 7;
    EXPECT_FALSE(key.ThumbnailPackedAs(thumb));
    EXPECT_EQ(*key.PackedThumbnail(), packedAs(read.Thumbnail()));

    // A copy shares the packed forms; contents copied in or replaced do not.
    const CMMask copy(key);
    EXPECT_EQ(copy.PackedMap(), changed);
    CMMask other(2, 2, 6);
    other.PackedMap();
    other.CopyContents(key);
    EXPECT_EQ(*other.PackedMap(), *changed);
    key.ReplaceMap(std::vector<Displacement>(4), 2, 2);
    EXPECT_FALSE(key.MapPackedAs(changed));
    EXPECT_EQ(*key.PackedMap(), packedAs(std::vector<Displacement>(4)));
}
