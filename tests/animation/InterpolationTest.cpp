#include "animation/Interpolation.h"
#include "animation/KeyframeStore.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

// A store of keyframes of W x H whose maps hold one value everywhere.
KeyframeStore MakeStore(int W, int H, std::vector<std::pair<Displacement, int>> keys)
{
    std::vector<std::unique_ptr<CMMask>> masks;
    for (const auto& [value, duration] : keys) {
        auto key = std::make_unique<CMMask>(W, H, 0);
        std::fill(key->Map().begin(), key->Map().end(), value);
        key->SetDuration(duration);
        masks.push_back(std::move(key));
    }
    KeyframeStore store;
    store.Assign(std::move(masks), ZeroThumbnailHeader());
    return store;
}

Displacement At(MapRef map, size_t i = 0)
{
    return map.data[i];
}

}  // namespace

TEST(Interpolation, LinearBetweenNeighboursAndAroundTheLoop)
{
    KeyframeStore store = MakeStore(3, 2, {{{0, 0}, 10}, {{640, -640}, 10}});
    EXPECT_EQ(At(store.GetFrameMap(0)), (Displacement{0, 0}));
    EXPECT_EQ(At(store.GetFrameMap(1)), (Displacement{1, -1}));
    EXPECT_EQ(At(store.GetFrameMap(320)), (Displacement{320, -320}));
    EXPECT_EQ(At(store.GetFrameMapAt(5)), (Displacement{320, -320}));
    EXPECT_EQ(At(store.GetFrameMap(640)), (Displacement{640, -640}));
    // Frame 15 lies in the transition from the last keyframe back to keyframe 0.
    EXPECT_EQ(At(store.GetFrameMapAt(15)), (Displacement{320, -320}));
    EXPECT_EQ(At(store.GetFrameMapAt(20)), (Displacement{0, 0}));
    // Later loops repeat the first.
    EXPECT_EQ(At(store.GetFrameMapAt(25)), (Displacement{320, -320}));
    EXPECT_EQ(At(store.GetFrameMap(1280 * 1000 + 1)), (Displacement{1, -1}));
    const MapRef last = store.GetFrameMap(640);
    for (size_t i = 0; i < last.Count(); ++i)
        EXPECT_EQ(last.data[i], (Displacement{640, -640}));
    EXPECT_EQ(last.width, 3);
    EXPECT_EQ(last.height, 2);
}

TEST(Interpolation, NegativeValuesTruncateTowardZero)
{
    KeyframeStore store = MakeStore(1, 1, {{{0, 0}, 10}, {{-65, 65}, 10}});
    EXPECT_EQ(At(store.GetFrameMap(1)), (Displacement{0, 0}));
    EXPECT_EQ(At(store.GetFrameMap(10)), (Displacement{-1, 1}));  // -650/640
}

TEST(Interpolation, LongTransitionsOfLargeDisplacementsDoNotOverflow)
{
    // 256 pixels = 16384 in 1/64 pixel over 1024 frames: products up to
    // 16384 x 65536 = 2^30 fit, 4x that does not.
    const int big = 4 * 16384;
    KeyframeStore store = MakeStore(1, 1, {{{0, 0}, 1024}, {{big, -big}, 1024}});
    const int64_t D = 1024 * 64;
    EXPECT_EQ(At(store.GetFrameMap(D / 2)), (Displacement{big / 2, -big / 2}));
    EXPECT_EQ(At(store.GetFrameMap(D - 1)),
              (Displacement{int(int64_t(big) * (D - 1) / D), -int(int64_t(big) * (D - 1) / D)}));
    // Back towards keyframe 0: Ka x remaining is the large product now.
    EXPECT_EQ(At(store.GetFrameMap(D + 1)),
              (Displacement{int(int64_t(big) * (D - 1) / D), -int(int64_t(big) * (D - 1) / D)}));
    KeyframeStore extreme = MakeStore(1, 1, {{{INT32_MAX, INT32_MIN}, 1024}, {{INT32_MAX, INT32_MIN}, 1024}});
    EXPECT_EQ(At(extreme.GetFrameMap(777)), (Displacement{INT32_MAX, INT32_MIN}));
}

TEST(Interpolation, SingleKeyframeAndZeroOrNegativeDurationsStaySafe)
{
    KeyframeStore one = MakeStore(1, 1, {{{7, 9}, 10}});
    EXPECT_EQ(At(one.GetFrameMap(333)), (Displacement{7, 9}));

    // All durations 0: no segment has length, the animation stands on keyframe 0.
    KeyframeStore zero = MakeStore(1, 1, {{{5, 5}, 0}, {{100, 100}, 0}});
    EXPECT_EQ(At(zero.GetFrameMap(0)), (Displacement{5, 5}));
    EXPECT_EQ(At(zero.GetFrameMap(1000)), (Displacement{5, 5}));
    EXPECT_EQ(zero.GetTotalFrames(), 0);

    // One zero-length transition among others is passed over.
    KeyframeStore mixed = MakeStore(1, 1, {{{0, 0}, 10}, {{640, 0}, 0}, {{0, 640}, 10}});
    EXPECT_EQ(At(mixed.GetFrameMap(320)), (Displacement{320, 320}));
    EXPECT_EQ(At(mixed.GetFrameMap(0)), (Displacement{640, 0}));
    EXPECT_EQ(mixed.GetTotalFrames(), 20);

    KeyframeStore negative = MakeStore(1, 1, {{{0, 0}, -5}, {{64, 0}, 1}});
    EXPECT_EQ(At(negative.GetFrameMap(32)), (Displacement{32, 0}));
    EXPECT_EQ(negative.GetTotalFrames(), 1);

    EXPECT_THROW(one.GetFrameMap(-1), std::out_of_range);
    KeyframeStore empty;
    EXPECT_THROW(empty.GetFrameMap(0), std::out_of_range);
}

