#include "app/AppState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

// Points the settings file and the user's folders at a temporary home before
// any test touches them (the settings location is fixed at its first use).
class TemporaryHome : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(m_dir->isValid());
        Home = m_dir->path();
        setenv("HOME", qPrintable(Home), 1);
        setenv("XDG_CONFIG_HOME", qPrintable(Home + "/config"), 1);
        unsetenv("XDG_PICTURES_DIR");
        unsetenv("XDG_VIDEOS_DIR");
    }
    void TearDown() override { m_dir.reset(); }

    static inline QString Home;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

const auto* const kHome = ::testing::AddGlobalTestEnvironment(new TemporaryHome);

QSettings Profile()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Tavmor Software", "Warplet4");
}

class AppStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings settings = Profile();
        settings.clear();
        settings.sync();
        App() = AppState();
    }

    static QString Key(const QString& section, const QString& entry) { return ProfileGroup(section) + "/" + entry; }

    static QStringList KeysOf(const QString& section)
    {
        QSettings settings = Profile();
        settings.beginGroup(ProfileGroup(section));
        return settings.childKeys();
    }
};

TEST_F(AppStateTest, SettingsFileLivesUnderTheConfigFolder)
{
    EXPECT_EQ(ProfileFilePath(), TemporaryHome::Home + "/config/Tavmor Software/Warplet4.ini");
    const QString exe = QFileInfo(QFile::symLinkTarget("/proc/self/exe")).completeBaseName();
    EXPECT_EQ(ProfileName(), exe);
    EXPECT_EQ(ProfileGroup("OPT"), exe + "/OPT");
    EXPECT_EQ(UpdateSettingsGroup(), exe + "/MAIN");
}

TEST_F(AppStateTest, MissingValuesGiveTheDefaults)
{
    AppState state;
    state.m_bShowTips = false;
    state.m_nSaveMode = 0;
    state.LoadSettings();
    EXPECT_TRUE(state.m_bShowDuration);
    EXPECT_TRUE(state.m_bShowNumber);
    EXPECT_TRUE(state.m_bInterpVideo);
    EXPECT_TRUE(state.m_bShowTips);
    EXPECT_TRUE(state.m_bShowAnimation);
    EXPECT_EQ(state.m_nSaveMode, 1);
    EXPECT_EQ(state.m_strAviDir, TemporaryHome::Home + "/Videos");
    EXPECT_EQ(state.m_strPictDir, TemporaryHome::Home + "/Pictures");
    EXPECT_EQ(state.m_strGifDir, TemporaryHome::Home + "/Pictures");
    EXPECT_EQ(state.m_strSequenceDir, TemporaryHome::Home + "/Pictures");
    // A first start makes no folders: they come when something is saved there.
    EXPECT_FALSE(QFileInfo::exists(state.m_strAviDir));
    EXPECT_FALSE(QFileInfo::exists(state.m_strPictDir));
    EXPECT_TRUE(state.m_strProjectDir.isEmpty());
    const QString exeFolder = QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath();
    EXPECT_EQ(state.m_strDefaultPicture, exeFolder + "/default.gif");
    // Fields that are never persisted keep their start values.
    EXPECT_EQ(state.m_nCursorMode, 0);
    EXPECT_FALSE(state.m_bNoSaveOnExit);
}

TEST_F(AppStateTest, RoundTripUsesTheStoredSpellingsAndRestartsWithSaveModeOne)
{
    AppState saved;
    saved.LoadSettings();
    saved.m_bShowDuration = false;
    saved.m_bShowNumber = false;
    saved.m_bInterpVideo = false;
    saved.m_bShowTips = false;
    saved.m_bShowAnimation = false;
    saved.m_nSaveMode = 2;
    saved.m_strAviDir = "/videos here";
    saved.m_strGifDir = "/animations";
    saved.m_strSequenceDir = "/frames";
    saved.m_strPictDir = "/pictures/日本";
    saved.m_strProjectDir = "/projects";
    ASSERT_TRUE(saved.SaveSettings());

    EXPECT_EQ(KeysOf("OPT"),
              (QStringList{"InterpVideo", "SaveMode", "ShowAnimation", "ShowDuration", "ShowTips", "showNumber"}));
    EXPECT_EQ(KeysOf("DIR"), (QStringList{"AVI", "GIF", "PICT", "Project", "Sequence"}));
    EXPECT_EQ(Profile().value(Key("OPT", "SaveMode")).toInt(), 2);

    AppState loaded;
    loaded.LoadSettings();
    EXPECT_FALSE(loaded.m_bShowDuration);
    EXPECT_FALSE(loaded.m_bShowNumber);
    EXPECT_FALSE(loaded.m_bInterpVideo);
    EXPECT_FALSE(loaded.m_bShowTips);
    EXPECT_FALSE(loaded.m_bShowAnimation);
    EXPECT_EQ(loaded.m_nSaveMode, 1);
    EXPECT_EQ(loaded.m_strAviDir, "/videos here");
    EXPECT_EQ(loaded.m_strGifDir, "/animations");
    EXPECT_EQ(loaded.m_strSequenceDir, "/frames");
    EXPECT_EQ(loaded.m_strPictDir, "/pictures/日本");
    EXPECT_EQ(loaded.m_strProjectDir, "/projects");
}

