// The project's freeze mask: what the tools do under it, its undo steps, its
// section of the project file and reconstruct.

#include "animation/MapCompression.h"
#include "engine/ToolTable.h"
#include "io/Archive.h"
#include "project/ProjectTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace projecttest;

namespace {

class Masked : public ::testing::Test {
protected:
    void SetUp() override
    {
        NewProject(project, folder);  // 412 x 206
        project.SelectKey(1);
        project.SelectTool(tools, 1019);
    }

    void Stroke(Project& on, int x0, int x1)
    {
        const Project::StrokePoint points[] = {{x0, 100, 0}, {(x0 + x1) / 2, 100, 0}, {x1, 100, 0}};
        on.PerformStroke(points, false);
    }
    // Freezes the left half of the picture outright.
    void FreezeLeftHalf(Project& on)
    {
        FreezeMask mask(412, 206);
        for (int y = 0; y < 206; ++y)
            for (int x = 0; x < 206; ++x)
                mask.At(x, y) = 64;
        on.SetMask(mask);
    }
    std::vector<uint8_t> Saved(Project& on, const std::string& name)
    {
        EXPECT_TRUE(on.Save(folder.Path(name)));
        return ReadBytes(folder.Path(name));
    }

    Folder folder;
    Project project;
    RandomSource random{3};
    ToolTable tools{&random};
};

void PutInt32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

// A section of the file: tag, length, payload.
std::vector<uint8_t> Section(const char* tag, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> out(tag, tag + 4);
    PutInt32(out, uint32_t(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::vector<uint8_t> MaskPayload(int w, int h, const std::vector<uint8_t>& values)
{
    std::vector<uint8_t> out;
    PutInt32(out, uint32_t(w));
    PutInt32(out, uint32_t(h));
    const std::vector<uint8_t> packed = PackBlock(values);
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
}

std::vector<uint8_t> Joined(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST_F(Masked, ToolsDoNotMoveFrozenElementsAndUndoRestoresTheMask)
{
    FreezeLeftHalf(project);
    ASSERT_TRUE(project.HasMask());
    EXPECT_EQ(project.History().UndoText(), QStringLiteral("Set mask"));
    const std::vector<Displacement> before = project.Keys().Key(1).Map();
    Stroke(project, 120, 300);  // the brush's disc spans both halves
    const std::vector<Displacement>& after = project.Keys().Key(1).Map();
    int changedLeft = 0, changedRight = 0;
    for (int y = 0; y < 206; ++y)
        for (int x = 0; x < 412; ++x) {
            const size_t i = size_t(y) * 412 + size_t(x);
            (x < 206 ? changedLeft : changedRight) += before[i] != after[i] ? 1 : 0;
        }
    EXPECT_EQ(changedLeft, 0);
    EXPECT_GT(changedRight, 100);

    project.History().Undo();  // the stroke
    project.History().Undo();  // the mask
    EXPECT_FALSE(project.HasMask());
    EXPECT_TRUE(project.Mask().Empty());
    project.History().Redo();
    EXPECT_TRUE(project.HasMask());
    EXPECT_EQ(project.Mask().At(10, 10), 64);
    project.ClearMask();
    EXPECT_FALSE(project.HasMask());
    project.History().Undo();
    EXPECT_EQ(project.Mask().At(205, 205), 64);
    EXPECT_EQ(project.Mask().At(206, 0), 0);
}

TEST_F(Masked, AMaskStrokeIsOneStepAndPaintingItClearAgainLeavesNoMask)
{
    const Project::MaskPoint points[] = {{50, 50}, {90, 60}, {120, 60}};
    const int steps = project.History().Count();
    project.PerformMaskStroke(points, MaskBrush{10, 64, false});
    EXPECT_EQ(project.History().Count(), steps + 1);
    EXPECT_EQ(project.Mask().Width(), 412);
    EXPECT_EQ(project.Mask().At(50, 50), 64);
    EXPECT_EQ(project.Mask().At(120, 60), 64);
    EXPECT_EQ(project.Mask().At(300, 60), 0);
    // The window's calls: a rectangle of what changed at each.
    const Rect first = project.BeginMaskStroke(MaskBrush{10, 64, true}, 50, 50);
    EXPECT_EQ(first, (Rect{40, 40, 61, 61}));
    project.ContinueMaskStroke(MaskBrush{10, 64, true}, 90, 60);
    project.ContinueMaskStroke(MaskBrush{10, 64, true}, 120, 60);
    project.EndMaskStroke();
    EXPECT_EQ(project.History().Count(), steps + 2);
    EXPECT_FALSE(project.HasMask());
    EXPECT_TRUE(project.Mask().Empty());
    // A stroke that changes nothing is no step.
    project.PerformMaskStroke(points, MaskBrush{10, 0, false});
    EXPECT_EQ(project.History().Count(), steps + 2);
    project.History().Undo();
    EXPECT_EQ(project.Mask().At(50, 50), 64);
}

TEST_F(Masked, InsertingAPictureResamplesTheMaskAndLoadingDeformationsKeepsIt)
{
    FreezeLeftHalf(project);
    Project other;
    NewProject(other, folder, "other.bmp", 40, 20);
    other.SelectKey(1);
    other.SelectTool(tools, 1019);
    Stroke(other, 200, 380);
    other.SetMask(FreezeMask(412, 206, std::vector<uint8_t>(size_t(412) * 206, 30)));  // not taken
    ASSERT_TRUE(other.Save(folder.Path("deformations.kib")));

    ASSERT_EQ(project.LoadDeformations(folder.Path("deformations.kib")), Project::DeformationResult::Applied);
    EXPECT_EQ(project.Mask().At(10, 10), 64);
    EXPECT_EQ(project.Mask().At(300, 10), 0);
    EXPECT_EQ(project.Picture().Mask(), &project.Mask());

    ASSERT_TRUE(project.InsertPicture(folder.Picture("tall.bmp", 20, 40)));
    ASSERT_EQ(project.Picture().Width(), 206);
    EXPECT_EQ(project.Mask().Width(), 206);
    EXPECT_EQ(project.Mask().Height(), 412);
    EXPECT_EQ(project.Mask().At(102, 0), 64);  // 102 * 412 / 206 = 204
    EXPECT_EQ(project.Mask().At(103, 0), 0);   // 206
    project.History().Undo();
    EXPECT_EQ(project.Mask().Width(), 412);
    EXPECT_EQ(project.Mask().At(205, 0), 64);
    EXPECT_EQ(project.Picture().Mask(), &project.Mask());
    // The history counts what a document step keeps of the mask: the same
    // insertion without a mask holds two masks' bytes less.
    const auto insertionBytes = [&](bool masked) {
        Project fresh;
        NewProject(fresh, folder);
        if (masked)
            FreezeLeftHalf(fresh);
        const size_t before = fresh.History().Bytes();
        EXPECT_TRUE(fresh.InsertPicture(folder.Path("tall.bmp")));
        return fresh.History().Bytes() - before;
    };
    EXPECT_GE(insertionBytes(true), insertionBytes(false) + size_t(2) * 412 * 206);

    // A mask step counts its packed masks.
    Project fresh;
    NewProject(fresh, folder);
    const size_t before = fresh.History().Bytes();
    const FreezeMask even(412, 206, std::vector<uint8_t>(size_t(412) * 206, 40));
    fresh.SetMask(even);
    EXPECT_GE(fresh.History().Bytes(), before + PackBlock(even.Values()).size());
}

TEST_F(Masked, AClearMaskWritesTodaysBytesAndAMaskReadsBack)
{
    const std::vector<uint8_t> plain = Saved(project, "plain.kib");
    EXPECT_EQ(plain, WriteProjectBytes("pic.bmp", project.Keys(), 1019, 64));
    project.SetMask(FreezeMask(412, 206));
    EXPECT_EQ(Saved(project, "clear.kib"), plain);

    FreezeMask mask(412, 206);
    mask.At(3, 4) = 17;
    mask.At(411, 205) = 64;
    project.SetMask(mask);
    const std::vector<uint8_t> bytes = Saved(project, "masked.kib");
    ASSERT_GT(bytes.size(), plain.size() + 16);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), bytes.begin()));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + std::ptrdiff_t(plain.size()),
                                   bytes.begin() + std::ptrdiff_t(plain.size() + 4)),
              (std::vector<uint8_t>{'F', 'M', 'S', 'K'}));

