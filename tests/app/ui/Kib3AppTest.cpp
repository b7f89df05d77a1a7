#include "app/ui/Kib3App.h"

#include "app/AppState.h"
#include "app/PluginRegistration.h"
#include "animation/KeyframeStore.h"
#include "dialog/ui/Kib3Dlg.h"
#include "project/ProjectFile.h"
#include "res/StringTable.h"
#include "support/ScriptedPrompts.h"
#include "support/UiTestMain.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class Kib3AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(ProfileFilePath());
        App().m_bNoSaveOnExit = false;
        app.m_bSplashAndFades = false;
    }
    void TearDown() override { App().m_bNoSaveOnExit = false; }

    ScriptedPrompts prompts;
    CKib3App app{prompts};
};

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(CommandLine, PicturesProjectsAndSwitches)
{
    CMyCommandLineInfo pictures;
    pictures.Parse({"/home/me/Photo One.JPG", "second.png"});
    EXPECT_EQ(pictures.m_pictures, QStringList({"/home/me/Photo One.JPG", "second.png"}));
    EXPECT_EQ(pictures.m_nShellCommand, CMyCommandLineInfo::FileOpen);  // an absolute path is no switch
    EXPECT_TRUE(pictures.StartProject().isEmpty());

    CMyCommandLineInfo project;
    project.Parse({"/data/work.kib"});
    EXPECT_TRUE(project.m_pictures.isEmpty());
    EXPECT_EQ(project.StartProject(), "/data/work.kib");

    for (const char* s : {"-Register", "/regserver", "--RegisterPerUser", "-REGSERVERPERUSER"}) {
        CMyCommandLineInfo info;
        info.Parse({s});
        EXPECT_EQ(info.m_nShellCommand, CMyCommandLineInfo::AppRegister) << s;
    }
    for (const char* s : {"-Unregister", "/UNREGSERVER", "-unregisterperuser", "/UnregserverPerUser"}) {
        CMyCommandLineInfo info;
        info.Parse({s});
        EXPECT_EQ(info.m_nShellCommand, CMyCommandLineInfo::AppUnregister) << s;
    }

    CMyCommandLineInfo options;
    options.Parse({"--lang", "en", "--screenshot=/tmp/x", "a.tiff"});
    ASSERT_TRUE(options.m_language.has_value());
    EXPECT_EQ(*options.m_language, UiLanguage::English);
    EXPECT_EQ(options.m_strScreenshotDir, "/tmp/x");
    EXPECT_TRUE(options.m_pictures.isEmpty());  // .tiff is not a picture type of the list
    EXPECT_TRUE(options.m_errors.isEmpty());

    CMyCommandLineInfo bad;
    bad.Parse({"--lang", "fr", "--frobnicate"});
    EXPECT_EQ(bad.m_errors.size(), 2);
}

TEST_F(Kib3AppTest, RegisterWritesTheDescriptionAndShowsNoWindow)
{
    const QString data = CommonDataFolder();
    const QString file = PluginDescriptionPath(data, 4, 0);
    QFile::remove(file);
    EXPECT_EQ(app.Run({"-Register"}), 0);
    EXPECT_FALSE(app.DialogShown());
    const QString program = QCoreApplication::applicationFilePath();
    const QString expected =
        "<tvplugin><general path=\"" + program + "\" icon=\"" + program +
        ",128\" type=\"exe\" call=\"cmdline\"/><plugins><plugin><interface icon=\"" + program +
        ",128\" text=\"TAVMOR Warplet|Warplet|&amp;Warplet\" group=\"3\"/><special mode=\"browse\" "
        "files-type=\"image\" files-count-min=\"1\" files-count-max=\"1\"/></plugin></plugins></tvplugin>\n";
    EXPECT_EQ(QString::fromUtf8(ReadAll(file)), expected);
    // Nothing persisted by a registration run.
    EXPECT_FALSE(QFile::exists(ProfileFilePath()));

    App().m_bNoSaveOnExit = false;
    EXPECT_EQ(app.Run({"/Unregserver"}), 0);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(QFile::exists(ProfileFilePath()));
}

TEST_F(Kib3AppTest, QtsOwnButtonsSpeakTheInterfacesLanguage)
{
    const auto yes = [] { return QCoreApplication::translate("QPlatformTheme", "&Yes"); };
    app.m_screenWidth = [] { return 640; };  // ends after the language is set up
    app.Run({"--lang", "zh"});
    EXPECT_EQ(yes(), QString::fromUtf8("是(&Y)"));
    app.Run({"--lang", "en"});
    EXPECT_EQ(yes(), QStringLiteral("&Yes"));
}

