#pragma once
// Exports on a thread of their own: a video, an animated GIF, a loop of another
// format (LoopWriter), a picture sequence, a PDF file or the pages for a printer, rendered from a copy of the
// animation (ExportAnimation) into the export's own buffers. The worker tells
// the window thread what happens through signals (queued there): the progress,
// a frame to show now and then, the pages a printer of the window thread
// prints, and the end. The window asks it to stop from its own thread; a stop
// follows the rules of the exports themselves (a video or GIF being written is
// deleted, the pictures written so far stay).

#include "export/BigPicture.h"
#include "export/ExportSequence.h"
#include "export/GifExport.h"
#include "export/LoopFormats.h"
#include "export/PrintFrames.h"
#include "export/VideoExport.h"
#include "export/VideoLoopWriter.h"
#include "io/FileError.h"

#include <QImage>
#include <QObject>
#include <QSize>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// One file of a loop export.
struct LoopTarget {
    std::string path;
    LoopFileFormat format = LoopFileFormat::HighGif;
    VideoCodec codec = VideoCodec::Default;  // a video's (the job options' codec and crf are not used)
    int crf = -1;                            // a video's constant-rate factor; -1: its codec's default
};

// What one export makes, fixed on the window thread before it starts.
struct ExportJob {
    enum class Kind {
        Video,     // `path` by its extension (VideoExport.h)
        Gif,       // an animated GIF at the work picture's size
        Loop,      // every file of `loops` from one render, at the frame size, a frame per animation frame
        Pictures,  // the chosen frames, each a picture named after `path`
        PdfFile,   // the chosen frames on the pages of `document`, written whole to `path`
        Pages,     // the chosen frames for pages the window thread prints (pageRendered)
    };
    Kind kind = Kind::Video;
    std::string picturePath;             // the picture file, read for settings 1 and 2
    int setting = CBigPicture::kScreen;  // the frame size setting
    int percent = 100;                   // the custom size (setting 2)
    std::string path;
    int speed = 30;  // animation frames per second (video, GIF and loop)
    std::vector<LoopTarget> loops;
    LoopWriterOptions loopOptions;  // the writers' options (each target chooses its video codec)
    std::vector<int> frames;        // pictures and pages
    QSize pageLimit;                // pages: the largest frame a page shows at 300 pixels per inch
    PdfDocument document;
    VideoWriterFactory videoWriters = OpenVideoWriter;
};

// How an export ended; the part of its kind is filled.
struct ExportOutcome {
    // What setting up or rendering threw: FileError when the picture could not
    // be read, ExportSizeError, std::bad_alloc, std::out_of_range for a frame
    // beyond the last...
    std::exception_ptr error;
    VideoExportResult video;
    GifExportResult gif = GifExportResult::Ok;
    GifWriteError gifError;
    std::vector<LoopResult> loops;  // a result per file of the job's loops
    PictureSequenceResult pictures;
    PrintResult print;
    std::optional<FileError> pdfError;  // the PDF file could not be written
};

class ExportWorker : public QObject {
    Q_OBJECT
public:
    explicit ExportWorker(QObject* parent = nullptr);
    // Asks a running export to stop and waits for its thread.
    ~ExportWorker() override;
    ExportWorker(const ExportWorker&) = delete;
    ExportWorker& operator=(const ExportWorker&) = delete;

    // Starts the job on a thread of its own; false while another one has not
    // been waited for.
    bool Start(ExportAnimation animation, ExportJob job);
    // Between Start and Wait.
    bool Running() const { return m_thread.joinable(); }
    // Waits for the thread of the export (at once after finished()) and returns
    // how it ended.
    const ExportOutcome& Wait();

    // From any thread: the export stops after the step it is in (for a video
    // between the encoder's packets, its flush included).
    void RequestStop();
    bool StopRequested() const { return m_bStop.load(); }

    // The window showed the frame it was sent and takes the next one.
    void FrameShown() { m_bFrameWanted.store(true); }
    // The answer to pageRendered: the page was printed (true) or printing failed.
    void PagePrinted(bool printed);

    // Called on the export's thread after every progress step (tests
    // synchronise with the export through it); set before Start.
    void SetStepHook(std::function<void(int done, int total)> hook) { m_stepHook = std::move(hook); }

signals:
    // `done` of `total` steps are finished.
    void progress(int done, int total);
    // A frame to show over the work area, at the work picture's size. The next
    // frame is sent only after FrameShown(), so frames never pile up.
    void frameRendered(const QImage& frame);
    // A page for a printer of the window thread; the export waits for
    // PagePrinted (or a stop) before it renders the next one.
    void pageRendered(const QImage& picture);
    // The export ended; call Wait().
    void finished();

private:
    class Observer;
    enum class PageAnswer { None, Waiting, Printed, Failed };

    void Run(ExportAnimation animation, const ExportJob& job);
    void RunJob(CBigPicture& big, const ExportJob& job, ExportOutcome& outcome);
    std::vector<LoopResult> WriteLoopFiles(CBigPicture& big, const ExportJob& job);
    // Hands a page to the window thread and waits for its answer or a stop.
    PageAnswer HandOverPage(const QImage& picture);

    std::thread m_thread;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bFrameWanted{true};
    std::mutex m_mutex;  // guards m_pageAnswer and the stop for m_wake
    std::condition_variable m_wake;
    PageAnswer m_pageAnswer = PageAnswer::None;
    std::function<void(int, int)> m_stepHook;
    ExportOutcome m_outcome;  // written by the export's thread, read after Wait
};

// A rendered frame as the work area shows it: top-down and scaled to
// width x height (the work picture's size) as the work window stretches it.
QImage ShownFrame(const PackedPicture& frame, int width, int height);
