// Exports on their own thread: they render from a copy taken at the start and
// leave the project alone, send at most one frame until it was shown, hand a
// printer's pages to the thread that owns it one at a time, and stop on a
// request from another thread in every phase, keeping the stop rules of the
// exports (a video or GIF is deleted, written pictures stay).

#include "export/ExportTestSupport.h"
#include "export/ExportWorker.h"
#include "export/LoopTestSupport.h"
#include "export/VideoTestSupport.h"
#include "project/ProjectTestSupport.h"
#include "support/PdfContents.h"

#include <QFileInfo>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace {

using exporttest::AnimationOf;
using exporttest::Latch;
using projecttest::Folder;
using projecttest::NewProject;

bool Exists(const std::string& path)
{
    return QFileInfo::exists(QString::fromStdString(path));
}

// Counts the project's notifications of a re-rendered work picture.
class MapChanges : public ProjectObserver {
public:
    void MapChanged() override { ++count; }
    int count = 0;
};

class ExportWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NewProject(project, folder, "pic.bmp", 120, 80);
        for (Displacement& e : project.Keys().Key(1).Map())
            e = Displacement{5 * 64, 2 * 64};
        project.SelectKey(1);
        project.SetObserver(&changes);
        // The worker's signals arrive on its own thread here: the test has no event loop.
        QObject::connect(
            &worker, &ExportWorker::finished, &worker, [this] { done.Open(); }, Qt::DirectConnection);
        QObject::connect(
            &worker, &ExportWorker::frameRendered, &worker, [this](const QImage& frame) { frames.push_back(frame); },
            Qt::DirectConnection);
    }
    void TearDown() override { project.SetObserver(nullptr); }

    ExportJob Job(ExportJob::Kind kind, const std::string& name, int setting = CBigPicture::kScreen)
    {
        ExportJob job;
        job.kind = kind;
        job.picturePath = project.Work().Path();
        job.setting = setting;
        job.path = folder.Path(name);
        job.frames = {0, 4, 9, 15};
        job.document = {PdfPageLayout(false, QPageLayout::Landscape), "a", "Warplet 4"};
        return job;
    }
    ExportJob LoopJob(std::vector<LoopTarget> loops, int setting = CBigPicture::kScreen)
    {
        ExportJob job = Job(ExportJob::Kind::Loop, "unused", setting);
        job.loops = std::move(loops);
        return job;
    }
    // Runs the job to its end.
    const ExportOutcome& Run(ExportJob job)
    {
        Reset();
        EXPECT_TRUE(worker.Start(AnimationOf(project), std::move(job)));
        EXPECT_TRUE(done.Wait());
        return worker.Wait();
    }
    // Runs a job that holds on its own until it sees a stop (an encoder, a page
    // waiting for its printer), asks it to stop from this thread once `reached`
    // is open, and waits for its end.
    const ExportOutcome& RunAndStop(ExportJob job)
    {
        EXPECT_TRUE(worker.Start(AnimationOf(project), std::move(job)));
        EXPECT_TRUE(reached.Wait());
        worker.RequestStop();
        EXPECT_TRUE(done.Wait());
        return worker.Wait();
    }
    // Holds the export at progress step `step` until this thread asked it to stop.
    const ExportOutcome& RunAndStopAtStep(ExportJob job, int step)
    {
        worker.SetStepHook([this, step](int done, int) {
            if (done != step)
                return;
            reached.Open();
            EXPECT_TRUE(released.Wait());
        });
        EXPECT_TRUE(worker.Start(AnimationOf(project), std::move(job)));
        EXPECT_TRUE(reached.Wait());
        worker.RequestStop();
        released.Open();
        EXPECT_TRUE(done.Wait());
        const ExportOutcome& outcome = worker.Wait();
        worker.SetStepHook({});
        return outcome;
    }
    void Reset()
    {
        done.Reset();
        reached.Reset();
        released.Reset();
    }

    Folder folder;
    Project project;
    MapChanges changes;
    ExportWorker worker;
    Latch done;
    Latch reached;
    Latch released;
    std::vector<QImage> frames;
};

}  // namespace

