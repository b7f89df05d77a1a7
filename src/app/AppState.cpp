#include "app/AppState.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <array>

namespace {

const QString kOrganisation = QStringLiteral("Tavmor Software");
const QString kApplication = QStringLiteral("Warplet4");

QSettings OpenProfile()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kApplication);
}

// The stored spelling of `entry` in the settings' current group: the exact one
// when present, else the first that differs only in case; empty when none.
QString StoredKey(const QSettings& settings, const QString& entry)
{
    const QStringList keys = settings.childKeys();
    if (keys.contains(entry))
        return entry;
    for (const QString& key : keys) {
        if (key.compare(entry, Qt::CaseInsensitive) == 0)
            return key;
    }
    return {};
}

// Reads and writes inside the group of one section of an open settings object.
class SectionAccess {
public:
    SectionAccess(QSettings& settings, const QString& section) : m_settings(settings)
    {
        m_settings.beginGroup(ProfileGroup(section));
    }
    SectionAccess(const SectionAccess&) = delete;
    SectionAccess& operator=(const SectionAccess&) = delete;
    ~SectionAccess() { m_settings.endGroup(); }

    int Int(const QString& entry, int defaultValue) const
    {
        const QString key = StoredKey(m_settings, entry);
        if (key.isEmpty())
            return defaultValue;
        bool ok = false;
        const int value = m_settings.value(key).toString().trimmed().toInt(&ok);
        return ok ? value : defaultValue;
    }

    QString String(const QString& entry, const QString& defaultValue) const
    {
        const QString key = StoredKey(m_settings, entry);
        return key.isEmpty() ? defaultValue : m_settings.value(key).toString();
    }

    void Write(const QString& entry, const QVariant& value)
    {
        // One value per name whatever its case, as the entry names are case-insensitive.
        for (const QString& key : m_settings.childKeys()) {
            if (key != entry && key.compare(entry, Qt::CaseInsensitive) == 0)
                m_settings.remove(key);
        }
        m_settings.setValue(entry, value);
    }

    void Remove(const QString& entry)
    {
        for (const QString& key : m_settings.childKeys()) {
            if (key.compare(entry, Qt::CaseInsensitive) == 0)
                m_settings.remove(key);
        }
    }

private:
    QSettings& m_settings;
};

bool Flush(QSettings& settings)
{
    settings.sync();
    return settings.status() == QSettings::NoError;
}

// A standard folder of the user's; it is made only when something is saved there.
QString StandardFolder(QStandardPaths::StandardLocation location)
{
    return QStandardPaths::writableLocation(location);
}

bool IsStandardSaveFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(folder);
    for (const auto location : {QStandardPaths::PicturesLocation, QStandardPaths::MoviesLocation}) {
        const QString standard = StandardFolder(location);
        if (!standard.isEmpty() && QDir::cleanPath(standard) == clean)
            return true;
    }
    return false;
}

}  // namespace

namespace {

struct ReverseKeyRow {
    ReverseKey key;
    const char* name;
    Qt::KeyboardModifier modifier;
};

constexpr ReverseKeyRow kReverseKeys[] = {
    {ReverseKey::Alt, "Alt", Qt::AltModifier},
    {ReverseKey::Control, "Ctrl", Qt::ControlModifier},
    {ReverseKey::Shift, "Shift", Qt::ShiftModifier},
    {ReverseKey::Meta, "Meta", Qt::MetaModifier},
};

const ReverseKeyRow& RowOf(ReverseKey key)
{
    for (const ReverseKeyRow& row : kReverseKeys) {
        if (row.key == key)
            return row;
    }
    return kReverseKeys[0];
}

}  // namespace

QString ReverseKeyName(ReverseKey key)
{
    return QString::fromLatin1(RowOf(key).name);
}

std::optional<ReverseKey> ParseReverseKey(const QString& name)
{
    for (const ReverseKeyRow& row : kReverseKeys) {
        if (name.trimmed().compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0)
            return row.key;
    }
    return std::nullopt;
}

Qt::KeyboardModifier ReverseKeyModifier(ReverseKey key)
{
    return RowOf(key).modifier;
}

