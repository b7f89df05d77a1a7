#include "animation/KeyframeStore.h"
#include "animation/ResampleMap.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Plays the main dialog's part: answers 32772 with the given picture and
// counts what it was asked.
class Dialog : public KeyframeListener {
public:
    Dialog(KeyframeStore& store, const PackedPicture& picture) : m_store(store), m_picture(picture) {}
    void ApplyPowerRequested() override
    {
        ++power;
        log += 'P';
    }
    void KeyPictureRequested() override
    {
        ++pictures;
        m_store.SetKeyPicture(m_store.Active(), m_picture);
    }
    void ActiveKeyChanged() override
    {
        changes.push_back(m_store.Active());
        log += std::to_string(m_store.Active());
    }
    int power = 0;
    std::string log;  // in order: P for the power, the index of each keyframe shown
    int pictures = 0;
    std::vector<int> changes;

private:
    KeyframeStore& m_store;
    const PackedPicture& m_picture;
};

// Keyframes told apart by the dx of their first element.
void Fill(KeyframeStore& store, int n)
{
    store.ResetKeys();
    for (int i = 0; i < n; ++i) {
        store.DoubleClickKey(i);
        store.Key(i).Map()[0].dx = 100 + i;
    }
}

std::vector<int> Order(const KeyframeStore& store)
{
    std::vector<int> ids;
    for (int i = 0; i < store.Count(); ++i)
        ids.push_back(store.Key(i).Map()[0].dx);
    return ids;
}

}  // namespace

TEST(ResampleMap, SameSizeIsTheIdentityAndHalfwayBlends)
{
    const DisplacementMap map = testpics::RandomMap(13, 7, 5000, 3);
    EXPECT_EQ(ResampleMap(map.Data(), 13, 7, 13, 7), map.Elements());

    DisplacementMap two(2, 2);
    two.At(0, 0) = {0, 0};
    two.At(1, 0) = {256, -256};
    two.At(0, 1) = {512, 0};
    two.At(1, 1) = {0, 512};
    const auto up = ResampleMap(two.Data(), 2, 2, 4, 4);
    // (1, 1) lies at (0.5, 0.5): the mean of the four.
    EXPECT_EQ(up[1 * 4 + 1], (Displacement{192, 64}));
    EXPECT_EQ(up[0], (Displacement{0, 0}));
    // The last row and column copy their source element.
    EXPECT_EQ(up[3 * 4 + 3], two.At(1, 1));
    EXPECT_EQ(up[0 * 4 + 3], two.At(1, 0));
    // Enlarging by more than two stays inside the source map.
    const auto wide = ResampleMap(two.Data(), 2, 2, 9, 9);
    EXPECT_EQ(wide.size(), 81u);
    // Its neighbours beyond the last source column and row are that column and row.
    EXPECT_EQ(wide[7 * 9 + 7], two.At(1, 1));
}