TEST_F(ExportWorkerTest, RendersFromACopyTakenAtTheStartAndLeavesTheProjectAlone)
{
    // What the frame source writes on this thread, from the same animation.
    CBigPicture reference(AnimationOf(project));
    reference.SetSource(project.Work().Path(), CBigPicture::kScreen);
    ASSERT_EQ(reference.WriteAnimatedGif(folder.Path("reference.gif"), 30), GifExportResult::Ok);

    const PackedPicture shown = project.Picture().Display();
    const Displacement* edited = project.Picture().Map().data;
    const std::vector<std::vector<uint8_t>> thumbnails = {project.Keys().Key(0).Thumbnail(),
                                                          project.Keys().Key(1).Thumbnail()};
    const auto maps = projecttest::Maps(project);

    worker.SetStepHook([this](int done, int) {
        if (done == 5) {
            reached.Open();
            EXPECT_TRUE(released.Wait());
        }
    });
    std::vector<std::pair<int, int>> steps;
    QObject::connect(
        &worker, &ExportWorker::progress, &worker,
        [&steps](int done, int total) {
            steps.push_back({done, total});
        },
        Qt::DirectConnection);
    ASSERT_TRUE(worker.Start(AnimationOf(project), Job(ExportJob::Kind::Gif, "worker.gif")));
    ASSERT_TRUE(reached.Wait());
    // Halfway through, the project's picture, maps and thumbnails are as they were.
    EXPECT_EQ(project.Picture().Display(), shown);
    EXPECT_EQ(project.Picture().Map().data, edited);
    EXPECT_EQ(projecttest::Maps(project), maps);
    EXPECT_EQ(project.Keys().Key(0).Thumbnail(), thumbnails[0]);
    EXPECT_EQ(project.Keys().Key(1).Thumbnail(), thumbnails[1]);
    EXPECT_EQ(changes.count, 0);
    // The document may even lose its keyframes meanwhile: the export has its own.
    project.Picture().DetachMap();
    project.Keys().ResetKeys();
    released.Open();
    ASSERT_TRUE(done.Wait());
    const ExportOutcome& outcome = worker.Wait();

    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.gif, GifExportResult::Ok);
    EXPECT_EQ(projecttest::ReadBytes(folder.Path("worker.gif")), projecttest::ReadBytes(folder.Path("reference.gif")));
    EXPECT_EQ(steps.back(), std::make_pair(20, 20));
    EXPECT_EQ(changes.count, 0);
    // The window never said it showed the first frame: no other was sent.
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].size(), QSize(project.Picture().Width(), project.Picture().Height()));
}

TEST_F(ExportWorkerTest, AStopFromAnotherThreadEndsEachPhaseByTheRulesOfItsExport)
{
    using videotest::StandInEncoder;
    // The encoder is busy with a frame, or with its flush, until it sees the stop.
    for (const StandInEncoder::Hold hold : {StandInEncoder::Hold::Frame, StandInEncoder::Hold::Flush}) {
        SCOPED_TRACE(hold == StandInEncoder::Hold::Frame ? "frame" : "flush");
        ASSERT_TRUE(videotest::WriteText(QString::fromStdString(folder.Path("old.mp4")), "keep me"));
        Reset();
        videotest::EncoderLog log;
        StandInEncoder::Options options;
        options.lag = 2;
        options.hold = hold;
        options.holdFrame = 3;
        options.onHold = [this] { reached.Open(); };
        ExportJob job = Job(ExportJob::Kind::Video, "old.mp4");
        job.videoWriters = videotest::StandInFactory(options, log);
        EXPECT_EQ(RunAndStop(std::move(job)).video.status, VideoExportStatus::Cancelled);
        EXPECT_TRUE(log.stopped);
        EXPECT_FALSE(log.closed);
        EXPECT_EQ(videotest::ReadText(QString::fromStdString(folder.Path("old.mp4"))), "keep me");
        EXPECT_EQ(videotest::FilesIn(QString::fromStdString(folder.Path())),
                  (QStringList{"default.bmp", "old.mp4", "pic.bmp"}));
    }

    // Between the frames of a GIF or the pages of a PDF: nothing is written.
    Reset();
    EXPECT_EQ(RunAndStopAtStep(Job(ExportJob::Kind::Gif, "a.gif"), 3).gif, GifExportResult::Cancelled);
    EXPECT_FALSE(Exists(folder.Path("a.gif")));
    Reset();
    EXPECT_TRUE(RunAndStopAtStep(Job(ExportJob::Kind::PdfFile, "a.pdf"), 1).print.cancelled);
    EXPECT_FALSE(Exists(folder.Path("a.pdf")));

    // Between pictures: those written stay.
    Reset();
    const PictureSequenceResult pictures =
        RunAndStopAtStep(Job(ExportJob::Kind::Pictures, "s.bmp", CBigPicture::kPicture), 2).pictures;
    EXPECT_TRUE(pictures.cancelled);
    EXPECT_EQ(pictures.written, (std::vector<std::string>{folder.Path("s0.bmp"), folder.Path("s4.bmp")}));
    EXPECT_FALSE(Exists(folder.Path("s9.bmp")));

    // A printer's page waiting for the window thread, which never answers.
    Reset();
    QObject::connect(
        &worker, &ExportWorker::pageRendered, &worker, [this] { reached.Open(); }, Qt::DirectConnection);
    const PrintResult pages = RunAndStop(Job(ExportJob::Kind::Pages, "unused")).print;
    EXPECT_TRUE(pages.cancelled);
    EXPECT_EQ(pages.pages, 0);
}

