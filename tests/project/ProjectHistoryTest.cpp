// Undo and redo of a project: exact maps, pictures and strip states come back;
// the clean state follows saving; the history stays within its budget.

#include "animation/MapCompression.h"
#include "engine/ToolTable.h"
#include "project/ProjectHistory.h"
#include "project/ProjectTestSupport.h"
#include "support/MemoryUse.h"

#include <gtest/gtest.h>

#include <functional>

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
    void Stroke(int x0, int x1) { Stroke(project, x0, x1); }
    static void Stroke(Project& on, int x0, int x1)
    {
        const Project::StrokePoint points[] = {{x0, 100, 0}, {(x0 + x1) / 2, 100, 0}, {x1, 100, 0}};
        on.PerformStroke(points, false);
    }

    // Three keyframes that differ (the identity, a stroke, two strokes), the
    // second shown, saved as a.kib, and a project file of other deformations
    // beside it.
    void ThreeKeyframes(Project& p)
    {
        NewProject(p, folder);
        p.SelectKey(1);
        p.SelectTool(tools, 1019);
        Stroke(p, 100, 300);
        p.AddKey();
        Stroke(p, 50, 150);
        p.SelectKey(1);
        Project other;
        NewProject(other, folder, "other.bmp", 40, 20);
        other.SelectKey(1);
        other.SelectTool(tools, 1019);
        Stroke(other, 200, 380);
        other.SetActiveToolId(p.ActiveToolId(), p.ActiveToolStrength());
        ASSERT_TRUE(other.Save(folder.Path("deformations.kib")));
        p.SelectTool(tools, 1019);
        ASSERT_TRUE(p.Save(folder.Path("a.kib")));
    }

    Folder folder;
    Project project;
    RandomSource random{3};
    ToolTable tools{&random};
};

// A command of the strip, recorded as the window records it.
void StripCommand(Project& project, const std::function<void(KeyframeStore&)>& command)
{
    project.History().BeginDocumentEdit();
    command(project.Keys());
    project.History().EndDocumentEdit(QStringLiteral("Strip"));
}

// Every kind of edit the window makes, for a project made by ThreeKeyframes.
struct Edit {
    const char* name;
    std::function<void(Project&, const Folder&)> apply;
};

std::vector<Edit> EveryKindOfEdit()
{
    const auto strip = [](std::function<void(KeyframeStore&)> command) {
        return [command](Project& p, const Folder&) { StripCommand(p, command); };
    };
    return {
        {"stroke",
         [](Project& p, const Folder&) {
             const Project::StrokePoint points[] = {{150, 80, 0}, {260, 120, 0}};
             p.PerformStroke(points, false);
         }},
        {"power", [](Project& p, const Folder&) { p.ScaleShownMap(40, QStringLiteral("Power")); }},
        {"reset", [](Project& p, const Folder&) { p.ScaleShownMap(0, QStringLiteral("Reset")); }},
        {"new keyframe", strip([](KeyframeStore& k) { k.DoubleClickKey(k.Count()); })},
        {"repeat", strip([](KeyframeStore& k) { k.Repeat(2); })},
        {"delete", strip([](KeyframeStore& k) { k.Delete(0); })},
        {"move left", strip([](KeyframeStore& k) { k.MoveLeft(2); })},
        {"move right", strip([](KeyframeStore& k) { k.MoveRight(0); })},
        {"copy to screen", strip([](KeyframeStore& k) { k.CopyToScreen(2); })},
        {"copy from screen", strip([](KeyframeStore& k) { k.CopyFromScreen(0); })},
        {"duration", strip([](KeyframeStore& k) { k.SetDuration(2, 25); })},
        {"inserted picture",
         [](Project& p, const Folder& f) { ASSERT_TRUE(p.InsertPicture(f.Picture("tall.bmp", 20, 40))); }},
        {"loaded deformations",
         [](Project& p, const Folder& f) {
             ASSERT_EQ(p.LoadDeformations(f.Path("deformations.kib")), Project::DeformationResult::Applied);
         }},
    };
}

// What the packed maps and thumbnails of a document take.
size_t PackedDocumentBytes(const Project& project)
{
    size_t bytes = 0;
    for (int i = 0; i < project.Keys().Count(); ++i) {
        const CMMask& key = project.Keys().Key(i);
        bytes += PackBlock({reinterpret_cast<const uint8_t*>(key.Map().data()), key.Map().size() * 8}).size() +
                 PackBlock(key.Thumbnail()).size();
    }
    return bytes;
}

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
    EXPECT_TRUE(project.m_bModified);
    EXPECT_EQ(project.History().Count(), 1);
    // Only the touched rectangle is kept: far less than the 412 x 206 map.
    EXPECT_LT(project.History().Bytes(), size_t(412 * 206 * 8 / 4));

    project.History().Undo();
    EXPECT_EQ(Maps(project), saved);
    EXPECT_EQ(project.Picture().Display(), savedDisplay);
    EXPECT_FALSE(project.m_bModified);  // back at the saved state
    project.History().Redo();
    EXPECT_EQ(Maps(project), stroked);
    EXPECT_EQ(project.Picture().Display(), strokedDisplay);
    EXPECT_TRUE(project.m_bModified);
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

