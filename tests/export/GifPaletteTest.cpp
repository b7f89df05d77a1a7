#include "export/GifPalette.h"

#include "GifTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

GifPalette RandomPalette(std::mt19937& rng, int distinct)
{
    GifPalette p{};
    for (int i = 0; i < 256; ++i) {
        // Repeat colours so that ties between entries occur.
        const int source = i % distinct;
        std::mt19937 colourRng(unsigned(source) * 31u + rng() % 2);
        p[size_t(i)] = PaletteEntry{uint8_t(colourRng()), uint8_t(colourRng()), uint8_t(colourRng()), 0};
    }
    std::shuffle(p.begin(), p.end(), rng);
    return p;
}

}  // namespace

TEST(GifPalette, FastMatcherAgreesWithLinearSearch)
{
    std::mt19937 rng(3);
    for (int distinct : {1, 7, 64, 256}) {
        const GifPalette palette = RandomPalette(rng, distinct);
        GifColourMatcher matcher(palette);
        for (int i = 0; i < 20000; ++i) {
            const uint8_t r = uint8_t(rng()), g = uint8_t(rng()), b = uint8_t(rng());
            ASSERT_EQ(matcher.Nearest(r, g, b), NearestPaletteIndexPlain(palette, r, g, b))
                << int(r) << "," << int(g) << "," << int(b) << " distinct " << distinct;
        }
    }
}

TEST(GifPalette, EqualDistancesPickTheLowestIndex)
{
    GifPalette palette{};
    palette.fill(PaletteEntry{100, 100, 100, 0});
    palette[7] = PaletteEntry{0, 0, 10, 0};
    palette[3] = PaletteEntry{0, 0, 10, 0};
    GifColourMatcher matcher(palette);
    EXPECT_EQ(NearestPaletteIndexPlain(palette, 10, 0, 0), 3);
    EXPECT_EQ(matcher.Nearest(10, 0, 0), 3);
    EXPECT_EQ(matcher.Nearest(100, 100, 100), 0);
}

TEST(GifPalette, ATieOnACellsBoundKeepsTheLowerEntry)
{
    // (7, 7, 7) lies in the cell of 0 .. 7: black is 3 x 7 x 7 = 147 from it and
    // (14, 14, 14) just as far, at exactly the distance that bounds the cell's list.
    GifPalette palette{};
    palette[0] = PaletteEntry{14, 14, 14, 0};
    GifColourMatcher matcher(palette);
    EXPECT_EQ(NearestPaletteIndexPlain(palette, 7, 7, 7), 0);
    EXPECT_EQ(matcher.Nearest(7, 7, 7), 0);
    EXPECT_EQ(matcher.Nearest(6, 7, 7), 1);
}

TEST(GifPalette, SortsByBrightnessWithBlackFillFirst)
{
    PackedPicture picture(3, 1);
    giftest::SetPixel(picture, 0, 0, 250, 250, 250);
    giftest::SetPixel(picture, 1, 0, 10, 20, 30);
    giftest::SetPixel(picture, 2, 0, 100, 0, 0);
    const GifPalette palette = BuildGifPalette(picture);
    for (int i = 0; i < 253; ++i)
        ASSERT_EQ(palette[size_t(i)], PaletteEntry{}) << i;
    EXPECT_EQ(palette[253], (PaletteEntry{30, 20, 10, 0}));
    EXPECT_EQ(palette[254], (PaletteEntry{0, 0, 100, 0}));
    EXPECT_EQ(palette[255], (PaletteEntry{250, 250, 250, 0}));
}

TEST(GifPalette, MappedPictureAgreesWithLinearSearchOnEveryPixel)
{
    // A photo's own palette, where many entries crowd a few cells and lists run long,
    // and the same palette with every entry doubled, so that equal distances meet
    // across the groups of four the matcher measures at once.
    const PackedPicture picture = giftest::PhotoLike(160, 120);
    const GifPalette own = BuildGifPalette(picture);
    GifPalette doubled = own;
    for (size_t i = 0; i < 128; ++i)
        doubled[2 * i + 1] = doubled[2 * i] = own[128 + i];
    for (const GifPalette& palette : {own, doubled}) {
        GifColourMatcher matcher(palette);
        std::vector<uint8_t> indexes;
        matcher.MapPicture(picture, indexes);
        ASSERT_EQ(indexes.size(), size_t(160 * 120));
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x) {
                const uint8_t* p = picture.Pixel(x, y);
                ASSERT_EQ(indexes[size_t(y) * 160 + size_t(x)], NearestPaletteIndexPlain(palette, p[2], p[1], p[0]))
                    << x << "," << y;
            }
    }
}