TEST_F(ExportWorkerTest, PagesArePaintedByTheThreadThatOwnsThePrinterOneAtATime)
{
    // The command line's PDF of the same frames.
    CBigPicture reference(AnimationOf(project));
    reference.SetSource(project.Work().Path(), CBigPicture::kPicture);
    ExportJob job = Job(ExportJob::Kind::Pages, "unused", CBigPicture::kPicture);
    job.pageLimit = PrintPixelLimit(job.document.layout);
    ASSERT_EQ(PrintFramesToPdf(reference, folder.Path("reference.pdf"), job.frames, job.document).pages, 4);

    // This thread owns the device; the worker hands each page over and waits.
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<QImage> waiting;
    QObject::connect(
        &worker, &ExportWorker::pageRendered, &worker,
        [&](const QImage& picture) {
            {
                const std::lock_guard lock(mutex);
                waiting.push_back(picture);
            }
            arrived.notify_all();
        },
        Qt::DirectConnection);
    const auto nextPage = [&]() {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(arrived.wait_for(lock, std::chrono::seconds(60), [&] { return !waiting.empty(); }));
        if (waiting.empty())
            return QImage();
        const QImage picture = waiting.front();
        waiting.pop_front();
        EXPECT_TRUE(waiting.empty()) << "a page came before the last one was answered";
        return picture;
    };

    QPdfWriter device(QString::fromStdString(folder.Path("pages.pdf")));
    device.setResolution(kPdfDotsPerInch);
    device.setPageLayout(job.document.layout);
    PagePainter painter(device);
    ASSERT_TRUE(painter.Begin());
    ASSERT_TRUE(worker.Start(AnimationOf(project), job));
    for (size_t i = 0; i < job.frames.size(); ++i)
        worker.PagePrinted(painter.Paint(nextPage()));
    ASSERT_TRUE(done.Wait());
    const PrintResult result = worker.Wait().print;
    ASSERT_TRUE(painter.End());
    EXPECT_EQ(result.pages, 4);
    EXPECT_FALSE(result.cancelled);
    EXPECT_FALSE(result.Failed());
    testsupport::ExpectSamePages(testsupport::ReadPdf(QString::fromStdString(folder.Path("pages.pdf"))),
                                 testsupport::ReadPdf(QString::fromStdString(folder.Path("reference.pdf"))));

    // A page that could not be printed ends the pages there, without a stop.
    Reset();
    ASSERT_TRUE(worker.Start(AnimationOf(project), job));
    nextPage();
    worker.PagePrinted(false);
    ASSERT_TRUE(done.Wait());
    const PrintResult broken = worker.Wait().print;
    EXPECT_EQ(broken.pages, 0);
    EXPECT_FALSE(broken.cancelled);
    const std::lock_guard lock(mutex);
    EXPECT_TRUE(waiting.empty());
}

TEST_F(ExportWorkerTest, WhatTheExportThrowsIsItsOutcomeAndTheWorkerStartsAgain)
{
    ExportJob missing = Job(ExportJob::Kind::Gif, "m.gif", CBigPicture::kPicture);
    missing.picturePath = folder.Path("gone.png");
    const ExportOutcome& outcome = Run(missing);
    ASSERT_TRUE(outcome.error);
    try {
        std::rethrow_exception(outcome.error);
    } catch (const FileError& error) {
        EXPECT_EQ(error.GetCause(), FileError::Cause::FileNotFound);
        EXPECT_EQ(error.Path(), folder.Path("gone.png"));
    } catch (...) {
        ADD_FAILURE() << "not a file error";
    }
    EXPECT_FALSE(Exists(folder.Path("m.gif")));

    ExportJob beyond = Job(ExportJob::Kind::PdfFile, "b.pdf");
    beyond.frames = {0, int(KeyframeStore::kMaxFrameNumber) + 1};
    EXPECT_TRUE(Run(beyond).error);
    EXPECT_FALSE(Exists(folder.Path("b.pdf")));

    EXPECT_EQ(Run(Job(ExportJob::Kind::PdfFile, "c.pdf")).print.pages, 4);
    EXPECT_TRUE(Exists(folder.Path("c.pdf")));
}

