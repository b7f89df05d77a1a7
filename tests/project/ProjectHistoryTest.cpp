// Undo and redo of a project: exact maps, pictures and strip states come back;
// the clean state follows saving; the history stays within its budget.

#include "app/AppState.h"
#include "engine/ToolTable.h"
#include "project/ProjectHistory.h"
#include "project/ProjectTestSupport.h"
#include "support/MemoryUse.h"

#include <gtest/gtest.h>

using namespace projecttest;

namespace {

class History : public ::testing::Test {
protected:
    void SetUp() override
    {
        NewProject(project, folder);
        project.SelectKey(1);
        project.SelectTool(tools, 1019);  // the largest enlarging brush
    }

    // A drag across part of the picture.
    void Stroke(int x0, int x1)
    {
        const Project::StrokePoint points[] = {{x0, 100, 0}, {(x0 + x1) / 2, 100, 0}, {x1, 100, 0}};
        project.PerformStroke(points, false);
    }

    Folder folder;
    Project project;
    RandomSource random{3};
    ToolTable tools{&random};
};

}  // namespace

TEST(ChangedMapRect, BoundsEveryDifferenceAndOnlyThem)
{
    // 5 x 4 maps differing at (1, 1) and (3, 2): columns 1..3, rows 1..2.
    std::vector<Displacement> a(20), b(20);
    b[1 * 5 + 1] = {1, 0};
    b[2 * 5 + 3] = {0, -1};
    const MapRect rect = ChangedMapRect(a.data(), b.data(), 5, 4);
    EXPECT_EQ(rect.left, 1);
    EXPECT_EQ(rect.top, 1);
    EXPECT_EQ(rect.right, 4);
    EXPECT_EQ(rect.bottom, 3);
    EXPECT_TRUE(ChangedMapRect(a.data(), a.data(), 5, 4).Empty());
    b[19] = {0, 1};  // the last element widens it to the corner
    const MapRect corner = ChangedMapRect(a.data(), b.data(), 5, 4);
    EXPECT_EQ(corner.right, 5);
    EXPECT_EQ(corner.bottom, 4);
}

TEST_F(History, AStrokeIsOneStepRestoringTheExactMapAndPicture)
{
    ASSERT_TRUE(project.Save(folder.Path("a.kib")));
    const auto saved = Maps(project);
    const PackedPicture savedDisplay = project.Picture().Display();
    EXPECT_FALSE(project.History().CanUndo());

    Stroke(100, 300);
    const auto stroked = Maps(project);
    const PackedPicture strokedDisplay = project.Picture().Display();
    ASSERT_NE(stroked, saved);
    EXPECT_TRUE(App().m_bModified);
    EXPECT_EQ(project.History().Count(), 1);
    // Only the touched rectangle is kept: far less than the 412 x 206 map.
    EXPECT_LT(project.History().Bytes(), size_t(412 * 206 * 8 / 4));

    project.History().Undo();
    EXPECT_EQ(Maps(project), saved);
    EXPECT_EQ(project.Picture().Display(), savedDisplay);
    EXPECT_FALSE(App().m_bModified);  // back at the saved state
    project.History().Redo();
    EXPECT_EQ(Maps(project), stroked);
    EXPECT_EQ(project.Picture().Display(), strokedDisplay);
    EXPECT_TRUE(App().m_bModified);
}

TEST_F(History, ANewChangeDropsWhatCouldBeRedone)
{
    Stroke(100, 200);
    Stroke(250, 350);
    project.History().Undo();
    EXPECT_TRUE(project.History().CanRedo());
    Stroke(50, 60);
    EXPECT_FALSE(project.History().CanRedo());
    EXPECT_EQ(project.History().Count(), 2);
    project.History().Undo();
    project.History().Undo();
    EXPECT_EQ(Maps(project), std::vector<std::vector<Displacement>>(2, std::vector<Displacement>(412 * 206)));
}

TEST_F(History, StripCommandsAndInsertedPicturesAreUndone)
{
    Stroke(100, 300);
    const auto before = Maps(project);
    KeyframeStore& keys = project.Keys();

    project.History().BeginDocumentEdit();
    keys.Repeat(1);
    project.History().EndDocumentEdit(QStringLiteral("Repeat"));
    project.History().BeginDocumentEdit();
    keys.Delete(0);
    project.History().EndDocumentEdit(QStringLiteral("Delete"));
    const auto after = Maps(project);
    const int selected = keys.Selected();

    project.History().Undo();
    project.History().Undo();
    EXPECT_EQ(Maps(project), before);
    EXPECT_EQ(keys.Selected(), 1);
    EXPECT_EQ(project.Picture().Map().data, keys.Key(keys.Active()).Map().data());
    project.History().Redo();
    project.History().Redo();
    EXPECT_EQ(Maps(project), after);
    EXPECT_EQ(keys.Selected(), selected);

    const std::string original = project.Work().Path();
    const PackedPicture source = project.Picture().Source();
    ASSERT_TRUE(project.InsertPicture(folder.Picture("other.bmp", 20, 40)));
    EXPECT_EQ(project.Picture().Width(), 206);
    project.History().Undo();
    EXPECT_EQ(project.Work().Path(), original);
    EXPECT_EQ(project.Picture().Source(), source);
    EXPECT_EQ(Maps(project), after);
    EXPECT_EQ(project.Picture().Width(), 412);

    // A failed insert records nothing and leaves no edit open.
    const int count = project.History().Count();
    WriteBytes(folder.Path("broken.png"), {1, 2, 3});
    EXPECT_THROW(project.InsertPicture(folder.Path("broken.png")), FileError);
    EXPECT_EQ(project.History().Count(), count);
    EXPECT_FALSE(project.History().Recording());
}

