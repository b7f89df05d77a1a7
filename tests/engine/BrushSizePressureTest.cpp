// A brush of any radius, pen pressure and the pointer's pixel: a free radius
// feeds the same radius, R^2 and diameter as the three sizes, pressure scales
// a step's strength (and the radius when chosen), and a full pressure changes
// nothing.

#include "BrushStepTestSupport.h"
#include "engine/LocalTools.h"
#include "engine/PointerPosition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using brushtest::Canvas;
using brushtest::WavyMap;

namespace {

constexpr int W = 412, H = 300;
constexpr int kSmallZoomIn = 1019, kMediumZoomIn = 1020, kMediumRotate = 1032;
constexpr int kGlobalZoom = 1105;

// One stroke with a tool of `id` on a wavy map, the tool adjusted by `setUp`.
template <class SetUp>
std::vector<Displacement> StrokeWith(int id, SetUp setUp, uint32_t seed = 9)
{
    Canvas canvas(W, H, seed);
    canvas.SetMap(WavyMap(W, H));
    CTool* tool = canvas.Select(id);
    setUp(*tool);
    canvas.Stroke({{200, 150}, {214, 141}, {230, 160}}, 3);
    return canvas.map.Elements();
}

void Keep(CTool&) {}

}  // namespace

TEST(FreeBrushSize, AFreeRadiusActsExactlyAsTheSizeOfThatRadius)
{
    // 12 % of 300 is 36: a small brush given radius 36 is the medium brush,
    // field for field and step for step.
    CTool_ZoomIn small(293, kSmallZoomIn, 6);
    small.SetFreeRadius(36);
    small.SetPictureSize(W, H);
    EXPECT_EQ(small.Radius(), 36);
    EXPECT_EQ(small.Radius2(), 1296);
    EXPECT_EQ(small.Diameter(), 73);
    EXPECT_EQ(StrokeWith(kSmallZoomIn, [](CTool& t) { t.SetFreeRadius(36); }), StrokeWith(kMediumZoomIn, Keep));
    EXPECT_NE(StrokeWith(kSmallZoomIn, Keep), StrokeWith(kMediumZoomIn, Keep));

    // The shape brushes build their table for that diameter by the same rule,
    // from the same random numbers.
    for (const auto& [small, medium] : {std::pair{1069, 1070}, std::pair{1075, 1079}}) {
        Canvas a(W, H, 4), b(W, H, 4);
        auto* freeShape = dynamic_cast<CToolShape*>(a.Select(small));
        freeShape->SetFreeRadius(36);
        b.Select(medium);
        a.Stroke({{100, 100}, {120, 110}}, 2);
        b.Stroke({{100, 100}, {120, 110}}, 2);
        EXPECT_EQ(freeShape->ShapeSize(), 73) << small;
        EXPECT_EQ(a.map.Elements(), b.map.Elements()) << small;
    }

    // Radius 0 returns to the size percent.
    small.SetFreeRadius(0);
    small.SetPictureSize(W, H);
    EXPECT_EQ(small.Radius(), 18);
}

TEST(FreeBrushSize, TheRadiusIsBoundedAndTheScratchFollowsIt)
{
    CTool_ZoomIn tool(293, kSmallZoomIn, 6);
    tool.SetFreeRadius(-5);
    EXPECT_EQ(tool.FreeRadius(), 0);
    tool.SetFreeRadius(std::numeric_limits<int>::max());
    EXPECT_EQ(tool.FreeRadius(), kMaxFreeRadius);
    tool.SetPictureSize(W, H);
    EXPECT_EQ(tool.Radius(), 412);  // at most the picture's larger side
    EXPECT_EQ(tool.Diameter(), 825);
    tool.SetFreeRadius(1);
    tool.SetPictureSize(W, H);
    EXPECT_EQ(tool.Radius(), 1);
    EXPECT_EQ(tool.Radius2(), 1);

    // A whole-picture tool has no brush.
    RandomSource random;
    const ToolTable table(&random);
    CTool* global = table.Find(kGlobalZoom);
    global->SetFreeRadius(50);
    EXPECT_EQ(global->BaseRadius(W, H), 0);

    // A size chosen after the tool became active: the work picture's scratch
    // grows for it, and a brush wider than the picture is clipped on every side.
    Canvas canvas(W, H);
    canvas.Select(kSmallZoomIn)->SetFreeRadius(412);
    canvas.Hold(5, 290, 2);
    EXPECT_NE(canvas.map.At(150, 200), (Displacement{}));
    EXPECT_NE(canvas.map.At(1, 1), (Displacement{}));
    EXPECT_GE(canvas.work.Scratch().size(), 825u * 825u);
}