AppState::AppState() : m_language(SystemUiLanguage()) {}

AppState& App()
{
    static AppState state;
    return state;
}

void AppState::LoadSettings()
{
    QSettings settings = OpenProfile();
    {
        const SectionAccess opt(settings, kSectionOptions);
        m_bShowDuration = opt.Int(QStringLiteral("ShowDuration"), 1) != 0;
        m_bShowNumber = opt.Int(QStringLiteral("ShowNumber"), 1) != 0;
        m_bInterpVideo = opt.Int(QStringLiteral("InterpVideo"), 1) != 0;
        m_bShowTips = opt.Int(QStringLiteral("ShowTips"), 1) != 0;
        m_bShowAnimation = opt.Int(QStringLiteral("ShowAnimation"), 1) != 0;
        m_bOnionSkin = opt.Int(QStringLiteral("OnionSkin"), 0) != 0;
        m_nSaveMode = 1;  // stored at exit, but every run starts with the picture's own size
    }
    {
        const SectionAccess dir(settings, kSectionFolders);
        const QString pictures = StandardFolder(QStandardPaths::PicturesLocation);
        m_strAviDir = dir.String(QStringLiteral("AVI"), StandardFolder(QStandardPaths::MoviesLocation));
        m_strGifDir = dir.String(QStringLiteral("GIF"), pictures);
        m_strSequenceDir = dir.String(QStringLiteral("Sequence"), pictures);
        m_strProjectDir = dir.String(QStringLiteral("Project"), QString());
        m_strPictDir = dir.String(QStringLiteral("PICT"), pictures);
    }
    {
        const SectionAccess edit(settings, kSectionEdit);
        m_reverseKey = ParseReverseKey(edit.String(QStringLiteral("ReverseKey"), QString())).value_or(ReverseKey::Alt);
        m_bPressureSize = edit.Int(QStringLiteral("PressureSize"), 0) != 0;
    }
    m_strDefaultPicture = ProgramDataFile(QStringLiteral("default.gif"));
}

bool AppState::SaveSettings() const
{
    QSettings settings = OpenProfile();
    {
        SectionAccess opt(settings, kSectionOptions);
        opt.Write(QStringLiteral("ShowDuration"), int(m_bShowDuration));
        opt.Write(QStringLiteral("showNumber"), int(m_bShowNumber));
        opt.Write(QStringLiteral("InterpVideo"), int(m_bInterpVideo));
        opt.Write(QStringLiteral("SaveMode"), m_nSaveMode);
        opt.Write(QStringLiteral("ShowTips"), int(m_bShowTips));
        opt.Write(QStringLiteral("ShowAnimation"), int(m_bShowAnimation));
        // Stored only while on, so that a profile without it stays as it was.
        if (m_bOnionSkin)
            opt.Write(QStringLiteral("OnionSkin"), 1);
        else
            opt.Remove(QStringLiteral("OnionSkin"));
    }
    {
        SectionAccess dir(settings, kSectionFolders);
        dir.Write(QStringLiteral("AVI"), m_strAviDir);
        dir.Write(QStringLiteral("PICT"), m_strPictDir);
        dir.Write(QStringLiteral("Project"), m_strProjectDir);
        dir.Write(QStringLiteral("GIF"), m_strGifDir);
        dir.Write(QStringLiteral("Sequence"), m_strSequenceDir);
    }
    {
        SectionAccess edit(settings, kSectionEdit);
        edit.Write(QStringLiteral("ReverseKey"), ReverseKeyName(m_reverseKey));
        edit.Write(QStringLiteral("PressureSize"), int(m_bPressureSize));
    }
    return Flush(settings);
}

QString ProgramFilePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

QString ProgramFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(ProgramFilePath()).absolutePath();
}

QStringList ProgramDataFolders()
{
    const QString program = ProgramFolder();
    return {program, QDir::cleanPath(program + QStringLiteral("/../share/warplet"))};
}

QString ProgramDataFile(const QString& name)
{
    const QStringList folders = ProgramDataFolders();
    for (const QString& folder : folders) {
        const QString path = folder + QLatin1Char('/') + name;
        if (QFileInfo::exists(path))
            return path;
    }
    return folders.front() + QLatin1Char('/') + name;
}

