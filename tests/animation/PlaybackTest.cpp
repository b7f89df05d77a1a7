#include "animation/KeyframeStore.h"
#include "animation/Playback.h"
#include "engine/WorkPicture.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

KeyframeStore Keys(int W, int H, std::vector<std::pair<int, int>> valuesAndDurations)
{
    std::vector<std::unique_ptr<CMMask>> masks;
    for (const auto& [value, duration] : valuesAndDurations) {
        auto key = std::make_unique<CMMask>(W, H, 0);
        std::fill(key->Map().begin(), key->Map().end(), Displacement{value, -value});
        key->SetDuration(duration);
        masks.push_back(std::move(key));
    }
    KeyframeStore store;
    store.Assign(std::move(masks), ZeroThumbnailHeader());
    return store;
}

}  // namespace

TEST(Playback, StepFollowsTheSpeedAtEveryTick)
{
    EXPECT_EQ(AnimationPlayback::StepForSpeed(60), 64);  // one frame a tick
    EXPECT_EQ(AnimationPlayback::StepForSpeed(30), 32);
    EXPECT_EQ(AnimationPlayback::StepForSpeed(1), 1);  // 64 ticks a frame
    EXPECT_EQ(AnimationPlayback::StepForSpeed(59), 62);

    KeyframeStore keys = Keys(4, 3, {{0, 10}, {640, 10}});
    AnimationPlayback play;
    ASSERT_TRUE(play.Start(keys));
    play.Advance(60);
    play.Advance(1);
    play.Advance(30);
    EXPECT_EQ(play.Position(), 64 + 1 + 32);
    // Speeds outside the slider's range are held to it: 0 moves as 1, and
    // 1000 as 60, one frame (not 1000 x 64 / 60 = 1066 sub-frames).
    play.Advance(0);
    EXPECT_EQ(play.Position(), 64 + 1 + 32 + 1);
    ASSERT_TRUE(play.Start(keys));
    play.Advance(1000);
    EXPECT_EQ(play.Position(), 64);
}

TEST(Playback, WrapsAtTheLoopLengthAndRemembersTheStartKeyframe)
{
    KeyframeStore keys = Keys(4, 3, {{0, 10}, {640, 10}});
    keys.SetSelected(1);
    keys.SetActive(1);
    AnimationPlayback play;
    ASSERT_TRUE(play.Start(keys));
    EXPECT_EQ(play.Length(), 1280);
    EXPECT_EQ(play.StartKey(), 1);
    for (int tick = 0; tick < 39; ++tick)
        play.Advance(30);
    EXPECT_EQ(play.Position(), 1248);
    play.Advance(30);
    EXPECT_EQ(play.Position(), 0);
    play.Stop();
    play.Advance(30);
    EXPECT_EQ(play.Position(), 0);  // a stopped player stands still
}

TEST(Playback, NothingToPlayWithoutFrames)
{
    KeyframeStore none;
    AnimationPlayback play;
    EXPECT_FALSE(play.Start(none));
    EXPECT_FALSE(play.Running());
    WorkPicture picture;
    picture.SetPicture(testpics::Gradient(4, 3));
    play.Tick(none, picture, 30, true);
    EXPECT_FALSE(picture.HasMap());
}

TEST(Playback, TickRendersTheInterpolatedFrameBeforeAdvancing)
{
    const int W = 16, H = 12;
    KeyframeStore keys = Keys(W, H, {{0, 10}, {640, 10}});
    WorkPicture picture;
    picture.SetPicture(testpics::Gradient(W, H));
    AnimationPlayback play;
    ASSERT_TRUE(play.Start(keys));
    for (int tick = 0; tick < 10; ++tick)
        play.Tick(keys, picture, 60, true);
    // The tenth tick rendered frame 9 (sub-frame 576) and moved on to frame 10.
    EXPECT_EQ(play.Position(), 640);
    ASSERT_TRUE(picture.HasMap());
    EXPECT_EQ(picture.Map().data[0], (Displacement{576, -576}));

    WorkPicture expected;
    expected.SetPicture(testpics::Gradient(W, H));
    std::vector<Displacement> map(size_t(W * H), Displacement{576, -576});
    expected.AttachMap(MapRef{map.data(), W, H});
    expected.RenderMap(64, true);
    EXPECT_EQ(picture.Display(), expected.Display());
}
