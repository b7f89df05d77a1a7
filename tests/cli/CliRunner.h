#pragma once
// Runs the built warplet-cli (WARPLET_CLI_PATH) and collects what it printed.

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

namespace clitest {

struct CliRun {
    int status = -1;  // exit code, -1 when the program crashed
    std::string out;
    std::string err;
};

inline QStringList Arguments(const std::vector<std::string>& args)
{
    QStringList list;
    for (const auto& a : args)
        list << QString::fromStdString(a);
    return list;
}

// Collects the result of a process that has finished.
inline CliRun Collect(QProcess& process)
{
    CliRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

// The environment of every run: a home, settings and pictures folder of this
// test program's own, so that no test reads or writes the user's.
inline QProcessEnvironment CliEnvironment()
{
    static const QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
    return environment;
}

inline CliRun Cli(const std::vector<std::string>& args, int timeoutMs = 300000)
{
    QProcess process;
    process.setProcessEnvironment(CliEnvironment());
    process.start(QStringLiteral(WARPLET_CLI_PATH), Arguments(args));
    EXPECT_TRUE(process.waitForFinished(timeoutMs));
    return Collect(process);
}

// Runs the command, sends `signal` once stderr shows `marker`, and waits for the end.
inline CliRun Interrupted(const std::vector<std::string>& args, const QByteArray& marker, int signal = SIGINT)
{
    QProcess process;
    process.setProcessEnvironment(CliEnvironment());
    process.start(QStringLiteral(WARPLET_CLI_PATH), Arguments(args));
    EXPECT_TRUE(process.waitForStarted());
    QByteArray err;
    QElapsedTimer timer;
    timer.start();
    while (!err.contains(marker) && process.state() == QProcess::Running && timer.elapsed() < 120000) {
        process.waitForReadyRead(100);
        err += process.readAllStandardError();
    }
    EXPECT_TRUE(err.contains(marker)) << err.toStdString();
    ::kill(pid_t(process.processId()), signal);
    EXPECT_TRUE(process.waitForFinished(120000));
    CliRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = (err + process.readAllStandardError()).toStdString();
    return run;
}

}  // namespace clitest