    Project reopened;
    reopened.SetDefaultPicture(folder.Path("default.bmp"));
    reopened.Load(folder.Path("masked.kib"));
    EXPECT_EQ(reopened.Mask(), mask);
    EXPECT_FALSE(reopened.m_bModified);
    // Sections of other tags, before and after the mask, are read past and
    // written back as they were, after the mask.
    const std::vector<uint8_t> abcd = Section("ABCD", {1, 2, 3}), wxyz = Section("WXYZ", {});
    WriteBytes(folder.Path("others.kib"),
               Joined(Joined(Joined(plain, abcd), Section("FMSK", MaskPayload(412, 206, mask.Values()))), wxyz));
    reopened.Load(folder.Path("others.kib"));
    EXPECT_EQ(reopened.Mask(), mask);
    EXPECT_EQ(Saved(reopened, "others-again.kib"), Joined(Joined(bytes, abcd), wxyz));
    // Loading another project's deformations takes neither its mask nor its sections.
    Project other;
    NewProject(other, folder, "other.bmp");
    ASSERT_EQ(other.LoadDeformations(folder.Path("others.kib")), Project::DeformationResult::Applied);
    EXPECT_EQ(Saved(other, "other.kib").size(), WriteProjectBytes("other.bmp", other.Keys(), 1019, 64).size());
}

