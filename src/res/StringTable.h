#pragma once
// The program's string table, in Chinese (the program's own) and English.
//
// Two tables per language, both addressed by numeric identifier:
//  - strings: messages, tooltips and help texts, file-dialog filters, tool
//    names (a tool's command identifier is the identifier of its name); a
//    control's help text is the string whose identifier is the control's;
//  - captions: the texts shown on buttons, labels, menu items and dialog title
//    bars, where a control shows a text other than its tooltip.
// The texts are stored in src/res/strings/<language>.tsv and embedded in the
// program.

#include "app/UiLanguage.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The language of the texts below: the interface language the application
// chose at start-up (App().m_language). Every text shown is looked up in it, so
// it is read here once rather than passed to each lookup.
UiLanguage AppLanguage();

// Strings in the current language; empty when the id has none.
QString AppString(int id);
bool HasAppString(int id);
QString AppString(int id, UiLanguage language);
bool HasAppString(int id, UiLanguage language);

// Captions in the current language; empty when the id has none.
QString AppCaption(int id);
bool HasAppCaption(int id);
QString AppCaption(int id, UiLanguage language);
bool HasAppCaption(int id, UiLanguage language);

// A file-dialog filter string of the table ("name|patterns|name|patterns||")
// in Qt's form ("name (patterns);;name (patterns)").
QString AppFileFilter(int id);
// The conversion itself. Patterns separated by ';' become separated by spaces.
// With `addUpperCase`, each pattern is joined by its upper-case spelling
// ("*.jpg" -> "*.jpg *.JPG"), as file names on Linux are case-sensitive.
QString QtFileFilter(const QString& tableFilter, bool addUpperCase = false);

// All identifiers of a table, ascending.
std::vector<int> AppStringIds(UiLanguage language);
std::vector<int> AppCaptionIds(UiLanguage language);
// Lines of the stored tables that could not be used (malformed, unknown
// table, duplicate identifier); empty for a sound table.
QStringList StringTableProblems();

// Identifiers of the tool names, in the order of the tool catalogue: the
// panels' tools in their order on the screen.
std::vector<int> ToolNameIds();

// Identifiers of well-known strings.
namespace StrId {
inline constexpr int DocumentType = 128;  // document template: name, filter, extension, type
inline constexpr int SavePictureFilter = 129;
inline constexpr int OpenPictureFilter = 130;
inline constexpr int PlayCaption = 131;
inline constexpr int StopCaption = 132;
inline constexpr int StopTooltip = 133;
inline constexpr int ResetQuestion = 134;
inline constexpr int EmptyKeyframe = 135;
inline constexpr int InitialFrame = 136;
inline constexpr int KeyframeTooltip = 137;  // "%d" keyframe, "%d" duration
inline constexpr int NextKeyframe = 138;
inline constexpr int AcquireUnsupported = 139;
inline constexpr int NoInputDevice = 140;
inline constexpr int AcquireWaiting = 141;
inline constexpr int AcquireTransferring = 142;
inline constexpr int AnimationName = 143;
inline constexpr int CannotWriteVideo = 144;
inline constexpr int ScreenTooSmall = 146;
inline constexpr int CannotSaveFile = 147;
inline constexpr int CriticalUpdate = 151;
inline constexpr int CannotExitWhileWriting = 154;
inline constexpr int PluginCaptions = 155;
inline constexpr int Untitled = 1043;
inline constexpr int CannotReadFile = 1045;
inline constexpr int CannotWriteFile = 1046;
inline constexpr int VideoFilter = 1060;
inline constexpr int ProductName = 1062;
inline constexpr int ProjectFilter = 1064;
inline constexpr int GifFilter = 1120;
inline constexpr int Mp4Filter = 21700;
inline constexpr int WebmFilter = 21701;
inline constexpr int HighGifFilter = 21750;
inline constexpr int WebpFilter = 21751;
inline constexpr int ApngFilter = 21752;
inline constexpr int AvifFilter = 21753;
inline constexpr int Mp4Av1Filter = 21754;
inline constexpr int WebmAv1Filter = 21755;
inline constexpr int SeveralFormatsFilter = 21756;
inline constexpr int ReplaceOtherFormats = 21757;
inline constexpr int TransitionPeriod = 1125;
inline constexpr int KeyframeIndex = 1126;
inline constexpr int Keyframe = 1127;
inline constexpr int OutputResolution = 1128;
inline constexpr int ProjectNotSaved = 32834;
inline constexpr int EnterInteger = 61712;
inline constexpr int EnterIntegerBetween = 61714;      // "%1" and "%2"
inline constexpr int FramesCount = 20300;              // a keyframe slot's duration: "%1" frames
inline constexpr int NoBrowser = 20301;                // followed by the page's address
inline constexpr int NeedsDocument = 20302;            // the tooltip's line of a button off for want of a picture
inline constexpr int PictureMissingOnSave = 20303;     // followed by the picture's path
inline constexpr int PictureMissingKept = 20304;       // why saving keeps the keyframes as they are
inline constexpr int ProjectWithoutKeyframes = 20305;  // followed by the project's path
inline constexpr int PictureIncomplete = 20306;        // followed by the picture's path
inline constexpr int StopExportAndExit = 20320;        // the close box while an export runs
}  // namespace StrId

// Caption identifiers of texts that have no control identifier of their own
// (dialog titles and plain labels).
namespace CapId {
inline constexpr int Ok = 20000;
inline constexpr int Cancel = 20001;
inline constexpr int FramesLabel = 20002;   // duration dialog, beside the edit
inline constexpr int PictureSizeX = 20003;  // size dialog
inline constexpr int PictureSizeY = 20004;
inline constexpr int Percent = 20005;
inline constexpr int UpdateInfoLabel = 20006;  // update dialog, above the message
inline constexpr int GetUpdate = 20007;        // update dialog's OK button
inline constexpr int HelpBack = 20008;         // help window's history buttons
inline constexpr int HelpForward = 20009;
inline constexpr int TitleChooseFrame = 20100;
inline constexpr int TitleDuration = 20101;
inline constexpr int TitlePictureSize = 20102;
inline constexpr int TitleAbout = 20103;
inline constexpr int TitleAcquire = 20104;
inline constexpr int TitleUpdate = 20105;
inline constexpr int TitleHelp = 20106;
inline constexpr int TitleLoopQuality = 20800;  // quality of the loop formats
inline constexpr int WebpQuality = 20801;
inline constexpr int Lossless = 20802;
inline constexpr int AvifQuality = 20803;
inline constexpr int VideoCrf = 20804;             // "%1" and "%2": the codec's range
inline constexpr int ExportStopped = 20810;        // shown over the work area for a moment
inline constexpr int PrintPlacementTab = 20811;    // the print window's tab
inline constexpr int PrintActualSize = 20812;      // the frame at 300 pixels per inch
inline constexpr int PrintFitToPage = 20813;       // the frame scaled to the printable area
inline constexpr int FreezeMaskTool = 20814;       // the tool indicator while strokes paint the mask
inline constexpr int EraseFreezeMaskTool = 20815;  // ... and while the right button erases it
}  // namespace CapId
