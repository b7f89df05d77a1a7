// warplet-cli print: the chosen frames as one PDF document, a page each.

#include "cli/CliRunner.h"
#include "project/ProjectTestSupport.h"

#include "res/StringTable.h"
#include "support/PdfContents.h"

#include <QFile>
#include <QRegularExpression>
#include <QSizeF>

#include <sys/stat.h>
#include <unistd.h>

using namespace projecttest;
using namespace clitest;

namespace {

int PdfPages(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return int(QString::fromLatin1(file.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
}

// The page's size in points, from the first MediaBox.
QSizeF PdfPageSize(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("/MediaBox\\s*\\[\\s*0\\s+0\\s+([0-9.]+)\\s+([0-9.]+)"))
            .match(QString::fromLatin1(file.readAll()));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

class CliPrint : public ::testing::Test {
protected:
    void SetUp() override
    {
        Project p;
        NewProject(p, folder, "pic.bmp", 300, 200);
        for (Displacement& e : p.Keys().Key(1).Map())
            e = Displacement{5 * 64, 2 * 64};
        project = folder.Path("a.kib");
        ASSERT_TRUE(p.Save(project));
    }

    Folder folder;
    std::string project;
};

}  // namespace

TEST_F(CliPrint, OnePagePerChosenFrame)
{
    CliRun run = Cli({"print", project, "-o", folder.Path("three.pdf"), "--frames", "0 5 17"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(PdfPages(folder.Path("three.pdf")), 3);
    EXPECT_NE(run.out.find("3 pages"), std::string::npos) << run.out;
    // A wide picture prints on landscape A4 (842 x 595 points).
    const QSizeF a4 = PdfPageSize(folder.Path("three.pdf"));
    EXPECT_NEAR(a4.width(), 842, 1);
    EXPECT_NEAR(a4.height(), 595, 1);

    run = Cli({"print", project, "-o", folder.Path("all.pdf"), "--size", "50", "--page", "Letter"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(PdfPages(folder.Path("all.pdf")), 20);
    const QSizeF letter = PdfPageSize(folder.Path("all.pdf"));
    EXPECT_NEAR(letter.width(), 792, 1);
    EXPECT_NEAR(letter.height(), 612, 1);
}

TEST_F(CliPrint, MistakesWriteNothing)
{
    const std::vector<std::vector<std::string>> mistakes = {
        {"print", project, "-o", folder.Path("x.pdf"), "--frames", "20"},
        {"print", project, "-o", folder.Path("x.pdf"), "--page", "A3"},
        {"print", project, "-o", folder.Path("x.pdf"), "--size", "0"},
        {"print", folder.Path("missing.kib"), "-o", folder.Path("x.pdf")},
        {"print", project, "-o", folder.Path("no/such/folder/x.pdf")},
    };
    for (const auto& args : mistakes) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 1) << args.back();
        EXPECT_NE(run.err.find("warplet-cli: "), std::string::npos) << run.err;
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.Path("x.pdf"))));
}

TEST_F(CliPrint, AnUnwritableTargetIsAWriteFailure)
{
    std::vector<std::string> targets = {folder.Path("no/such/folder/x.pdf"), folder.MakeFolder("folder.pdf")};
    if (::geteuid() != 0) {  // the superuser writes into any folder
        const std::string locked = folder.MakeFolder("locked");
        ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
        targets.push_back(locked + "/x.pdf");
    }
    for (const std::string& target : targets) {
        const CliRun run = Cli({"print", project, "-o", target, "--frames", "0"});
        EXPECT_EQ(run.status, 1) << target;
        EXPECT_NE(run.err.find(AppString(StrId::CannotWriteFile).toStdString() + ": " + target), std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find(AppString(StrId::CannotReadFile).toStdString()), std::string::npos) << run.err;
    }
}

TEST_F(CliPrint, ThePdfIsTitledWithTheProjectsName)
{
    const CliRun run = Cli({"print", project, "-o", folder.Path("titled.pdf"), "--frames", "1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(testsupport::ReadPdf(QString::fromStdString(folder.Path("titled.pdf"))).title, QStringLiteral("a"));
}

TEST_F(CliPrint, FitScalesEachFrameToThePrintableAreaKeepingItsProportions)
{
    // The 412 x 274 work picture at 300 pixels per inch is a stamp of about
    // 99 x 66 points; fitted it takes the printable width of landscape A4
    // (785.2 points) and is centred.
    ASSERT_EQ(Cli({"print", project, "-o", folder.Path("actual.pdf"), "--frames", "0", "--size", "screen"}).status, 0);
    const CliRun run =
        Cli({"print", project, "-o", folder.Path("fit.pdf"), "--frames", "0", "--size", "screen", "--fit"});
    ASSERT_EQ(run.status, 0) << run.err;
    const testsupport::PdfContents actual = testsupport::ReadPdf(QString::fromStdString(folder.Path("actual.pdf")));
    const testsupport::PdfContents fit = testsupport::ReadPdf(QString::fromStdString(folder.Path("fit.pdf")));
    ASSERT_EQ(actual.pages.size(), 1u);
    ASSERT_EQ(fit.pages.size(), 1u);
    ASSERT_EQ(actual.pages[0].pictures.size(), 1u);
    ASSERT_EQ(fit.pages[0].pictures.size(), 1u);
    const QRectF stamp = actual.pages[0].pictures[0].placed, fitted = fit.pages[0].pictures[0].placed;
    EXPECT_LT(stamp.width(), 200);
    EXPECT_NEAR(fitted.width(), 785.2, 1.0);
    EXPECT_NEAR(fitted.width() / fitted.height(), stamp.width() / stamp.height(), 0.02);
    EXPECT_NEAR(fitted.center().x(), 841.9 / 2, 1.0);
}
