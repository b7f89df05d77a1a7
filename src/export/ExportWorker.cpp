#include "export/ExportWorker.h"

#include "export/LoopFanOut.h"
#include "export/PictureFile.h"

namespace {

// The loop's frames, each also offered to the window as the other exports' are.
class ShownLoopSource final : public LoopFrameSource {
public:
    explicit ShownLoopSource(CBigPicture& big) : m_big(big), m_frames(big) {}

    int FrameCount() const override { return m_frames.FrameCount(); }
    const PackedPicture& RenderLoopFrame(int f) override
    {
        const PackedPicture& frame = m_frames.RenderLoopFrame(f);
        if (m_big.Observer())
            m_big.Observer()->ShowFrame(frame);
        return frame;
    }
    bool StopRequested() override { return m_frames.StopRequested(); }
    void Progress(int done, int total) override { m_frames.Progress(done, total); }

private:
    CBigPicture& m_big;
    BigPictureLoopSource m_frames;
};

}  // namespace

// The export's observer, on the export's thread: progress and frames go out as
// signals, a stop comes in through the worker's flag.
class ExportWorker::Observer : public ExportObserver {
public:
    Observer(ExportWorker& worker, int width, int height) : m_worker(worker), m_nWidth(width), m_nHeight(height) {}

    void Progress(int done, int total) override
    {
        emit m_worker.progress(done, total);
        if (m_worker.m_stepHook)
            m_worker.m_stepHook(done, total);
    }
    bool CheckCancel() override { return m_worker.StopRequested(); }
    void ShowFrame(const PackedPicture& frame) override
    {
        if (!m_worker.m_bFrameWanted.exchange(false))
            return;  // the window still shows the last one
        const QImage shown = ShownFrame(frame, m_nWidth, m_nHeight);
        if (shown.isNull())
            m_worker.m_bFrameWanted.store(true);  // no memory to show it: the export goes on
        else
            emit m_worker.frameRendered(shown);
    }

private:
    ExportWorker& m_worker;
    int m_nWidth;
    int m_nHeight;
};

ExportWorker::ExportWorker(QObject* parent) : QObject(parent) {}

ExportWorker::~ExportWorker()
{
    RequestStop();
    if (m_thread.joinable())
        m_thread.join();
}

bool ExportWorker::Start(ExportAnimation animation, ExportJob job)
{
    if (Running())
        return false;
    m_bStop.store(false);
    m_bFrameWanted.store(true);
    m_pageAnswer = PageAnswer::None;
    m_outcome = ExportOutcome();
    // The decoder's limit is shared with the window thread: set it here, not there.
    SetPictureDecodeLimit();
    m_thread = std::thread(
        [this, animation = std::move(animation), job = std::move(job)]() mutable { Run(std::move(animation), job); });
    return true;
}

const ExportOutcome& ExportWorker::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
    return m_outcome;
}

void ExportWorker::RequestStop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_bStop.store(true);
    }
    m_wake.notify_all();
}

void ExportWorker::PagePrinted(bool printed)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_pageAnswer == PageAnswer::Waiting)
            m_pageAnswer = printed ? PageAnswer::Printed : PageAnswer::Failed;
    }
    m_wake.notify_all();
}

void ExportWorker::Run(ExportAnimation animation, const ExportJob& job)
{
    ExportOutcome outcome;
    try {
        Observer observer(*this, animation.Picture().Width(), animation.Picture().Height());
        CBigPicture big(std::move(animation), &observer);
        RunJob(big, job, outcome);
    } catch (...) {
        outcome.error = std::current_exception();
    }
    m_outcome = std::move(outcome);
    emit finished();
}

void ExportWorker::RunJob(CBigPicture& big, const ExportJob& job, ExportOutcome& outcome)
{
    big.SetVideoWriterFactory(job.videoWriters);
    big.SetPercentQuery([percent = job.percent](int, int) { return std::optional<int>(percent); });
    // Printed frames are read no larger than a page shows them.
    if (job.kind == ExportJob::Kind::Pages)
        big.SetSizeLimit(job.pageLimit.width(), job.pageLimit.height());
    if (job.kind == ExportJob::Kind::PdfFile) {
        const QSize limit = PrintPixelLimit(job.document.layout);
        big.SetSizeLimit(limit.width(), limit.height());
    }
    big.SetSource(job.picturePath, job.setting);

    switch (job.kind) {
    case ExportJob::Kind::Video: outcome.video = big.WriteVideo(job.path, job.speed); break;
    case ExportJob::Kind::Gif: outcome.gif = big.WriteAnimatedGif(job.path, job.speed, &outcome.gifError); break;
    case ExportJob::Kind::Loop: outcome.loops = WriteLoopFiles(big, job); break;
    case ExportJob::Kind::Pictures: outcome.pictures = ExportPictureSequence(big, job.path, job.frames); break;
    case ExportJob::Kind::PdfFile: try { outcome.print = PrintFramesToPdf(big, job.path, job.frames, job.document);
        } catch (const FileError& error) {
            outcome.pdfError = error;
        }
        break;
    case ExportJob::Kind::Pages:
        if (big.TotalFrames() <= 0 || job.frames.empty())
            break;
        RenderPrintPages(
            big, job.frames,
            [this, &outcome](const QImage& picture) {
                const PageAnswer answer = HandOverPage(picture);
                outcome.print.cancelled = answer == PageAnswer::Waiting;  // stopped before it was printed
                return answer == PageAnswer::Printed;
            },
            outcome.print);
        break;
    }
}

std::vector<LoopResult> ExportWorker::WriteLoopFiles(CBigPicture& big, const ExportJob& job)
{
    std::vector<LoopOutput> outputs;
    for (const LoopTarget& target : job.loops) {
        LoopWriterOptions options = job.loopOptions;
        options.video.codec = target.codec;
        options.video.crf = target.crf;
        outputs.push_back({target.path, MakeLoopFileWriter(target.format, options)});
    }
    ShownLoopSource source(big);
    return WriteLoops(outputs, job.speed, source);
}

ExportWorker::PageAnswer ExportWorker::HandOverPage(const QImage& picture)
{
    {
        const std::lock_guard lock(m_mutex);
        m_pageAnswer = PageAnswer::Waiting;
    }
    emit pageRendered(picture);
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_pageAnswer != PageAnswer::Waiting || m_bStop.load(); });
    return m_pageAnswer;
}

QImage ShownFrame(const PackedPicture& frame, int width, int height)
{
    const QImage image = PackedPictureImage(frame);
    if (image.isNull() || width <= 0 || height <= 0)
        return image;
    return image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}