QString ProfileName()
{
    return QFileInfo(ProgramFilePath()).completeBaseName();
}

QString ProfileGroup(const QString& section)
{
    return ProfileName() + QLatin1Char('/') + section;
}

QString ProfileFilePath()
{
    return OpenProfile().fileName();
}

int GetProfileInt(const QString& section, const QString& entry, int defaultValue)
{
    QSettings settings = OpenProfile();
    return SectionAccess(settings, section).Int(entry, defaultValue);
}

QString GetProfileString(const QString& section, const QString& entry, const QString& defaultValue)
{
    QSettings settings = OpenProfile();
    return SectionAccess(settings, section).String(entry, defaultValue);
}

bool WriteProfileInt(const QString& section, const QString& entry, int value)
{
    QSettings settings = OpenProfile();
    SectionAccess(settings, section).Write(entry, value);
    return Flush(settings);
}

bool WriteProfileString(const QString& section, const QString& entry, const QString& value)
{
    QSettings settings = OpenProfile();
    SectionAccess(settings, section).Write(entry, value);
    return Flush(settings);
}

int ReadToolId()
{
    return GetProfileInt(kSectionTool, QStringLiteral("ID"), kDefaultToolId);
}

int ReadToolPower()
{
    return GetProfileInt(kSectionTool, QStringLiteral("POWER"), kDefaultToolPower);
}

bool WriteToolId(int id)
{
    return WriteProfileInt(kSectionTool, QStringLiteral("ID"), id);
}

bool WriteToolPower(int power)
{
    return WriteProfileInt(kSectionTool, QStringLiteral("POWER"), power);
}

bool IsPictureFile(const QString& path)
{
    static const std::array<QString, 5> kPictureExtensions{
        QStringLiteral(".tif"), QStringLiteral(".gif"), QStringLiteral(".bmp"),
        QStringLiteral(".jpg"), QStringLiteral(".png"),
    };
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return false;
    const QString extension = path.mid(dot).toLower();
    if (extension.size() < 4)
        return false;
    // Whole entries only: "x.jpg;" names no picture type even though ".jpg;" occurs in the list text.
    for (const QString& known : kPictureExtensions) {
        if (extension == known)
            return true;
    }
    return false;
}

QString GetPicturesFolder()
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) + QStringLiteral("/Warplet pictures/");
    QDir().mkpath(folder);
    return folder;
}

QString ExistingFolder(const QString& folder)
{
    if (!folder.isEmpty()) {
        QString candidate = QDir::cleanPath(QDir(folder).absolutePath());
        for (;;) {
            if (QFileInfo(candidate).isDir())
                return candidate;
            const QString parent = QFileInfo(candidate).path();
            if (parent == candidate)
                break;
            candidate = parent;
        }
    }
    return QDir::homePath();
}

SaveFolder::SaveFolder(const QString& folder)
{
    if (folder.isEmpty() || QFileInfo(folder).isDir() || !IsStandardSaveFolder(folder)) {
        m_path = ExistingFolder(folder);
        return;
    }
    // The levels missing, innermost first, are the ones to take away again.
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    for (QString level = clean; !QFileInfo::exists(level); level = QFileInfo(level).path()) {
        m_made << level;
        if (QFileInfo(level).path() == level)
            break;
    }
    if (!QDir().mkpath(clean)) {
        m_made.clear();
        m_path = ExistingFolder(folder);
        return;
    }
    m_path = clean;
}

SaveFolder::~SaveFolder()
{
    // rmdir takes only an empty folder: nothing put there meanwhile is lost.
    for (const QString& level : m_made)
        QDir().rmdir(level);
}

void SaveFolder::Keep(const QString& chosenFile)
{
    if (m_made.isEmpty() || chosenFile.isEmpty())
        return;
    const QString chosen = QDir::cleanPath(QFileInfo(chosenFile).absolutePath());
    if (chosen == m_path || chosen.startsWith(m_path + QLatin1Char('/')))
        m_made.clear();
}
