#include "LoopbackHttpServer.h"
#include "UpdateTestSupport.h"

#include "update/CurlHttpClient.h"
#include "update/UpdateCheck.h"
#include "update/UpdateSchedule.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using updatetest::LoopbackHttpServer;

const auto* const kHome = ::testing::AddGlobalTestEnvironment(new updatetest::TemporaryHome);

const QDateTime kNow(QDate(2026, 12, 15), QTime(9, 30), Qt::LocalTime);

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        updatetest::ClearSettings();
        setenv("WARPLET_UPDATE_HOST", m_server.Host().c_str(), 1);
        // The locator names the question's address on the same server.
        m_server.Set("/checkupdate/updateurl.html", "http://" + m_server.Host() + "/ask/update.php\n");
    }
    void TearDown() override { unsetenv("WARPLET_UPDATE_HOST"); }

    CheckResult Check(bool online = true)
    {
        CheckSettings settings;
        settings.now = kNow;
        settings.online = [online] { return online; };
        CurlHttpClient http;
        return RunUpdateCheck(http, settings);
    }

    static StoredSchedule Stored() { return StoredSchedule::Read(); }

    LoopbackHttpServer m_server;
};

TEST_F(UpdateCheckTest, FirstRunOnlyWritesTheSchedule)
{
    EXPECT_EQ(Check().outcome, CheckOutcome::FirstRun);
    EXPECT_TRUE(m_server.Requests().empty());
    EXPECT_EQ(Stored().date, "26,12,15");
    EXPECT_EQ(Stored().intervalDays, 7);
}

TEST_F(UpdateCheckTest, NoRequestBeforeTheIntervalHasPassed)
{
    updatetest::StoreSchedule("26,12,09", 7);
    EXPECT_EQ(Check().outcome, CheckOutcome::NotDue);
    EXPECT_TRUE(m_server.Requests().empty());
    EXPECT_EQ(Stored().date, "26,12,09");
}

TEST_F(UpdateCheckTest, UnreadableDateSkipsTheCheckAndKeepsTheSettings)
{
    updatetest::StoreSchedule("26,14,40", 7);
    EXPECT_EQ(Check().outcome, CheckOutcome::ScheduleUnreadable);
    EXPECT_TRUE(m_server.Requests().empty());
    EXPECT_EQ(Stored().date, "26,14,40");
}

TEST_F(UpdateCheckTest, OfflineMakesNoRequest)
{
    updatetest::StoreSchedule("26,12,01", 7);
    EXPECT_EQ(Check(false).outcome, CheckOutcome::Offline);
    EXPECT_TRUE(m_server.Requests().empty());
}

TEST_F(UpdateCheckTest, DueCheckAsksTwiceParsesTheAnswerAndStoresTheNextInterval)
{
    updatetest::StoreSchedule("26,12,08", 7);
    m_server.Set("/ask/update.php",
                 "<status>2</status><message40>New</message40>"
                 "<moreinfourl>http://info.example/</moreinfourl>"
                 "<nextcheckindays>3</nextcheckindays>");
    const CheckResult result = Check();
    EXPECT_EQ(result.outcome, CheckOutcome::Answered);
    EXPECT_EQ(result.answer.status, 2);
    EXPECT_EQ(result.answer.Message(), "New");
    EXPECT_EQ(result.answer.moreInfoUrl, "http://info.example/");

    const auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "/checkupdate/updateurl.html");
    EXPECT_EQ(requests[1],
              "/ask/update.php?productname=Warplet%204&version=4,0,0,0&user=%20&sn=&subversion=80404B0"
              "&reserved=%20");
    EXPECT_EQ(Stored().date, "26,12,15");
    EXPECT_EQ(Stored().intervalDays, 3);
}

TEST_F(UpdateCheckTest, AnswerWithoutNextCheckStoresZeroDays)
{
    updatetest::StoreSchedule("26,12,08", 7);
    m_server.Set("/ask/update.php", "<status 1/>");
    const CheckResult result = Check();
    EXPECT_EQ(result.outcome, CheckOutcome::Answered);
    EXPECT_EQ(result.answer.status, 1);
    EXPECT_EQ(Stored().intervalDays, 0);
    EXPECT_EQ(Stored().date, "26,12,15");
}

TEST_F(UpdateCheckTest, EmptyAnswerStoresTheScheduleWithZeroDays)
{
    updatetest::StoreSchedule("26,12,08", 7);
    m_server.Set("/ask/update.php", "");
    const CheckResult result = Check();
    EXPECT_EQ(result.outcome, CheckOutcome::EmptyAnswer);
    EXPECT_EQ(result.answer.status, 0);
    EXPECT_EQ(Stored().date, "26,12,15");
    EXPECT_EQ(Stored().intervalDays, 0);
}

