// The finish screen's save video, driven without the main dialog against an
// encoder stand-in on the export's thread: a key pressed in the window while the
// encoder works (its flush included) stops at once and deletes the file, the bar
// follows the frames the encoder gave back, and a failure names the file and the
// cause in the user's language.

#include "app/AppState.h"
#include "controls/ui/ProgressWnd.h"
#include "export/VideoTestSupport.h"
#include "export/ui/ExportWindowSupport.h"
#include "export/ui/ExportCommands.h"
#include "project/Project.h"
#include "project/ProjectTestSupport.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"
#include "support/ExportWaits.h"
#include "support/ScriptedExportPrompts.h"
#include "support/ScriptedPrompts.h"
#include "work/ui/WorkWnd.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <functional>

namespace {

using exporttest::PressKeyIn;
using exporttest::WindowHost;
using videotest::EncoderLog;
using videotest::StandInEncoder;

class VideoExportWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_language = App().m_language;
        m_saveMode = App().m_nSaveMode;
        App().m_nSaveMode = 0;  // the work picture's size
        App().m_language = UiLanguage::English;
        projecttest::NewProject(project, folder, "pic.bmp", 120, 80);
        host.window.resize(200, 100);
        host.window.show();
        commands.SetPrompts(&exportPrompts);
        // Two keyframes of 10 frames at speed 30 and 29 frames per second: 19 video frames.
        frames = 19;
    }
    void TearDown() override
    {
        App().m_language = m_language;
        App().m_nSaveMode = m_saveMode;
    }

    // Saves the video through the stand-in; `video` names the file. When the
    // stand-in holds, `whenHeld` runs on the window thread, after the signals
    // the export sent before.
    void SaveVideo(StandInEncoder::Options options, const std::string& video = "clip.wmv",
                   const std::function<void()>& whenHeld = {})
    {
        path = folder.Path(video);
        exportPrompts.files.push_back(QString::fromStdString(path));
        std::atomic<bool> held{false};
        options.onHold = [&held] { held = true; };
        commands.SetVideoWriterFactory(videotest::StandInFactory(options, log));
        commands.OnCommand(Cmd::SaveVideo);
        if (whenHeld) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return held.load(); }, 60000));
            QCoreApplication::sendPostedEvents();
            whenHeld();
        }
        EXPECT_TRUE(testsupport::WaitForExport(commands));
    }

    projecttest::Folder folder;
    Project project;
    CWorkWnd work{project.Picture()};
    CProgressWnd progress;
    WindowHost host;
    ScriptedPrompts messages;
    ScriptedExportPrompts exportPrompts;
    EncoderLog log;
    CExportCommands commands{project, work, progress, host, messages};
    std::string path;
    int frames = 0;
    UiLanguage m_language = UiLanguage::English;
    int m_saveMode = 0;
};

}  // namespace

TEST_F(VideoExportWindowTest, AKeyDuringTheFlushStopsAndDeletesTheFile)
{
    StandInEncoder::Options options;
    options.lag = 5;
    options.hold = StandInEncoder::Hold::Flush;
    int barInFlush = -1;
    SaveVideo(options, "clip.wmv", [&] {
        barInFlush = progress.GetPos();
        PressKeyIn(&host.window);
    });
    EXPECT_TRUE(log.stopped);
    EXPECT_FALSE(log.closed);
    EXPECT_EQ(log.sent, frames);
    // The bar showed what the encoder had given back, not what it had taken.
    EXPECT_EQ(barInFlush, frames - 5);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path)));
    EXPECT_TRUE(messages.messages.empty());  // a cancel says nothing
    EXPECT_FALSE(commands.Running());
    EXPECT_EQ(host.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_FALSE(progress.isVisible());
}

TEST_F(VideoExportWindowTest, AKeyWhileAFrameIsEncodedStopsAtThatFrame)
{
    StandInEncoder::Options options;
    options.hold = StandInEncoder::Hold::Frame;
    options.holdFrame = 3;
    SaveVideo(options, "clip.wmv", [&] { PressKeyIn(&host.window); });
    EXPECT_TRUE(log.stopped);
    EXPECT_EQ(log.sent, 4);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path)));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(VideoExportWindowTest, AFailedVideoNamesTheFileAndTheCauseInBothLanguages)
{
    StandInEncoder::Options options;
    options.failFrame = 5;
    options.systemError = ENOSPC;
    SaveVideo(options, "full.wmv");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text,
              "Cannot write the video file!\n" + QString::fromStdString(path) + "\nThe disk is full");

    App().m_language = UiLanguage::Chinese;
    messages.messages.clear();
    log = EncoderLog();
    options.failFrame = 0;
    options.systemError = 0;  // the encoder itself failed
    SaveVideo(options, "broken.wmv");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text,
              AppString(StrId::CannotWriteVideo) + "\n" + QString::fromStdString(path) + "\n视频编码器出错");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path)));
}
