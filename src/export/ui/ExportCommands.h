#pragma once
// The finish screen's exports: save video, save GIF animation, save pictures
// and print (Cmd::SaveVideo, SaveAnimation, SavePictures and Print). Each asks what it needs, renders the
// frames through the core's frame source with progress in the main window's
// bar, stops at any key, and leaves the work window editing the active
// keyframe again. Only one runs at a time.

#include "export/BigPicture.h"

#include <QObject>

#include <exception>
#include <memory>
#include <optional>
#include <vector>

class CProgressWnd;
class QPrinter;
class CWorkWnd;
class ExportPrompts;
class Project;
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

class CExportCommands : public QObject, public ExportObserver {
    Q_OBJECT
public:
    CExportCommands(Project& project, CWorkWnd& work, CProgressWnd& progress, ExportHost& host, UserPrompts& messages,
                    QObject* parent = nullptr);
    ~CExportCommands() override;

    // Runs one of the four commands; nothing while another export runs.
    void OnCommand(int id);
    bool Running() const { return m_bRunning; }

    // The questions asked; the standard dialogs unless replaced.
    void SetPrompts(ExportPrompts* prompts);

    // Renders frame f in the work window (power 64, smooth) and repaints it.
    void ShowFrameAt(int f);
    // Shows the message for a file error, naming the file and the cause (none for a
    // cancelled size dialog); errors of no file name `target`, the export's file.
    void ReportFileError(const std::exception& error, const std::string& target = {});
    // The video writer of the next exports (the program's own unless replaced).
    void SetVideoWriterFactory(VideoWriterFactory factory) { m_videoWriters = std::move(factory); }

    // ExportObserver
    void Progress(int done, int total) override;
    bool CheckCancel() override;
    void ShowFrame(const PackedPicture& frame) override;
    void RepaintNow() override;

private:
    void OnSaveAnimation(bool gif);
    void OnSavePictures();
    void OnPrint();
    // Prints the frames on the printer, or into its PDF file; a failure is shown.
    void Print(CBigPicture& big, QPrinter& printer, const std::vector<int>& frames);
    std::optional<std::vector<int>> ChooseFrames();
    // The frame source for the work picture's file, at the chosen output size.
    void SetUpSource(CBigPicture& big);
    void Finish(int start);
    // Finish(start) when it leaves its scope, however it leaves it.
    class FinishOnExit {
    public:
        FinishOnExit(CExportCommands& commands, int start) : m_commands(commands), m_nStart(start) {}
        FinishOnExit(const FinishOnExit&) = delete;
        FinishOnExit& operator=(const FinishOnExit&) = delete;
        ~FinishOnExit();

    private:
        CExportCommands& m_commands;
        int m_nStart;
    };
    void ShowFailure(int stringId, const std::string& path, const QString& cause);

    Project& m_project;
    CWorkWnd& m_work;
    CProgressWnd& m_progress;
    ExportHost& m_host;
    UserPrompts& m_messages;
    std::unique_ptr<ExportPrompts> m_standardPrompts;
    ExportPrompts* m_pPrompts;
    bool m_bRunning = false;
    VideoWriterFactory m_videoWriters = OpenVideoWriter;
};
