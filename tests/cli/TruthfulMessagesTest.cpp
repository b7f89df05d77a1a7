// What warplet-cli says when things go wrong: each message says what happened,
// once, in the program's own words, and the exit status agrees with it.

#include "cli/CliRunner.h"
#include "project/ProjectTestSupport.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include <zlib.h>

#include <csignal>

using namespace projecttest;
using namespace clitest;

namespace {

bool Exists(const std::string& path)
{
    return QFileInfo::exists(QString::fromStdString(path));
}

// Runs the command and sends `signal` once its standard output shows `marker`.
CliRun InterruptedAfterOutput(const std::vector<std::string>& args, const QByteArray& marker, int signal = SIGINT)
{
    QProcess process;
    process.setProcessEnvironment(CliEnvironment());
    process.start(QStringLiteral(WARPLET_CLI_PATH), Arguments(args));
    EXPECT_TRUE(process.waitForStarted());
    QByteArray out;
    while (!out.contains(marker) && process.state() == QProcess::Running) {
        process.waitForReadyRead(100);
        out += process.readAllStandardOutput();
    }
    EXPECT_TRUE(out.contains(marker)) << out.toStdString();
    ::kill(pid_t(process.processId()), signal);
    EXPECT_TRUE(process.waitForFinished(120000));
    CliRun run = Collect(process);
    run.out = out.toStdString() + run.out;
    return run;
}

class CliMessages : public ::testing::Test {
protected:
    void SetUp() override
    {
        Project p;
        NewProject(p, folder, "pic.bmp", 300, 200);
        p.Keys().SetDuration(0, 5);
        p.Keys().SetDuration(1, 5);
        project = folder.Path("a.kib");
        ASSERT_TRUE(p.Save(project));
    }
    Folder folder;
    std::string project;
};

}  // namespace

TEST_F(CliMessages, AStopBetweenPassesNamesWhatWasWrittenAndWhatWasNot)
{
    // A long loop: the small video of the shared pass is written first, then
    // the classic GIF's pass of its own runs long enough to be stopped.
    Project p;
    NewProject(p, folder, "big.bmp", 300, 200);
    p.Keys().SetDuration(0, 1024);
    p.Keys().SetDuration(1, 1024);
    ASSERT_TRUE(p.Save(folder.Path("long.kib")));
    const std::string mp4 = folder.Path("x.mp4"), gif = folder.Path("x.gif");
    const CliRun run = InterruptedAfterOutput({"export", folder.Path("long.kib"), "-o", mp4, "-o", gif, "--size", "10"},
                                              "wrote " + QByteArray::fromStdString(mp4));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("export cancelled: wrote " + mp4 + "; not written: " + gif), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("no file was written"), std::string::npos) << run.err;
    EXPECT_TRUE(Exists(mp4));
    EXPECT_FALSE(Exists(gif));
}