TEST(ResampleMap, LastRowAndColumnCopyWhereABlendWouldDiffer)
{
    // 5 x 4 shrunk to 3 x 3: the last column sits at sx = 5 x 16 x 2 / 3 = 53
    // (x0 3, fx 5), the middle column at 26 (x0 1, fx 10), the rows at 0, 21
    // (y0 1, fy 5) and 42 (y0 2, fy 10). dy is -dx throughout.
    const int dx[4][5] = {{0, 64, 128, 640, 1000}, {10, 74, 500, 650, -300}, {20, -84, 300, 100, 90}, {5, 5, 5, 5, 5}};
    DisplacementMap source(5, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            source.At(x, y) = {dx[y][x], -dx[y][x]};
    const auto out = ResampleMap(source.Data(), 5, 4, 3, 3);
    ASSERT_EQ(out.size(), 9u);
    auto at = [&](int c, int r) { return out[size_t(r) * 3 + size_t(c)]; };
    // The last column copies (x0, y0) although fx = 5 would blend in column 4.
    EXPECT_EQ(at(2, 0), (Displacement{640, -640}));
    EXPECT_EQ(at(2, 1), (Displacement{650, -650}));
    // The last row copies (x0, 2) although fy = 10 would blend in row 3.
    EXPECT_EQ(at(0, 2), (Displacement{20, -20}));
    EXPECT_EQ(at(1, 2), (Displacement{-84, 84}));
    // Inside: weights 6 x 16 and 10 x 16 on row 0: (64 x 96 + 128 x 160) / 256 = 104.
    EXPECT_EQ(at(1, 0), (Displacement{104, -104}));
    // Weights 66, 110, 30, 50: (74x66 + 500x110 - 84x30 + 300x50) / 256 = 72364 / 256,
    // 282 and -282 (truncated toward zero, not down).
    EXPECT_EQ(at(1, 1), (Displacement{282, -282}));
}

TEST(ThumbnailSize, LongerSideFillsTheSlot)
{
    EXPECT_EQ(ComputeThumbnailSize(412, 206), (ThumbnailSize{84, 42}));
    EXPECT_EQ(ComputeThumbnailSize(206, 412), (ThumbnailSize{42, 84}));
    EXPECT_EQ(ComputeThumbnailSize(412, 412), (ThumbnailSize{84, 84}));
    EXPECT_EQ(ComputeThumbnailSize(412, 247), (ThumbnailSize{84, 50}));
    const BITMAPINFOHEADER h = MakeThumbnailHeader(42, 84);
    EXPECT_EQ(h.biSizeImage, 84u * 128u);
    EXPECT_EQ(h.biXPelsPerMeter, 2835);
    const BITMAPINFOHEADER zero = ZeroThumbnailHeader();
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(&zero);
    EXPECT_TRUE(std::all_of(raw, raw + 40, [](uint8_t b) { return b == 0; }));
}

TEST(KeyframeStore, InitialKeyframesAsDoubleClicksMakeThem)
{
    const PackedPicture picture = testpics::Gradient(40, 20);
    KeyframeStore store;
    Dialog dialog(store, picture);
    store.SetListener(&dialog);
    store.ResetKeys();
    store.ClickKey(0);  // a click on the empty slot does nothing
    EXPECT_EQ(store.Count(), 0);
    store.DoubleClickKey(2);  // nor a double-click beyond it
    EXPECT_EQ(store.Count(), 0);
    store.DoubleClickKey(0);
    ASSERT_EQ(store.Count(), 1);
    EXPECT_EQ(store.Selected(), 0);
    EXPECT_EQ(store.Key(0).Duration(), 10);
    EXPECT_EQ(store.Key(0).Map(), std::vector<Displacement>(800));
    store.Key(0).Map()[5] = {9, 9};
    store.DoubleClickKey(1);
    ASSERT_EQ(store.Count(), 2);
    EXPECT_EQ(store.Key(1).Map(), store.Key(0).Map());
    EXPECT_EQ(store.Selected(), 1);
    EXPECT_EQ(store.Active(), 1);
    EXPECT_EQ(store.ThumbSize(), (ThumbnailSize{84, 42}));
    // The thumbnail is the picture fitted to 84 x 42 (stride 252). Buffer row 0 is
    // picture row 19, whose first byte is 0 x 7 + 19 x 3 = 57; column 1 sits at
    // sx = 40 x 16 / 84 = 7: (57 x 8 + 64 x 7) x 15 / 225 = 60. Buffer row 41:
    // sy = 20 x 41 x 16 / 42 = 312, the row pair limited to buffer rows 18 and 19
    // (picture rows 1 and 0, byte 1 51 and 40), fy 8: (51 x 7 + 40 x 8) / 15 = 45.
    const std::vector<uint8_t>& thumb = store.Key(1).Thumbnail();
    ASSERT_EQ(thumb.size(), 252u * 42u);
    EXPECT_EQ(thumb[0], 57);
    EXPECT_EQ(thumb[3], 60);
    EXPECT_EQ(thumb[41 * 252 + 1], 45);
    EXPECT_EQ(dialog.pictures, 2);
    EXPECT_EQ(dialog.changes, (std::vector<int>{0, 1}));
    EXPECT_THROW(store.SetKeyPicture(3, picture), std::out_of_range);
    EXPECT_THROW(store.Key(2), std::out_of_range);
    EXPECT_THROW(store.Key(-1), std::out_of_range);
}

TEST(KeyframeStore, ResizeResamplesEveryKeyframeAndRebuildsThumbnails)
{
    const PackedPicture small = testpics::Gradient(40, 20);
    KeyframeStore store;
    Dialog dialog(store, small);
    store.SetListener(&dialog);
    Fill(store, 3);
    store.Activate(1);
    dialog.pictures = 0;
    dialog.changes.clear();
    store.ResizeKeys(20, 40);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(store.Key(i).Width(), 20);
        EXPECT_EQ(store.Key(i).Count(), 800);
        EXPECT_EQ(store.Key(i).Map().size(), 800u);
        EXPECT_EQ(store.Key(i).Thumbnail().size(), MakeThumbnailHeader(42, 84).biSizeImage);
    }
    EXPECT_EQ(store.ThumbSize(), (ThumbnailSize{42, 84}));
    EXPECT_EQ(dialog.pictures, 3);
    EXPECT_EQ(store.Selected(), 1);
    EXPECT_EQ(store.Active(), 1);
    EXPECT_EQ(dialog.changes.back(), 1);

    KeyframeStore empty;
    empty.ResizeKeys(5, 5);
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_TRUE(ThumbnailSizeUnset(empty.ThumbHeader()));
}

