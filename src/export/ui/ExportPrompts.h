#pragma once
// What the finish screen's export commands ask the user: file names, the
// frames, the custom size and the printer. The program uses the standard
// dialogs; tests answer from a script.

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class Project;
class QImage;
class QPrinter;
class QWidget;

// The name a document goes by in the save dialogs: the project's file name
// without its extension, else the picture's, else string 1043 ("Untitled").
QString DocumentName(const Project& project);

// The three kinds of files the finish screen saves; each remembers the folder
// it was last saved in.
enum class ExportKind { Video, Gif, Pictures };
// What a kind's save dialog proposes: the document's name in the kind's last
// folder ("name.wmv", "name.gif"; "picture_wrpl" for pictures, whose dialog
// adds the extension of the type chosen).
QString ProposedExportPath(ExportKind kind, const Project& project);
// Remembers the folder of `path` for the next save of `kind`.
void RememberExportFolder(ExportKind kind, const QString& path);

class ExportPrompts {
public:
    virtual ~ExportPrompts() = default;
    // A file to write, starting from the proposed full path; empty when cancelled.
    virtual QString AskSaveVideo(QWidget* parent, const QString& proposed) = 0;
    virtual QString AskSaveGif(QWidget* parent, const QString& proposed) = 0;
    virtual QString AskSavePictures(QWidget* parent, const QString& proposed) = 0;
    // The frames to save or print; nothing when cancelled. `preview` renders a
    // frame in the work area and returns the picture.
    virtual std::optional<std::vector<int>> ChooseFrames(QWidget* parent, int total, int current,
                                                         std::function<QImage(int)> preview) = 0;
    // The percentage of the custom output size; nothing when cancelled.
    virtual std::optional<int> AskPercent(QWidget* parent, int width, int height) = 0;
    // The print dialog; false when cancelled.
    virtual bool SetUpPrinter(QWidget* parent, QPrinter& printer) = 0;
};

class StandardExportPrompts : public ExportPrompts {
public:
    QString AskSaveVideo(QWidget* parent, const QString& proposed) override;
    QString AskSaveGif(QWidget* parent, const QString& proposed) override;
    QString AskSavePictures(QWidget* parent, const QString& proposed) override;
    std::optional<std::vector<int>> ChooseFrames(QWidget* parent, int total, int current,
                                                 std::function<QImage(int)> preview) override;
    std::optional<int> AskPercent(QWidget* parent, int width, int height) override;
    bool SetUpPrinter(QWidget* parent, QPrinter& printer) override;
};