TEST_F(ExportWorkerTest, ALoopFileHasTheFramesSizeAndTheLoopsSpeedAndAStopKeepsTheOldFile)
{
    // The high-quality GIF at the custom size, which the classic GIF ignores.
    ExportJob job = LoopJob({{folder.Path("big.gif"), LoopFileFormat::HighGif}}, CBigPicture::kCustom);
    job.percent = 150;
    const int total = project.Keys().GetTotalFrames();
    ASSERT_TRUE(Run(job).loops.at(0)) << worker.Wait().loops.at(0).message;
    const giftest::ParsedGif gif = giftest::ParseGif(giftest::ReadBytes(folder.Path("big.gif")));
    ASSERT_TRUE(gif.ok) << gif.error;
    EXPECT_EQ(gif.width, 180);
    EXPECT_EQ(gif.height, 120);
    EXPECT_EQ(int(gif.frames.size()), total);
    EXPECT_FALSE(frames.empty());  // the window was shown frames, at the work picture's size
    EXPECT_EQ(frames.front().size(), QSize(project.Picture().Width(), project.Picture().Height()));

    // An MP4 at 24 frames per second holds one video frame per animation frame.
    if (looptest::HaveProgram("ffprobe")) {
        job = LoopJob({{folder.Path("a.mp4"), LoopFileFormat::Video}});
        job.speed = 24;
        ASSERT_TRUE(Run(job).loops.at(0)) << worker.Wait().loops.at(0).message;
        const looptest::CommandResult probe = looptest::RunCommand(
            "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=r_frame_rate,nb_read_frames "
            "-of csv=p=0 " +
            looptest::Quoted(folder.Path("a.mp4")));
        EXPECT_EQ(probe.output, "24/1," + std::to_string(total) + "\n");
    }

    // Stopped between frames: nothing replaces the file of that name.
    ASSERT_TRUE(videotest::WriteText(QString::fromStdString(folder.Path("old.webp")), "keep me"));
    job = LoopJob({{folder.Path("old.webp"), LoopFileFormat::Webp}});
    Reset();
    EXPECT_EQ(RunAndStopAtStep(job, 3).loops.at(0).status, LoopStatus::Stopped);
    EXPECT_EQ(videotest::ReadText(QString::fromStdString(folder.Path("old.webp"))), "keep me");
    EXPECT_EQ(videotest::FilesIn(QString::fromStdString(folder.Path())),
              (QStringList{"a.mp4", "big.gif", "default.bmp", "old.webp", "pic.bmp"}));
}

TEST_F(ExportWorkerTest, SeveralLoopFilesComeFromOneRenderAndOneFailingLeavesTheOthers)
{
    int steps = 0, done = 0, total = 0;
    worker.SetStepHook([&](int at, int of) {
        ++steps;
        done = at;
        total = of;
    });
    const ExportOutcome& outcome = Run(LoopJob({{folder.Path("a.gif"), LoopFileFormat::HighGif},
                                                {folder.Path("missing/a.webp"), LoopFileFormat::Webp},
                                                {folder.Path("a.apng"), LoopFileFormat::Apng}}));
    worker.SetStepHook({});
    const int frames = project.Keys().GetTotalFrames();
    // Every frame rendered once for the three files, then coded once more by the GIF at its end.
    EXPECT_EQ(total, 2 * frames);
    EXPECT_EQ(done, total);
    EXPECT_LE(steps, 2 * frames + 1);
    ASSERT_EQ(outcome.loops.size(), 3u);
    EXPECT_TRUE(outcome.loops[0]) << outcome.loops[0].message;
    EXPECT_EQ(outcome.loops[1].status, LoopStatus::WriteFailed);
    EXPECT_EQ(outcome.loops[1].cause, FileError::Cause::FileNotFound);
    EXPECT_TRUE(outcome.loops[2]) << outcome.loops[2].message;
    EXPECT_EQ(giftest::ParseGif(giftest::ReadBytes(folder.Path("a.gif"))).frames.size(), size_t(frames));
    EXPECT_TRUE(Exists(folder.Path("a.apng")));
}