TEST_F(History, ThePhotographKeptForMagnifiedViewsIsCountedWithItsStep)
{
    ASSERT_TRUE(project.InsertPicture(folder.Picture("big.bmp", 1600, 1200)));
    ASSERT_NE(project.Work().Detail(), nullptr);
    const size_t before = project.History().Bytes();
    ASSERT_TRUE(project.InsertPicture(folder.Picture("small.bmp", 20, 40)));
    // The step keeps the 1600 x 1200 photograph the undo brings back.
    EXPECT_GE(project.History().Bytes() - before, size_t(1600) * 1200 * 3);
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
    EXPECT_FALSE(project.m_bModified);
    Stroke(250, 350);
    EXPECT_TRUE(project.m_bModified);
    project.History().Undo();  // back at the saved state
    EXPECT_FALSE(project.m_bModified);
    EXPECT_TRUE(project.History().IsClean());
    project.History().Undo();  // before the saved state
    EXPECT_TRUE(project.m_bModified);
    EXPECT_FALSE(project.History().IsClean());
    project.History().Redo();  // the saved state again
    EXPECT_FALSE(project.m_bModified);
    EXPECT_TRUE(project.History().IsClean());

    // Each project answers for itself: saving or editing another one (as the
    // command line does beside the window's) leaves this one's state alone.
    Stroke(120, 220);
    Project other;
    NewProject(other, folder, "other.bmp", 40, 20);
    ASSERT_TRUE(other.Save(folder.Path("other.kib")));
    EXPECT_TRUE(project.m_bModified);
    EXPECT_FALSE(other.m_bModified);
    project.History().Undo();
    EXPECT_FALSE(project.m_bModified);
    other.SelectKey(1);
    other.SelectTool(tools, 1019);
    Stroke(other, 100, 300);
    EXPECT_TRUE(other.m_bModified);
    EXPECT_FALSE(project.m_bModified);
}