TEST_F(History, TheOldestStepsGoWhenTheBudgetIsExceeded)
{
    ProjectHistory small(project, 1);  // not the project's: only its bookkeeping is tested
    for (int i = 0; i < 3; ++i) {
        small.BeginMapEdit();
        Stroke(50 + 100 * i, 100 + 100 * i);
        small.EndMapEdit(QStringLiteral("Stroke"));
    }
    // Everything but the newest step gave up its contents.
    EXPECT_EQ(small.Count(), 3);
    small.Undo();
    EXPECT_FALSE(small.CanUndo());
    EXPECT_TRUE(small.CanRedo());
}

TEST_F(History, OpeningAnotherProjectEmptiesTheHistory)
{
    Stroke(100, 300);
    ASSERT_TRUE(project.Save(folder.Path("a.kib")));
    Stroke(100, 300);
    project.Load(folder.Path("a.kib"));
    EXPECT_FALSE(project.History().CanUndo());
    EXPECT_FALSE(project.History().CanRedo());
    Stroke(10, 20);
    project.NewFromPicture(folder.Picture("b.bmp", 30, 30));
    EXPECT_EQ(project.History().Count(), 0);
}

TEST_F(History, ACommandThatChangedNoKeyframeLeavesNoStep)
{
    Stroke(100, 300);
    const int count = project.History().Count();
    // A cancelled duration dialog or activating another keyframe: only indexes move.
    project.History().BeginDocumentEdit();
    project.Keys().SetSelected(0);
    project.History().EndDocumentEdit(QStringLiteral("Duration"));
    EXPECT_EQ(project.History().Count(), count);
    // A new duration is a change.
    project.History().BeginDocumentEdit();
    project.Keys().SetDuration(1, project.Keys().Key(1).Duration() + 3);
    project.History().EndDocumentEdit(QStringLiteral("Duration"));
    EXPECT_EQ(project.History().Count(), count + 1);
}

TEST_F(History, TheProjectPathFollowsOpeningAndSaving)
{
    EXPECT_TRUE(project.ProjectPath().empty());
    Stroke(100, 300);
    ASSERT_TRUE(project.Save(folder.Path("a.kib")));
    EXPECT_EQ(project.ProjectPath(), folder.Path("a.kib"));
    project.NewFromPicture(folder.Picture("b.bmp", 30, 30));
    EXPECT_TRUE(project.ProjectPath().empty());
    project.Load(folder.Path("a.kib"));
    EXPECT_EQ(project.ProjectPath(), folder.Path("a.kib"));
}

TEST_F(History, TheSameStrokeAfterAnUndoHoldsWhatTheFirstOneHeld)
{
    Stroke(100, 300);
    const size_t afterFirst = project.History().Bytes();
    ASSERT_GT(afterFirst, 0u);
    project.History().Undo();
    // The step that could be redone is dropped by the new stroke, and counted once.
    Stroke(100, 300);
    EXPECT_EQ(project.History().Bytes(), afterFirst);
    EXPECT_EQ(project.History().Count(), 1);
}

TEST_F(History, ModifiedFollowsTheSavedStateThroughUndoAndRedo)
{
    Stroke(100, 200);
    ASSERT_TRUE(project.Save(folder.Path("a.kib")));
    EXPECT_FALSE(App().m_bModified);
    Stroke(250, 350);
    EXPECT_TRUE(App().m_bModified);
    project.History().Undo();  // back at the saved state
    EXPECT_FALSE(App().m_bModified);
    EXPECT_TRUE(project.History().IsClean());
    project.History().Undo();  // before the saved state
    EXPECT_TRUE(App().m_bModified);
    EXPECT_FALSE(project.History().IsClean());
    project.History().Redo();  // the saved state again
    EXPECT_FALSE(App().m_bModified);
    EXPECT_TRUE(project.History().IsClean());
}

// 60 keyframes through 100 strip commands and 100 strokes: what the history
// says it holds covers what the process allocated for it, and stays within
// its budget.
TEST_F(History, ItsAccountingCoversWhatItHoldsAndStaysWithinTheBudget)
{
    Project strip;
    NewProject(strip, folder, "strip.bmp", 412, 20);
    strip.SelectTool(tools, 1019);
    while (strip.Keys().Count() < 60)
        strip.AddKey();
    KeyframeStore& keys = strip.Keys();
    ASSERT_EQ(keys.Key(0).Map().size(), size_t(412 * 20));
    constexpr size_t kBudget = size_t(4) << 20;
    strip.History().SetBudget(kBudget);

    const size_t heapBefore = testsupport::HeapInUse();
    for (int i = 0; i < 100; ++i) {
        const int k = 1 + i % 58;
        strip.SelectKey(k);
        const Project::StrokePoint points[] = {{20 + 3 * i, 10, 0}, {60 + 3 * i, 12, 0}};
        strip.PerformStroke(points, false);
        strip.History().BeginDocumentEdit();
        switch (i % 4) {
        case 0: keys.MoveRight(k); break;
        case 1: keys.MoveLeft(k); break;
        case 2: keys.Repeat(k); break;
        default: keys.Delete(k); break;
        }
        strip.History().EndDocumentEdit(QStringLiteral("Strip"));
    }
    const size_t held = testsupport::HeapInUse() - heapBefore;

    const ProjectHistory& history = strip.History();
    EXPECT_TRUE(history.CanUndo());
    EXPECT_LE(history.Bytes(), kBudget);
    // What the document itself gained (at most one keyframe) and small
    // bookkeeping the steps do not count.
    const size_t slack = (size_t(1) << 20) + 2 * 412 * 20 * sizeof(Displacement);
    EXPECT_LE(held, history.Bytes() + slack) << "the history counts " << history.Bytes() << " bytes";
}
