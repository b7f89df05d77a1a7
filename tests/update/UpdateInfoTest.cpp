#include "LoopbackHttpServer.h"
#include "UpdateTestSupport.h"

#include "update/UpdateInfo.h"
#include "update/UpdateSchedule.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

namespace {

using namespace std::chrono_literals;

class UpdateInfoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        updatetest::ClearSettings();
        setenv("WARPLET_UPDATE_HOST", m_server.Host().c_str(), 1);
        m_server.Set("/checkupdate/updateurl.html", "http://" + m_server.Host() + "/ask");
        m_info.SetConnectionTest([] { return true; });
        m_info.SetNotify([this] {
            ++m_notified;
            m_notifyThread = std::this_thread::get_id();
        });
    }
    void TearDown() override { unsetenv("WARPLET_UPDATE_HOST"); }

    // The worker may touch these until m_info has ended it: they are declared before it.
    std::atomic<int> m_notified{0};
    std::thread::id m_notifyThread;
    updatetest::LoopbackHttpServer m_server;
    UpdateInfo m_info;
};

TEST_F(UpdateInfoTest, AnswerArrivesFromTheWorkerThread)
{
    updatetest::StoreSchedule("20,01,01", 7);
    m_server.Set("/ask", "<status>1</status><message80>Version 5</message80>");
    m_info.StartCheck();
    ASSERT_TRUE(m_info.WaitForCheck(20s));
    EXPECT_EQ(m_notified, 1);
    EXPECT_NE(m_notifyThread, std::this_thread::get_id());
    EXPECT_EQ(m_info.Answer().status, 1);
    EXPECT_EQ(m_info.Answer().Message(), "Version 5");

    // The next start clears the status first; an empty answer announces nothing.
    updatetest::StoreSchedule("20,01,01", 7);
    m_server.Set("/ask", "");
    m_info.StartCheck();
    EXPECT_EQ(m_info.Answer().status, 0);
    ASSERT_TRUE(m_info.WaitForCheck(20s));
    EXPECT_EQ(m_notified, 1);
    EXPECT_FALSE(m_info.Running());
}

TEST_F(UpdateInfoTest, FailedCheckAnnouncesNothing)
{
    updatetest::StoreSchedule("20,01,01", 7);
    m_server.Set("/checkupdate/updateurl.html", "nonsense");
    m_info.StartCheck();
    ASSERT_TRUE(m_info.WaitForCheck(20s));
    EXPECT_EQ(m_notified, 0);
    EXPECT_EQ(StoredSchedule::Read().date, "20,01,01");
}

}  // namespace
