#pragma once
// Runs the built warplet-cli (WARPLET_CLI_PATH) and collects what it printed.

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

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

inline CliRun Cli(const std::vector<std::string>& args, int timeoutMs = 300000)
{
    QProcess process;
    process.start(QStringLiteral(WARPLET_CLI_PATH), Arguments(args));
    EXPECT_TRUE(process.waitForFinished(timeoutMs));
    return Collect(process);
}

}  // namespace clitest
