#include "export/OctreeQuantizer.h"

#include "GifTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <tuple>

namespace {

using Rgb = std::tuple<int, int, int>;

void Add(OctreeQuantizer& q, int r, int g, int b, int times = 1)
{
    const uint8_t pixel[3] = {uint8_t(b), uint8_t(g), uint8_t(r)};
    for (int i = 0; i < times; ++i)
        q.AddPixels(pixel, 1);
}

std::vector<Rgb> Colours(const std::vector<PaletteEntry>& entries, int count)
{
    std::vector<Rgb> out;
    for (int i = 0; i < count; ++i)
        out.emplace_back(entries[size_t(i)].red, entries[size_t(i)].green, entries[size_t(i)].blue);
    return out;
}

}  // namespace

TEST(OctreeQuantizer, UpTo255DistinctColoursComeBackExactly)
{
    for (int distinct : {1, 2, 100, 254, 255}) {
        std::mt19937 rng{unsigned(distinct)};
        std::set<Rgb> wanted;
        while (int(wanted.size()) < distinct)
            wanted.emplace(int(rng() % 256), int(rng() % 256), int(rng() % 256));
        OctreeQuantizer q(255);
        std::vector<Rgb> all(wanted.begin(), wanted.end());
        for (int pass = 0; pass < 3; ++pass) {
            std::shuffle(all.begin(), all.end(), rng);
            for (const auto& [r, g, b] : all)
                Add(q, r, g, b);
        }
        std::vector<PaletteEntry> palette(255);
        const int count = q.GetPalette(palette.data());
        ASSERT_EQ(count, distinct);
        const auto got = Colours(palette, count);
        EXPECT_EQ(std::set<Rgb>(got.begin(), got.end()), wanted);
    }
}

TEST(OctreeQuantizer, PaletteIsOrderedByPixelCount)
{
    OctreeQuantizer q(255);
    Add(q, 200, 10, 10, 5);
    Add(q, 10, 200, 10, 1);
    Add(q, 10, 10, 200, 3);
    std::vector<PaletteEntry> palette(255);
    ASSERT_EQ(q.GetPalette(palette.data()), 3);
    EXPECT_EQ(Colours(palette, 3), (std::vector<Rgb>{{10, 200, 10}, {10, 10, 200}, {200, 10, 10}}));
}

// Eight colours in eight different top-level cells plus one colour that shares all but
// the lowest bit with one of them: the ninth leaf is too many for 8 colours, and the
// cell folded is the deepest one, holding the two nearly equal colours.
TEST(OctreeQuantizer, ReductionFoldsTheDeepestSparsestCell)
{
    OctreeQuantizer q(8);
    const std::vector<Rgb> far = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},     {255, 255, 0},
                                  {255, 0, 255}, {0, 255, 255}, {255, 255, 255}, {10, 20, 30}};
    for (const auto& [r, g, b] : far)
        Add(q, r, g, b, 2);
    Add(q, 11, 21, 31, 2);
    EXPECT_LE(q.LeafCount(), q.LeafLimit());
    EXPECT_EQ(q.DepthLimit(), 8);
    std::vector<PaletteEntry> palette(8);
    ASSERT_EQ(q.GetPalette(palette.data()), 8);
    const auto got = Colours(palette, 8);
    // (10,20,30) x 2 and (11,21,31) x 2 average to (10,20,30) after truncation.
    EXPECT_EQ(std::set<Rgb>(got.begin(), got.end()), std::set<Rgb>(far.begin(), far.end()));
}

TEST(OctreeQuantizer, ManyColoursGiveAFullPaletteOfAverages)
{
    const PackedPicture picture = giftest::PhotoLike(200, 150);
    OctreeQuantizer q(255);
    int minR = 255, maxR = 0;
    for (int y = 0; y < picture.Height(); ++y) {
        q.AddPixels(picture.Row(y), picture.Width());
        ASSERT_LE(q.LeafCount(), q.LeafLimit());
        for (int x = 0; x < picture.Width(); ++x) {
            minR = std::min<int>(minR, picture.Pixel(x, y)[2]);
            maxR = std::max<int>(maxR, picture.Pixel(x, y)[2]);
        }
    }
    std::vector<PaletteEntry> palette(255);
    ASSERT_EQ(q.GetPalette(palette.data()), 255);
    for (const PaletteEntry& e : palette) {
        EXPECT_GE(e.red, minR);
        EXPECT_LE(e.red, maxR);
        EXPECT_EQ(e.reserved, 0);
    }
}

