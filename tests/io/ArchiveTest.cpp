#include "io/Archive.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> list)
{
    std::vector<uint8_t> v;
    for (int b : list)
        v.push_back(uint8_t(b));
    return v;
}

std::string StringRoundTrip(const std::string& text, std::vector<uint8_t>* prefix = nullptr)
{
    ArchiveWriter w;
    w.WriteString(text);
    if (prefix)
        prefix->assign(w.Bytes().begin(), w.Bytes().end() - std::ptrdiff_t(text.size()));
    ArchiveReader r(w.Bytes());
    std::string back = r.ReadString();
    EXPECT_TRUE(r.AtEnd());
    return back;
}

}  // namespace

TEST(Archive, StringLengthFormsAtTheirBoundaries)
{
    std::vector<uint8_t> prefix;
    EXPECT_EQ(StringRoundTrip(std::string(254, 'a'), &prefix), std::string(254, 'a'));
    EXPECT_EQ(prefix, Bytes({254}));
    EXPECT_EQ(StringRoundTrip(std::string(255, 'b'), &prefix), std::string(255, 'b'));
    EXPECT_EQ(prefix, Bytes({0xFF, 0xFF, 0x00}));
    EXPECT_EQ(StringRoundTrip(std::string(65533, 'c'), &prefix).size(), 65533u);
    EXPECT_EQ(prefix, Bytes({0xFF, 0xFD, 0xFF}));
    EXPECT_EQ(StringRoundTrip(std::string(65534, 'd'), &prefix).size(), 65534u);
    EXPECT_EQ(prefix, Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(StringRoundTrip(""), "");
    EXPECT_EQ(StringRoundTrip("/home/ü/Bild.jpg"), "/home/ü/Bild.jpg");
}

TEST(Archive, ReadsUtf16AndByteStrings)
{
    // FF FE FF announces UTF-16; then the length 3 and "Aü€".
    const std::vector<uint8_t> wideBytes = Bytes({0xFF, 0xFE, 0xFF, 3, 'A', 0, 0xFC, 0, 0xAC, 0x20});
    ArchiveReader wide(wideBytes);
    EXPECT_EQ(wide.ReadString(), "A\xC3\xBC\xE2\x82\xAC");
    // An 8-bit string keeps its bytes, UTF-8 or not (file names are bytes).
    const std::vector<uint8_t> latinBytes = Bytes({4, 'C', ':', '\\', 0xE9});
    ArchiveReader latin(latinBytes);
    EXPECT_EQ(latin.ReadString(), "C:\\\xE9");
    EXPECT_EQ(EightBitToUtf8(Bytes({'\\', 0xE9})), "\\\xC3\xA9");
    const std::vector<uint8_t> shortWideBytes = Bytes({0xFF, 0xFE, 0xFF, 3, 'A', 0});
    ArchiveReader shortWide(shortWideBytes);
    EXPECT_THROW(shortWide.ReadString(), ArchiveError);
    const std::vector<uint8_t> hugeLengthBytes = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'x'});
    ArchiveReader hugeLength(hugeLengthBytes);
    EXPECT_THROW(hugeLength.ReadString(), ArchiveError);
}

TEST(Archive, CountsIntegersAndRawBlocks)
{
    ArchiveWriter w;
    w.WriteCount(2);
    w.WriteCount(0xFFFE);
    w.WriteCount(0x12345);
    w.WriteInt32(-2);
    w.WriteRaw(Bytes({9, 8, 7}));
    EXPECT_EQ(w.Bytes(),
              Bytes({2, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0x45, 0x23, 0x01, 0x00, 0xFE, 0xFF, 0xFF, 0xFF, 9, 8, 7}));
    ArchiveReader r(w.Bytes());
    EXPECT_EQ(r.ReadCount(), 2u);
    EXPECT_EQ(r.ReadCount(), 0xFFFEu);
    EXPECT_EQ(r.ReadCount(), 0x12345u);
    EXPECT_EQ(r.ReadInt32(), -2);
    EXPECT_THROW(r.ReadRaw(4), ArchiveError);
    EXPECT_EQ(r.ReadRaw(3).size(), 3u);
    EXPECT_THROW(r.ReadByte(), ArchiveError);
    try {
        r.ReadInt32();
        FAIL();
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.GetCause(), ArchiveError::Cause::EndOfFile);
    }
}

TEST(Archive, ObjectHeadersNameTheClassOnceThenByIndex)
{
    ArchiveWriter w;
    w.WriteObjectHeader("CMMask", 1);
    w.WriteObjectHeader("CMMask", 1);
    w.WriteObjectHeader("CMMask", 1);
    EXPECT_EQ(w.Bytes(), Bytes({0xFF, 0xFF, 1, 0, 6, 0, 'C', 'M', 'M', 'a', 's', 'k', 0x01, 0x80, 0x01, 0x80}));
    ArchiveReader r(w.Bytes());
    for (int i = 0; i < 3; ++i)
        EXPECT_NO_THROW(r.ReadObjectHeader("CMMask", 1));

    auto fails = [](std::vector<uint8_t> bytes, ArchiveError::Cause cause) {
        ArchiveReader bad(bytes);
        try {
            bad.ReadObjectHeader("CMMask", 1);
            bad.ReadObjectHeader("CMMask", 1);
            return false;
        } catch (const ArchiveError& e) {
            return e.GetCause() == cause;
        }
    };
    EXPECT_TRUE(fails(Bytes({0xFF, 0xFF, 2, 0, 6, 0, 'C', 'M', 'M', 'a', 's', 'k'}), ArchiveError::Cause::BadSchema));
    EXPECT_TRUE(fails(Bytes({0xFF, 0xFF, 1, 0, 6, 0, 'C', 'M', 'M', 'a', 's', 'x'}), ArchiveError::Cause::BadClass));
    EXPECT_TRUE(fails(Bytes({0x01, 0x80}), ArchiveError::Cause::BadClass));  // index before any class
    EXPECT_TRUE(fails(Bytes({0xFF, 0xFF, 1, 0, 6, 0, 'C', 'M', 'M', 'a', 's', 'k', 0x02, 0x80}),
                      ArchiveError::Cause::BadClass));  // index 2 is the first object, not a class
    EXPECT_TRUE(fails(Bytes({0xFF, 0xFF, 1, 0, 6, 0, 'C', 'M', 'M', 'a', 's', 'k', 0x02, 0x00}),
                      ArchiveError::Cause::BadClass));  // a reference to the first object
    EXPECT_TRUE(fails(Bytes({0x00, 0x00}), ArchiveError::Cause::BadClass));
    EXPECT_TRUE(fails(Bytes({0xFF, 0xFF, 1, 0, 60, 0, 'C'}), ArchiveError::Cause::EndOfFile));
    // The long form of a class index is read too.
    const std::vector<uint8_t> bigBytes =
        Bytes({0xFF, 0xFF, 1, 0, 6, 0, 'C', 'M', 'M', 'a', 's', 'k', 0xFF, 0x7F, 1, 0, 0, 0x80});
    ArchiveReader big(bigBytes);
    big.ReadObjectHeader("CMMask", 1);
    EXPECT_NO_THROW(big.ReadObjectHeader("CMMask", 1));
}
