// The finish screen's exports on their worker thread, driven without the main
// dialog: the window answers and paints while the worker provably still runs,
// the project's picture, maps and thumbnails are left alone, and a printer's
// pages are painted on the window thread, where a key stops them.

#include "app/AppState.h"
#include "controls/ui/ProgressWnd.h"
#include "export/ExportTestSupport.h"
#include "export/VideoTestSupport.h"
#include "export/ui/ExportWindowSupport.h"
#include "export/ui/ExportCommands.h"
#include "res/CommandIds.h"
#include "project/Project.h"
#include "project/ProjectTestSupport.h"
#include "support/ExportWaits.h"
#include "support/PdfContents.h"
#include "support/ScriptedExportPrompts.h"
#include "support/ScriptedPrompts.h"
#include "work/ui/WorkWnd.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>

namespace {

using exporttest::PressKeyIn;
using exporttest::WindowHost;
using videotest::EncoderLog;
using videotest::StandInEncoder;

// Counts the project's notifications of a re-rendered work picture.
class MapChanges : public ProjectObserver {
public:
    void MapChanged() override { ++count; }
    int count = 0;
};

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

class ExportWorkerWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_language = App().m_language;
        m_saveMode = App().m_nSaveMode;
        App().m_language = UiLanguage::English;
        App().m_nSaveMode = 0;  // the work picture's size
        projecttest::NewProject(project, folder, "pic.bmp", 120, 80);
        for (Displacement& e : project.Keys().Key(1).Map())
            e = Displacement{5 * 64, 2 * 64};
        project.SelectKey(1);
        project.SetObserver(&changes);
        host.window.resize(200, 100);
        host.window.show();
        work.show();
        commands.SetPrompts(&exportPrompts);
    }
    void TearDown() override
    {
        project.SetObserver(nullptr);
        App().m_language = m_language;
        App().m_nSaveMode = m_saveMode;
    }

    projecttest::Folder folder;
    Project project;
    MapChanges changes;
    CWorkWnd work{project.Picture()};
    CProgressWnd progress;
    WindowHost host;
    ScriptedPrompts messages;
    ScriptedExportPrompts exportPrompts;
    EncoderLog log;
    CExportCommands commands{project, work, progress, host, messages};
    UiLanguage m_language = UiLanguage::English;
    int m_saveMode = 0;
};

}  // namespace

TEST_F(ExportWorkerWindowTest, TheWindowAnswersAndPaintsWhileTheWorkerStillRuns)
{
    // The encoder holds on to frame 3 until it sees the stop: the worker
    // provably runs until a key in the window asks it to stop.
    std::atomic<bool> holding{false};
    StandInEncoder::Options options;
    options.hold = StandInEncoder::Hold::Frame;
    options.holdFrame = 3;
    options.onHold = [&holding] { holding = true; };
    commands.SetVideoWriterFactory(videotest::StandInFactory(options, log));
    const std::string path = folder.Path("clip.wmv");
    exportPrompts.files.push_back(QString::fromStdString(path));

    commands.OnCommand(Cmd::SaveVideo);
    ASSERT_TRUE(commands.Running());  // the command came back while the export runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return holding.load(); }, 60000));

    PaintCounter counter;
    work.installEventFilter(&counter);
    bool answered = false;
    QTimer::singleShot(0, &host.window, [&] {
        answered = holding && commands.Running();
        work.update();
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return answered && counter.paints > 0; }, 60000));
    work.removeEventFilter(&counter);
    EXPECT_TRUE(holding);
    // The frames the encoder has given back move the bar; a frame shows over the work area.
    EXPECT_TRUE(QTest::qWaitFor([&] { return progress.isVisible() && progress.GetPos() == 3; }, 60000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return work.ShowsStretchedFrame(); }, 60000));

    PressKeyIn(&host.window);
    ASSERT_TRUE(testsupport::WaitForExport(commands));
    EXPECT_TRUE(log.stopped);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path)));
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(host.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_FALSE(work.ShowsStretchedFrame());
    EXPECT_FALSE(progress.isVisible());
}

TEST_F(ExportWorkerWindowTest, TheProjectsPictureMapsAndThumbnailsAreLeftAlone)
{
    const PackedPicture shown = project.Picture().Display();
    const Displacement* edited = project.Picture().Map().data;
    const auto maps = projecttest::Maps(project);
    const std::vector<uint8_t> thumbnail0 = project.Keys().Key(0).Thumbnail();
    const std::vector<uint8_t> thumbnail1 = project.Keys().Key(1).Thumbnail();
    const int changesBefore = changes.count;

    // A GIF of frames at the work picture's size, then a video at the picture's.
    exportPrompts.files = {QString::fromStdString(folder.Path("a.gif")), QString::fromStdString(folder.Path("a.wmv"))};
    commands.OnCommand(Cmd::SaveAnimation);
    ASSERT_TRUE(testsupport::WaitForExport(commands));
    App().m_nSaveMode = 1;
    StandInEncoder::Options options;
    commands.SetVideoWriterFactory(videotest::StandInFactory(options, log));
    commands.OnCommand(Cmd::SaveVideo);
    ASSERT_TRUE(testsupport::WaitForExport(commands));
    EXPECT_TRUE(log.closed);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(folder.Path("a.gif"))));
    EXPECT_TRUE(messages.messages.empty());

    EXPECT_EQ(changes.count, changesBefore);
    EXPECT_EQ(project.Picture().Display(), shown);
    EXPECT_EQ(project.Picture().Map().data, edited);
    EXPECT_EQ(projecttest::Maps(project), maps);
    EXPECT_EQ(project.Keys().Key(0).Thumbnail(), thumbnail0);
    EXPECT_EQ(project.Keys().Key(1).Thumbnail(), thumbnail1);
}

TEST_F(ExportWorkerWindowTest, APrintersPagesArePaintedOnTheWindowThreadAndAKeyStopsThem)
{
    App().m_nSaveMode = 1;
    commands.SetPdfThroughPrinter(true);  // a printer's way, on a printer that writes a PDF file
    exportPrompts.pageLayout = PdfPageLayout(false, QPageLayout::Landscape);
    exportPrompts.frameLists = {{0, 4, 9}, {0, 4, 9}};
    exportPrompts.printToPdf = QString::fromStdString(folder.Path("printer.pdf"));
    commands.OnCommand(Cmd::Print);
    ASSERT_TRUE(testsupport::WaitForExport(commands));
    EXPECT_TRUE(messages.messages.empty());

    // The pages are those the command line prints.
    CBigPicture reference(exporttest::AnimationOf(project));
    reference.SetSource(project.Work().Path(), CBigPicture::kPicture);
    PdfDocument document{*exportPrompts.pageLayout, "pic", "Warplet 4"};
    ASSERT_EQ(PrintFramesToPdf(reference, folder.Path("reference.pdf"), {0, 4, 9}, document).pages, 3);
    testsupport::ExpectSamePages(testsupport::ReadPdf(QString::fromStdString(folder.Path("printer.pdf"))),
                                 testsupport::ReadPdf(QString::fromStdString(folder.Path("reference.pdf"))));

    // A key after the first page: the printer's document ends with that page.
    exportPrompts.printToPdf = QString::fromStdString(folder.Path("stopped.pdf"));
    ASSERT_TRUE(
        testsupport::StopWithAKeyAfterStep(commands, &host.window, 1, [this] { commands.OnCommand(Cmd::Print); }));
    EXPECT_EQ(testsupport::ReadPdf(QString::fromStdString(folder.Path("stopped.pdf"))).pages.size(), 1u);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_FALSE(commands.Running());
}
