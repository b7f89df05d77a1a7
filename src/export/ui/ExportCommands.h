#pragma once
// The finish screen's exports: save video (WMV, or MP4 and WebM at the loop's own
// speed), save animation (the classic or high-quality GIF, WebP, APNG, AVIF), save
// pictures and print (Cmd::SaveVideo, SaveAnimation, SavePictures and Print). Each asks what it needs, then renders
// the frames on a worker thread from a copy of the animation, never through
// the work window's picture: the window keeps painting, the progress bar
// follows the worker's signals, the rendered frames show stretched over the
// work area, and any key in the main window stops the export. A printer's
// pages are painted here, on the printer's thread, as the worker renders them.
// Only one export runs at a time; the work window edits the active keyframe
// again when it ends.

#include "export/ExportWorker.h"
#include "export/LoopQuality.h"

#include <QObject>

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct AnimationFile;
class CProgressWnd;
class CWorkWnd;
class ExportPrompts;
class Project;
class QPrinter;
class UserPrompts;
class QWidget;

// What the export commands need from the main window.
class ExportHost {
public:
    virtual ~ExportHost() = default;
    virtual QWidget* HostWindow() = 0;
    // The back step of the finish screen: the work area shows the frames.
    virtual void ReturnToEditing() = 0;
    // The busy state: controls disabled, exit refused.
    virtual void SetBusy(bool busy) = 0;
    // Animation frames per second (the speed slider).
    virtual int Speed() const = 0;
    // The work window edits the active keyframe again.
    virtual void MakeActiveKeyCurrent() = 0;
};

// The files a save-animation (true) or save-video dialog's answer writes frame by
// frame from one render; none for the classic GIF and the WMV, which have exports
// of their own.
std::vector<LoopTarget> LoopTargets(const AnimationFile& file, bool fromAnimationDialog);

class CExportCommands : public QObject {
    Q_OBJECT
public:
    CExportCommands(Project& project, CWorkWnd& work, CProgressWnd& progress, ExportHost& host, UserPrompts& messages,
                    QObject* parent = nullptr);
    // Stops a running export and waits for its thread; the window is left as it is.
    ~CExportCommands() override;

    // Asks what one of the four commands needs and starts it; nothing while
    // another export runs. The export goes on after this returns: finished()
    // tells when it has ended.
    void OnCommand(int id);
    bool Running() const { return m_pRun != nullptr; }
    // Asks a running export to stop, as a key in the window does; it ends
    // later, through finished().
    void RequestStop();

    // The questions asked; the standard dialogs unless replaced.
    void SetPrompts(ExportPrompts* prompts);

    // Renders frame f in the work window (power 64, smooth) and repaints it.
    void ShowFrameAt(int f);
    // Shows the message for a file error, naming the file and the cause (none for a
    // cancelled size dialog); errors of no file name `target`, the export's file.
    void ReportFileError(const std::exception& error, const std::string& target = {});
    // The video writer of the next exports (the program's own unless replaced).
    void SetVideoWriterFactory(VideoWriterFactory factory) { m_videoWriters = std::move(factory); }
    // Printing into a PDF file goes through the printer as a printer's pages do,
    // painted here, rather than written whole by the worker (the default).
    void SetPdfThroughPrinter(bool through) { m_bPdfThroughPrinter = through; }

    // The thread the exports run on.
    ExportWorker& Worker() { return m_worker; }

signals:
    // An export that OnCommand started has ended, its messages were shown and
    // the window edits the active keyframe again.
    void finished();

private:
    struct Run;
    class KeyCatcher;
    class TipsOff;

    void OnSaveAnimation(bool gif);
    void OnSavePictures();
    void OnPrint();
    std::optional<std::vector<int>> ChooseFrames();
    // The quality of the job's files that have one, from the last export's choice
    // (kept for this run of the program); false when the user cancels.
    bool AskLoopQuality(ExportJob& job);
    // The files of several formats at once that the file dialog did not
    // confirm (only the chosen name was): true when none exists or the user
    // agrees to replace those that do.
    bool MayReplaceOtherFiles(const std::vector<LoopTarget>& targets, const std::string& confirmed);
    // The frame size of `job` from the application's setting, with the picture
    // file's size checked and the custom percentage asked for; false when the
    // size was not chosen or the picture cannot be read (then reported).
    bool ChooseSize(ExportJob& job, const std::string& target);
    // The window locked for an export whose failures name `target`.
    void BeginRun(std::string target, std::unique_ptr<TipsOff> tips = nullptr);
    // Starts the worker on a copy of the animation; a failure ends the run.
    void StartJob(ExportJob job);
    // The print dialog, after the frame size was chosen; none when cancelled.
    std::unique_ptr<QPrinter> SetUpPrinter(ExportJob& job);
    void OnWorkerFinished();
    void ReportOutcome(const ExportOutcome& outcome);
    // Ends the document of a printer, dropped unless `complete`; false when it
    // was broken (a page or its end failed).
    bool EndPrinting(bool complete);
    // Prints a page the worker rendered on the printer of this thread.
    void PrintPage(const QImage& picture);
    void ShowFrame(const QImage& frame);
    void Progress(int done, int total);
    // The window back to editing after a run; one the user stopped says so.
    void EndRun(bool stopped = false);
    void ShowFailure(int stringId, const std::string& path, const QString& cause);

    Project& m_project;
    CWorkWnd& m_work;
    CProgressWnd& m_progress;
    ExportHost& m_host;
    UserPrompts& m_messages;
    std::unique_ptr<ExportPrompts> m_standardPrompts;
    ExportPrompts* m_pPrompts;
    VideoWriterFactory m_videoWriters = OpenVideoWriter;
    bool m_bPdfThroughPrinter = false;
    LoopQuality m_loopQuality;
    PrintPlacement m_printPlacement = PrintPlacement::ActualSize;  // the print window's last choice
    std::unique_ptr<Run> m_pRun;                                   // the export in progress
    ExportWorker m_worker;                                         // last: its thread ends first
};
