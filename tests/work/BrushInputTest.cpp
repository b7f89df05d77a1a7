// The brush input's arithmetic and its stroke bookkeeping, without a window.

#include "work/BrushInput.h"

#include "engine/ToolTable.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

TEST(BrushInputTest, EachSizeStepIsATenthOfTheRadiusAtLeastAPixelWithinThePicture)
{
    EXPECT_EQ(BrushInput::SteppedRadius(16, 1, 412), 17);
    EXPECT_EQ(BrushInput::SteppedRadius(68, 2, 412), 81);  // + 6, + 7
    EXPECT_EQ(BrushInput::SteppedRadius(81, -1, 412), 73);
    EXPECT_EQ(BrushInput::SteppedRadius(5, 3, 412), 8);
    EXPECT_EQ(BrushInput::SteppedRadius(2, -5, 412), 1);
    EXPECT_EQ(BrushInput::SteppedRadius(400, 1, 412), 412);
    EXPECT_EQ(BrushInput::SteppedRadius(900, -1, 412), 371);  // from the largest: 412 - 41
    EXPECT_EQ(BrushInput::SteppedRadius(30, 0, 412), 30);

    BrushInput input;
    EXPECT_EQ(input.WheelSteps(60), 0);
    EXPECT_EQ(input.WheelSteps(250), 2);   // 310: two notches, 70 left
    EXPECT_EQ(input.WheelSteps(-100), 0);  // -30 left
    EXPECT_EQ(input.WheelSteps(-90), -1);
}

TEST(BrushInputTest, AToolChosenDuringAReversedStrokeStaysActiveAfterIt)
{
    WorkPicture picture;
    picture.SetLoadedPicture(testpics::Noise(300, 200, 3));
    ToolTable tools;
    CTool* enlarge = tools.Find(1019);
    enlarge->SetPictureSize(picture.Width(), picture.Height());
    picture.SetActiveTool(enlarge);
    BrushInput input;
    input.SetTools(&tools);
    input.SetPressure(16);
    input.BeginStroke(picture, true, false);
    ASSERT_EQ(picture.ActiveTool(), tools.Find(1022));
    EXPECT_EQ(picture.ActiveTool()->Pressure(), 16);
    CTool* other = tools.Find(1037);
    picture.SetActiveTool(other);
    input.EndStroke(picture);
    EXPECT_EQ(picture.ActiveTool(), other);
    EXPECT_EQ(tools.Find(1022)->Pressure(), kFullPressure);
    EXPECT_EQ(enlarge->Pressure(), kFullPressure);
}

TEST(BrushInputTest, ASizeStepReachesUpToThePicturesLargerSide)
{
    ToolTable tools;
    CTool* medium = tools.Find(1020);
    // 12 % of the shorter side 206 is 24; one step adds a tenth, 2.
    EXPECT_TRUE(BrushInput::StepSize(*medium, 1, 412, 206));
    EXPECT_EQ(medium->FreeRadius(), 26);
    EXPECT_EQ(medium->Radius(), 26);  // the brush takes it at once
    EXPECT_EQ(medium->Diameter(), 53);
    // Beyond the shorter side: 200 + 20 in a wide picture, 380 + 38 limited to
    // 412 in a tall one.
    medium->SetFreeRadius(200);
    EXPECT_TRUE(BrushInput::StepSize(*medium, 1, 412, 206));
    EXPECT_EQ(medium->FreeRadius(), 220);
    medium->SetFreeRadius(380);
    EXPECT_TRUE(BrushInput::StepSize(*medium, 3, 206, 412));
    EXPECT_EQ(medium->FreeRadius(), 412);
    EXPECT_EQ(medium->Radius(), 412);
    EXPECT_FALSE(BrushInput::StepSize(*medium, 1, 206, 412));  // already the largest
    EXPECT_TRUE(BrushInput::StepSize(*medium, -1, 206, 412));
    EXPECT_EQ(medium->FreeRadius(), 371);

    // Nothing to step: no steps, no picture, a whole-picture tool.
    EXPECT_FALSE(BrushInput::StepSize(*medium, 0, 412, 206));
    EXPECT_FALSE(BrushInput::StepSize(*medium, 1, 0, 206));
    EXPECT_EQ(medium->FreeRadius(), 371);
    CTool* global = tools.Find(1105);
    EXPECT_FALSE(BrushInput::StepSize(*global, 1, 412, 206));
    EXPECT_EQ(global->FreeRadius(), 0);
}