// 60 keyframes through 100 strip commands and 100 strokes: what the history
// says it holds covers what the process allocated for it, and stays within
// its budget.
TEST_F(History, ItsAccountingCoversWhatItHoldsAndStaysWithinTheBudget)
{
    // A strip tall enough for the brush to act: the keyframes differ.
    constexpr int kWidth = 412, kHeight = 100;
    Project strip;
    NewProject(strip, folder, "strip.bmp", kWidth, kHeight);
    strip.SelectTool(tools, 1019);
    while (strip.Keys().Count() < 60)
        strip.AddKey();
    KeyframeStore& keys = strip.Keys();
    ASSERT_EQ(keys.Key(0).Map().size(), size_t(kWidth * kHeight));
    constexpr size_t kBudget = size_t(4) << 20;
    strip.History().SetBudget(kBudget);

    const size_t heapBefore = testsupport::HeapInUse();
    for (int i = 0; i < 100; ++i) {
        const int k = 1 + i % 58;
        strip.SelectKey(k);
        const Project::StrokePoint points[] = {{20 + 3 * i, 45, 0}, {60 + 3 * i, 55, 0}};
        const int steps = strip.History().Count();
        strip.PerformStroke(points, false);
        ASSERT_EQ(strip.History().Count(), steps + 1);
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
    const size_t slack = (size_t(1) << 20) + 2 * kWidth * kHeight * sizeof(Displacement);
    EXPECT_LE(held, history.Bytes() + slack) << "the history counts " << history.Bytes() << " bytes";
    // ... and it counts no more than that: a block several steps share counts once.
    EXPECT_LE(history.Bytes(), held + slack) << "the process holds " << held << " bytes";
}

TEST_F(History, EveryKindOfEditIsAStepAndTheProjectIsModifiedUntilItIsUndone)
{
    for (const Edit& edit : EveryKindOfEdit()) {
        SCOPED_TRACE(edit.name);
        Project p;
        ThreeKeyframes(p);
        EXPECT_FALSE(p.m_bModified);
        const int steps = p.History().Count();
        const auto saved = Maps(p);

        edit.apply(p, folder);
        EXPECT_EQ(p.History().Count(), steps + 1);
        EXPECT_TRUE(p.m_bModified);
        p.History().Undo();
        EXPECT_FALSE(p.m_bModified);
        EXPECT_EQ(Maps(p), saved);
        p.History().Redo();
        EXPECT_TRUE(p.m_bModified);
        // Saved with the edit: undoing it now is a change again.
        ASSERT_TRUE(p.Save(folder.Path("b.kib")));
        EXPECT_FALSE(p.m_bModified);
        p.History().Undo();
        EXPECT_TRUE(p.m_bModified);
        p.History().Redo();
        EXPECT_FALSE(p.m_bModified);
    }
}

TEST_F(History, UndoingEveryEditGivesBackTheDocumentAsOpenedAndNothingToSave)
{
    Project p;
    ThreeKeyframes(p);
    const std::vector<uint8_t> opened = ReadBytes(folder.Path("a.kib"));
    p.Load(folder.Path("a.kib"));
    for (const Edit& edit : EveryKindOfEdit()) {
        edit.apply(p, folder);
        EXPECT_TRUE(p.m_bModified) << edit.name;
    }
    while (p.History().CanUndo())
        p.History().Undo();
    EXPECT_FALSE(p.m_bModified);
    // Not modified means so: saving now writes the file as it was opened.
    ASSERT_TRUE(p.Save(folder.Path("again.kib")));
    EXPECT_EQ(ReadBytes(folder.Path("again.kib")), opened);
    while (p.History().CanRedo()) {
        p.History().Redo();
        EXPECT_TRUE(p.m_bModified);
    }
}

TEST_F(History, AnEditThatChangesNothingIsNoStepAndNoChange)
{
    Project p;
    ThreeKeyframes(p);
    const int steps = p.History().Count();
    p.ScaleShownMap(64, QStringLiteral("Power"));
    StripCommand(p, [](KeyframeStore& k) { k.Activate(0); });
    StripCommand(p, [](KeyframeStore& k) { k.SetDuration(2, k.Key(2).Duration()); });
    ASSERT_TRUE(p.InsertPicture(p.Work().Path()));  // the picture it already shows
    p.SelectTool(tools, 1019, 0);                   // a brush without strength
    Stroke(p, 100, 300);
    EXPECT_EQ(p.History().Count(), steps);
    EXPECT_FALSE(p.m_bModified);
}

// A strip command keeps the keyframes it did not change once, shared with the
// steps before it, instead of packing the whole document before and after.
TEST_F(History, StripCommandsShareTheKeyframesTheyDidNotChange)
{
    Project strip;
    NewProject(strip, folder, "strip.bmp", 412, 100);
    strip.SelectTool(tools, 1019);
    while (strip.Keys().Count() < 20) {
        strip.AddKey();
        const int x = 20 * strip.Keys().Count();
        const Project::StrokePoint points[] = {{x, 40, 0}, {x + 30, 60, 0}};
        strip.PerformStroke(points, false);
    }
    strip.SelectKey(5);
    strip.History().Clear();
    const size_t document = PackedDocumentBytes(strip);

    StripCommand(strip, [](KeyframeStore& k) { k.MoveRight(12); });
    const size_t one = strip.History().Bytes();
    EXPECT_LT(one, document + document / 2);  // not the document twice
    StripCommand(strip, [](KeyframeStore& k) { k.MoveLeft(13); });
    StripCommand(strip, [](KeyframeStore& k) { k.SetDuration(3, 4); });
    EXPECT_LT(strip.History().Bytes() - one, document / 10);

    // Undoing them brings back exactly what they changed.
    const auto after = Maps(strip);
    strip.History().Undo();
    strip.History().Undo();
    EXPECT_EQ(strip.Keys().Key(3).Duration(), 10);
    strip.History().Undo();
    strip.History().Redo();
    strip.History().Redo();
    strip.History().Redo();
    EXPECT_EQ(Maps(strip), after);
    EXPECT_EQ(strip.Keys().Key(3).Duration(), 4);
}

// The work picture writes the map it shows through a reference of its own: a
// change made that way after a step was recorded must not be taken for the
// packed form that step holds.
TEST_F(History, AMapChangedThroughTheWorkPictureIsPackedAgain)
{
    Stroke(100, 300);
    StripCommand(project, [](KeyframeStore& k) { k.SetDuration(0, 5); });
    project.Picture().ScaleMap(32);  // unrecorded, as a power preview baked in by hand
    const auto scaled = Maps(project);
    StripCommand(project, [](KeyframeStore& k) { k.SetDuration(0, 6); });
    project.History().Undo();
    EXPECT_EQ(Maps(project), scaled);
    EXPECT_EQ(project.Keys().Key(0).Duration(), 5);
    project.History().Redo();
    EXPECT_EQ(Maps(project), scaled);
}
