// Printing from the finish screen: the pages are laid out as warplet-cli
// lays them out, and a print that fails or breaks off names the file and
// cause and leaves the window as every export leaves it.

#include "dialog/ui/Kib3Dlg.h"

#include "dialog/ui/DialogFixture.h"

#include "animation/ui/KeysWnd.h"
#include "app/AppState.h"
#include "cli/CliRunner.h"
#include "controls/ui/ProgressWnd.h"
#include "export/PrintFrames.h"
#include "export/ui/ExportCommands.h"
#include "res/StringTable.h"
#include "support/PdfContents.h"
#include "support/PictureFiles.h"
#include "support/ExportWaits.h"
#include "support/ScriptedExportPrompts.h"
#include "support/ScriptedPrompts.h"
#include "work/ui/WorkWnd.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class PrintCommandsTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        App().m_nSaveMode = 1;  // frames at the picture's own size
        ShowDialog();
        dlg->Exports()->SetPrompts(&exports);
        exports.pageLayout = PdfPageLayout(false, QPageLayout::Landscape);
    }

    // Opens a picture of w x h whose keyframe 1 moves everything, saved as a.kib.
    std::string Open(int w, int h)
    {
        prompts.pictures.push_back(testsupport::WritePicture(dir.path(), "photo.png", w, h));
        dlg->OnCommand(Cmd::OpenPicture);
        EXPECT_EQ(dlg->CurrentScreen(), Screen::Editing);
        Project& project = dlg->GetProject();
        for (Displacement& e : project.Keys().Key(1).Map())
            e = Displacement{5 * 64, 2 * 64};
        dlg->KeysWnd()->OnSlotClick(1);
        const std::string path = Path("a.kib").toStdString();
        EXPECT_TRUE(project.Save(path));
        return path;
    }

    // The window's PDF of `frames` against the command line's.
    void ExpectTheWindowPrintsAsTheCommandLine(const std::string& project, const std::vector<int>& frames,
                                               const char* list)
    {
        exports.frameLists = {frames};
        exports.printToPdf = Path("window.pdf");
        dlg->OnCommand(Cmd::Print);
        ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
        const clitest::CliRun run = clitest::Cli(
            {"print", project, "-o", Path("cli.pdf").toStdString(), "--frames", list, "--size", "picture"});
        ASSERT_EQ(run.status, 0) << run.err;

        const testsupport::PdfContents window = testsupport::ReadPdf(Path("window.pdf"));
        const testsupport::PdfContents cli = testsupport::ReadPdf(Path("cli.pdf"));
        EXPECT_EQ(window.title, QStringLiteral("a"));
        EXPECT_EQ(window.title, cli.title);
        EXPECT_EQ(window.pages.size(), frames.size());
        testsupport::ExpectSamePages(window, cli);
    }
};

}  // namespace