TEST(KeyframeStore, ContextCommandsKeepTheSelectionOnItsKeyframe)
{
    const PackedPicture picture = testpics::Gradient(8, 8);
    KeyframeStore store;
    Dialog dialog(store, picture);
    store.SetListener(&dialog);
    Fill(store, 5);
    store.Activate(3);

    // Repeat keyframe 2 while 3 is selected: the copy lands at 2, the selection moves to 4.
    store.Repeat(2);
    EXPECT_EQ(Order(store), (std::vector<int>{100, 101, 102, 102, 103, 104}));
    EXPECT_EQ(store.Selected(), 4);
    EXPECT_EQ(store.Active(), 4);

    // Move left two places right of the selection: the work picture is not told.
    dialog.changes.clear();
    store.Activate(1);
    dialog.changes.clear();
    store.MoveLeft(3);
    EXPECT_TRUE(dialog.changes.empty());
    EXPECT_EQ(store.Selected(), 1);
    store.MoveRight(1);  // the selected keyframe moves away from the selection
    EXPECT_EQ(dialog.changes, (std::vector<int>{1}));
    EXPECT_EQ(Order(store), (std::vector<int>{100, 102, 101, 102, 103, 104}));
    EXPECT_THROW(store.MoveLeft(0), std::out_of_range);
    EXPECT_THROW(store.MoveRight(5), std::out_of_range);

    // Delete below the selection moves it down with its keyframe.
    store.Delete(0);
    EXPECT_EQ(store.Selected(), 0);
    EXPECT_EQ(Order(store), (std::vector<int>{102, 101, 102, 103, 104}));
    // Deleting the selected keyframe 0 keeps a valid selection.
    store.Delete(0);
    EXPECT_EQ(store.Selected(), 0);
    EXPECT_EQ(Order(store), (std::vector<int>{101, 102, 103, 104}));
    store.Delete(3);
    store.Delete(2);
    EXPECT_EQ(store.Count(), 2);
    EXPECT_THROW(store.Delete(1), std::invalid_argument);
    EXPECT_FALSE(store.ContextItemAvailable(KeyframeStore::ContextItem::Delete, 1));

    // Copies to and from the selected keyframe.
    store.Key(1).Map()[1] = {55, 66};
    store.CopyToScreen(1);
    EXPECT_EQ(store.Key(0).Map()[1], (Displacement{55, 66}));
    store.Key(0).Map()[2] = {7, 7};
    store.CopyFromScreen(1);
    EXPECT_EQ(store.Key(1).Map()[2], (Displacement{7, 7}));

    store.SetDuration(1, 1024);
    EXPECT_EQ(store.Key(1).Duration(), 1024);
    EXPECT_THROW(store.SetDuration(1, 0), std::invalid_argument);
    EXPECT_THROW(store.SetDuration(1, 1025), std::invalid_argument);
    EXPECT_THROW(store.SetDuration(2, 5), std::out_of_range);
}