TEST(BrushInputTest, AReversedStrokeLendsThePartnerTheChosenToolsSettingsForThatStrokeOnly)
{
    WorkPicture picture;
    picture.SetLoadedPicture(testpics::Noise(300, 200, 3));
    ToolTable tools;
    CTool* enlarge = tools.Find(1019);
    CTool* shrink = tools.Find(1022);
    enlarge->SetStrength(20);
    shrink->SetStrength(50);
    enlarge->SetPictureSize(picture.Width(), picture.Height());
    shrink->SetPictureSize(picture.Width(), picture.Height());
    picture.SetActiveTool(enlarge);
    BrushInput input;
    input.SetTools(&tools);

    // Fitted to 412 x 274, the small brush is 6 % of 274, 16; at pressure 42
    // with the size option it is (16 x 42 + 32) / 64 = 11.
    ASSERT_EQ(picture.Height(), 274);
    input.SetPressure(42);
    input.BeginStroke(picture, true, true);
    ASSERT_EQ(input.ActingTool(), shrink);
    EXPECT_EQ(picture.ActiveTool(), shrink);
    EXPECT_FALSE(input.TurnsBack());
    EXPECT_EQ(shrink->Strength(), 20);
    EXPECT_EQ(shrink->Pressure(), 42);
    EXPECT_EQ(shrink->Radius(), 11);
    EXPECT_EQ(enlarge->Pressure(), 42);
    input.SetPressure(70);  // a pen's pressure during the stroke reaches the acting tool, limited
    EXPECT_EQ(shrink->Pressure(), kFullPressure);
    input.SetPressure(16);
    input.EndStroke(picture);
    EXPECT_EQ(picture.ActiveTool(), enlarge);
    EXPECT_EQ(shrink->Strength(), 50);
    EXPECT_EQ(enlarge->Strength(), 20);
    EXPECT_EQ(shrink->Pressure(), kFullPressure);
    EXPECT_EQ(shrink->Radius(), 16);
    EXPECT_EQ(enlarge->Radius(), 16);
    EXPECT_EQ(input.ActingTool(), nullptr);
    // The pressure of the moment stays for the next stroke.
    EXPECT_EQ(input.Pressure(), 16);

    // Unreversed, the chosen tool acts and the partner is left alone.
    shrink->SetStrength(33);
    input.BeginStroke(picture, false, false);
    EXPECT_EQ(input.ActingTool(), enlarge);
    EXPECT_EQ(enlarge->Pressure(), 16);
    EXPECT_FALSE(enlarge->PressureScalesSize());
    input.EndStroke(picture);
    EXPECT_EQ(shrink->Strength(), 33);

    // A second stroke begun before the first ended ends it first.
    input.BeginStroke(picture, true, false);
    input.BeginStroke(picture, false, false);
    EXPECT_EQ(picture.ActiveTool(), enlarge);
    EXPECT_EQ(shrink->Strength(), 33);
    input.EndStroke(picture);
}

TEST(BrushInputTest, AReversedTurningToolTurnsBackItselfAndNoToolMeansNoStroke)
{
    WorkPicture picture;
    picture.SetLoadedPicture(testpics::Noise(120, 80, 5));
    ToolTable tools;
    CTool* rotate = tools.Find(1032);
    rotate->SetStrength(10);
    picture.SetActiveTool(rotate);
    BrushInput input;
    input.SetTools(&tools);
    input.BeginStroke(picture, true, false);
    EXPECT_TRUE(input.TurnsBack());
    EXPECT_EQ(input.ActingTool(), rotate);
    input.EndStroke(picture);
    EXPECT_FALSE(input.TurnsBack());
    EXPECT_EQ(rotate->Strength(), 10);
    EXPECT_EQ(picture.ActiveTool(), rotate);

    // Without a table there is no partner to reverse to.
    BrushInput alone;
    picture.SetActiveTool(tools.Find(1019));
    alone.BeginStroke(picture, true, false);
    EXPECT_EQ(alone.ActingTool(), tools.Find(1019));
    alone.EndStroke(picture);

    picture.SetActiveTool(nullptr);
    input.BeginStroke(picture, true, false);
    EXPECT_EQ(input.ActingTool(), nullptr);
    EXPECT_EQ(picture.ActiveTool(), nullptr);
    input.EndStroke(picture);
}