TEST_F(CliMessages, OutputsNamingOneFileAreOneOutputAndNamesAreShownClean)
{
    const std::string gif = folder.Path("d.gif");
    const std::string relative = QDir(QDir::currentPath()).relativeFilePath(QString::fromStdString(gif)).toStdString();
    for (const std::string& again : {folder.Path(".") + "/d.gif", relative, folder.Path("sub/../d.gif")}) {
        const CliRun run = Cli({"export", project, "-o", gif, "-o", again});
        EXPECT_EQ(run.status, 1) << again;
        EXPECT_NE(run.err.find("asked for twice"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(Exists(gif));
    // A doubled slash is shown as the one folder it names.
    folder.MakeFolder("sl");
    const CliRun run = Cli({"export", project, "-o", folder.Path("sl") + "//q.gif"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("wrote " + folder.Path("sl/q.gif") + ":"), std::string::npos) << run.out;
}

TEST_F(CliMessages, NumbersOutOfRangeSayTheRange)
{
    const std::string out = folder.Path("x.gif");
    const CliRun speed = Cli({"export", project, "-o", out, "--speed", "99999999999999999999"});
    EXPECT_EQ(speed.status, 1);
    EXPECT_NE(speed.err.find("--speed: 99999999999999999999 is outside 1 to 60"), std::string::npos) << speed.err;
    const CliRun key = Cli({"stroke", project, "-o", folder.Path("s.kib"), "--key", "99999999999999999999", "--tool",
                            "1019", "--points", "1,1"});
    EXPECT_EQ(key.status, 1);
    EXPECT_NE(key.err.find("is out of range (-2147483648 to 2147483647)"), std::string::npos) << key.err;
    // A position written with an exponent is a number like any other.
    const CliRun exponent = Cli(
        {"stroke", project, "-o", folder.Path("e.kib"), "--key", "1", "--tool", "1019", "--points", "1e1,2.5e0 2e1,5"});
    EXPECT_EQ(exponent.status, 0) << exponent.err;
}

TEST_F(CliMessages, PicturesThatCannotOpenSayWhy)
{
    // A folder, a picture cut short that nothing decodes, and one too large to open.
    folder.MakeFolder("dir.png");
    const CliRun dir = Cli({"new", folder.Path("dir.png"), "-o", folder.Path("x.kib")});
    EXPECT_EQ(dir.status, 1);
    EXPECT_NE(dir.err.find("it is a folder, not a file"), std::string::npos) << dir.err;

    const std::vector<uint8_t> png = ReadBytes(folder.Picture("whole.png", 64, 64));
    WriteBytes(folder.Path("cut.png"), std::vector<uint8_t>(png.begin(), png.begin() + std::ptrdiff_t(png.size() / 2)));
    const CliRun cut = Cli({"new", folder.Path("cut.png"), "-o", folder.Path("x.kib")});
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.err.find("the file ends too early"), std::string::npos) << cut.err;
    EXPECT_EQ(cut.err.find("libpng"), std::string::npos) << cut.err;
    EXPECT_EQ(std::count(cut.err.begin(), cut.err.end(), '\n'), 1) << cut.err;

    // Cut after its pixel data, only the end chunk is lost: it opens whole.
    WriteBytes(folder.Path("noend.png"), std::vector<uint8_t>(png.begin(), png.end() - 12));
    const CliRun noEnd = Cli({"new", folder.Path("noend.png"), "-o", folder.Path("noend.kib")});
    EXPECT_EQ(noEnd.status, 0) << noEnd.err;
    EXPECT_EQ(noEnd.err.find("libpng"), std::string::npos) << noEnd.err;

    // A PNG header that states 30000 x 30000 pixels: refused from its header, with the limit.
    std::vector<uint8_t> huge = png;
    const uint8_t side[4] = {0, 0, 0x75, 0x30};
    std::copy(side, side + 4, huge.begin() + 16);
    std::copy(side, side + 4, huge.begin() + 20);
    const uint32_t crc = uint32_t(crc32(0, huge.data() + 12, 17));
    for (int i = 0; i < 4; ++i)
        huge[size_t(29 + i)] = uint8_t(crc >> (24 - 8 * i));
    WriteBytes(folder.Path("huge.png"), huge);
    const CliRun large = Cli({"new", folder.Path("huge.png"), "-o", folder.Path("x.kib")});
    EXPECT_EQ(large.status, 1);
    EXPECT_NE(large.err.find("too large to open: 30000 x 30000 pixels, at most"), std::string::npos) << large.err;
    EXPECT_FALSE(Exists(folder.Path("x.kib")));
}

TEST_F(CliMessages, AJpegCutShortOpensAndIsSaidToBeIncomplete)
{
    QImage image(200, 160, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    ASSERT_TRUE(image.save(QString::fromStdString(folder.Path("whole.jpg")), "JPEG"));
    const std::vector<uint8_t> jpeg = ReadBytes(folder.Path("whole.jpg"));
    WriteBytes(folder.Path("half.jpg"),
               std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(jpeg.size() * 2 / 3)));
    const CliRun run = Cli({"new", folder.Path("half.jpg"), "-o", folder.Path("half.kib")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("The picture is incomplete"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(folder.Path("half.jpg")), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("JPEG"), std::string::npos) << run.err;
    EXPECT_TRUE(Exists(folder.Path("half.kib")));
    const CliRun whole = Cli({"new", folder.Path("whole.jpg"), "-o", folder.Path("whole.kib")});
    EXPECT_EQ(whole.status, 0);
    EXPECT_EQ(whole.err, "");
}

TEST_F(CliMessages, SavingWhileThePictureIsMissingSaysThatItsPathIsKept)
{
    const std::string picture = folder.Path("pic.bmp");
    const auto info = [&](const std::string& path) {
        return QJsonDocument::fromJson(QByteArray::fromStdString(Cli({"info", path}).out)).object();
    };
    const QJsonObject before = info(project);
    ASSERT_TRUE(QFile::remove(QString::fromStdString(picture)));
    const CliRun run = Cli({"reconstruct", project, "-o", folder.Path("r.kib"), "--key", "1", "--percent", "0"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("The picture file is missing"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(picture), std::string::npos) << run.err;
    // The stand-in takes the keyframes' size: they are as they were.
    const QJsonObject after = info(folder.Path("r.kib"));
    EXPECT_EQ(after["workPicture"], before["workPicture"]);
    EXPECT_EQ(after["keyframes"], before["keyframes"]);
    EXPECT_TRUE(after["pictureMissing"].toBool());
    EXPECT_FALSE(before["pictureMissing"].toBool());
}

TEST_F(CliMessages, TicksAreBoundedByWhatAPersonHolds)
{
    const auto stroke = [&](const std::string& points, const std::string& ticks) {
        return Cli({"stroke", project, "-o", folder.Path("t.kib"), "--key", "1", "--tool", "1105", "--points", points,
                    "--ticks", ticks});
    };
    const CliRun many = stroke("100,100", "100000");
    EXPECT_EQ(many.status, 1);
    EXPECT_NE(many.err.find("--ticks: 100000 is outside 0 to 1000"), std::string::npos) << many.err;
    const CliRun total = stroke("1,1 2,2 3,3 4,4 5,5 6,6 7,7", "1000 1000 1000 1000 1000 1000 1");
    EXPECT_EQ(total.status, 1);
    EXPECT_NE(total.err.find("6001 ticks in all"), std::string::npos) << total.err;
    EXPECT_FALSE(Exists(folder.Path("t.kib")));
    EXPECT_EQ(stroke("100,100", "50").status, 0);
}
