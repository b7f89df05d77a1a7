#include "export/ui/ExportCommands.h"

#include "app/AppState.h"
#include "controls/ui/ProgressWnd.h"
#include "controls/ui/UserPrompts.h"
#include "export/FailureText.h"
#include "export/PictureFile.h"
#include "export/ui/ExportPrompts.h"
#include "io/FileError.h"
#include "io/FilePath.h"
#include "project/Project.h"
#include "res/CommandIds.h"
#include "res/OutsideText.h"
#include "res/StringTable.h"
#include "work/ui/WorkWnd.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPrinter>

#include <algorithm>
#include <functional>

namespace {

// Whether a stop asked for by the user ended the export before all was written.
bool StoppedBeforeTheEnd(const ExportOutcome& outcome, ExportJob::Kind kind)
{
    if (outcome.error)
        return false;
    switch (kind) {
    case ExportJob::Kind::Video: return outcome.video.status == VideoExportStatus::Cancelled;
    case ExportJob::Kind::Gif: return outcome.gif == GifExportResult::Cancelled;
    case ExportJob::Kind::Loop:
        return std::any_of(outcome.loops.begin(), outcome.loops.end(),
                           [](const LoopResult& result) { return result.status == LoopStatus::Stopped; });
    case ExportJob::Kind::Pictures: return outcome.pictures.cancelled;
    case ExportJob::Kind::PdfFile:
    case ExportJob::Kind::Pages: return outcome.print.cancelled;
    }
    return false;
}

}  // namespace

// While installed on the application, swallows every key press meant for
// `window` (the main window) and asks the export to stop. Keys for other
// windows (a message box opened meanwhile) pass and stop nothing.
class CExportCommands::KeyCatcher : public QObject {
public:
    KeyCatcher(const QWidget* window, std::function<void()> stop) : m_pWindow(window), m_stop(std::move(stop))
    {
        qApp->installEventFilter(this);
    }
    ~KeyCatcher() override
    {
        if (qApp)
            qApp->removeEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if ((type != QEvent::KeyPress && type != QEvent::ShortcutOverride) || !InWindow(watched))
            return false;
        if (type == QEvent::ShortcutOverride)
            event->accept();  // no shortcut runs in the middle of an export
        else
            m_stop();
        return true;
    }

private:
    bool InWindow(const QObject* target) const
    {
        const auto* widget = qobject_cast<const QWidget*>(target);
        return m_pWindow && widget && widget->window() == m_pWindow;
    }

    const QWidget* m_pWindow;
    std::function<void()> m_stop;
};

// Holds the tooltip setting off while a command runs.
class CExportCommands::TipsOff {
public:
    TipsOff() : m_bSaved(App().m_bShowTips) { App().m_bShowTips = false; }
    TipsOff(const TipsOff&) = delete;
    TipsOff& operator=(const TipsOff&) = delete;
    ~TipsOff() { App().m_bShowTips = m_bSaved; }

private:
    bool m_bSaved;
};

// One export in progress, from the locked window to its end.
struct CExportCommands::Run {
    ExportJob::Kind kind = ExportJob::Kind::Video;
    std::vector<LoopTarget> loops;  // the files of a loop export
    std::string target;             // the file (or printer) failures name
    std::unique_ptr<TipsOff> tips;
    std::unique_ptr<KeyCatcher> keys;
    std::unique_ptr<QPrinter> printer;  // printing on this thread
    std::unique_ptr<PagePainter> pages;
};

CExportCommands::CExportCommands(Project& project, CWorkWnd& work, CProgressWnd& progress, ExportHost& host,
                                 UserPrompts& messages, QObject* parent)
        : QObject(parent), m_project(project), m_work(work), m_progress(progress), m_host(host), m_messages(messages),
          m_standardPrompts(std::make_unique<StandardExportPrompts>()), m_pPrompts(m_standardPrompts.get())
{
    connect(&m_worker, &ExportWorker::progress, this, &CExportCommands::Progress);
    connect(&m_worker, &ExportWorker::frameRendered, this, &CExportCommands::ShowFrame);
    connect(&m_worker, &ExportWorker::pageRendered, this, &CExportCommands::PrintPage);
    connect(&m_worker, &ExportWorker::finished, this, &CExportCommands::OnWorkerFinished);
}

