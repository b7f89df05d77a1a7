#include "engine/Tool.h"
#include "engine/WorkPicture.h"

#include "support/TestPictures.h"

#include <gtest/gtest.h>

namespace {

// A brush that writes a marker (its picture position) at every lattice pixel it
// visits, so that the lattice, the gap filling and the copy-back can be seen.
class MarkerBrush : public CToolLocal {
public:
    MarkerBrush() : CToolLocal(0, 1, 25) {}
    void Apply(MapRef, Displacement* scratch, int cx, int cy) override
    {
        ForEachLatticePixel(cx, cy, false, [&](const LatticePixel& p) {
            scratch[p.index] = Displacement{100 * p.x, 100 * p.y};
        });
    }
};

// A whole-picture tool whose field pushes every pixel one pixel to the right.
class ShiftField : public CToolGlobal {
public:
    ShiftField() : CToolGlobal(0, 2) {}
    void Prepare(int x, int y, int W, int H) override
    {
        CToolGlobal::Prepare(x, y, W, H);
        for (auto& e : m_field)
            e = Displacement{64, 0};
    }
};

class RecordingHost : public WorkPictureHost {
public:
    void ApplyPowerRequested() override { ++powerRequests; }
    void MapChanged() override { ++changes; }
    void ToolApplied() override { ++applied; }
    bool Playing() const override { return playing; }
    int powerRequests = 0, changes = 0, applied = 0;
    bool playing = false;
};

}  // namespace

TEST(BrushStep, FillsLatticeGapsAndCopiesBackInsideTheBrush)
{
    const int W = 100, H = 80;
    MarkerBrush brush;
    brush.SetPictureSize(W, H);
    const int R = brush.Radius();
    ASSERT_EQ(R, 20);
    DisplacementMap map(W, H);
    std::vector<Displacement> scratch = brush.CreateScratch();
    ASSERT_TRUE(BrushStep(brush, map.Ref(), scratch, 50, 40, W, H));
    const Rect r = brush.GetBrushRect(50, 40);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const bool copied = y >= r.top && y <= r.top + 2 * R - 3 && x >= r.left && x <= r.left + 2 * R - 2;
            const Displacement e = map.At(x, y);
            if (!copied) {
                EXPECT_EQ(e, Displacement{}) << x << "," << y;
                continue;
            }
            // Lattice values are exact; gaps are averages of their neighbours, which
            // for a linear marker is the value at the gap itself.
            EXPECT_EQ(e, (Displacement{100 * x, 100 * y})) << x << "," << y;
        }
    }
}

TEST(BrushStep, BrushesAtAndBeyondTheBordersStayInsideTheMap)
{
    const int W = 60, H = 40;
    MarkerBrush brush;
    brush.SetPictureSize(W, H);
    std::vector<Displacement> scratch = brush.CreateScratch();
    for (int y : {-500, -10, 0, 1, 20, H - 2, H - 1, H, H + 7, 900}) {
        for (int x : {-500, -10, 0, 1, 30, W - 2, W - 1, W, W + 7, 900}) {
            DisplacementMap map(W, H);
            BrushStep(brush, map.Ref(), scratch, x, y, W, H);  // ASan checks the writes
            const Rect r = brush.GetBrushRect(x, y);
            for (int py = 0; py < H; ++py)
                for (int px = 0; px < W; ++px)
                    if (px < r.left || px >= r.right || py < r.top || py >= r.bottom) {
                        ASSERT_EQ(map.At(px, py), Displacement{}) << x << "," << y;
                    }
        }
    }
}

TEST(BrushStep, SkipsWhenMapOrScratchDoesNotFit)
{
    MarkerBrush brush;
    brush.SetPictureSize(60, 40);
    std::vector<Displacement> scratch = brush.CreateScratch();
    DisplacementMap wrong(40, 60);
    EXPECT_FALSE(BrushStep(brush, wrong.Ref(), scratch, 20, 20, 60, 40));
    EXPECT_EQ(wrong, DisplacementMap(40, 60));
    DisplacementMap map(60, 40);
    std::vector<Displacement> none;
    EXPECT_FALSE(BrushStep(brush, map.Ref(), none, 20, 20, 60, 40));
    // A larger picture than the scratch was made for: the step is skipped, not overrun.
    DisplacementMap big(200, 200);
    EXPECT_FALSE(BrushStep(brush, big.Ref(), scratch, 100, 100, 200, 200));
    EXPECT_EQ(map, DisplacementMap(60, 40));
}

TEST(GlobalStep, ComposesTheFieldOncePerTickAndNeverAtTheClick)
{
    const int W = 30, H = 20;
    RecordingHost host;
    WorkPicture work(&host);
    work.SetPicture(testpics::Noise(W, H, 4));
    DisplacementMap map(W, H);
    work.AttachMap(map.Ref());
    ShiftField tool;
    tool.SetPictureSize(W, H);
    work.SetActiveTool(&tool);
    EXPECT_TRUE(work.ButtonDown(5, 5, false));
    EXPECT_EQ(host.powerRequests, 1);
    EXPECT_EQ(map, DisplacementMap(W, H));
    EXPECT_TRUE(work.MouseMove(6, 6).IsEmpty());  // pointer moves do nothing for global tools
    work.TimerTick(6, 6);
    EXPECT_EQ(map.At(10, 10), (Displacement{64, 0}));
    work.TimerTick(6, 6);
    EXPECT_EQ(map.At(10, 10), (Displacement{128, 0}));
    work.ButtonUp(false);
    EXPECT_TRUE(tool.Field().empty());
    EXPECT_EQ(host.applied, 2);
    EXPECT_EQ(host.changes, 2);
    EXPECT_TRUE(work.TimerTick(6, 6).IsEmpty());
}

TEST(GlobalStep, MapOfAnotherSizeIsNeverWritten)
{
    ShiftField tool;
    tool.SetPictureSize(30, 20);
    tool.Prepare(3, 3, 30, 20);
    std::vector<Displacement> scratch = tool.CreateScratch();
    DisplacementMap wrong(20, 30);
    EXPECT_FALSE(GlobalStep(tool, wrong.Ref(), scratch, 20, 30));
    EXPECT_FALSE(GlobalStep(tool, wrong.Ref(), scratch, 30, 20));
    EXPECT_EQ(wrong, DisplacementMap(20, 30));
}

TEST(WorkPicture, RendersNotifyOnlyOutsidePlayback)
{
    RecordingHost host;
    WorkPicture work(&host);
    work.SetPicture(testpics::Noise(12, 12, 1));
    EXPECT_FALSE(work.RenderMap(64, true));  // no map
    DisplacementMap map(12, 12);
    work.AttachMap(map.Ref());
    EXPECT_TRUE(work.RenderMap(64, true));
    host.playing = true;
    EXPECT_TRUE(work.RenderMap(64, false));
    EXPECT_EQ(host.changes, 1);
    // Presses are ignored without a tool.
    EXPECT_FALSE(work.ButtonDown(1, 1, false));
    EXPECT_FALSE(work.StrokeActive());
}
