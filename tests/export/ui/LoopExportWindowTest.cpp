// The finish screen's save animation and save video in the formats written frame
// by frame: the dialog's choice picks the writer (the classic GIF stays the
// default), the file has the frame size and the speed slider's rate, a key stops
// it and leaves no file, and a failure names the file and the cause.

#include "app/AppState.h"
#include "controls/ui/ProgressWnd.h"
#include "export/LoopTestSupport.h"
#include "export/ui/ExportCommands.h"
#include "export/ui/ExportWindowSupport.h"
#include "project/Project.h"
#include "project/ProjectTestSupport.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"
#include "support/ExportWaits.h"
#include "support/ScriptedExportPrompts.h"
#include "support/ScriptedPrompts.h"
#include "work/ui/WorkWnd.h"

#include <QDir>
#include <QFileInfo>

#include <fstream>

#include <gtest/gtest.h>

namespace {

using exporttest::WindowHost;

class LoopExportWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_language = App().m_language;
        m_saveMode = App().m_nSaveMode;
        App().m_nSaveMode = CBigPicture::kCustom;
        App().m_language = UiLanguage::English;
        projecttest::NewProject(project, folder, "pic.bmp", 120, 80);
        for (Displacement& e : project.Keys().Key(1).Map())
            e = Displacement{5 * 64, 2 * 64};  // every frame differs from the one before
        host.window.resize(200, 100);
        host.window.show();
        commands.SetPrompts(&exportPrompts);
        exportPrompts.percent = 200;
    }
    void TearDown() override
    {
        App().m_language = m_language;
        App().m_nSaveMode = m_saveMode;
    }

    // Runs the command on `name` in the test's folder and waits for its end.
    std::string Save(int command, const std::string& name)
    {
        const std::string path = folder.Path(name);
        exportPrompts.files.push_back(QString::fromStdString(path));
        commands.OnCommand(command);
        EXPECT_TRUE(testsupport::WaitForExport(commands));
        return path;
    }
    std::string Head(const std::string& path, size_t count)
    {
        const std::vector<uint8_t> bytes = giftest::ReadBytes(path);
        return std::string(bytes.begin(), bytes.begin() + std::min(count, bytes.size()));
    }

    projecttest::Folder folder;
    Project project;
    CWorkWnd work{project.Picture()};
    CProgressWnd progress;
    WindowHost host;
    ScriptedPrompts messages;
    ScriptedExportPrompts exportPrompts;
    CExportCommands commands{project, work, progress, host, messages};
    UiLanguage m_language = UiLanguage::English;
    int m_saveMode = 0;
};

}  // namespace

TEST_F(LoopExportWindowTest, TheChosenFormatIsWrittenAtTheCustomSize)
{
    // The classic GIF stays the default, at the work picture's size.
    const giftest::ParsedGif classic = giftest::ParseGif(giftest::ReadBytes(Save(Cmd::SaveAnimation, "c.gif")));
    ASSERT_TRUE(classic.ok) << classic.error;
    EXPECT_EQ(classic.width, project.Picture().Width());

    exportPrompts.highGif = true;
    const giftest::ParsedGif high = giftest::ParseGif(giftest::ReadBytes(Save(Cmd::SaveAnimation, "h.gif")));
    ASSERT_TRUE(high.ok) << high.error;
    EXPECT_EQ(high.width, 240);
    EXPECT_EQ(high.height, 160);
    EXPECT_EQ(int(high.frames.size()), project.Keys().GetTotalFrames());

    const std::string webp = Head(Save(Cmd::SaveAnimation, "a.webp"), 16);
    EXPECT_EQ(webp.substr(0, 4), "RIFF");
    EXPECT_EQ(webp.substr(8, 8), "WEBPVP8X");  // the extended header an animation has
    EXPECT_EQ(Head(Save(Cmd::SaveAnimation, "a.apng"), 4), "\x89PNG");
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(exportPrompts.asked, 2 * 4);  // a file and a size each time
}

TEST_F(LoopExportWindowTest, AVideoRunsAtTheSpeedSlidersRateWithOneFramePerAnimationFrame)
{
    if (!looptest::HaveProgram("ffprobe"))
        GTEST_SKIP() << "no ffprobe";
    host.speed = 24;
    exportPrompts.percent = 100;
    const std::string path = Save(Cmd::SaveVideo, "a.webm");
    ASSERT_TRUE(messages.messages.empty()) << messages.messages[0].text.toStdString();
    const looptest::CommandResult probe = looptest::RunCommand(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,r_frame_rate,nb_read_frames "
        "-of csv=p=0 " +
        looptest::Quoted(path));
    EXPECT_EQ(probe.output, "vp9,24/1," + std::to_string(project.Keys().GetTotalFrames()) + "\n");
}

TEST_F(LoopExportWindowTest, AKeyStopsTheLoopAndLeavesNoFile)
{
    const std::string path = folder.Path("stopped.apng");
    exportPrompts.files.push_back(QString::fromStdString(path));
    ASSERT_TRUE(testsupport::StopWithAKeyAfterStep(commands, &host.window, 2,
                                                   [this] { commands.OnCommand(Cmd::SaveAnimation); }));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path)));
    EXPECT_TRUE(messages.messages.empty());  // a stop says nothing
    EXPECT_EQ(host.busyChanges, (std::vector<bool>{true, false}));
}