CExportCommands::~CExportCommands()
{
    // The windows the run would restore may be gone already: only the thread
    // ends, and a printer's unfinished document is dropped.
    m_worker.RequestStop();
    m_worker.Wait();
    if (m_pRun && m_pRun->printer && m_pRun->pages && m_pRun->pages->Started())
        m_pRun->printer->abort();
}

void CExportCommands::SetPrompts(ExportPrompts* prompts)
{
    m_pPrompts = prompts ? prompts : m_standardPrompts.get();
}

void CExportCommands::RequestStop()
{
    if (Running())
        m_worker.RequestStop();
}

void CExportCommands::OnCommand(int id)
{
    // Every command needs frames, and one export at a time.
    if (Running() || m_project.Keys().GetTotalFrames() <= 0 || !m_project.Picture().HasPicture())
        return;
    switch (id) {
    case Cmd::SaveVideo: OnSaveAnimation(false); break;
    case Cmd::SaveAnimation: OnSaveAnimation(true); break;
    case Cmd::SavePictures: OnSavePictures(); break;
    case Cmd::Print: OnPrint(); break;
    default: break;
    }
}

void CExportCommands::ShowFailure(int stringId, const std::string& path, const QString& cause)
{
    m_messages.Message(m_host.HostWindow(), FailureMessage(stringId, path, cause), MsgButtons::Ok,
                       MsgIcon::Exclamation);
}

std::vector<LoopTarget> LoopTargets(const AnimationFile& file, bool fromAnimationDialog)
{
    const std::string path = PathFromQString(file.path);
    if (file.severalFormats) {
        // The same name with each format's extension, from one render.
        const QFileInfo info(file.path);
        const std::string base = PathFromQString(info.dir().filePath(info.completeBaseName()));
        return {{base + ".gif", LoopFileFormat::HighGif},
                {base + ".webp", LoopFileFormat::Webp},
                {base + ".mp4", LoopFileFormat::Video}};
    }
    // The classic GIF and the WMV keep their own exports; the other formats are
    // written frame by frame at the loop's own speed.
    const std::optional<LoopFileFormat> format = LoopFileFormatForPath(path);
    const bool video = format == LoopFileFormat::Video;
    if (!format || video == fromAnimationDialog || (*format == LoopFileFormat::HighGif && !file.highGif))
        return {};
    return {{path, *format, file.codec}};
}

void CExportCommands::OnSaveAnimation(bool gif)
{
    const ExportKind kind = gif ? ExportKind::Gif : ExportKind::Video;
    const QString proposed = ProposedExportPath(kind, m_project);
    const AnimationFile file = gif ? m_pPrompts->AskSaveGif(m_host.HostWindow(), proposed)
                                   : m_pPrompts->AskSaveVideo(m_host.HostWindow(), proposed);
    if (file.path.isEmpty())
        return;
    m_host.ReturnToEditing();
    RememberExportFolder(kind, file.path);
    ExportJob job;
    job.kind = gif ? ExportJob::Kind::Gif : ExportJob::Kind::Video;
    job.path = PathFromQString(file.path);
    job.speed = m_host.Speed();
    job.videoWriters = m_videoWriters;
    job.loops = LoopTargets(file, gif);
    if (!job.loops.empty())
        job.kind = ExportJob::Kind::Loop;
    if (!MayReplaceOtherFiles(job.loops, job.path) || !AskLoopQuality(job))
        return;
    BeginRun(job.path);
    m_pRun->loops = job.loops;
    if (ChooseSize(job, job.path))
        StartJob(std::move(job));
    else
        EndRun();
}

