// The tool table's ids, sizes and defaults, the cursor kinds each kind of tool
// sets, and strokes with the extreme inputs a project file or a script can hold.
#include "engine/GlobalTools.h"
#include "engine/LocalTools.h"
#include "engine/ToolTable.h"
#include "engine/WorkPicture.h"

#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <set>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

struct BrushClass {
    const std::type_info* type;
    int command[3];
    int bitmap[3];
    int strength;
    bool repeat;
};

const BrushClass kBrushes[] = {
    {&typeid(CTool_ZoomIn), {1019, 1020, 1021}, {293, 294, 295}, 64, true},
    {&typeid(CTool_ZoomInV), {1047, 1048, 1049}, {297, 299, 296}, 64, true},
    {&typeid(CTool_ZoomInH), {1050, 1051, 1052}, {301, 298, 300}, 64, true},
    {&typeid(CTool_ZoomOut), {1022, 1023, 1024}, {334, 329, 332}, 64, true},
    {&typeid(CTool_ZoomOutV), {1053, 1054, 1055}, {328, 331, 326}, 64, true},
    {&typeid(CTool_ZoomOutH), {1056, 1057, 1058}, {327, 330, 333}, 64, true},
    {&typeid(CTool_Zoom), {1025, 1026, 1027}, {302, 303, 304}, 64, false},
    {&typeid(CTool_Rotate), {1031, 1032, 1033}, {307, 306, 305}, 64, true},
    {&typeid(CTool_Move), {1037, 1038, 1039}, {310, 309, 308}, 42, false},
    {&typeid(CTool_Undo), {1034, 1035, 1036}, {325, 324, 323}, 64, true},
    {&typeid(CTool_Smooth), {1028, 1029, 1030}, {322, 321, 320}, 64, true},
    {&typeid(CTool_Collapse), {1069, 1070, 1071}, {274, 273, 272}, 64, true},
    {&typeid(CTool_Pinch), {1075, 1079, 1086}, {280, 279, 278}, 64, true},
    {&typeid(CTool_Explosion), {1072, 1073, 1076}, {277, 276, 275}, 64, true},
    {&typeid(CTool_Punch), {1089, 1093, 1096}, {283, 282, 281}, 64, true},
};

struct GlobalRow {
    int command;
    int bitmap;
};
const GlobalRow kGlobals[] = {{1090, 346}, {1105, 292}, {1094, 289}, {1097, 291}, {1100, 290},
                              {1099, 286}, {1102, 284}, {1121, 285}, {1109, 287}, {1122, 288}};

// Records every cursor change in order: a kind, or -1 for a refresh.
class RecordingCursor : public ToolCursor {
public:
    void SetCursorKind(int kind) override { calls.push_back(kind); }
    void RefreshCursor() override { calls.push_back(-1); }
    std::vector<int> Take() { return std::exchange(calls, {}); }
    std::vector<int> calls;
};

}  // namespace

TEST(ToolTable, EveryBrushHasItsIdsSizesAndDefaults)
{
    ToolTable table;
    EXPECT_EQ(table.Size(), 55u);
    const int percents[3] = {6, 12, 25};
    for (const BrushClass& c : kBrushes) {
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(c.command[i]);
            const CTool* tool = table.Find(c.command[i]);
            ASSERT_NE(tool, nullptr);
            EXPECT_EQ(typeid(*tool), *c.type);
            EXPECT_TRUE(tool->IsLocal());
            EXPECT_FALSE(tool->IsGlobal());
            EXPECT_EQ(tool->CommandId(), c.command[i]);
            EXPECT_EQ(tool->BitmapId(), c.bitmap[i]);
            EXPECT_EQ(tool->SizePercent(), percents[i]);
            EXPECT_EQ(tool->Strength(), c.strength);
            EXPECT_EQ(tool->Repeats(), c.repeat);
            EXPECT_EQ(tool->TurnSign(), 1);
            EXPECT_EQ(tool->LastX(), kNoPoint);
            EXPECT_EQ(tool->LastY(), kNoPoint);
        }
    }
}

TEST(ToolTable, EveryWholePictureToolHasItsIdsAndDefaults)
{
    ToolTable table;
    std::set<int> bitmaps;
    for (const GlobalRow& g : kGlobals) {
        SCOPED_TRACE(g.command);
        const CTool* tool = table.Find(g.command);
        ASSERT_NE(tool, nullptr);
        EXPECT_TRUE(tool->IsGlobal());
        EXPECT_FALSE(tool->IsLocal());
        EXPECT_EQ(tool->BitmapId(), g.bitmap);
        EXPECT_EQ(tool->SizePercent(), 0);
        EXPECT_EQ(tool->Strength(), 64);
        EXPECT_TRUE(tool->Repeats());
        bitmaps.insert(g.bitmap);
    }
    // Every one of the 55 tools has its own picture, all within 272..346.
    for (const BrushClass& c : kBrushes)
        for (int b : c.bitmap)
            bitmaps.insert(b);
    EXPECT_EQ(bitmaps.size(), 55u);
    EXPECT_EQ(*bitmaps.begin(), 272);
    EXPECT_EQ(*bitmaps.rbegin(), 346);
    EXPECT_EQ(table.Find(1000), nullptr);
}

