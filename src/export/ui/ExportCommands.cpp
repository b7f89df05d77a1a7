#include "export/ui/ExportCommands.h"

#include "app/AppState.h"
#include "controls/ui/UserPrompts.h"
#include "controls/ui/ProgressWnd.h"
#include "export/ExportSequence.h"
#include "export/FailureText.h"
#include "io/FileError.h"
#include "export/PrintFrames.h"
#include "export/ui/ExportPrompts.h"
#include "io/FilePath.h"
#include "project/Project.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"
#include "work/ui/WorkWnd.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPrinter>

namespace {

// While installed on the application, swallows every key press meant for
// `window` (the main window) and remembers it. Keys for other windows (a
// message box opened meanwhile) pass and cancel nothing.
class KeyCatcher : public QObject {
public:
    explicit KeyCatcher(const QWidget* window) : m_pWindow(window) {}
    bool caught = false;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if ((type != QEvent::KeyPress && type != QEvent::ShortcutOverride) || !InWindow(watched))
            return false;
        if (type == QEvent::ShortcutOverride)
            event->accept();  // no shortcut runs in the middle of an export
        caught = true;
        return true;
    }

private:
    bool InWindow(const QObject* target) const
    {
        const auto* widget = qobject_cast<const QWidget*>(target);
        return m_pWindow && widget && widget->window() == m_pWindow;
    }

    const QWidget* m_pWindow;
};

// Holds the tooltip setting off while the command runs.
class TipsOff {
public:
    TipsOff() : m_bSaved(App().m_bShowTips) { App().m_bShowTips = false; }
    TipsOff(const TipsOff&) = delete;
    TipsOff& operator=(const TipsOff&) = delete;
    ~TipsOff() { App().m_bShowTips = m_bSaved; }

private:
    bool m_bSaved;
};

// The running flag and the busy state for one export.
class ExportRun {
public:
    ExportRun(bool& flag, ExportHost& host) : m_flag(flag), m_host(host)
    {
        m_flag = true;
        m_host.SetBusy(true);
    }
    ExportRun(const ExportRun&) = delete;
    ExportRun& operator=(const ExportRun&) = delete;
    ~ExportRun()
    {
        m_host.SetBusy(false);
        m_flag = false;
    }

private:
    bool& m_flag;
    ExportHost& m_host;
};

}  // namespace

CExportCommands::CExportCommands(Project& project, CWorkWnd& work, CProgressWnd& progress, ExportHost& host,
                                 UserPrompts& messages, QObject* parent)
        : QObject(parent), m_project(project), m_work(work), m_progress(progress), m_host(host), m_messages(messages),
          m_standardPrompts(std::make_unique<StandardExportPrompts>()), m_pPrompts(m_standardPrompts.get())
{}

CExportCommands::~CExportCommands() = default;

void CExportCommands::SetPrompts(ExportPrompts* prompts)
{
    m_pPrompts = prompts ? prompts : m_standardPrompts.get();
}