bool CExportCommands::MayReplaceOtherFiles(const std::vector<LoopTarget>& targets, const std::string& confirmed)
{
    QStringList existing;
    for (const LoopTarget& target : targets) {
        if (target.path != confirmed && QFileInfo(PathToQString(target.path)).isFile())
            existing << ShownText(PathToQString(target.path));
    }
    if (existing.isEmpty())
        return true;
    const QString question =
        AppString(StrId::ReplaceOtherFormats) + QLatin1Char('\n') + existing.join(QLatin1Char('\n'));
    return m_messages.Message(m_host.HostWindow(), question, MsgButtons::YesNo, MsgIcon::Question) == MsgAnswer::Yes;
}

bool CExportCommands::AskLoopQuality(ExportJob& job)
{
    const LoopQualityRows rows = QualityRowsFor(job.loops);
    if (!rows.Any())
        return true;
    LoopQuality quality = m_loopQuality;
    if (!m_pPrompts->AskLoopQuality(m_host.HostWindow(), rows, quality))
        return false;
    m_loopQuality = quality;
    quality.ApplyTo(job.loopOptions);
    quality.ApplyTo(job.loops);
    return true;
}

std::optional<std::vector<int>> CExportCommands::ChooseFrames()
{
    return m_pPrompts->ChooseFrames(m_host.HostWindow(), m_project.Keys().GetTotalFrames(),
                                    m_project.Keys().GetSelectedStart(), [this](int f) {
                                        ShowFrameAt(f);
                                        return PackedPictureImage(m_project.Picture().Display());
                                    });
}

void CExportCommands::OnSavePictures()
{
    const std::optional<std::vector<int>> frames = ChooseFrames();
    auto tips = std::make_unique<TipsOff>();
    const QString path =
        frames ? m_pPrompts->AskSavePictures(m_host.HostWindow(), ProposedExportPath(ExportKind::Pictures, m_project))
               : QString();
    if (path.isEmpty()) {
        tips.reset();
        m_host.MakeActiveKeyCurrent();  // the frame dialog showed other frames in the work area
        return;
    }
    RememberExportFolder(ExportKind::Pictures, path);
    m_host.ReturnToEditing();
    ExportJob job;
    job.kind = ExportJob::Kind::Pictures;
    job.path = PathFromQString(path);
    job.frames = *frames;
    BeginRun(job.path, std::move(tips));
    if (ChooseSize(job, job.path))
        StartJob(std::move(job));
    else
        EndRun();
}

void CExportCommands::OnPrint()
{
    std::optional<std::vector<int>> frames = ChooseFrames();
    auto tips = std::make_unique<TipsOff>();
    ExportJob job;
    std::unique_ptr<QPrinter> printer = frames ? SetUpPrinter(job) : nullptr;
    if (!printer) {
        tips.reset();
        m_host.MakeActiveKeyCurrent();  // the frame dialog showed other frames in the work area
        return;
    }
    job.frames = std::move(*frames);
    m_host.ReturnToEditing();
    printer->setPageOrientation(PrintOrientation(m_project.Picture().Width(), m_project.Picture().Height()));
    // A PDF file is printed as the command line prints it, on the worker, and
    // written whole or not at all. A printer is painted on this thread.
    const QString pdf = printer->outputFormat() == QPrinter::PdfFormat ? printer->outputFileName() : QString();
    if (!pdf.isEmpty() && !m_bPdfThroughPrinter) {
        job.kind = ExportJob::Kind::PdfFile;
        job.path = PathFromQString(pdf);
        job.document.layout = printer->pageLayout();
        job.document.title = m_project.Name();
        job.document.creator = AppString(StrId::ProductName).toStdString();
        job.document.placement = m_printPlacement;
        BeginRun(job.path, std::move(tips));
        StartJob(std::move(job));
        return;
    }
    job.kind = ExportJob::Kind::Pages;
    job.pageLimit = PrintPixelLimit(printer->pageLayout());
    BeginRun(PathFromQString(pdf.isEmpty() ? printer->printerName() : pdf), std::move(tips));
    m_pRun->printer = std::move(printer);
    m_pRun->pages = std::make_unique<PagePainter>(*m_pRun->printer, m_printPlacement);
    if (!m_pRun->pages->Begin()) {
        ShowFailure(StrId::CannotWriteFile, m_pRun->target, QString::fromStdString(m_pRun->pages->Error()));
        EndRun();
        return;
    }
    StartJob(std::move(job));
}