TEST(ToolCursorKinds, BrushesHideTheCursorAndWholePictureToolsShowBusyWhileBuilding)
{
    RecordingCursor cursor;
    ToolTable table(nullptr, &cursor);
    CTool& brush = *table.Find(1020);
    brush.SetPictureSize(40, 30);
    brush.Activate();
    EXPECT_EQ(cursor.Take(), (std::vector<int>{kCursorNone, -1}));
    brush.Prepare(10, 10, 40, 30);
    brush.EndStroke();
    EXPECT_TRUE(cursor.Take().empty());

    auto& global = dynamic_cast<CToolGlobal&>(*table.Find(1105));
    global.SetPictureSize(40, 30);
    global.Activate();
    EXPECT_EQ(cursor.Take(), (std::vector<int>{kCursorTool, -1}));
    global.Prepare(10, 10, 40, 30);
    std::vector<int> calls = cursor.Take();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], kCursorBusy);  // set before the field is built
    EXPECT_EQ(calls[1], -1);
    DisplacementMap map(40, 30);
    std::vector<Displacement> scratch = global.CreateScratch();
    ASSERT_TRUE(GlobalStep(global, map.Ref(), scratch, 40, 30));
    EXPECT_EQ(cursor.Take(), (std::vector<int>{kCursorTool, -1}));
    global.EndStroke();
    EXPECT_EQ(cursor.Take(), (std::vector<int>{kCursorTool, -1}));
    EXPECT_TRUE(global.Field().empty());
    EXPECT_EQ(global.LastX(), kNoPoint);
}

TEST(ExtremeInputs, StoredValuesAtThe32BitLimitsNeverOverflow)
{
    // A project file may hold any 32-bit values; every tool and both renderers
    // must work through them (the sanitizers check the arithmetic).
    const int W = 64, H = 48;
    RandomSource random(9);
    ToolTable table(&random);
    for (int id : table.CommandIds()) {
        SCOPED_TRACE(id);
        DisplacementMap map(W, H);
        for (size_t i = 0; i < map.Count(); ++i)
            map.Data()[i] = (i % 3 == 0) ? Displacement{INT32_MAX, INT32_MIN} : Displacement{INT32_MIN, INT32_MAX};
        WorkPicture work;
        work.SetPicture(testpics::Noise(W, H, 5));
        work.AttachMap(map.Ref());
        CTool* tool = table.Find(id);
        tool->SetPictureSize(W, H);
        work.SetActiveTool(tool);
        work.ButtonDown(30, 20, false);
        work.MouseMove(34, 25);
        work.TimerTick(34, 25);
        work.ButtonUp(false);
        EXPECT_TRUE(work.RenderMap(64, true));
        EXPECT_TRUE(work.RenderMap(64, false));
        work.ScaleMap(37);
    }
}

TEST(ExtremeInputs, StrokesAtAnyCoordinateAreSafe)
{
    // A scripted stroke may name any integer position; a brush far outside the
    // picture changes nothing, and a click there still builds a sound field.
    const int W = 50, H = 40;
    const int points[][2] = {
        {INT_MAX, INT_MAX}, {INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MIN + 1, 7}, {-100000, 5}};
    RandomSource random(3);
    ToolTable table(&random);
    for (int id : table.CommandIds()) {
        SCOPED_TRACE(id);
        CTool* tool = table.Find(id);
        for (const auto& p : points) {
            DisplacementMap map = testpics::RandomMap(W, H, 200, 1);
            const DisplacementMap before = map;
            WorkPicture work;
            work.SetPicture(testpics::Gradient(W, H));
            work.AttachMap(map.Ref());
            tool->SetPictureSize(W, H);
            work.SetActiveTool(tool);
            work.ButtonDown(p[0], p[1], true);
            work.MouseMove(p[0], p[1]);
            work.TimerTick(p[0] / 2, p[1] / 2);
            work.ButtonUp(true);
            EXPECT_EQ(tool->TurnSign(), 1);
            if (tool->IsLocal()) {
                EXPECT_EQ(map, before);
            }
        }
    }
}
