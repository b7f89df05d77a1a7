// warplet-cli export and render --size end to end: the files written are read
// back with Qt's image readers and FFmpeg.

#include "export/VideoTestSupport.h"
#include "cli/CliRunner.h"
#include "project/ProjectTestSupport.h"

#include <QElapsedTimer>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <sys/stat.h>

using namespace projecttest;
using namespace clitest;

namespace {

// Runs the command, sends `signal` once stderr shows `marker`, and waits for the end.
CliRun Interrupted(const std::vector<std::string>& args, const QByteArray& marker, int signal = SIGINT)
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

bool Exists(const std::string& path)
{
    return QFileInfo::exists(QString::fromStdString(path));
}

QSize FileSize(const std::string& path)
{
    QImageReader reader(QString::fromStdString(path));
    return reader.size();
}

class CliExport : public ::testing::Test {
protected:
    // A 300 x 200 picture (work picture 412 x 274) and two keyframes of 10
    // frames, the second moving everything right and down.
    void SetUp() override { MakeProject(300, 200, 10); }

    void MakeProject(int w, int h, int duration)
    {
        Project p;
        NewProject(p, folder, "pic.bmp", w, h);
        for (Displacement& e : p.Keys().Key(1).Map())
            e = Displacement{5 * 64, 2 * 64};
        p.Keys().SetDuration(0, duration);
        p.Keys().SetDuration(1, duration);
        project = folder.Path("a.kib");
        ASSERT_TRUE(p.Save(project));
        workSize = QSize(p.Picture().Width(), p.Picture().Height());
    }

    QStringList Files() const { return videotest::FilesIn(QString::fromStdString(folder.Path())); }

    Folder folder;
    std::string project;
    QSize workSize;
};

}  // namespace

TEST_F(CliExport, AnimatedGifHasEveryFrameAtTheWorkPicturesSize)
{
    const std::string gif = folder.Path("anim.gif");
    const CliRun run = Cli({"export", project, "-o", gif, "--size", "picture"});
    ASSERT_EQ(run.status, 0) << run.err;
    QImageReader reader(QString::fromStdString(gif));
    ASSERT_TRUE(reader.canRead());
    EXPECT_EQ(reader.size(), workSize);
    EXPECT_EQ(reader.imageCount(), 20);
    EXPECT_NE(run.err.find("100% (20/20)"), std::string::npos) << run.err;
}

TEST_F(CliExport, VideosHaveTheirContainerCodecSizeAndFrameCount)
{
    struct Case {
        const char* name;
        const char* container;
        std::vector<std::string> codecs;
        std::vector<std::string> size;
        int width, height, frames;
    };
    // 20 frames at speed 20: WMV of 300 x 200 uses the 320 x 240 entry at 30 fps
    // (30 frames), of 1500 x 1000 the PAL entry at 25 fps, whose file is 768 x 576;
    // the 150 x 100 MP4 and the 412 x 274 WebM use their own sizes.
    const Case cases[] = {
        {"v.wmv", "asf", {"wmv2"}, {"--size", "picture"}, 320, 240, 30},
        {"pal.wmv", "asf", {"wmv2"}, {"--size", "500"}, 768, 576, 25},
        {"v.mp4", "mov,mp4,m4a,3gp,3g2,mj2", {"h264", "mpeg4"}, {"--size", "50"}, 150, 100, 30},
        {"v.webm", "matroska,webm", {"vp9", "libvpx-vp9"}, {"--size", "screen"}, 412, 274, 29},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"export", project, "-o", folder.Path(c.name), "--speed", "20"};
        args.insert(args.end(), c.size.begin(), c.size.end());
        const CliRun run = Cli(args);
        ASSERT_EQ(run.status, 0) << run.err;
        const videotest::VideoInfo info = videotest::ReadVideo(QString::fromStdString(folder.Path(c.name)));
        ASSERT_TRUE(info.opened);
        EXPECT_EQ(info.container, c.container);
        EXPECT_NE(std::find(c.codecs.begin(), c.codecs.end(), info.codec), c.codecs.end()) << info.codec;
        EXPECT_EQ(info.width, c.width);
        EXPECT_EQ(info.height, c.height);
        EXPECT_EQ(info.decodedFrames, c.frames);
        // The message names the size the file has; the progress ends when the file is written.
        const std::string frames = std::to_string(c.frames);
        EXPECT_NE(run.out.find(frames + " frames of " + std::to_string(c.width) + " x " + std::to_string(c.height)),
                  std::string::npos)
            << run.out;
        EXPECT_NE(run.err.find("export: 100% (" + frames + "/" + frames + ")\n"), std::string::npos) << run.err;
    }
    EXPECT_EQ(Files().filter(QStringLiteral(".part")), QStringList());
}

