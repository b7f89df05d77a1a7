#include "export/GifFile.h"

#include "GifTestSupport.h"

#include <gtest/gtest.h>

using namespace giftest;

TEST(GifFile, RejectsBadSizesAndRectanglesOutsideTheScreen)
{
    TempDir dir;
    GifPalette palette{};
    GifFile file;
    EXPECT_FALSE(file.Create(dir.File("a.gif"), palette, 0, 5));
    EXPECT_FALSE(file.Create(dir.File("a.gif"), palette, 65536, 5));
    ASSERT_TRUE(file.Create(dir.File("a.gif"), palette, 4, 3));
    const std::vector<uint8_t> indexes(12, 0);
    EXPECT_FALSE(file.AddFrameRect(indexes.data(), 0, GifRect{2, 0, 5, 1}));
    EXPECT_FALSE(file.AddFrameRect(indexes.data(), 0, GifRect{1, 1, 1, 2}));
    EXPECT_TRUE(file.AddFrameRect(indexes.data(), 70000, GifRect{1, 1, 4, 3}));
    EXPECT_EQ(dir.EntryCount(), 0);  // nothing shows before the file is closed
    file.Discard();
    EXPECT_EQ(dir.EntryCount(), 0);

    ASSERT_TRUE(file.Create(dir.File("b.gif"), palette, 4, 3));
    ASSERT_TRUE(file.AddFrameRect(indexes.data(), 70000, GifRect{1, 1, 4, 3}));
    ASSERT_TRUE(file.Close());
    const ParsedGif gif = ParseGif(ReadBytes(dir.File("b.gif")));
    ASSERT_TRUE(gif.ok) << gif.error;
    EXPECT_EQ(gif.frames[0].delay, 65535);
    EXPECT_EQ(dir.EntryCount(), 1);
}