std::unique_ptr<QPrinter> CExportCommands::SetUpPrinter(ExportJob& job)
{
    if (!ChooseSize(job, {}))
        return nullptr;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(PathToQString(m_project.Name()).left(127));
    if (!m_pPrompts->SetUpPrinter(m_host.HostWindow(), *printer, m_printPlacement))
        return nullptr;
    return printer;
}

bool CExportCommands::ChooseSize(ExportJob& job, const std::string& target)
{
    job.picturePath = m_project.Work().Path();
    job.setting = App().m_nSaveMode;
    if (job.setting != CBigPicture::kPicture && job.setting != CBigPicture::kCustom) {
        job.setting = CBigPicture::kScreen;
        return true;
    }
    try {
        // The picture is read at its own size: a file that cannot be read is
        // reported now, before anything is written.
        const QSize size = PictureFileSize(job.picturePath);
        if (job.setting == CBigPicture::kCustom) {
            const std::optional<int> percent = m_pPrompts->AskPercent(m_host.HostWindow(), size.width(), size.height());
            if (!percent)
                return false;  // a cancelled size dialog ends the export silently
            job.percent = *percent;
        }
        return true;
    } catch (const std::exception& error) {
        ReportFileError(error, target);
        return false;
    }
}

void CExportCommands::BeginRun(std::string target, std::unique_ptr<TipsOff> tips)
{
    m_pRun = std::make_unique<Run>();
    m_pRun->target = std::move(target);
    m_pRun->tips = std::move(tips);
    m_host.SetBusy(true);
}

void CExportCommands::StartJob(ExportJob job)
{
    m_pRun->kind = job.kind;
    try {
        ExportAnimation animation(m_project.Keys(), m_project.Picture());
        m_pRun->keys = std::make_unique<KeyCatcher>(m_host.HostWindow(), [this] { m_worker.RequestStop(); });
        if (!m_worker.Start(std::move(animation), std::move(job)))
            EndRun();  // the last export's thread was not waited for: nothing starts
    } catch (const std::exception& error) {
        ReportFileError(error, m_pRun->target);  // no memory for the copy
        EndRun();
    }
}

void CExportCommands::Progress(int done, int total)
{
    if (!Running())
        return;
    m_progress.SetRange(0, std::max(total, 1));
    m_progress.SetPos(done);
}

void CExportCommands::ShowFrame(const QImage& frame)
{
    if (Running())
        m_work.ShowStretchedFrame(frame);
    m_worker.FrameShown();
}

void CExportCommands::PrintPage(const QImage& picture)
{
    const bool printed = m_pRun && m_pRun->pages && m_pRun->pages->Paint(picture);
    m_worker.PagePrinted(printed);
}

void CExportCommands::OnWorkerFinished()
{
    const ExportOutcome& outcome = m_worker.Wait();
    if (!m_pRun)
        return;
    const bool stopped = StoppedBeforeTheEnd(outcome, m_pRun->kind);
    ReportOutcome(outcome);
    EndRun(stopped);
}