TEST(Pressure, QuantisedToSixtyFourthsAndClamped)
{
    EXPECT_EQ(QuantisePressure(0.0), 0);
    EXPECT_EQ(QuantisePressure(1.0), 64);
    EXPECT_EQ(QuantisePressure(0.5), 32);
    EXPECT_EQ(QuantisePressure(0.3), 19);      // 19.2
    EXPECT_EQ(QuantisePressure(0.5 / 64), 1);  // a half rounds up
    EXPECT_EQ(QuantisePressure(63.49 / 64), 63);
    EXPECT_EQ(QuantisePressure(-0.3), 0);
    EXPECT_EQ(QuantisePressure(1.7), 64);
    EXPECT_EQ(QuantisePressure(std::nan("")), 64);

    for (int s = 0; s <= 64; ++s) {
        EXPECT_EQ(PressedStrength(s, 64), s);
        EXPECT_EQ(PressedTurnStrength(s, 64), s);
        EXPECT_EQ(PressedStrength(s, 0), 0);
        EXPECT_EQ(PressedTurnStrength(s, 0), 32);
    }
    EXPECT_EQ(PressedStrength(64, 32), 32);
    EXPECT_EQ(PressedStrength(42, 33), 22);  // 1418 / 64 = 22.2
    EXPECT_EQ(PressedStrength(1, 32), 1);    // a half rounds up
    EXPECT_EQ(PressedStrength(1, 31), 0);
    EXPECT_EQ(PressedTurnStrength(64, 32), 48);
    EXPECT_EQ(PressedTurnStrength(0, 32), 16);  // -15.5 floored

    // The radius rounds to the nearest pixel, a half up, and stays at least 1.
    EXPECT_EQ(PressedRadius(36, 64), 36);
    EXPECT_EQ(PressedRadius(36, 40), 23);   // 22.5
    EXPECT_EQ(PressedRadius(24, 44), 17);   // 16.5
    EXPECT_EQ(PressedRadius(10, 48), 8);    // 7.5
    EXPECT_EQ(PressedRadius(100, 47), 73);  // 73.4 rounds down
    EXPECT_EQ(PressedRadius(3, 10), 1);     // 0.47
    EXPECT_EQ(PressedRadius(1, 0), 1);
}

TEST(Pressure, ScalesTheStrengthOfEachStep)
{
    // Half pressure at strength 64 is strength 32: k = 2, F = 63 at 10 pixels,
    // g = 4032 and 4032 * 10 / 4096 = 9.
    Canvas canvas(W, H);
    CTool* tool = canvas.Select(kMediumZoomIn);
    tool->SetPressure(32);
    canvas.Hold(200, 150, 1);
    EXPECT_EQ(canvas.map.At(210, 150), (Displacement{-9, 0}));

    EXPECT_EQ(StrokeWith(kMediumZoomIn, [](CTool& t) { t.SetPressure(40); }),
              StrokeWith(kMediumZoomIn, [](CTool& t) { t.SetStrength(40); }));
    // Rotate scales its turn: at no pressure it acts as strength 32, which turns nothing.
    EXPECT_EQ(StrokeWith(kMediumRotate, [](CTool& t) { t.SetPressure(0); }),
              StrokeWith(kMediumRotate, [](CTool& t) { t.SetStrength(32); }));
    EXPECT_NE(StrokeWith(kMediumRotate, [](CTool& t) { t.SetPressure(0); }),
              StrokeWith(kMediumRotate, [](CTool& t) { t.SetStrength(0); }));
    EXPECT_EQ(StrokeWith(kMediumRotate, [](CTool& t) { t.SetPressure(32); }),
              StrokeWith(kMediumRotate, [](CTool& t) { t.SetStrength(48); }));
    // Full pressure is the mouse: nothing changes, for every brush.
    for (int id : brushtest::BrushCommandIds()) {
        EXPECT_EQ(StrokeWith(id, [](CTool& t) { t.SetPressure(kFullPressure); }), StrokeWith(id, Keep)) << id;
    }
}

