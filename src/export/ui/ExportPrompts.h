#pragma once
// What the finish screen's export commands ask the user: file names, the
// frames, the custom size and the printer. The program uses the standard
// dialogs; tests answer from a script.

#include "export/LoopQuality.h"
#include "export/PrintFrames.h"
#include "export/VideoLoopWriter.h"

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

// A file chosen in the save-animation or save-video dialog, with what the chosen
// filter adds to its extension.
struct AnimationFile {
    QString path;                            // empty when cancelled
    bool highGif = false;                    // a ".gif" chosen as the high-quality GIF
    VideoCodec codec = VideoCodec::Default;  // an ".mp4" or ".webm" chosen with its codec
    bool severalFormats = false;             // the high-quality GIF, WebP and MP4 of the name at once
};

// One entry of those dialogs' filters: its string and what it chooses.
struct AnimationFilter {
    int stringId = 0;
    bool highGif = false;
    VideoCodec codec = VideoCodec::Default;
    bool severalFormats = false;
};
// The save-animation dialog's entries: the classic GIF first, then the high-quality
// GIF, WebP, APNG, AVIF and several formats at once.
std::vector<AnimationFilter> AnimationFilters();
// The save-video dialog's entries: the WMV first, then MP4 and WebM, and with AV1
// where its encoder is installed.
std::vector<AnimationFilter> VideoFilters(bool withAv1);
// The file `path` as chosen with `filter`: the filter's choice holds only for a name
// with the filter's own extension (a name typed with another keeps that one's default).
AnimationFile ChosenAnimationFile(const QString& path, const AnimationFilter& filter);

class ExportPrompts {
public:
    virtual ~ExportPrompts() = default;
    // A file to write, starting from the proposed full path; empty when cancelled.
    virtual AnimationFile AskSaveVideo(QWidget* parent, const QString& proposed) = 0;
    virtual AnimationFile AskSaveGif(QWidget* parent, const QString& proposed) = 0;
    virtual QString AskSavePictures(QWidget* parent, const QString& proposed) = 0;
    // The quality of the rows the chosen files use, starting from `quality` and
    // left there when accepted; false when cancelled.
    virtual bool AskLoopQuality(QWidget* parent, const LoopQualityRows& rows, LoopQuality& quality) = 0;
    // The frames to save or print; nothing when cancelled. `preview` renders a
    // frame in the work area and returns the picture.
    virtual std::optional<std::vector<int>> ChooseFrames(QWidget* parent, int total, int current,
                                                         std::function<QImage(int)> preview) = 0;
    // The percentage of the custom output size; nothing when cancelled.
    virtual std::optional<int> AskPercent(QWidget* parent, int width, int height) = 0;
    // The print dialog, offering the frame's placement on its page starting from
    // `placement` and left there when accepted; false when cancelled.
    virtual bool SetUpPrinter(QWidget* parent, QPrinter& printer, PrintPlacement& placement) = 0;
};

class StandardExportPrompts : public ExportPrompts {
public:
    AnimationFile AskSaveVideo(QWidget* parent, const QString& proposed) override;
    AnimationFile AskSaveGif(QWidget* parent, const QString& proposed) override;
    QString AskSavePictures(QWidget* parent, const QString& proposed) override;
    bool AskLoopQuality(QWidget* parent, const LoopQualityRows& rows, LoopQuality& quality) override;
    std::optional<std::vector<int>> ChooseFrames(QWidget* parent, int total, int current,
                                                 std::function<QImage(int)> preview) override;
    std::optional<int> AskPercent(QWidget* parent, int width, int height) override;
    bool SetUpPrinter(QWidget* parent, QPrinter& printer, PrintPlacement& placement) override;
};
