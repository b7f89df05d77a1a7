// Help opens in the program's own window on the page of the current screen,
// follows the pages' links with back and forward, sends other links to the
// system's browser, and F1 in the skinned dialogs opens their topic.

#include "dialog/ui/Kib3Dlg.h"

#include "animation/ui/DurationDlg.h"
#include "app/AppState.h"
#include "controls/ui/SizeDlg.h"
#include "dialog/ui/HelpPages.h"
#include "dialog/ui/HelpWindow.h"
#include "res/StringTable.h"
#include "support/ScriptedPrompts.h"

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

QString PageName(const CHelpWindow* help)
{
    return help ? QFileInfo(help->Page().toLocalFile()).fileName() : QString();
}

int PanelCommandForScreen(int screen)
{
    for (int id : {Cmd::PanelEnlarge, Cmd::PanelShrink, Cmd::PanelMore, Cmd::PanelCommon, Cmd::PanelDisaster,
                   Cmd::PanelGlobal})
        if (PanelScreenForCommand(id) == screen)
            return id;
    return 0;
}

class HelpWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        App().m_bModified = false;
        QImage img(90, 60, QImage::Format_RGB32);
        img.fill(Qt::darkCyan);
        picture = dir.filePath(QStringLiteral("photo.png"));
        img.save(picture);
        App().m_strDefaultPicture = picture;
        DialogOptions options;
        options.fades = false;
        options.screenHeight = 1080;
        options.helpFolders = {QStringLiteral(WARPLET_HELP_DIR)};
        dlg = std::make_unique<CKib3Dlg>(QStringList(), QString(), prompts, options);
        dlg->show();
    }
    void TearDown() override { App().m_bModified = false; }

    QTemporaryDir dir;
    QString picture;
    ScriptedPrompts prompts;
    std::unique_ptr<CKib3Dlg> dlg;
};

}  // namespace

TEST_F(HelpWindowTest, EveryScreenOpensItsOwnPageWithoutABrowser)
{
    prompts.openUrlSucceeds = false;  // no web browser on this machine
    prompts.pictures.push_back(picture);
    dlg->OnCommand(Cmd::OpenPicture);
    const int screens[] = {Screen::Start,   Screen::Editing, Screen::Finish,   Screen::Enlarge,
                           Screen::Shrink,  Screen::More,    Screen::Common,   Screen::Disaster, Screen::Global};
    for (int screen : screens) {
        dlg->OnCommand(screen == Screen::Editing ? Cmd::BackFromFinish
                       : screen == Screen::Start  ? Cmd::Start
                       : screen == Screen::Finish ? Cmd::Finish
                                                  : PanelCommandForScreen(screen));
        ASSERT_EQ(dlg->CurrentScreen(), screen);
        // The key goes to the main window, active again after the help window was.
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        QTest::keyClick(dlg.get(), Qt::Key_F1);
        ASSERT_TRUE(dlg->HelpWindow());
        const QString expected = QStringLiteral("help-%1.html").arg(HelpContextForScreen(screen));
        EXPECT_EQ(PageName(dlg->HelpWindow()), expected) << screen;
        EXPECT_TRUE(dlg->HelpWindow()->isVisible());
        EXPECT_FALSE(dlg->HelpWindow()->Browser()->toPlainText().isEmpty());
        if (IsToolPanel(screen))
            dlg->OnCommand(PanelBackCommand(screen));
    }
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(prompts.urls.empty());
    // The menu's command opens the same window.
    dlg->OnCommand(Cmd::Help);
    EXPECT_EQ(dlg->findChildren<CHelpWindow*>().size(), 1);
}

TEST_F(HelpWindowTest, LinksBetweenPagesHaveBackAndForwardAndOthersGoOutside)
{
    dlg->OnCommand(Cmd::Help);
    CHelpWindow* help = dlg->HelpWindow();
    ASSERT_TRUE(help);
    EXPECT_EQ(PageName(help), QStringLiteral("help-1.html"));
    EXPECT_FALSE(help->BackButton()->isEnabled());

    emit help->Browser()->anchorClicked(QUrl(QStringLiteral("help-3.html")));
    EXPECT_EQ(PageName(help), QStringLiteral("help-3.html"));
    ASSERT_TRUE(help->BackButton()->isEnabled());
    help->BackButton()->click();
    EXPECT_EQ(PageName(help), QStringLiteral("help-1.html"));
    ASSERT_TRUE(help->ForwardButton()->isEnabled());
    help->ForwardButton()->click();
    EXPECT_EQ(PageName(help), QStringLiteral("help-3.html"));

    const QUrl web(QStringLiteral("https://example.org/warplet"));
    emit help->Browser()->anchorClicked(web);
    ASSERT_EQ(prompts.urls.size(), 1u);
    EXPECT_EQ(prompts.urls[0], web);
    EXPECT_EQ(PageName(help), QStringLiteral("help-3.html"));
}

TEST_F(HelpWindowTest, F1InASkinnedDialogOpensItsTopic)
{
    CDurationDlg duration(12, dlg.get());
    duration.show();
    QTest::keyClick(&duration, Qt::Key_F1);
    EXPECT_EQ(PageName(dlg->HelpWindow()), QStringLiteral("help-3.html"));

    CSizeDlg size(412, 274, 100, dlg.get());
    size.show();
    QTest::keyClick(&size, Qt::Key_F1);
    EXPECT_EQ(PageName(dlg->HelpWindow()), QStringLiteral("help-2.html"));

    {
        // Asked from a modal dialog, the help window goes with the dialog, so
        // that the dialog does not block it.
        CDurationDlg modal(5, dlg.get());
        modal.setWindowModality(Qt::ApplicationModal);
        modal.show();
        QTest::keyClick(&modal, Qt::Key_F1);
        ASSERT_TRUE(dlg->HelpWindow());
        EXPECT_EQ(dlg->HelpWindow()->parentWidget(), &modal);
        EXPECT_TRUE(dlg->HelpWindow()->isWindow());
    }
    EXPECT_EQ(dlg->HelpWindow(), nullptr);  // it went with the dialog
    dlg->OnCommand(Cmd::Help);
    ASSERT_TRUE(dlg->HelpWindow());
    EXPECT_EQ(dlg->HelpWindow()->parentWidget(), dlg.get());

    // Without a help page anywhere the failure is told, not hidden.
    EXPECT_EQ(HelpPageUrl(1, {dir.path()}), QUrl());
}