TEST_F(Kib3AppTest, NarrowScreenRefusesToRunAndWritesNothing)
{
    app.m_screenWidth = [] { return 640; };
    EXPECT_NE(app.Run({}), 0);
    EXPECT_FALSE(app.DialogShown());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, AppString(StrId::ScreenTooSmall));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_FALSE(QFile::exists(ProfileFilePath()));
}

TEST_F(Kib3AppTest, SettingsAreWrittenAtExitAndReadAtTheNextStart)
{
    App().m_bShowTips = true;
    App().m_bInterpVideo = true;
    app.m_onDialogShown = [](CKib3Dlg& dlg) {
        dlg.OnCommand(Cmd::ToggleTips);
        dlg.OnCommand(Cmd::ToggleInterpVideo);
        dlg.OnCommand(Cmd::SaveModeCustom);
        dlg.OnCommand(Cmd::Exit);
    };
    EXPECT_EQ(app.Run({}), 0);
    EXPECT_TRUE(app.DialogShown());
    ASSERT_TRUE(QFile::exists(ProfileFilePath()));
    EXPECT_EQ(GetProfileInt("OPT", "ShowTips", -1), 0);
    EXPECT_EQ(GetProfileInt("OPT", "SaveMode", -1), 2);

    // The next run starts from the stored values (the save mode always starts at 1).
    App().m_bShowTips = true;
    App().m_bInterpVideo = true;
    bool tips = true, interp = true;
    int saveMode = -1;
    CKib3App next(prompts);
    next.m_bSplashAndFades = false;
    next.m_onDialogShown = [&](CKib3Dlg& dlg) {
        tips = App().m_bShowTips;
        interp = App().m_bInterpVideo;
        saveMode = App().m_nSaveMode;
        dlg.OnCommand(Cmd::Exit);
    };
    EXPECT_EQ(next.Run({}), 0);
    EXPECT_FALSE(tips);
    EXPECT_FALSE(interp);
    EXPECT_EQ(saveMode, 1);
}

TEST_F(Kib3AppTest, APictureOnTheCommandLineOpensAsANewProject)
{
    QTemporaryDir dir;
    const QString picture = dir.path() + "/start.png";
    QImage img(120, 60, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    ASSERT_TRUE(img.save(picture));
    int screen = -1;
    int width = 0;
    app.m_onDialogShown = [&](CKib3Dlg& dlg) {
        screen = dlg.CurrentScreen();
        width = dlg.GetProject().Picture().Width();
        dlg.OnCommand(Cmd::Exit);
    };
    EXPECT_EQ(app.Run({picture}), 0);
    EXPECT_EQ(screen, Screen::Editing);
    EXPECT_EQ(width, 412);
    EXPECT_EQ(App().m_strPictDir, dir.path());
}

TEST_F(Kib3AppTest, AStartProjectThatCannotBeReadEndsTheRunAfterItsMessage)
{
    QTemporaryDir dir;
    const QString project = dir.path() + "/missing.kib";
    bool reached = false;
    app.m_onDialogShown = [&](CKib3Dlg&) { reached = true; };
    EXPECT_EQ(app.Run({project}), 0);
    EXPECT_FALSE(reached);  // no keyframes came: the back command ended the dialog
    ASSERT_FALSE(prompts.messages.empty());
    // The message names the file (and then the cause).
    EXPECT_TRUE(prompts.messages[0].text.startsWith(AppString(StrId::CannotReadFile) + "\n" + project + "\n"));
}

TEST_F(Kib3AppTest, AStartProjectWithoutKeyframesSaysWhyTheRunEnds)
{
    QTemporaryDir dir;
    const QString project = dir.path() + "/empty.kib";
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(dir.path() + "/pic.bmp"));
    const std::vector<uint8_t> bytes = WriteProjectBytes("pic.bmp", KeyframeStore(), 1019, 64);
    QFile file(project);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    file.close();
    bool reached = false;
    app.m_onDialogShown = [&](CKib3Dlg&) { reached = true; };
    EXPECT_EQ(app.Run({project}), 0);
    EXPECT_FALSE(reached);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text.toStdString(),
              (AppString(StrId::ProjectWithoutKeyframes) + "\n" + project).toStdString());
}

TEST_F(Kib3AppTest, ScreenshotsOfAStartProjectThatCannotBeReadPrintTheMessageAndFail)
{
    // Nobody is there to answer a message box: it goes to the terminal, nothing waits.
    QTemporaryDir dir;
    const QString project = dir.path() + "/missing.kib";
    EXPECT_EQ(app.Run({"--screenshot", dir.path() + "/shots", project}), 1);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(QFile::exists(dir.path() + "/shots"));
}

TEST_F(Kib3AppTest, BadOptionsStopWithoutAWindow)
{
    EXPECT_EQ(app.Run({"--lang", "xx"}), 2);
    EXPECT_FALSE(app.DialogShown());
    EXPECT_FALSE(QFile::exists(ProfileFilePath()));
}