void CExportCommands::OnCommand(int id)
{
    // Every command needs frames, and one export at a time.
    if (m_bRunning || m_project.Keys().GetTotalFrames() <= 0 || !m_project.Picture().HasPicture())
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

void CExportCommands::SetUpSource(CBigPicture& big)
{
    big.SetPercentQuery(
        [this](int width, int height) { return m_pPrompts->AskPercent(m_host.HostWindow(), width, height); });
    big.SetSource(m_project.Work().Path());
}

void CExportCommands::OnSaveAnimation(bool gif)
{
    const ExportKind kind = gif ? ExportKind::Gif : ExportKind::Video;
    const QString proposed = ProposedExportPath(kind, m_project);
    const QString path = gif ? m_pPrompts->AskSaveGif(m_host.HostWindow(), proposed)
                             : m_pPrompts->AskSaveVideo(m_host.HostWindow(), proposed);
    if (path.isEmpty())
        return;
    m_host.ReturnToEditing();
    const int start = m_project.Keys().GetSelectedStart();
    {
        const ExportRun running(m_bRunning, m_host);
        RememberExportFolder(kind, path);
        const std::string target = PathFromQString(path);
        try {
            CBigPicture big(m_project, this);
            big.SetVideoWriterFactory(m_videoWriters);
            SetUpSource(big);
            if (gif) {
                GifWriteError error;
                const GifExportResult result = big.WriteAnimatedGif(target, m_host.Speed(), &error);
                if (result != GifExportResult::Ok && result != GifExportResult::Cancelled &&
                    result != GifExportResult::NoFrames)
                    ShowFailure(StrId::CannotWriteFile, target, GifFailureCause(result, error));
            } else {
                const VideoExportResult result = big.WriteVideo(target, m_host.Speed());
                if (result.status == VideoExportStatus::Failed)
                    ShowFailure(StrId::CannotWriteVideo, target, VideoFailureCause(result));
            }
        } catch (const std::exception& error) {
            ReportFileError(error, target);
        }
        Finish(start);
    }
    m_host.MakeActiveKeyCurrent();
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
    if (frames) {
        const TipsOff tips;
        const QString path =
            m_pPrompts->AskSavePictures(m_host.HostWindow(), ProposedExportPath(ExportKind::Pictures, m_project));
        if (!path.isEmpty()) {
            RememberExportFolder(ExportKind::Pictures, path);
            m_host.ReturnToEditing();
            const int start = m_project.Keys().GetSelectedStart();
            const ExportRun running(m_bRunning, m_host);
            try {
                CBigPicture big(m_project, this);
                SetUpSource(big);
                const PictureSequenceResult result = ExportPictureSequence(big, PathFromQString(path), *frames);
                if (!result.failed.empty()) {
                    const PictureSequenceResult::Failure& failure = result.failed.front();
                    const bool full = failure.result.cause == FileError::Cause::DiskFull;
                    ShowFailure(full ? StrId::CannotWriteFile : StrId::CannotSaveFile, failure.path,
                                PictureSaveCause(failure.result));
                }
            } catch (const std::exception& error) {
                ReportFileError(error, PathFromQString(path));
            }
            Finish(start);
        }
    }
    // The frame dialog showed other frames in the work area.
    m_host.MakeActiveKeyCurrent();
}

void CExportCommands::OnPrint()
{
    const std::optional<std::vector<int>> frames = ChooseFrames();
    if (frames) {
        const TipsOff tips;
        try {
            CBigPicture big(m_project, this);
            SetUpSource(big);
            QPrinter printer(QPrinter::HighResolution);
            printer.setDocName(PathToQString(m_project.Name()).left(127));
            if (m_pPrompts->SetUpPrinter(m_host.HostWindow(), printer)) {
                m_host.ReturnToEditing();
                const WorkPicture& work = m_project.Picture();
                printer.setPageOrientation(PrintOrientation(work.Width(), work.Height()));
                // Printing also holds the busy state: the window stays alive
                // between pages, and nothing else may start or end the program meanwhile.
                const ExportRun running(m_bRunning, m_host);
                const FinishOnExit finish(*this, m_project.Keys().GetSelectedStart());
                Print(big, printer, *frames);
            }
        } catch (const std::exception& error) {
            ReportFileError(error);
        }
    }
    m_host.MakeActiveKeyCurrent();
}

void CExportCommands::Print(CBigPicture& big, QPrinter& printer, const std::vector<int>& frames)
{
    // A PDF file is printed as the command line prints it, and written whole
    // or not at all.
    const QString pdf = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
    PrintResult result;
    if (!pdf.isEmpty()) {
        PdfDocument document;
        document.layout = printer.pageLayout();
        document.title = m_project.Name();
        document.creator = AppString(StrId::ProductName).toStdString();
        try {
            result = PrintFramesToPdf(big, PathFromQString(pdf), frames, document);
        } catch (const FileError& error) {
            ShowFailure(StrId::CannotWriteFile, error.Path(), FailureCause(error));
            return;
        }
    } else {
        result = PrintFrames(big, printer, frames);
        if (result.Failed() && result.started)
            printer.abort();
    }
    if (result.Failed()) {
        const QString target = pdf.isEmpty() ? printer.printerName() : pdf;
        ShowFailure(StrId::CannotWriteFile, PathFromQString(target), QString::fromStdString(result.error));
    }
}

CExportCommands::FinishOnExit::~FinishOnExit()
{
    try {
        m_commands.Finish(m_nStart);
    } catch (...) {
        // Showing the frame failed; the progress bar and the stretched frame are gone.
    }
}

void CExportCommands::Finish(int start)
{
    m_progress.hide();
    m_work.ClearStretchedFrame();
    ShowFrameAt(start);
    m_work.repaint();
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

void CExportCommands::Progress(int done, int total)
{
    m_progress.SetRange(0, std::max(total, 1));
    m_progress.SetPos(done);
}

bool CExportCommands::CheckCancel()
{
    KeyCatcher catcher(m_host.HostWindow());
    qApp->installEventFilter(&catcher);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    qApp->removeEventFilter(&catcher);
    return catcher.caught;
}

void CExportCommands::ShowFrame(const PackedPicture& frame)
{
    m_work.ShowStretchedFrame(PackedPictureImage(frame));
}

void CExportCommands::RepaintNow()
{
    if (QWidget* window = m_host.HostWindow())
        window->repaint();
}
