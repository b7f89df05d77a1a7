#include "animation/FrameChoice.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(FrameChoice, EachModeGivesItsFrames)
{
    FrameChoice choice(40, 7);
    EXPECT_EQ(choice.Result(), std::vector<int>{7});
    choice.SetMode(FrameChoice::kAll);
    EXPECT_EQ(choice.Result().size(), 40u);
    EXPECT_EQ(choice.Result().back(), 39);
    choice.SetMode(FrameChoice::kRange);
    choice.LeaveFrom(3);
    choice.LeaveTo(6);
    EXPECT_EQ(choice.Result(), (std::vector<int>{3, 4, 5, 6}));
    // An empty list chooses nothing.
    choice.SetMode(FrameChoice::kList);
    EXPECT_TRUE(choice.Result().empty());
}

TEST(FrameChoice, EditsAreHeldToTheirLimits)
{
    FrameChoice choice(40, 0);
    EXPECT_EQ(choice.SetCurrent(9999), 39);
    EXPECT_EQ(choice.SetCurrent(-5), 0);
    EXPECT_EQ(choice.To(), 39);
    // The end may stand one past the last frame (frame 0 of the next loop), no further.
    EXPECT_EQ(choice.LeaveTo(100), 40);
    EXPECT_EQ(choice.LeaveFrom(50), 40);
    EXPECT_EQ(choice.LeaveFrom(-3), 0);
    choice.LeaveFrom(20);
    EXPECT_EQ(choice.LeaveTo(10), 20);  // never before the start
    choice.SetMode(FrameChoice::kRange);
    EXPECT_EQ(choice.Result(), std::vector<int>{20});

    // Nor the start after the end: with the end at 10, a start of 30 is 10.
    FrameChoice range(40, 0);
    range.SetMode(FrameChoice::kRange);
    EXPECT_EQ(range.LeaveTo(10), 10);
    EXPECT_EQ(range.LeaveFrom(30), 10);
    EXPECT_EQ(range.Result(), std::vector<int>{10});
}

TEST(FrameChoice, ListStaysAscendingWithoutDuplicates)
{
    FrameChoice choice(40, 17);
    EXPECT_EQ(choice.AddCurrent(), 0);
    choice.SetCurrent(5);
    EXPECT_EQ(choice.AddCurrent(), 0);
    choice.SetCurrent(30);
    EXPECT_EQ(choice.AddCurrent(), 2);
    choice.SetCurrent(17);
    EXPECT_EQ(choice.AddCurrent(), -1);
    EXPECT_EQ(choice.List(), (std::vector<int>{5, 17, 30}));
    choice.RemoveAt(1);
    choice.RemoveAt(7);  // nothing there
    choice.SetMode(FrameChoice::kList);
    EXPECT_EQ(choice.Result(), (std::vector<int>{5, 30}));
}

TEST(FrameChoice, ParsesTheCommandLineList)
{
    EXPECT_EQ(ParseFrameList("all", 3), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(ParseFrameList("17 0 5,5", 20), (std::vector<int>{0, 5, 17}));
    EXPECT_THROW(ParseFrameList("20", 20), std::invalid_argument);
    EXPECT_THROW(ParseFrameList("-1", 20), std::invalid_argument);
    EXPECT_THROW(ParseFrameList("1 x", 20), std::invalid_argument);
    EXPECT_THROW(ParseFrameList("3.5", 20), std::invalid_argument);
    EXPECT_THROW(ParseFrameList(" , ", 20), std::invalid_argument);
}