TEST(Interpolation, ReusesOneBufferAndScales)
{
    KeyframeStore store = MakeStore(4, 4, {{{0, 0}, 10}, {{640, 64}, 10}});
    const Displacement* buffer = store.GetFrameMap(10).data;
    EXPECT_EQ(store.GetFrameMap(600).data, buffer);
    EXPECT_NE(buffer, store.GetKeyMap(0).data);
    EXPECT_EQ(At(store.GetFrameMapScaled(5, 0.5)), (Displacement{160, 16}));
    // The time is scaled, not the values: frame 15 at half speed is t = 480.
    EXPECT_EQ(At(store.GetFrameMapScaled(15, 0.5)), (Displacement{480, 48}));
    EXPECT_EQ(At(store.GetFrameMapScaled(3, 1.0 / 3)), (Displacement{64, 6}));
    EXPECT_THROW(store.GetFrameMapScaled(5, -1.0), std::out_of_range);
}

TEST(Interpolation, TotalFramesCountKeyframeZero)
{
    KeyframeStore store = MakeStore(1, 1, {{{0, 0}, 10}, {{0, 0}, 10}, {{0, 0}, 7}});
    EXPECT_EQ(store.GetTotalFrames(), 27);
    EXPECT_EQ(store.GetMapSize(), (PictureSize{1, 1}));
    EXPECT_EQ(KeyframeStore().GetMapSize(), (PictureSize{0, 0}));
}

TEST(Interpolation, TheSelectedKeyframeStandsWhereTheLoopReachesIt)
{
    // Keyframe 0's 4 frames are the way back from keyframe 2 at the end of the
    // loop: keyframe 1 is reached after d(1) = 10 frames, keyframe 2 after
    // d(1) + d(2) = 17 (not after 4 and 4 + 10 = 14, where the map is
    // (640 x 192 + 1280 x 256) / 448 = 1005).
    KeyframeStore store = MakeStore(1, 1, {{{0, 0}, 4}, {{640, 64}, 10}, {{1280, -64}, 7}});
    const int frames[] = {0, 10, 17};
    for (int k = 0; k < 3; ++k) {
        store.SetSelected(k);
        EXPECT_EQ(store.GetSelectedStart(), frames[k]) << k;
        EXPECT_EQ(At(store.GetFrameMapAt(store.GetSelectedStart())), store.Key(k).Map()[0]) << k;
    }
    EXPECT_EQ(At(store.GetFrameMapAt(14)).dx, 1005);
}

TEST(Interpolation, FastBlendMatchesThePlainOneAtEverySize)
{
    // Small values take 32-bit lanes, large ones (or long transitions) 64 bits;
    // counts that are not a multiple of four leave a tail.
    std::mt19937 rng(11);
    struct Case {
        int range;
        int64_t remaining, elapsed;
    };
    const Case cases[] = {
        {64 * 300, 320, 320},  {64 * 300, 639, 1}, {64 * 300, 0, 640},          {1 << 20, 1000, 1047},
        {1 << 20, 1023, 1025}, {INT32_MAX, 3, 5},  {5000, int64_t(1) << 33, 7}, {32, 1 << 20, (1 << 25) - 3},
    };
    for (const Case& c : cases) {
        for (size_t count : {size_t(0), size_t(1), size_t(3), size_t(4), size_t(9), size_t(1000)}) {
            std::uniform_int_distribution<int64_t> d(-int64_t(c.range), c.range);
            std::vector<Displacement> a(count), b(count), fast(count), plain(count);
            for (size_t i = 0; i < count; ++i) {
                a[i] = {int32_t(d(rng)), int32_t(d(rng))};
                b[i] = {int32_t(d(rng)), int32_t(d(rng))};
            }
            InterpolateMaps(a.data(), b.data(), fast.data(), count, c.remaining, c.elapsed);
            reference::InterpolateMaps(a.data(), b.data(), plain.data(), count, c.remaining, c.elapsed);
            EXPECT_EQ(fast, plain) << c.range << " " << c.remaining << "+" << c.elapsed << " x" << count;
        }
    }
    // Worked by hand: (-100 x 3 + 37 x 1) / 4 = -263 / 4 = -65 (toward zero).
    const Displacement a{-100, 100}, b{37, -37};
    Displacement out;
    InterpolateMaps(&a, &b, &out, 1, 3, 1);
    EXPECT_EQ(out, (Displacement{-65, 65}));
}
