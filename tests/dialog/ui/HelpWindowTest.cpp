// Help opens in the program's own window on the page of the current screen,
// follows the pages' links with back and forward, sends other links to the
// system's browser, and F1 in the skinned dialogs opens their topic.

#include "dialog/ui/Kib3Dlg.h"

#include "dialog/ui/DialogFixture.h"

#include "animation/ui/DurationDlg.h"
#include "app/AppState.h"
#include "controls/ui/SizeDlg.h"
#include "dialog/ui/HelpPages.h"
#include "dialog/ui/HelpWindow.h"
#include "res/StringTable.h"
#include "support/ScriptedPrompts.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QString PageName(const CHelpWindow* help)
{
    return help ? QFileInfo(help->Page().toLocalFile()).fileName() : QString();
}

bool IsCjk(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFF00 && u <= 0xFFEF);
}

QString ReadPage(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The text a reader sees: no markup, and for `keepCode` false no keys and file
// names (<kbd>, <code>), which stay as they are typed in every language.
QString VisibleText(QString html, bool keepCode)
{
    if (!keepCode)
        html.remove(QRegularExpression(QStringLiteral("<(kbd|code)>[^<]*</\\1>")));
    html.remove(QRegularExpression(QStringLiteral("<!DOCTYPE[^>]*>|<[^>]*>")));
    return html;
}

int PanelCommandForScreen(int screen)
{
    for (int id :
         {Cmd::PanelEnlarge, Cmd::PanelShrink, Cmd::PanelMore, Cmd::PanelCommon, Cmd::PanelDisaster, Cmd::PanelGlobal})
        if (PanelScreenForCommand(id) == screen)
            return id;
    return 0;
}

class HelpWindowTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        QImage img(90, 60, QImage::Format_RGB32);
        img.fill(Qt::darkCyan);
        picture = dir.filePath(QStringLiteral("photo.png"));
        img.save(picture);
        App().m_strDefaultPicture = picture;
        DialogOptions options = TestOptions();
        options.helpFolders = {QStringLiteral(WARPLET_HELP_DIR)};
        ShowDialog(options);
    }

    QString picture;
};

}  // namespace

TEST_F(HelpWindowTest, EveryScreenOpensItsOwnPageWithoutABrowser)
{
    prompts.openUrlSucceeds = false;  // no web browser on this machine
    prompts.pictures.push_back(picture);
    dlg->OnCommand(Cmd::OpenPicture);
    const int screens[] = {Screen::Start, Screen::Editing, Screen::Finish,   Screen::Enlarge, Screen::Shrink,
                           Screen::More,  Screen::Common,  Screen::Disaster, Screen::Global};
    for (int screen : screens) {
        dlg->OnCommand(screen == Screen::Editing  ? Cmd::BackFromFinish
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

TEST(HelpPages, EachLanguageShipsItsOwnPagesInItsOwnScript)
{
    // Names of things that keep their spelling in Chinese text.
    const QStringList names{"Warplet", "JPEG", "PNG", "BMP", "GIF", "TIFF", "WebP"};
    const QString folder = QStringLiteral(WARPLET_HELP_DIR);
    for (int page = 1; page <= 9; ++page) {
        const QString name = QStringLiteral("help-%1.html").arg(page);
        const QString english = ReadPage(folder + "/en/" + name);
        const QString chinese = ReadPage(folder + "/zh/" + name);
        ASSERT_FALSE(english.isEmpty()) << name.toStdString();
        ASSERT_FALSE(chinese.isEmpty()) << name.toStdString();
        EXPECT_TRUE(english.contains(QStringLiteral("<html lang=\"en\">")));
        EXPECT_TRUE(chinese.contains(QStringLiteral("<html lang=\"zh\">")));

        // English pages: not one Chinese character, headings included.
        const QString englishText = VisibleText(english, true);
        EXPECT_FALSE(std::any_of(englishText.begin(), englishText.end(), IsCjk)) << name.toStdString();

        // Chinese pages: Chinese apart from names, keys and numbers.
        const QString chineseText = VisibleText(chinese, false);
        EXPECT_GT(std::count_if(chineseText.begin(), chineseText.end(), IsCjk), 20) << name.toStdString();
        for (const QRegularExpressionMatch& word :
             QRegularExpression(QStringLiteral("[A-Za-z]+")).globalMatch(chineseText))
            EXPECT_TRUE(names.contains(word.captured())) << name.toStdString() << ": " << word.captured().toStdString();

        // Both link to the same pages, each in its own folder.
        static const QRegularExpression link(QStringLiteral("href=\"(help-[0-9]\\.html)\""));
        QStringList englishLinks, chineseLinks;
        for (const QRegularExpressionMatch& m : link.globalMatch(english))
            englishLinks << m.captured(1);
        for (const QRegularExpressionMatch& m : link.globalMatch(chinese))
            chineseLinks << m.captured(1);
        EXPECT_EQ(englishLinks, chineseLinks) << name.toStdString();
        EXPECT_EQ(englishLinks.size(), 9);
    }
    EXPECT_EQ(HelpPageUrl(3, {folder}, UiLanguage::Chinese), QUrl::fromLocalFile(folder + "/zh/help-3.html"));
    EXPECT_EQ(HelpPageUrl(3, {folder}, UiLanguage::English), QUrl::fromLocalFile(folder + "/en/help-3.html"));
}

TEST_F(HelpWindowTest, HelpInChineseShowsTheChinesePages)
{
    const UiLanguage before = App().m_language;
    App().m_language = UiLanguage::Chinese;
    dlg->OnCommand(Cmd::Help);
    CHelpWindow* help = dlg->HelpWindow();
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->Page().toLocalFile().endsWith(QStringLiteral("/zh/help-1.html")));
    const QString text = help->Browser()->toPlainText();
    EXPECT_TRUE(std::any_of(text.begin(), text.end(), IsCjk));
    // The shared style sheet one folder up is applied: the heading takes its colour.
    EXPECT_EQ(help->Browser()->document()->begin().charFormat().foreground().color(), QColor(0x24, 0x3e, 0x72));
    emit help->Browser()->anchorClicked(QUrl(QStringLiteral("help-2.html")));
    EXPECT_TRUE(help->Page().toLocalFile().endsWith(QStringLiteral("/zh/help-2.html")));
    App().m_language = before;
}
