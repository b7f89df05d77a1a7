// warplet-cli check-update against an HTTP server on the loopback address, with
// the settings in a temporary folder.

#include "cli/CliRunner.h"
#include "update/LoopbackHttpServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>

using namespace clitest;

namespace {

class CheckUpdateTest : public ::testing::Test {
protected:
    CliRun CheckUpdate(const std::vector<std::string>& options, const std::string& host)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", m_configHome);
        environment.insert("WARPLET_UPDATE_HOST", QString::fromStdString(host));
        for (const char* proxy : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            environment.remove(proxy);
        std::vector<std::string> args{"check-update"};
        args.insert(args.end(), options.begin(), options.end());
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(WARPLET_CLI_PATH), Arguments(args));
        EXPECT_TRUE(process.waitForFinished(60000));
        return Collect(process);
    }
    static QJsonObject Json(const CliRun& run)
    {
        return QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    }

    QTemporaryDir m_config;
    QString m_configHome = m_config.path();
    updatetest::LoopbackHttpServer m_server;
};

TEST_F(CheckUpdateTest, FirstRunAsksNothingAndForcePrintsTheAnswer)
{
    m_server.Set("/checkupdate/updateurl.html", "http://" + m_server.Host() + "/q");
    m_server.Set("/q", "<status 1/><message80>Version 5 is out</message80><updateurl>https://get.example/</updateurl>");

    const CliRun first = CheckUpdate({}, m_server.Host());
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(Json(first)["outcome"].toString(), "first-run");
    const CliRun again = CheckUpdate({}, m_server.Host());
    EXPECT_EQ(Json(again)["outcome"].toString(), "not-due");
    EXPECT_TRUE(m_server.Requests().empty());

    const CliRun forced = CheckUpdate({"--force"}, m_server.Host());
    ASSERT_EQ(forced.status, 0) << forced.err;
    const QJsonObject answer = Json(forced);
    EXPECT_EQ(answer["outcome"].toString(), "answered");
    EXPECT_EQ(answer["status"].toInt(), 1);
    EXPECT_EQ(answer["message80"].toString(), "Version 5 is out");
    EXPECT_EQ(answer["updateUrl"].toString(), "https://get.example/");
    EXPECT_EQ(answer["nextCheckInDays"].toInt(), 0);
    EXPECT_EQ(m_server.Requests().size(), 2u);
}

TEST_F(CheckUpdateTest, FailuresAreReportedWithStatusOne)
{
    const CliRun unreachable =
        CheckUpdate({"--force"}, "127.0.0.1:" + std::to_string(updatetest::ClosedLoopbackPort()));
    EXPECT_EQ(unreachable.status, 1);
    EXPECT_NE(unreachable.err.find("the update check failed"), std::string::npos) << unreachable.err;

    m_server.Set("/checkupdate/updateurl.html", "no address");
    const CliRun bad = CheckUpdate({"--force"}, m_server.Host());
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("no address"), std::string::npos) << bad.err;

    EXPECT_EQ(CheckUpdate({"--now"}, m_server.Host()).status, 1);
}

TEST_F(CheckUpdateTest, SettingsThatCannotBeWrittenAreAnError)
{
    // The settings folder would lie inside a file: nothing can be stored there.
    QFile blocker(m_config.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_configHome = blocker.fileName() + "/config";
    m_server.Set("/checkupdate/updateurl.html", "http://" + m_server.Host() + "/q");
    m_server.Set("/q", "<status 1/><nextcheckindays>3</nextcheckindays>");

    const CliRun first = CheckUpdate({}, m_server.Host());
    EXPECT_EQ(first.status, 1) << first.out;
    EXPECT_NE(first.err.find("settings"), std::string::npos) << first.err;
    EXPECT_TRUE(m_server.Requests().empty());

    const CliRun forced = CheckUpdate({"--force"}, m_server.Host());
    EXPECT_EQ(forced.status, 1) << forced.out;
    EXPECT_NE(forced.err.find("settings"), std::string::npos) << forced.err;
}

TEST_F(CheckUpdateTest, TextFromTheServiceReachesTheTerminalEscaped)
{
    // A locator that would retitle the terminal, then an answer that would clear it
    // and turn the text around.
    m_server.Set("/checkupdate/updateurl.html", "\x1b]0;owned\x07no address");
    const CliRun bad = CheckUpdate({"--force"}, m_server.Host());
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("\\x1b]0;owned\\x07no address"), std::string::npos) << bad.err;
    EXPECT_EQ(bad.err.find('\x1b'), std::string::npos);

    m_server.Set("/checkupdate/updateurl.html", "http://" + m_server.Host() + "/q");
    m_server.Set("/q",
                 "<status>1</status><message40>\x1b[2Jnew\xe2\x80\xae version</message40>"
                 "<updateurl>https://get.example/\xc2\x9b"
                 "31m</updateurl>");
    const CliRun answered = CheckUpdate({"--force"}, m_server.Host());
    ASSERT_EQ(answered.status, 0) << answered.err;
    for (const char* raw : {"\x1b", "\xe2\x80\xae", "\xc2\x9b"})
        EXPECT_EQ(answered.out.find(raw), std::string::npos) << answered.out;
    const QJsonObject answer = Json(answered);
    EXPECT_EQ(answer["message40"].toString(), "\\x1b[2Jnew\\u202e version");
    EXPECT_EQ(answer["updateUrl"].toString(), "https://get.example/\\u009b31m");
}

}  // namespace