TEST(OctreeQuantizer, EmptyQuantizerHasNoColours)
{
    OctreeQuantizer q(255);
    std::vector<PaletteEntry> palette(255);
    EXPECT_EQ(q.GetPalette(palette.data()), 0);
}

TEST(OctreeQuantizer, LeafLimitFollowsTheColourCount)
{
    EXPECT_EQ(OctreeQuantizer(255).LeafLimit(), 260);
    EXPECT_EQ(OctreeQuantizer(16).LeafLimit(), 22);
    EXPECT_EQ(OctreeQuantizer(8).LeafLimit(), 8);
    EXPECT_EQ(OctreeQuantizer(5).LeafLimit(), 8);
}

// Worked by hand: seven colours in seven top-level cells, then (0,0,0) x 1 and
// (64,0,0) x 3 in the eighth, which part at level 1 (bit 6). Their ninth leaf folds
// that level-1 cell, which lowers the depth limit to 2, and the later pixels of the
// cell merge into it: average (48,0,0) of 4. Then (128,0,0) parts from (255,0,0) at
// level 1 and the ninth leaf folds that cell too: 638 / 3 = (212,0,0) of 3.
TEST(OctreeQuantizer, FoldingAShallowCellLowersTheDepthLimit)
{
    OctreeQuantizer q(8);
    const std::vector<Rgb> others = {{0, 0, 255},   {0, 255, 0},   {0, 255, 255},  {255, 0, 0},
                                     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
    for (const auto& [r, g, b] : others)
        Add(q, r, g, b, 2);
    Add(q, 0, 0, 0);
    EXPECT_EQ(q.LeafCount(), 8);
    EXPECT_EQ(q.DepthLimit(), 8);
    Add(q, 64, 0, 0, 3);
    EXPECT_EQ(q.LeafCount(), 8);
    EXPECT_EQ(q.DepthLimit(), 2);

    Add(q, 128, 0, 0);
    EXPECT_EQ(q.LeafCount(), 8);
    EXPECT_EQ(q.DepthLimit(), 2);

    std::vector<PaletteEntry> palette(8);
    ASSERT_EQ(q.GetPalette(palette.data()), 8);
    const auto got = Colours(palette, 8);
    // Ascending pixel count: the six untouched cells (2 each), then 3, then 4.
    EXPECT_EQ(got[6], Rgb(212, 0, 0));
    EXPECT_EQ(got[7], Rgb(48, 0, 0));
    std::set<Rgb> untouched(others.begin(), others.end());
    untouched.erase(Rgb(255, 0, 0));
    EXPECT_EQ(std::set<Rgb>(got.begin(), got.begin() + 6), untouched);
}

// Two level-7 cells of equal count, (0,0,0)+(0,0,1) and (0,0,2)+(0,0,3), with four
// far colours fill the eight leaves; a ninth leaf forces a fold at level 7. The
// second cell was listed last, so it heads the list, and the first cell, equal but
// not smaller, does not replace it: (0,0,2) and (0,0,3) fold into (0,0,2).
TEST(OctreeQuantizer, EqualCellsFoldTheOneListedLast)
{
    OctreeQuantizer q(8);
    const std::vector<Rgb> far = {{255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {255, 255, 255}};
    for (const auto& [r, g, b] : far)
        Add(q, r, g, b, 2);
    Add(q, 0, 0, 0);
    Add(q, 0, 0, 1);
    Add(q, 0, 0, 2);
    Add(q, 0, 0, 3);
    EXPECT_EQ(q.LeafCount(), 8);
    Add(q, 0, 0, 255, 2);
    EXPECT_EQ(q.LeafCount(), 8);
    EXPECT_EQ(q.DepthLimit(), 8);

    std::vector<PaletteEntry> palette(8);
    ASSERT_EQ(q.GetPalette(palette.data()), 8);
    const auto got = Colours(palette, 8);
    std::set<Rgb> expected(far.begin(), far.end());
    expected.insert({Rgb(0, 0, 255), Rgb(0, 0, 0), Rgb(0, 0, 1), Rgb(0, 0, 2)});
    EXPECT_EQ(std::set<Rgb>(got.begin(), got.end()), expected);
    // The single colours come first (count 1), the folded cell among the pairs.
    EXPECT_EQ(std::set<Rgb>(got.begin(), got.begin() + 2), (std::set<Rgb>{{0, 0, 0}, {0, 0, 1}}));
}