TEST_F(CliExport, PictureSequencesAreNamedByFrameNumber)
{
    CliRun run = Cli({"export", project, "-o", folder.Path("s.jpg"), "--frames", "17 0 5"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"s0.jpg", "s5.jpg", "s17.jpg"})
        EXPECT_EQ(FileSize(folder.Path(name)), QSize(300, 200)) << name;
    EXPECT_FALSE(Exists(folder.Path("s.jpg")));

    run = Cli({"export", project, "-o", folder.Path("all.png"), "--size", "50"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (int f = 0; f < 20; ++f) {
        const std::string name = folder.Path("all" + std::string(f < 10 ? "0" : "") + std::to_string(f) + ".png");
        EXPECT_EQ(FileSize(name), QSize(150, 100)) << name;
    }

    run = Cli({"export", project, "-o", folder.Path("one.bmp"), "--frames", "7", "--size", "screen"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(FileSize(folder.Path("one.bmp")), workSize);
    EXPECT_FALSE(Exists(folder.Path("one7.bmp")));
}

TEST_F(CliExport, RenderAtEachSize)
{
    ASSERT_EQ(Cli({"render", project, "--frame", "5", "-o", folder.Path("r1.png"), "--size", "picture"}).status, 0);
    EXPECT_EQ(FileSize(folder.Path("r1.png")), QSize(300, 200));
    ASSERT_EQ(Cli({"render", project, "--frame", "5", "-o", folder.Path("r2.png"), "--size", "200%"}).status, 0);
    EXPECT_EQ(FileSize(folder.Path("r2.png")), QSize(600, 400));
    ASSERT_EQ(Cli({"render", project, "--frame", "5", "-o", folder.Path("r3.png"), "--size", "screen"}).status, 0);
    EXPECT_EQ(FileSize(folder.Path("r3.png")), workSize);
    // The default stays the screen size.
    ASSERT_EQ(Cli({"render", project, "--frame", "5", "-o", folder.Path("r4.png")}).status, 0);
    EXPECT_EQ(FileSize(folder.Path("r4.png")), workSize);
}

TEST_F(CliExport, MistakesAreReportedAndWriteNothing)
{
    const QStringList before = Files();
    const std::vector<std::vector<std::string>> mistakes = {
        {"export", project, "-o", folder.Path("x.txt")},
        {"export", project, "-o", folder.Path("x.gif"), "--speed", "0"},
        {"export", project, "-o", folder.Path("x.gif"), "--speed", "61"},
        {"export", project, "-o", folder.Path("x.gif"), "--frames", "1 2"},
        {"export", project, "-o", folder.Path("x.png"), "--frames", "20"},
        {"export", project, "-o", folder.Path("x.png"), "--frames", "1 x"},
        {"export", project, "-o", folder.Path("x.png"), "--size", "0"},
        {"export", project, "-o", folder.Path("x.png"), "--size", "huge"},
        {"export", folder.Path("missing.kib"), "-o", folder.Path("x.png")},
        {"render", project, "--frame", "1", "-o", folder.Path("x.png"), "--size", "picture", "--quick"},
    };
    for (const auto& args : mistakes) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 1) << args[3];
        EXPECT_NE(run.err.find("warplet-cli: "), std::string::npos) << run.err;
    }
    EXPECT_EQ(Files(), before);
}

TEST_F(CliExport, InterruptDeletesTheVideoAndKeepsWrittenPictures)
{
    MakeProject(1600, 1200, 1024);  // 2048 frames of 1600 x 1200

    // Ctrl+C, and the signals a session's end or a service manager sends.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const CliRun video = Interrupted({"export", project, "-o", folder.Path("long.mp4")}, "export: 0%", signal);
        EXPECT_EQ(video.status, 1) << signal;
        EXPECT_NE(video.err.find("cancelled"), std::string::npos) << video.err;
        EXPECT_FALSE(Exists(folder.Path("long.mp4")));
        EXPECT_EQ(Files().filter(QStringLiteral("long")), QStringList()) << signal;
    }

    const CliRun pictures =
        Interrupted({"export", project, "-o", folder.Path("p.jpg"), "--size", "screen"}, "export: 1");
    EXPECT_EQ(pictures.status, 1);
    EXPECT_NE(pictures.err.find("cancelled"), std::string::npos) << pictures.err;
    const int written = int(Files().filter(QRegularExpression(QStringLiteral("^p[0-9]{4}\\.jpg$"))).size());
    EXPECT_GT(written, 0);
    EXPECT_LT(written, 2048);
    EXPECT_TRUE(Exists(folder.Path("p0000.jpg")));
}

TEST_F(CliExport, ReplacedExportsKeepTheirPermissions)
{
    for (const char* name : {"private.mp4", "private.gif"}) {
        const std::string path = folder.Path(name);
        WriteBytes(path, {1, 2, 3});
        ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
        const CliRun run = Cli({"export", project, "-o", path});
        EXPECT_EQ(run.status, 0) << run.err;
        // No encoder chatter on a normal export.
        EXPECT_EQ(run.err.find("vbv"), std::string::npos) << run.err;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u) << name;
        EXPECT_GT(st.st_size, 3);
    }
}

TEST_F(CliExport, AKilledExportLeavesNoFileBehind)
{
    MakeProject(1600, 1200, 1024);  // 2048 frames of 1600 x 1200
    const QStringList before = Files();
    for (const char* name : {"killed.gif", "killed.mp4"}) {
        const CliRun run = Interrupted({"export", project, "-o", folder.Path(name)}, "export: 0%", SIGKILL);
        EXPECT_EQ(run.status, -1) << name;
        EXPECT_EQ(Files().join(' ').toStdString(), before.join(' ').toStdString()) << name;
    }
}
