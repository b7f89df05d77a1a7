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