// A file cut anywhere in or after its sections, or whose section runs past
// its end, is a cut file: refused as one, naming the file, and nothing is loaded.
TEST_F(Masked, AFileCutInItsSectionsIsRefusedAsACutFile)
{
    FreezeLeftHalf(project);
    const std::vector<uint8_t> plain = WriteProjectBytes("pic.bmp", project.Keys(), 1019, 64);
    const std::vector<uint8_t> values(size_t(412) * 206, 10);
    const std::vector<uint8_t> masked = Joined(plain, Section("FMSK", MaskPayload(412, 206, values)));
    std::vector<uint8_t> unknownRunsPast = Section("ABCD", {1, 2, 3});
    unknownRunsPast[4] = 200;  // a length of 200 with three bytes left
    const auto maps = Maps(project);
    const FreezeMask mask = project.Mask();
    std::vector<std::pair<std::string, std::vector<uint8_t>>> cut;
    for (const size_t into :
         {size_t(1), size_t(4), size_t(7), size_t(8), size_t(12), size_t(20), masked.size() - plain.size() - 1})
        cut.emplace_back("mask cut " + std::to_string(into) + " bytes in",
                         std::vector<uint8_t>(masked.begin(), masked.begin() + std::ptrdiff_t(plain.size() + into)));
    cut.emplace_back("a mask after another section that runs past the end",
                     Joined(Joined(plain, unknownRunsPast), Section("FMSK", MaskPayload(412, 206, values))));
    cut.emplace_back("stray bytes after the last field", Joined(plain, {9, 9, 9}));
    const std::string path = folder.Path("cut.kib");
    for (const auto& [name, bytes] : cut) {
        WriteBytes(path, bytes);
        try {
            project.Load(path);
            ADD_FAILURE() << name << " was read";
        } catch (const ArchiveError& e) {
            EXPECT_EQ(e.GetCause(), ArchiveError::Cause::EndOfFile) << name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << name << ": " << e.what();
        }
        EXPECT_EQ(Maps(project), maps) << name;
        EXPECT_EQ(project.Mask(), mask) << name;
    }
}

TEST_F(Masked, ADamagedOrMisfitMaskIsRefusedNamingTheFileAndNothingIsLoaded)
{
    FreezeLeftHalf(project);
    Stroke(project, 250, 380);
    const std::vector<uint8_t> plain = WriteProjectBytes("pic.bmp", project.Keys(), 1019, 64);
    std::vector<uint8_t> values(size_t(412) * 206, 10);
    std::vector<uint8_t> corrupt = MaskPayload(412, 206, values);
    corrupt.resize(corrupt.size() / 2);
    std::vector<uint8_t> tooHigh = values;
    tooHigh[500] = 65;
    std::vector<uint8_t> runsPast = Section("FMSK", MaskPayload(412, 206, values));
    runsPast.resize(runsPast.size() - 1);
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> bad{
        {"wrong size", Section("FMSK", MaskPayload(411, 206, std::vector<uint8_t>(size_t(411) * 206, 1)))},
        {"cut short", Section("FMSK", corrupt)},
        {"above 64", Section("FMSK", MaskPayload(412, 206, tooHigh))},
        {"runs past the end", runsPast},
        {"no size", Section("FMSK", {1, 0, 0})},
        {"twice",
         Joined(Section("FMSK", MaskPayload(412, 206, values)), Section("FMSK", MaskPayload(412, 206, values)))},
    };
    const auto maps = Maps(project);
    const FreezeMask mask = project.Mask();
    for (const auto& [name, section] : bad) {
        const std::string path = folder.Path("bad.kib");
        WriteBytes(path, Joined(plain, section));
        try {
            project.Load(path);
            ADD_FAILURE() << name;
        } catch (const ArchiveError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find("freeze mask"), std::string::npos) << name << ": " << e.what();
        }
        EXPECT_EQ(Maps(project), maps) << name;
        EXPECT_EQ(project.Mask(), mask) << name;
    }
}

