// Strokes with a free brush size, pen pressure and the reverse modifier, on a
// project's active keyframe.

#include "project/ProjectTestSupport.h"

using namespace projecttest;

namespace {

using Point = Project::StrokePoint;

// The active keyframe's map after one stroke of `tool` through `points` on a new project.
std::vector<Displacement> StrokeMap(int tool, std::span<const Point> points, const Project::StrokeOptions& options,
                                    int* activeAfter = nullptr, int strength = 40)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "wide.bmp", 412, 206);
    RandomSource random(11);
    ToolTable tools(&random);
    project.SelectKey(1);
    project.SelectTool(tools, tool, strength);
    project.PerformStroke(tools, points, options);
    if (activeAfter)
        *activeAfter = project.Picture().ActiveTool()->CommandId();
    EXPECT_EQ(project.ActiveToolId(), tool);
    EXPECT_EQ(tools.Find(tool)->Pressure(), kFullPressure);  // the mouse again after the stroke
    EXPECT_EQ(tools.Find(ReversedTool(tool).command)->Strength(), ReversedTool(tool).command == tool ? strength : 64);
    return project.Keys().Key(1).Map();
}

const Point kPath[] = {{150, 100, 2}, {170, 90, 1}, {190, 120, 3}};

Project::StrokeOptions Reversed(bool right = false)
{
    Project::StrokeOptions options;
    options.reverse = true;
    options.rightButton = right;
    return options;
}

}  // namespace

TEST(ProjectStroke, ReverseSwapsPartnersAndTurnsRotateBack)
{
    int active = 0;
    // The medium enlarging brush reversed is the medium shrinking brush, at the
    // same strength; the work picture's tool is the enlarging one again afterwards.
    EXPECT_EQ(StrokeMap(1020, kPath, Reversed(), &active), StrokeMap(1023, kPath, {}));
    EXPECT_EQ(active, 1020);
    EXPECT_EQ(StrokeMap(1093, kPath, Reversed()), StrokeMap(1079, kPath, {}));  // punch -> pinch

    Project::StrokeOptions right;
    right.rightButton = true;
    const std::vector<Displacement> plain = StrokeMap(1032, kPath, {});
    EXPECT_EQ(StrokeMap(1032, kPath, Reversed()), StrokeMap(1032, kPath, right));
    EXPECT_NE(StrokeMap(1032, kPath, Reversed()), plain);
    EXPECT_EQ(StrokeMap(1032, kPath, Reversed(true)), plain);
    // Tools without a partner are unchanged.
    EXPECT_EQ(StrokeMap(1029, kPath, Reversed()), StrokeMap(1029, kPath, {}));
}

TEST(ProjectStroke, RadiusAndPressureReachTheSteps)
{
    // 12 % of 206 is 24: the small brush at radius 24 is the medium brush.
    Project::StrokeOptions sized;
    sized.radius = 24;
    EXPECT_EQ(StrokeMap(1019, kPath, sized), StrokeMap(1020, kPath, {}));
    EXPECT_NE(StrokeMap(1019, kPath, {}), StrokeMap(1020, kPath, {}));

    // Strength 40 at pressure 32 is strength 20 at every step.
    const Point pressed[] = {{150, 100, 2, 32}, {170, 90, 1, 32}, {190, 120, 3, 32}};
    EXPECT_EQ(StrokeMap(1020, pressed, {}), StrokeMap(1020, kPath, {}, nullptr, 20));

    // With the size chosen, half pressure also halves the radius.
    Project::StrokeOptions pressureSize;
    pressureSize.pressureSize = true;
    EXPECT_NE(StrokeMap(1020, pressed, pressureSize), StrokeMap(1020, pressed, {}));
    EXPECT_EQ(StrokeMap(1020, kPath, pressureSize), StrokeMap(1020, kPath, {}));  // full pressure: no change
}