void CExportCommands::ReportOutcome(const ExportOutcome& outcome)
{
    const Run& run = *m_pRun;
    if (outcome.error) {
        if (run.pages)
            EndPrinting(false);
        try {
            std::rethrow_exception(outcome.error);
        } catch (const std::exception& error) {
            ReportFileError(error, run.target);
        }
        return;
    }
    switch (run.kind) {
    case ExportJob::Kind::Video:
        if (outcome.video.status == VideoExportStatus::Failed)
            ShowFailure(StrId::CannotWriteVideo, run.target, VideoFailureCause(outcome.video));
        break;
    case ExportJob::Kind::Gif:
        if (outcome.gif != GifExportResult::Ok && outcome.gif != GifExportResult::Cancelled &&
            outcome.gif != GifExportResult::NoFrames)
            ShowFailure(StrId::CannotWriteFile, run.target, GifFailureCause(outcome.gif, outcome.gifError));
        break;
    case ExportJob::Kind::Loop:
        // Each file that failed is named; the others were written.
        for (size_t i = 0; i < outcome.loops.size() && i < run.loops.size(); ++i) {
            const LoopResult& result = outcome.loops[i];
            const LoopTarget& target = run.loops[i];
            if (!result && result.status != LoopStatus::Stopped)
                ShowFailure(target.format == LoopFileFormat::Video ? StrId::CannotWriteVideo : StrId::CannotWriteFile,
                            target.path, LoopFailureCause(result, target.path));
        }
        break;
    case ExportJob::Kind::Pictures:
        if (!outcome.pictures.failed.empty()) {
            const PictureSequenceResult::Failure& failure = outcome.pictures.failed.front();
            const bool full = failure.result.cause == FileError::Cause::DiskFull;
            ShowFailure(full ? StrId::CannotWriteFile : StrId::CannotSaveFile, failure.path,
                        PictureSaveCause(failure.result));
        }
        break;
    case ExportJob::Kind::PdfFile:
        if (outcome.pdfError)
            ShowFailure(StrId::CannotWriteFile, outcome.pdfError->Path(), FailureCause(*outcome.pdfError));
        else if (outcome.print.Failed())
            ShowFailure(StrId::CannotWriteFile, run.target, QString::fromStdString(outcome.print.error));
        break;
    case ExportJob::Kind::Pages: {
        PrintResult result = outcome.print;
        if (!EndPrinting(!result.Failed()) && !result.Failed())
            result.error = run.pages->Error();
        if (result.Failed())
            ShowFailure(StrId::CannotWriteFile, run.target, QString::fromStdString(result.error));
        break;
    }
    }
}

bool CExportCommands::EndPrinting(bool complete)
{
    // The worker rendered the pages; this thread painted them and ends the document.
    Run& run = *m_pRun;
    const bool ended = run.pages->End() && run.pages->Error().empty();
    if (!complete || !ended)
        run.printer->abort();  // nothing of a broken document is printed
    return ended;
}

void CExportCommands::EndRun(bool stopped)
{
    m_pRun->keys.reset();
    m_progress.hide();
    m_work.ClearStretchedFrame();
    m_work.repaint();
    m_host.SetBusy(false);
    m_pRun.reset();  // the tooltips come back, the printer goes
    m_host.MakeActiveKeyCurrent();
    // A stopped export says so for a moment over the picture it leaves.
    if (stopped)
        m_work.ShowNotice(AppCaption(CapId::ExportStopped));
    emit finished();
}

void CExportCommands::ShowFrameAt(int f)
{
    WorkPicture& picture = m_project.Picture();
    picture.AttachMap(m_project.Keys().GetFrameMapAt(f));
    m_work.RenderMap(64, true);
    m_work.repaint();
}

void CExportCommands::ReportFileError(const std::exception& error, const std::string& target)
{
    if (dynamic_cast<const ExportSizeCancelled*>(&error))
        return;  // a cancelled size dialog ends the export silently
    if (const auto* file = dynamic_cast<const FileError*>(&error)) {
        // Reading the picture failed (missing, unreadable, corrupt), or writing did. The
        // picture's name comes from the project file: it is shown escaped.
        const bool full = file->GetCause() == FileError::Cause::DiskFull;
        ShowFailure(full ? StrId::CannotWriteFile : StrId::CannotReadFile, file->Path(), FailureCause(*file));
        return;
    }
    // A size that cannot be rendered, or no memory for it.
    ShowFailure(StrId::CannotWriteFile, target, FailureCause(error));
}