TEST(Pressure, ScalesTheRadiusOnlyWhenChosen)
{
    Canvas canvas(W, H);
    CTool* tool = canvas.Select(kMediumZoomIn);  // R = 36
    tool->SetPressure(32);
    canvas.Hold(200, 150, 2);
    EXPECT_EQ(tool->Radius(), 36);
    EXPECT_NE(canvas.map.At(224, 150), (Displacement{}));

    Canvas sized(W, H);
    tool = sized.Select(kMediumZoomIn);
    tool->SetPressureScalesSize(true);
    tool->SetPressure(32);
    sized.Hold(200, 150, 2);
    EXPECT_EQ(tool->Radius(), 18);
    EXPECT_EQ(tool->Diameter(), 37);
    EXPECT_EQ(sized.map.At(224, 150), (Displacement{}));  // beyond the halved brush
    EXPECT_NE(sized.map.At(210, 150), (Displacement{}));
    // (36 x 40 + 32) / 64 = 23: 22.5 rounds up, as does every half.
    tool->SetPressure(40);
    tool->SetPictureSize(W, H);
    EXPECT_EQ(tool->Radius(), 23);
    EXPECT_EQ(tool->Radius2(), 529);
    EXPECT_EQ(tool->Diameter(), 47);
    tool->SetPressure(1);
    tool->SetPictureSize(W, H);
    EXPECT_EQ(tool->Radius(), 1);  // round(36 / 64) = 1, and never below 1
    tool->SetPressure(kFullPressure);
    tool->SetPictureSize(W, H);
    EXPECT_EQ(tool->Radius(), 36);
}

TEST(Pressure, WholePictureToolsIgnoreIt)
{
    auto hold = [](int q) {
        Canvas canvas(W, H, 2);
        canvas.Select(kGlobalZoom)->SetPressure(q);
        canvas.Hold(200, 150, 2);
        return canvas.map.Elements();
    };
    EXPECT_EQ(hold(10), hold(kFullPressure));
}

TEST(PointerPosition, PositionsAreFlooredToMapPixels)
{
    EXPECT_EQ(MapPixelOf(12.99), 12);
    EXPECT_EQ(MapPixelOf(-0.5), -1);
    EXPECT_EQ(MapPixelOf(-1.0), -1);
    EXPECT_EQ(MapPixelOf(1e300), kFarPointer);
    EXPECT_EQ(MapPixelOf(-1e300), -kFarPointer);
    EXPECT_EQ(MapPixelOf(std::nan("")), -kFarPointer);
    // 400 %, the map's corner at (-100, 20) in the view.
    EXPECT_EQ(ViewToMapPixel(303.0, 23.9, 4.0, -100.0, 20.0), (MapPixel{100, 0}));
    EXPECT_EQ(ViewToMapPixel(-101.0, 19.0, 4.0, -100.0, 20.0), (MapPixel{-1, -1}));
    EXPECT_EQ(ViewToMapPixel(7.5, 3.2), (MapPixel{7, 3}));
    EXPECT_EQ(ViewToMapPixel(7.5, 3.2, 0.0), (MapPixel{7, 3}));  // no scale: 1:1
    EXPECT_EQ(ViewToMapPixel(7.5, 3.2, 0.5), (MapPixel{15, 6}));
}