TEST_F(PrintCommandsTest, TheWindowLaysOutPagesAsTheCommandLineDoes)
{
    // 1600 x 1200 prints 5.3 x 4 inches (384 x 288 points), not a stamp.
    const std::string project = Open(1600, 1200);
    ExpectTheWindowPrintsAsTheCommandLine(project, {0, 4, 9}, "0 4 9");
    const testsupport::PdfPicture picture = testsupport::ReadPdf(Path("window.pdf")).pages.at(0).pictures.at(0);
    EXPECT_NEAR(picture.placed.width(), 384, 0.5);
    EXPECT_NEAR(picture.placed.height(), 288, 0.5);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(PrintCommandsTest, ALargerFrameIsScaledToThePageAsTheCommandLineScalesIt)
{
    const std::string project = Open(3400, 2550);
    ExpectTheWindowPrintsAsTheCommandLine(project, {3}, "3");
    // Rendered no larger than the page shows it at 300 pixels per inch.
    const testsupport::PdfPicture picture = testsupport::ReadPdf(Path("window.pdf")).pages.at(0).pictures.at(0);
    EXPECT_LT(picture.pixels.width(), 3400);
}

TEST_F(PrintCommandsTest, ASmallFrameFitsThePageWhenChosenAndTheActualSizeIsTheDefault)
{
    Open(120, 80);
    const auto printFirstPicture = [this](const char* name) {
        exports.frameLists = {{0}};
        exports.printToPdf = Path(name);
        dlg->OnCommand(Cmd::Print);
        EXPECT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
        const testsupport::PdfContents pdf = testsupport::ReadPdf(Path(name));
        return pdf.pages.empty() || pdf.pages[0].pictures.empty() ? testsupport::PdfPicture{}
                                                                  : pdf.pages[0].pictures[0];
    };
    // At first the actual size: 120 x 80 pixels at 300 per inch are 28.8 x 19.2 points.
    const testsupport::PdfPicture stamp = printFirstPicture("actual.pdf");
    ASSERT_EQ(exports.offeredPlacements.size(), 1u);
    EXPECT_EQ(exports.offeredPlacements[0], PrintPlacement::ActualSize);
    EXPECT_NEAR(stamp.placed.width(), 28.8, 0.5);
    EXPECT_NEAR(stamp.placed.height(), 19.2, 0.5);

    // Fit to page: A4 landscape less 10 mm margins is 277 x 190 mm (785.2 x 538.6
    // points); 3 : 2 fills its width, 523.5 points high, centred on the page.
    exports.placement = PrintPlacement::FitToPage;
    const testsupport::PdfPicture fitted = printFirstPicture("fit.pdf");
    EXPECT_NEAR(fitted.placed.width(), 785.2, 1.0);
    EXPECT_NEAR(fitted.placed.height(), 523.5, 1.0);
    EXPECT_NEAR(fitted.placed.center().x(), 841.9 / 2, 1.0);
    EXPECT_NEAR(fitted.placed.center().y(), 595.3 / 2, 1.0);
    EXPECT_EQ(fitted.pixels, QSize(120, 80));  // the frame's own pixels, scaled on the page

    // The last choice is what the next print window offers.
    exports.placement.reset();
    printFirstPicture("again.pdf");
    ASSERT_EQ(exports.offeredPlacements.size(), 3u);
    EXPECT_EQ(exports.offeredPlacements[2], PrintPlacement::FitToPage);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(PrintCommandsTest, AFailureInsidePrintingLeavesTheWindowAsAnyExportDoes)
{
    Open(120, 80);
    // The second frame lies beyond the last frame the animation can have:
    // rendering it throws after the first page was shown.
    exports.frameLists = {{0, int(KeyframeStore::kMaxFrameNumber) + 1}};
    exports.printToPdf = Path("broken.pdf");
    dlg->OnCommand(Cmd::Print);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    EXPECT_FALSE(dlg->WorkWnd()->ShowsStretchedFrame());
    EXPECT_FALSE(dlg->Progress()->isVisible());
    EXPECT_FALSE(dlg->UserInterfaceLocked());
    EXPECT_EQ(dlg->GetProject().Picture().Map().data, dlg->GetProject().Keys().Key(1).Map().data());
    EXPECT_FALSE(QFile::exists(Path("broken.pdf")));
    EXPECT_EQ(prompts.messages.size(), 1u);
}

TEST_F(PrintCommandsTest, AFileThatCannotBeWrittenIsNamedWithItsCause)
{
    Open(120, 80);
    exports.frameLists = {{0, 1}};
    exports.printToPdf = Path("missing/x.pdf");
    dlg->OnCommand(Cmd::Print);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    ASSERT_EQ(prompts.messages.size(), 1u);
    const QString& text = prompts.messages[0].text;
    EXPECT_TRUE(text.startsWith(AppString(StrId::CannotWriteFile))) << text.toStdString();
    EXPECT_TRUE(text.contains(Path("missing/x.pdf"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("does not exist"))) << text.toStdString();
    EXPECT_FALSE(dlg->WorkWnd()->ShowsStretchedFrame());
    EXPECT_FALSE(dlg->Progress()->isVisible());
}
