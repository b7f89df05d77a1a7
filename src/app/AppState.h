#pragma once
// The application-wide state: the user's options, the folders the file dialogs
// start in and the flags that several windows share. There is exactly one
// instance, reachable through App(), for the application and its windows; core
// functions take the settings they need as parameters. What belongs to a
// document (whether it is modified, the format it was read from) belongs to
// the project, and whether the animation plays to the player.
//
// Settings live in a per-user INI file (organisation "Tavmor Software",
// application "Warplet4"), grouped as "<program base name>/<section>/<entry>"
// with the sections "OPT", "DIR", "TOOL", "EDIT" and "MAIN". Entry names
// compare case-insensitively when read.

#include "app/UiLanguage.h"
#include "engine/ToolCatalogue.h"

#include <QString>
#include <QStringList>
#include <Qt>

#include <optional>

// The modifier key that reverses the tool while it is held.
enum class ReverseKey { Alt, Control, Shift, Meta };
// Its name as the settings store it ("Alt", "Ctrl", "Shift", "Meta"), and back
// (any case); nothing for another name.
QString ReverseKeyName(ReverseKey key);
std::optional<ReverseKey> ParseReverseKey(const QString& name);
// The keyboard modifier of the key, as pointer events report it.
Qt::KeyboardModifier ReverseKeyModifier(ReverseKey key);

class AppState {
public:
    AppState();

    bool m_bShowDuration = true;   // thumbnails show the keyframe duration
    bool m_bShowNumber = true;     // thumbnails show the keyframe number
    bool m_bInterpVideo = true;    // smooth rendering for playback and video
    bool m_bOnionSkin = false;     // the neighbouring keyframes ghosted over the work picture
    int m_nSaveMode = 1;           // exported frame size: 0 screen, 1 the picture's own, 2 custom
    int m_nCursorMode = 0;         // work-window cursor choice
    bool m_bShowTips = true;       // tooltips on the skinned controls
    bool m_bShowAnimation = true;  // animated state changes of the skinned buttons
    QString m_strAviDir;           // folder of the video save dialog
    QString m_strGifDir;           // folder of the animated GIF save dialog
    QString m_strSequenceDir;      // folder of the dialog saving frames as pictures
    QString m_strProjectDir;       // folder of the project dialogs
    QString m_strPictDir;          // folder of the picture open dialog
    QString m_strDefaultPicture;   // shown when a project's picture file is missing
    bool m_bNoSaveOnExit = false;  // the run ends without writing the settings
    UiLanguage m_language;         // language of the string table

    ReverseKey m_reverseKey = ReverseKey::Alt;  // reverses the tool while held
    bool m_bPressureSize = false;               // pen pressure scales the brush size too

    // Reads the "OPT", "DIR" and "EDIT" values (defaults where missing, also
    // for a reverse key of an unknown name), sets the save mode to 1 and builds
    // the default picture's path. The default folders are the user's standard
    // ones, which are not created here.
    void LoadSettings();
    // Writes the six "OPT" values, the five "DIR" strings and the two "EDIT"
    // values. False when the settings file could not be written.
    bool SaveSettings() const;
};

// The one application object.
AppState& App();

// Settings sections.
inline constexpr const char* kSectionOptions = "OPT";
inline constexpr const char* kSectionFolders = "DIR";
inline constexpr const char* kSectionTool = "TOOL";
inline constexpr const char* kSectionEdit = "EDIT";    // reverse key and pressure choice
inline constexpr const char* kSectionUpdate = "MAIN";  // schedule of the update check

// The program file's base name (without folder and extension): the top group of all settings.
QString ProfileName();
// "<program base name>/<section>": the settings group of a section.
QString ProfileGroup(const QString& section);
// The settings group the update check keeps its schedule in.
inline QString UpdateSettingsGroup()
{
    return ProfileGroup(kSectionUpdate);
}
// Full path of the settings file.
QString ProfileFilePath();

// Reads an entry; a missing or non-numeric value gives the default.
int GetProfileInt(const QString& section, const QString& entry, int defaultValue);
QString GetProfileString(const QString& section, const QString& entry, const QString& defaultValue = {});
// Writes an entry (replacing any spelling of it that differs only in case).
// False when the settings file could not be written.
bool WriteProfileInt(const QString& section, const QString& entry, int value);
bool WriteProfileString(const QString& section, const QString& entry, const QString& value);

// The main dialog's tool selection: command identifier of the active tool
// (kDefaultToolId when none is stored) and its strength.
inline constexpr int kDefaultToolPower = 64;
int ReadToolId();
int ReadToolPower();
bool WriteToolId(int id);
bool WriteToolPower(int power);

// The folder of the program file, and the program file itself.
QString ProgramFolder();
QString ProgramFilePath();

// Where the program's data files (default picture, help pages, splash
// animation) are looked for: beside the program, as in a build tree, then
// <prefix>/share/warplet for a program installed in <prefix>/bin.
QStringList ProgramDataFolders();
// The first of those folders that holds `name`, followed by the name; the
// path beside the program when none does.
QString ProgramDataFile(const QString& name);

// True when the lower-cased extension of `path` (dot included) is one of
// .tif .gif .bmp .jpg .png.
bool IsPictureFile(const QString& path);

// The user's pictures folder followed by "/Warplet pictures/", created when missing.
QString GetPicturesFolder();

// `folder` when it exists, else the nearest folder above it that does, else the home folder.
QString ExistingFolder(const QString& folder);

// The folder a save dialog starts in. The user's standard pictures or videos
// folder is made for the dialog when missing, and taken away again (when still
// empty) unless the file chosen goes into it: those folders come into being
// when something is saved there, not before. Any other missing folder gives
// the nearest one that exists.
class SaveFolder {
public:
    explicit SaveFolder(const QString& folder);
    SaveFolder(const SaveFolder&) = delete;
    SaveFolder& operator=(const SaveFolder&) = delete;
    ~SaveFolder();

    const QString& Path() const { return m_path; }
    // The file chosen: a folder made for the dialog stays when the file goes into it.
    void Keep(const QString& chosenFile);

private:
    QString m_path;
    QStringList m_made;  // folders made for the dialog, innermost first
};