TEST_F(LoopExportWindowTest, AFailureNamesTheFileAndTheCauseInBothLanguages)
{
    std::string path = Save(Cmd::SaveAnimation, "missing/a.avif");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "Cannot write the file\n" + QString::fromStdString(path) +
                                             "\nThe file or a folder on its path does not exist");

    App().m_language = UiLanguage::Chinese;
    messages.messages.clear();
    path = Save(Cmd::SaveVideo, "missing/a.mp4");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text,
              AppString(StrId::CannotWriteVideo) + "\n" + QString::fromStdString(path) + "\n" + AppString(21710));
}

TEST_F(LoopExportWindowTest, SeveralFormatsReplaceFilesTheDialogDidNotConfirmOnlyWhenTheUserAgrees)
{
    exportPrompts.severalFormats = true;
    const std::string webp = folder.Path("r.webp");
    {
        std::ofstream out(webp, std::ios::binary);
        out << "kept";
    }
    // Refused: nothing is written and the old file stays as it was.
    messages.answers = {MsgAnswer::No};
    Save(Cmd::SaveAnimation, "r.gif");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, AppString(StrId::ReplaceOtherFormats) + "\n" + QString::fromStdString(webp));
    EXPECT_EQ(Head(webp, 16), "kept");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder.Path("r.gif"))));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder.Path("r.mp4"))));

    // Agreed: all three are written.
    messages.answers = {MsgAnswer::Yes};
    Save(Cmd::SaveAnimation, "r.gif");
    EXPECT_EQ(Head(webp, 4), "RIFF");
    EXPECT_EQ(Head(folder.Path("r.mp4"), 8).substr(4), "ftyp");
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(folder.Path("r.gif"))));
}

TEST_F(LoopExportWindowTest, SeveralFormatsAtOnceAreWrittenUnderTheChosenNameAndAFailureNamesItsFile)
{
    exportPrompts.severalFormats = true;
    // A folder where the WebP would go: only that file fails.
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder.Path("s.webp"))));
    Save(Cmd::SaveAnimation, "s.gif");
    const giftest::ParsedGif high = giftest::ParseGif(giftest::ReadBytes(folder.Path("s.gif")));
    ASSERT_TRUE(high.ok) << high.error;
    EXPECT_EQ(high.width, 240);  // the high-quality GIF, at the custom size
    EXPECT_EQ(Head(folder.Path("s.mp4"), 8).substr(4), "ftyp");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].text.startsWith("Cannot write the file\n" +
                                                     QString::fromStdString(folder.Path("s.webp")) + "\n"))
        << messages.messages[0].text.toStdString();
}

TEST_F(LoopExportWindowTest, TheQualityDialogAsksOnlyWhatTheFilesUseAndItsChoiceReachesTheWriters)
{
    // Formats without a quality ask nothing more.
    Save(Cmd::SaveAnimation, "q.apng");
    EXPECT_TRUE(exportPrompts.qualityRows.empty());

    // A lossless WebP: its file holds the lossless coding's frames.
    LoopQuality lossless;
    lossless.webpLossless = true;
    exportPrompts.quality = lossless;
    const std::vector<uint8_t> webp = giftest::ReadBytes(Save(Cmd::SaveAnimation, "q.webp"));
    ASSERT_EQ(exportPrompts.qualityRows.size(), 1u);
    EXPECT_TRUE(exportPrompts.qualityRows[0].webp);
    EXPECT_FALSE(exportPrompts.qualityRows[0].avif || exportPrompts.qualityRows[0].video);
    EXPECT_NE(std::search(webp.begin(), webp.end(), std::begin("VP8L"), std::end("VP8L") - 1), webp.end());

    // A video's constant-rate factor: the coarsest makes a smaller file than the finest.
    exportPrompts.percent = 100;
    LoopQuality coarse, fine;
    coarse.SetCrf(VideoCodec::H264, 51);
    fine.SetCrf(VideoCodec::H264, 0);
    exportPrompts.quality = coarse;
    const uint64_t coarseBytes = giftest::ReadBytes(Save(Cmd::SaveVideo, "coarse.mp4")).size();
    exportPrompts.quality = fine;
    const uint64_t fineBytes = giftest::ReadBytes(Save(Cmd::SaveVideo, "fine.mp4")).size();
    ASSERT_EQ(exportPrompts.qualityRows.size(), 3u);
    EXPECT_EQ(exportPrompts.qualityRows[1].video, VideoCodec::H264);
    EXPECT_GT(coarseBytes, 0u);
    EXPECT_LT(coarseBytes, fineBytes);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(LoopExportWindowTest, SeveralFormatsAskTheWebpAndVideoQualityAndCancelWritesNothing)
{
    exportPrompts.severalFormats = true;
    exportPrompts.cancelQuality = true;
    const int askedBefore = exportPrompts.asked;
    exportPrompts.files.push_back(QString::fromStdString(folder.Path("c.gif")));
    commands.OnCommand(Cmd::SaveAnimation);
    EXPECT_FALSE(commands.Running());
    ASSERT_EQ(exportPrompts.qualityRows.size(), 1u);
    EXPECT_TRUE(exportPrompts.qualityRows[0].webp);
    EXPECT_EQ(exportPrompts.qualityRows[0].video, VideoCodec::H264);
    EXPECT_EQ(exportPrompts.asked, askedBefore + 1);  // the file only: no size after a cancel
    for (const char* name : {"c.gif", "c.webp", "c.mp4"})
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder.Path(name)))) << name;
    EXPECT_TRUE(host.busyChanges.empty());
}