TEST_F(Masked, ReconstructMovesTheActiveKeyframeTowardTheIdentityThroughTheMask)
{
    std::vector<Displacement>& map = project.Keys().Key(1).Map();
    map[0] = {100, -100};
    map[size_t(300)] = {7, -7};
    map[size_t(412) * 206 - 1] = {-64, 64};
    FreezeMask mask(412, 206);
    mask.At(411, 205) = 32;
    project.SetMask(mask);
    const int steps = project.History().Count();
    project.Reconstruct(50);
    EXPECT_EQ(project.History().Count(), steps + 1);
    EXPECT_EQ(project.History().UndoText(), QStringLiteral("Reconstruct"));
    EXPECT_EQ(map[0], (Displacement{50, -50}));
    EXPECT_EQ(map[300], (Displacement{4, -4}));
    // Candidate (-32, 32); the change of 32 is halved.
    EXPECT_EQ(map[size_t(412) * 206 - 1], (Displacement{-48, 48}));
    project.History().Undo();
    EXPECT_EQ(map[300], (Displacement{7, -7}));
    EXPECT_THROW(project.Reconstruct(101), std::invalid_argument);
    EXPECT_THROW(project.Reconstruct(-1), std::invalid_argument);
    project.Reconstruct(100);
    EXPECT_EQ(map[0], (Displacement{}));
}

TEST_F(Masked, ReconstructShowsTheKeyframeItChangedAndItsThumbnail)
{
    struct Renders : ProjectObserver {
        int maps = 0;
        void MapChanged() override { ++maps; }
    } observer;
    project.SetObserver(&observer);
    const PackedPicture undeformed = project.Picture().Display();
    const std::vector<uint8_t> undeformedThumb = project.Keys().Key(1).Thumbnail();
    Stroke(project, 150, 260);  // across both halves
    const PackedPicture& shown = project.Picture().Display();
    ASSERT_NE(shown, undeformed);
    const auto rendered = [&] {
        const PackedPicture& source = project.Picture().Source();
        PackedPicture picture = source;
        RenderRect(source, picture, project.Picture().Map(), Rect{0, 0, 412, 206}, 64, true);
        return picture;
    };

    // The frozen left half keeps its deformation, the right half returns: the
    // shown picture is the new map's.
    FreezeLeftHalf(project);
    const std::vector<uint8_t> strokeThumb = project.Keys().Key(1).Thumbnail();
    observer.maps = 0;
    project.Reconstruct(100);
    EXPECT_EQ(shown, rendered());
    EXPECT_NE(shown, undeformed);
    EXPECT_GE(observer.maps, 1);
    EXPECT_NE(project.Keys().Key(1).Thumbnail(), strokeThumb);

    // Without the mask all of it returns: the picture and the thumbnail of an
    // undeformed keyframe.
    project.ClearMask();
    project.Reconstruct(100);
    EXPECT_EQ(project.Keys().Key(1).Map(), std::vector<Displacement>(412 * 206));
    EXPECT_EQ(shown, undeformed);
    EXPECT_EQ(project.Keys().Key(1).Thumbnail(), undeformedThumb);
    // Undone, the picture shows the stroke's remains again.
    project.History().Undo();
    EXPECT_EQ(shown, rendered());
    EXPECT_NE(shown, undeformed);
}

TEST_F(Masked, ReconstructActsOnTheActiveKeyframeWhateverMapIsShown)
{
    project.Keys().Key(1).Map()[5] = {128, 64};
    // Another map shown meanwhile, as playback shows its frames.
    DisplacementMap frame(412, 206);
    frame.At(5, 0) = {-64, 0};
    project.Picture().AttachMap(frame.Ref());
    project.Reconstruct(50);
    EXPECT_EQ(project.Keys().Key(1).Map()[5], (Displacement{64, 32}));
    EXPECT_EQ(frame.At(5, 0), (Displacement{-64, 0}));
    EXPECT_EQ(project.Picture().Map().data, project.Keys().Key(1).Map().data());
    project.History().Undo();
    EXPECT_EQ(project.Keys().Key(1).Map()[5], (Displacement{128, 64}));
}
