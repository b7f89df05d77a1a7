// The finish screen's save video, driven without the main dialog against an
// encoder stand-in: a key pressed while the encoder works (its flush included)
// stops at once and deletes the file, the bar follows the frames the encoder gave
// back, and a failure names the file and the cause in the user's language.

#include "app/AppState.h"
#include "controls/ui/ProgressWnd.h"
#include "export/VideoTestSupport.h"
#include "export/ui/ExportCommands.h"
#include "project/Project.h"
#include "project/ProjectTestSupport.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"
#include "support/ScriptedExportPrompts.h"
#include "support/ScriptedPrompts.h"
#include "work/ui/WorkWnd.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using videotest::EncoderLog;
using videotest::StandInEncoder;

class WindowHost : public ExportHost {
public:
    QWidget* HostWindow() override { return &window; }
    void ReturnToEditing() override {}
    void SetBusy(bool busy) override { busyChanges.push_back(busy); }
    int Speed() const override { return 30; }
    void MakeActiveKeyCurrent() override {}

    QWidget window;
    std::vector<bool> busyChanges;
};

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

    // Saves the video through the stand-in; `video` names the file.
    void SaveVideo(const StandInEncoder::Options& options, const std::string& video = "clip.mp4")
    {
        path = folder.Path(video);
        exportPrompts.files.push_back(QString::fromStdString(path));
        commands.SetVideoWriterFactory(videotest::StandInFactory(options, log));
        commands.OnCommand(Cmd::SaveVideo);
    }

    projecttest::Folder folder;
    Project project;
    CWorkWnd work{project.Picture()};
    CProgressWnd progress;
    WindowHost host;
    ScriptedPrompts messages;
    ScriptedExportPrompts exportPrompts;
    CExportCommands commands{project, work, progress, host, messages};
    EncoderLog log;
    std::string path;
    int frames = 0;
    UiLanguage m_language = UiLanguage::English;
    int m_saveMode = 0;
};

// A key press in the main window, as a person pressing a key during an export.
void PressKeyIn(QWidget* window)
{
    QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
}

}  // namespace

TEST_F(VideoExportWindowTest, AKeyDuringTheFlushStopsAndDeletesTheFile)
{
    StandInEncoder::Options options;
    options.lag = 5;
    options.hold = StandInEncoder::Hold::Flush;
    int barInFlush = -1;
    options.onHold = [&]() {
        barInFlush = progress.GetPos();
        PressKeyIn(&host.window);
    };
    SaveVideo(options);
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
    options.onHold = [&]() { PressKeyIn(&host.window); };
    SaveVideo(options, "clip.webm");
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