TEST_F(AppStateTest, TheOnionSkinIsStoredOnlyWhileOn)
{
    AppState state;
    state.LoadSettings();
    EXPECT_FALSE(state.m_bOnionSkin);
    state.m_bOnionSkin = true;
    ASSERT_TRUE(state.SaveSettings());
    EXPECT_TRUE(KeysOf("OPT").contains("OnionSkin"));
    AppState loaded;
    loaded.LoadSettings();
    EXPECT_TRUE(loaded.m_bOnionSkin);
    loaded.m_bOnionSkin = false;
    ASSERT_TRUE(loaded.SaveSettings());
    EXPECT_FALSE(KeysOf("OPT").contains("OnionSkin"));
    AppState again;
    again.LoadSettings();
    EXPECT_FALSE(again.m_bOnionSkin);
}

TEST_F(AppStateTest, EntryNamesAreReadInAnyCaseAndWrittenOnce)
{
    {
        QSettings settings = Profile();
        settings.setValue(Key("OPT", "ShowNumber"), 0);
        settings.setValue(Key("OPT", "SHOWDURATION"), 0);
        settings.setValue(Key("OPT", "InterpVideo"), "not a number");
        settings.setValue(Key("DIR", "pict"), "/lower");
    }
    AppState state;
    state.LoadSettings();
    EXPECT_FALSE(state.m_bShowNumber);
    EXPECT_FALSE(state.m_bShowDuration);
    EXPECT_TRUE(state.m_bInterpVideo);  // unreadable value: the default
    EXPECT_EQ(state.m_strPictDir, "/lower");

    ASSERT_TRUE(state.SaveSettings());
    const QStringList keys = KeysOf("OPT");
    EXPECT_TRUE(keys.contains("showNumber"));
    EXPECT_FALSE(keys.contains("ShowNumber"));
    EXPECT_FALSE(keys.contains("SHOWDURATION"));
    EXPECT_EQ(KeysOf("DIR"), (QStringList{"AVI", "GIF", "PICT", "Project", "Sequence"}));
}

TEST_F(AppStateTest, ToolSelectionHasDefaultsAndRoundTrips)
{
    EXPECT_EQ(ReadToolId(), 1019);
    EXPECT_EQ(ReadToolPower(), 64);
    ASSERT_TRUE(WriteToolId(1090));
    ASSERT_TRUE(WriteToolPower(17));
    EXPECT_EQ(ReadToolId(), 1090);
    EXPECT_EQ(ReadToolPower(), 17);
    EXPECT_EQ(Profile().value(Key("TOOL", "ID")).toInt(), 1090);
    EXPECT_EQ(Profile().value(Key("TOOL", "POWER")).toInt(), 17);

    EXPECT_EQ(GetProfileString(kSectionUpdate, "XVALUE_T"), "");
    ASSERT_TRUE(WriteProfileString(kSectionUpdate, "XVALUE_T", "26,12,08"));
    EXPECT_EQ(GetProfileString(kSectionUpdate, "xvalue_t"), "26,12,08");
    EXPECT_EQ(GetProfileInt(kSectionUpdate, "XVALUE_D", 7), 7);
}

