#include "support/ScriptedPrompts.h"
#include "update/LoopbackHttpServer.h"

#include "app/AppState.h"
#include "res/StringTable.h"
#include "update/UpdateInfo.h"
#include "update/ui/UpdateDlg.h"
#include "update/ui/UpdateNotifier.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace std::chrono_literals;

UpdateAnswer Answer(int status, const QString& moreInfo = {})
{
    UpdateAnswer answer;
    answer.status = status;
    answer.message40 = "short";
    answer.message250 = "The long message";
    answer.updateUrl = "https://get.example/warplet";
    answer.moreInfoUrl = moreInfo;
    return answer;
}

class UpdateDlgTest : public ::testing::Test {
protected:
    void SetUp() override { App().m_language = UiLanguage::Chinese; }
    ScriptedPrompts m_prompts;
};

TEST_F(UpdateDlgTest, HeadingTellsACriticalUpdateApart)
{
    const CUpdateDlg plain(Answer(1), m_prompts);
    EXPECT_EQ(plain.Heading(), AppCaption(CUpdateDlg::kHeadingId));
    EXPECT_EQ(plain.windowTitle(), AppCaption(CapId::TitleUpdate));
    const CUpdateDlg critical(Answer(UpdateAnswer::kCritical), m_prompts);
    EXPECT_EQ(critical.Heading(), AppString(StrId::CriticalUpdate));
    EXPECT_EQ(critical.MessageText(), "The long message");
}

TEST_F(UpdateDlgTest, TheServicesMessageKeepsItsLinesAndShowsControlCharactersEscaped)
{
    UpdateAnswer answer = Answer(1);
    answer.message250 = QStringLiteral("Version 5\r\nis \x1b[2Jout\u202e now\n");
    const CUpdateDlg dialog(answer, m_prompts);
    EXPECT_EQ(dialog.MessageText(), QStringLiteral("Version 5\nis \\x1b[2Jout\\u202e now\n"));
}

TEST_F(UpdateDlgTest, MoreInformationOnlyWithAnAddressAndTheDialogStaysOpen)
{
    CUpdateDlg without(Answer(1), m_prompts);
    without.show();
    EXPECT_FALSE(without.MoreInfoButton()->isVisible());

    CUpdateDlg with(Answer(1, "http://info.example/notes"), m_prompts);
    with.show();
    ASSERT_TRUE(with.MoreInfoButton()->isVisible());
    with.MoreInfoButton()->click();
    ASSERT_EQ(m_prompts.urls.size(), 1u);
    EXPECT_EQ(m_prompts.urls[0], QUrl("http://info.example/notes"));
    EXPECT_TRUE(with.isVisible());
}

TEST_F(UpdateDlgTest, GetUpdateOpensTheDownloadPageAndCloses)
{
    CUpdateDlg dialog(Answer(1), m_prompts);
    dialog.show();
    dialog.GetUpdateButton()->click();
    ASSERT_EQ(m_prompts.urls.size(), 1u);
    EXPECT_EQ(m_prompts.urls[0], QUrl("https://get.example/warplet"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(UpdateDlgTest, AddressesThatAreNoWebPagesAreNeverOpened)
{
    UpdateAnswer answer = Answer(1, "file:///etc/passwd");
    answer.updateUrl = "/usr/bin/xterm";
    CUpdateDlg dialog(answer, m_prompts);
    dialog.show();
    dialog.MoreInfoButton()->click();
    dialog.GetUpdateButton()->click();
    EXPECT_TRUE(m_prompts.urls.empty());
    EXPECT_FALSE(dialog.isVisible());
}

// The whole path: a check on the worker thread, a queued call, the dialog over the main window.
class UpdateNoticeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteProfileString(kSectionUpdate, "XVALUE_T", "20,01,01");
        WriteProfileInt(kSectionUpdate, "XVALUE_D", 7);
        for (const char* proxy : {"http_proxy", "all_proxy", "ALL_PROXY"})
            unsetenv(proxy);
        setenv("WARPLET_UPDATE_HOST", m_server.Host().c_str(), 1);
        m_server.Set("/checkupdate/updateurl.html", "http://" + m_server.Host() + "/ask");
        m_info.SetConnectionTest([] { return true; });
    }
    void TearDown() override { unsetenv("WARPLET_UPDATE_HOST"); }

    // Runs the check and the event loop until the queued call has been served;
    // the names of the modal dialogs that opened meanwhile.
    QStringList RunCheck()
    {
        QStringList shown;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&shown] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                shown << modal->objectName() + ":" + modal->findChild<QWidget*>("1135")->property("text").toString();
                modal->close();
            }
        });
        closer.start(20);
        m_info.StartCheck();
        EXPECT_TRUE(m_info.WaitForCheck(20s));
        const QDeadlineTimer deadline(500);
        while (!deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return shown;
    }

    updatetest::LoopbackHttpServer m_server;
    UpdateInfo m_info;
    ScriptedPrompts m_prompts;
    QWidget m_mainWindow;
};

TEST_F(UpdateNoticeTest, AnswerWithAStatusShowsTheDialogOverTheMainWindow)
{
    App().m_language = UiLanguage::English;
    m_server.Set("/ask", "<status>2</status><message40>New</message40>");
    new CUpdateNotifier(m_info, &m_mainWindow, m_prompts);
    m_mainWindow.show();
    EXPECT_EQ(RunCheck(), QStringList{"UpdateDlg:" + AppString(StrId::CriticalUpdate)});
}

TEST_F(UpdateNoticeTest, StatusZeroShowsNothing)
{
    m_server.Set("/ask", "<message40>Nothing new</message40>");
    new CUpdateNotifier(m_info, &m_mainWindow, m_prompts);
    EXPECT_TRUE(RunCheck().isEmpty());
}

TEST_F(UpdateNoticeTest, NoDialogOnceTheMainWindowHasGone)
{
    m_server.Set("/ask", "<status>1</status>");
    auto* window = new QWidget;
    new CUpdateNotifier(m_info, window, m_prompts);
    delete window;
    EXPECT_TRUE(RunCheck().isEmpty());
}

}  // namespace