TEST(KeyframeStore, CommandsThatChangeTheShownMapTakeThePowerIntoTheMapLeftFirst)
{
    const PackedPicture picture = testpics::Gradient(8, 8);
    KeyframeStore store;
    Dialog dialog(store, picture);
    store.SetListener(&dialog);
    Fill(store, 4);
    ASSERT_EQ(store.Selected(), 3);
    ASSERT_EQ(store.Active(), 3);

    // Deleting the selected last keyframe selects the one before it.
    dialog.log.clear();
    store.Delete(3);
    EXPECT_EQ(store.Selected(), 2);
    EXPECT_EQ(store.Active(), 2);
    EXPECT_EQ(dialog.log, "P2");

    dialog.log.clear();
    store.MoveLeft(1);  // the selection is not involved: nothing for the work picture
    EXPECT_EQ(dialog.log, "");
    store.MoveRight(1);
    EXPECT_EQ(dialog.log, "P2");
    store.CopyToScreen(0);
    EXPECT_EQ(dialog.log, "P2P2");
    store.CopyFromScreen(0);  // copies the selected keyframe as it is shown
    EXPECT_EQ(dialog.log, "P2P2P");
    store.Repeat(0);  // the work picture keeps its keyframe
    EXPECT_EQ(dialog.log, "P2P2P");
    EXPECT_EQ(store.Selected(), 3);
}

TEST(KeyframeStore, MenuItemsAndScrolling)
{
    const PackedPicture picture = testpics::Gradient(8, 8);
    KeyframeStore store;
    Dialog dialog(store, picture);
    store.SetListener(&dialog);
    Fill(store, 7);
    store.Activate(2);
    using Item = KeyframeStore::ContextItem;
    EXPECT_FALSE(store.ContextItemAvailable(Item::Activate, 2));
    EXPECT_TRUE(store.ContextItemAvailable(Item::Activate, 3));
    EXPECT_FALSE(store.ContextItemAvailable(Item::Repeat, 7));
    EXPECT_FALSE(store.ContextItemAvailable(Item::MoveLeft, 0));
    EXPECT_FALSE(store.ContextItemAvailable(Item::MoveRight, 6));
    EXPECT_FALSE(store.ContextItemAvailable(Item::CopyToScreen, 2));
    EXPECT_TRUE(store.ContextItemAvailable(Item::Duration, 0));
    EXPECT_FALSE(store.ContextItemAvailable(Item::Duration, 7));
    EXPECT_FALSE(store.ContextItemAvailable(Item::Delete, 7));
    EXPECT_FALSE(store.ContextItemAvailable(Item::Activate, 8));

    // Five slots, seven keyframes: scrolling right stops once the empty slot shows.
    int steps = 0;
    while (store.RightScrollVisible(5)) {
        store.ScrollRight();
        ++steps;
    }
    EXPECT_EQ(store.FirstVisible(), 3);
    EXPECT_EQ(steps, 3);
    EXPECT_TRUE(store.LeftScrollVisible());
    for (int i = 0; i < 5; ++i)
        store.ScrollLeft();
    EXPECT_EQ(store.FirstVisible(), 0);

    // The empty slot's menu still offers "activate", which makes the new
    // keyframe exactly as a double-click there does.
    EXPECT_TRUE(store.ContextItemAvailable(Item::Activate, 7));
    store.Activate(7);
    EXPECT_EQ(store.Count(), 8);
    EXPECT_EQ(store.Selected(), 7);
    EXPECT_EQ(store.Active(), 7);
    EXPECT_EQ(store.Key(7).Map()[0].dx, 106);  // a copy of the last keyframe
    EXPECT_THROW(store.Activate(9), std::out_of_range);

    store.ResetKeys();
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.Selected(), 1);
    EXPECT_EQ(store.Active(), 1);
    EXPECT_EQ(store.FirstVisible(), 0);
    EXPECT_TRUE(ThumbnailSizeUnset(store.ThumbHeader()));
}