TEST_F(AppStateTest, ReverseKeyAndPressureSizeHaveDefaultsAndRoundTrip)
{
    AppState state;
    state.m_reverseKey = ReverseKey::Meta;
    state.m_bPressureSize = true;
    state.LoadSettings();
    EXPECT_EQ(state.m_reverseKey, ReverseKey::Alt);
    EXPECT_FALSE(state.m_bPressureSize);
    EXPECT_EQ(ReverseKeyModifier(state.m_reverseKey), Qt::AltModifier);

    state.m_reverseKey = ReverseKey::Control;
    state.m_bPressureSize = true;
    ASSERT_TRUE(state.SaveSettings());
    EXPECT_EQ(KeysOf("EDIT"), (QStringList{"PressureSize", "ReverseKey"}));
    EXPECT_EQ(Profile().value(Key("EDIT", "ReverseKey")).toString(), "Ctrl");
    AppState loaded;
    loaded.LoadSettings();
    EXPECT_EQ(loaded.m_reverseKey, ReverseKey::Control);
    EXPECT_TRUE(loaded.m_bPressureSize);
    EXPECT_EQ(ReverseKeyModifier(loaded.m_reverseKey), Qt::ControlModifier);

    // A name typed into the file in any case; an unknown one gives Alt again.
    ASSERT_TRUE(WriteProfileString(kSectionEdit, "reversekey", " shift"));
    loaded.LoadSettings();
    EXPECT_EQ(loaded.m_reverseKey, ReverseKey::Shift);
    ASSERT_TRUE(WriteProfileString(kSectionEdit, "ReverseKey", "Hyper"));
    loaded.LoadSettings();
    EXPECT_EQ(loaded.m_reverseKey, ReverseKey::Alt);
    for (const ReverseKey key : {ReverseKey::Alt, ReverseKey::Control, ReverseKey::Shift, ReverseKey::Meta})
        EXPECT_EQ(ParseReverseKey(ReverseKeyName(key)), key);
}

TEST_F(AppStateTest, OneSharedApplicationObject)
{
    App().m_nCursorMode = 2;
    EXPECT_EQ(&App(), &App());
    EXPECT_EQ(App().m_nCursorMode, 2);
}

TEST(IsPictureFile, LowerCasedExtensionMustBeOneOfTheFive)
{
    for (const char* yes : {"a.jpg", "a.JPG", "/x/y.Tif", "b.gif", "c.bmp", "d.png", ".png", "x.y.jpg"})
        EXPECT_TRUE(IsPictureFile(yes)) << yes;
    for (const char* no : {"a.jpeg", "a.tiff", "a.jp", "a.kib", "a", "a.", "folder.jpg/file", "a.jpg;", ""})
        EXPECT_FALSE(IsPictureFile(no)) << no;
}

TEST(SaveFolder, AStandardFolderStaysOnlyWhenTheFileChosenGoesIntoIt)
{
    const QString videos = TemporaryHome::Home + "/Videos";
    ASSERT_FALSE(QFileInfo::exists(videos));
    {
        const SaveFolder folder(videos);
        EXPECT_EQ(folder.Path(), videos);
        EXPECT_TRUE(QFileInfo(videos).isDir());  // the dialog can show it
    }
    EXPECT_FALSE(QFileInfo::exists(videos));  // cancelled: taken away again
    {
        SaveFolder folder(videos + "/");
        folder.Keep(TemporaryHome::Home + "/elsewhere.wmv");
    }
    EXPECT_FALSE(QFileInfo::exists(videos));
    {
        SaveFolder folder(videos);
        folder.Keep(videos + "/loop.wmv");
    }
    EXPECT_TRUE(QFileInfo(videos).isDir());
    ASSERT_TRUE(QDir(videos).removeRecursively());

    // A file put there meanwhile keeps the folder whatever was chosen.
    {
        const SaveFolder folder(TemporaryHome::Home + "/Pictures");
        QFile file(TemporaryHome::Home + "/Pictures/other.png");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_TRUE(QFileInfo::exists(TemporaryHome::Home + "/Pictures/other.png"));
    ASSERT_TRUE(QDir(TemporaryHome::Home + "/Pictures").removeRecursively());
}

TEST(SaveFolder, AnyOtherMissingFolderGivesTheNearestThatExists)
{
    const QString gone = TemporaryHome::Home + "/unplugged/card/DCIM";
    const SaveFolder folder(gone);
    EXPECT_EQ(folder.Path(), TemporaryHome::Home);
    EXPECT_FALSE(QFileInfo::exists(TemporaryHome::Home + "/unplugged"));
    EXPECT_EQ(ExistingFolder(gone), TemporaryHome::Home);
    EXPECT_EQ(ExistingFolder(""), QDir::homePath());
    EXPECT_EQ(ExistingFolder(TemporaryHome::Home), TemporaryHome::Home);
}

TEST(GetPicturesFolder, IsCreatedAndEndsWithASlash)
{
    const QString folder = GetPicturesFolder();
    EXPECT_EQ(folder, TemporaryHome::Home + "/Pictures/Warplet pictures/");
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

}  // namespace