TEST_F(UpdateCheckTest, LocatorWithoutUsableAddressStoresNothing)
{
    for (const std::string& body : {"http://" + m_server.Host(), std::string("http:/")}) {
        updatetest::StoreSchedule("26,12,08", 7);
        m_server.Set("/checkupdate/updateurl.html", body);
        EXPECT_EQ(Check().outcome, CheckOutcome::BadLocator) << body;
        EXPECT_EQ(Stored().date, "26,12,08");
        EXPECT_EQ(Stored().intervalDays, 7);
    }
    EXPECT_EQ(m_server.Requests().size(), 2u);  // the locator only, twice
}

TEST_F(UpdateCheckTest, OnlyAWebAddressWithAHostAndAPathIsAsked)
{
    // Each of these once reached the server: the scheme went unread, or the host was
    // cut at a "#", "?" or NUL and the server's top page was taken as the answer.
    const std::string hostPort = m_server.Host();
    m_server.Set("/x", "<status>1</status>");
    m_server.Set("/", "<status>1</status>");
    const std::string bodies[] = {
        "gopher:" + hostPort + "/x",
        "ftps://" + hostPort + "/x",
        "http://" + hostPort + "#.example/x",
        "http://" + hostPort + "?.example/x",
        "http://" + hostPort + std::string(1, '\0') + ".example/x",
        "http:///x",
    };
    for (const std::string& body : bodies) {
        updatetest::StoreSchedule("26,12,08", 7);
        m_server.Set("/checkupdate/updateurl.html", body);
        const CheckResult result = Check();
        EXPECT_EQ(result.outcome, CheckOutcome::BadLocator) << body;
        EXPECT_TRUE(result.error.contains("named no address")) << result.error.toStdString();
        EXPECT_EQ(Stored().date, "26,12,08");
    }
    EXPECT_EQ(m_server.Requests().size(), std::size(bodies));  // the locator only, each time

    // The address's own query is kept, and ours follows it.
    updatetest::StoreSchedule("26,12,08", 7);
    m_server.Set("/checkupdate/updateurl.html", "  http://" + hostPort + "/x?lang=zh#top\r\n");
    EXPECT_EQ(Check().outcome, CheckOutcome::Answered);
    EXPECT_EQ(m_server.Requests().back(),
              "/x?lang=zh&productname=Warplet%204&version=4,0,0,0&user=%20&sn=&subversion="
              "80404B0&reserved=%20");
}

TEST_F(UpdateCheckTest, UnreachableHostEndsQuietlyWithNothingStored)
{
    updatetest::StoreSchedule("26,12,08", 7);
    const std::string closed = "127.0.0.1:" + std::to_string(updatetest::ClosedLoopbackPort());
    setenv("WARPLET_UPDATE_HOST", closed.c_str(), 1);
    const CheckResult result = Check();
    EXPECT_EQ(result.outcome, CheckOutcome::NetworkError);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(Stored().date, "26,12,08");
    EXPECT_EQ(Stored().intervalDays, 7);
}

TEST_F(UpdateCheckTest, HttpErrorOnTheQuestionStoresNothing)
{
    updatetest::StoreSchedule("26,12,08", 7);
    m_server.Set("/ask/update.php", LoopbackHttpServer::Reply{500, "<status>1</status>"});
    EXPECT_EQ(Check().outcome, CheckOutcome::NetworkError);
    EXPECT_EQ(Stored().date, "26,12,08");
}

TEST_F(UpdateCheckTest, ForcedCheckIgnoresScheduleAndConnection)
{
    updatetest::StoreSchedule("26,12,14", 7);
    m_server.Set("/ask/update.php", "<status>1</status><nextcheckindays>5</nextcheckindays>");
    CheckSettings settings;
    settings.force = true;
    settings.now = kNow;
    settings.online = [] { return false; };
    CurlHttpClient http;
    EXPECT_EQ(RunUpdateCheck(http, settings).outcome, CheckOutcome::Answered);
    EXPECT_EQ(Stored().intervalDays, 5);
}

TEST_F(UpdateCheckTest, LongAnswerIsCutBeforeItIsParsed)
{
    updatetest::StoreSchedule("26,12,08", 7);
    m_server.Set("/ask/update.php", std::string(1020, ' ') + "<status>1</status>");
    const CheckResult result = Check();
    EXPECT_EQ(result.outcome, CheckOutcome::Answered);
    EXPECT_EQ(result.answer.status, 0);  // the tag lies beyond the first 1023 characters
}

}  // namespace
