// warplet-cli export and render --size end to end: the files written are read
// back with Qt's image readers and FFmpeg.

#include "export/LoopTestSupport.h"
#include "export/VideoTestSupport.h"
#include "cli/CliRunner.h"
#include "project/ProjectTestSupport.h"
#include "support/SmallDisk.h"

#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <sys/stat.h>

using namespace projecttest;
using namespace clitest;

namespace {

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
    // the 150 x 100 MP4 and the 412 x 274 WebM use their own sizes and one frame per
    // animation frame.
    const Case cases[] = {
        {"v.wmv", "asf", {"wmv2"}, {"--size", "picture"}, 320, 240, 30},
        {"pal.wmv", "asf", {"wmv2"}, {"--size", "500"}, 768, 576, 25},
        {"v.mp4", "mov,mp4,m4a,3gp,3g2,mj2", {"h264"}, {"--size", "50"}, 150, 100, 20},
        {"v.webm", "matroska,webm", {"vp9", "libvpx-vp9"}, {"--size", "screen"}, 412, 274, 20},
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

namespace {

// What ffprobe says of the first video stream: "codec,width,height,pix_fmt,rate,frames".
std::string Probe(const std::string& file)
{
    const looptest::CommandResult run = looptest::RunCommand(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,pix_fmt,width,height,r_frame_rate,nb_read_frames -of csv=p=0 " +
        looptest::Quoted(file));
    std::string line = run.output.substr(0, run.output.find('\n'));
    return line;
}

}  // namespace

TEST_F(CliExport, LoopFormatsFromOneRenderAreReadBackByOtherDecodersAtTheFrameSize)
{
    const std::optional<std::string> python = looptest::PythonWithPillow();
    if (!python)
        GTEST_SKIP() << "Pillow is missing (scripts/install-deps installs it)";
    const std::string webp = folder.Path("a.webp"), apng = folder.Path("a.apng"), avif = folder.Path("a.avif"),
                      gif = folder.Path("a.gif");
    const CliRun run = Cli({"export", project, "-o", webp, "-o", apng, "-o", avif, "-o", gif, "--quality", "high",
                            "--size", "50", "--speed", "20", "--lossless"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const std::string& file : {webp, apng, gif})
        EXPECT_NE(run.out.find("wrote " + file + ": 20 frames of 150 x 100"), std::string::npos) << run.out;

    // The APNG is lossless: its frames, decoded by FFmpeg, are what the others are compared
    // with (the picture is as busy as noise, so a frame out of place differs by far more).
    const std::vector<uint8_t> frames = looptest::DecodeWithFfmpeg(apng, folder.Path("apng.raw"));
    ASSERT_EQ(frames.size(), size_t(150 * 100 * 3 * 20));
    for (const std::string& file : {webp, apng, gif}) {
        SCOPED_TRACE(file);
        const looptest::PillowView view = looptest::ReadWithPillow(*python, file, folder.Path("apng.raw"));
        ASSERT_TRUE(view.error.empty()) << view.error;
        // The custom size is honoured by the high-quality GIF as by the others.
        EXPECT_EQ(view.frames, 20);
        EXPECT_EQ(view.width, 150);
        EXPECT_EQ(view.height, 100);
        EXPECT_EQ(view.loop, 0);  // for ever
        for (const double d : view.durations)
            EXPECT_EQ(d, 50.0);
        for (const double e : view.meanError)
            EXPECT_LT(e, file == gif ? 16.0 : 0.5);
    }
    EXPECT_EQ(Probe(avif), "av1,150,100,yuv420p,20/1,20");
}

TEST_F(CliExport, VideosPlayAtTheLoopsOwnSpeedWithOneFramePerAnimationFrame)
{
    // 20 animation frames at 24 per second, and the same played three times.
    const std::string mp4 = folder.Path("a.mp4"), webm = folder.Path("a.webm"), looped = folder.Path("l.mp4");
    CliRun run = Cli({"export", project, "-o", mp4, "-o", webm, "--speed", "24", "--size", "picture"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Probe(mp4), "h264,300,200,yuv420p,24/1,20");
    EXPECT_EQ(Probe(webm), "vp9,300,200,yuv420p,24/1,20");
    // The index is at the front, so that playback starts before the whole file arrives.
    QFile file(QString::fromStdString(mp4));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_LT(bytes.indexOf("moov"), bytes.indexOf("mdat"));

    run = Cli({"export", project, "-o", looped, "--speed", "24", "--loops", "3", "--crf", "30", "--size", "51"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Probe(looped), "h264,152,102,yuv420p,24/1,60");  // odd sides are cut to even
    EXPECT_NE(run.out.find("60 frames of 152 x 102"), std::string::npos) << run.out;

    const std::string av1 = folder.Path("av1.webm");
    run = Cli({"export", project, "-o", av1, "--codec", "av1", "--speed", "10"});
    if (run.status == 0)
        EXPECT_EQ(Probe(av1), "av1,300,200,yuv420p,10/1,20");
    else
        EXPECT_NE(run.err.find("av1 encoder is missing"), std::string::npos) << run.err;
}

TEST_F(CliExport, LoopOptionsOutOfRangeOrForOtherFormatsAreRefused)
{
    const QStringList before = Files();
    const std::string gif = folder.Path("x.gif"), webp = folder.Path("x.webp"), mp4 = folder.Path("x.mp4");
    const struct {
        std::vector<std::string> options;
        const char* message;
    } mistakes[] = {
        {{"-o", mp4, "--crf", "52"}, "--crf: h264 takes 0 to 51 (got 52)"},
        {{"-o", folder.Path("x.webm"), "--crf", "63", "--codec", "h264"}, "not h264"},
        {{"-o", folder.Path("x.webm"), "--crf", "64"}, "--crf: 64 is outside 0 to 63"},
        {{"-o", mp4, "--codec", "h265"}, "--codec: h264, vp9 or av1"},
        {{"-o", folder.Path("x.webm"), "--codec", "h264"}, "not h264"},
        {{"-o", mp4, "--loops", "0"}, "--loops: 0 is outside 1 to 1000"},
        {{"-o", webp, "--webp-quality", "101"}, "--webp-quality: 101 is outside 0 to 100"},
        {{"-o", webp, "--webp-effort", "7"}, "--webp-effort: 7 is outside 0 to 6"},
        {{"-o", folder.Path("x.apng"), "--png-compression", "10"}, "outside 0 to 9"},
        {{"-o", folder.Path("x.avif"), "--avif-speed", "11"}, "outside 0 to 10"},
        {{"-o", gif, "--quality", "best"}, "--quality: classic or high"},
        {{"-o", gif, "--quality", "high", "--max-size", "1000"}, "outside 1024"},
        {{"-o", gif, "--max-size", "100000"}, "only the high-quality GIF"},
        {{"-o", mp4, "--webp-quality", "50"}, "--webp-quality: applies to a .webp output only"},
        {{"-o", webp, "-o", webp}, "asked for twice"},
        {{"-o", folder.Path("x.png"), "--out-dir", folder.Path("d"), "--format", "gif"}, "either with -o"},
        {{"--out-dir", folder.Path("d"), "--format", "gif,mov"}, "--format: a list of"},
    };
    for (const auto& m : mistakes) {
        std::vector<std::string> args = {"export", project};
        args.insert(args.end(), m.options.begin(), m.options.end());
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 1) << m.message;
        EXPECT_NE(run.err.find(m.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(Files(), before);
}

TEST_F(CliExport, AHighGifShrinksToTheSizeAskedForAndSaysHow)
{
    MakeProject(600, 400, 12);
    const std::string full = folder.Path("full.gif"), small = folder.Path("small.gif");
    ASSERT_EQ(Cli({"export", project, "-o", full, "--quality", "high", "--size", "picture"}).status, 0);
    const qint64 fullBytes = QFileInfo(QString::fromStdString(full)).size();
    const qint64 limit = fullBytes * 2 / 3;
    ASSERT_GE(limit, 1024);
    const CliRun run = Cli({"export", project, "-o", small, "--quality", "high", "--size", "picture", "--max-size",
                            std::to_string(limit)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_LE(QFileInfo(QString::fromStdString(small)).size(), limit);
    EXPECT_NE(run.out.find("to fit " + std::to_string(limit) + " bytes: "), std::string::npos) << run.out;
    QImageReader reader(QString::fromStdString(small));
    EXPECT_EQ(reader.size(), QSize(600, 400));
    // The message counts the frames the file holds, and the loop keeps its 24 frames' 0.80 s.
    EXPECT_NE(run.out.find(": " + std::to_string(reader.imageCount()) + " frames of 600 x 400 (a loop of 0.80 s)"),
              std::string::npos)
        << run.out;

    // Another limit gives another file, and each fills most of what was asked for.
    const std::string smaller = folder.Path("smaller.gif");
    const qint64 lower = fullBytes / 2;
    ASSERT_EQ(Cli({"export", project, "-o", smaller, "--quality", "high", "--size", "picture", "--max-size",
                   std::to_string(lower)})
                  .status,
              0);
    const qint64 smallBytes = QFileInfo(QString::fromStdString(small)).size(),
                 smallerBytes = QFileInfo(QString::fromStdString(smaller)).size();
    EXPECT_LE(smallerBytes, lower);
    EXPECT_LT(smallerBytes, smallBytes);
    EXPECT_GE(smallBytes, limit * 8 / 10);
    EXPECT_GE(smallerBytes, lower * 8 / 10);

    // A limit no reduction reaches writes nothing and says so.
    const CliRun tiny = Cli({"export", project, "-o", folder.Path("tiny.gif"), "--quality", "high", "--size", "picture",
                             "--max-size", "1024"});
    EXPECT_EQ(tiny.status, 1);
    EXPECT_NE(tiny.err.find("does not fit in 1024 bytes"), std::string::npos) << tiny.err;
    EXPECT_FALSE(Exists(folder.Path("tiny.gif")));
}

TEST_F(CliExport, AHighGifAboveFiftyFramesASecondSaysTheFramesItHoldsAndKeepsTheLoopsLength)
{
    // 48 frames at 60 per second last 0.80 s: no frame is shorter than 2 hundredths, so
    // the file holds 40.
    MakeProject(300, 200, 24);
    const std::string gif = folder.Path("fast.gif");
    const CliRun run = Cli({"export", project, "-o", gif, "--quality", "high", "--speed", "60", "--size", "screen"});
    ASSERT_EQ(run.status, 0) << run.err;
    const giftest::ParsedGif parsed = giftest::ParseGif(giftest::ReadBytes(gif));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.frames.size(), 40u);
    int hundredths = 0;
    for (const giftest::ParsedFrame& f : parsed.frames)
        hundredths += f.delay;
    EXPECT_EQ(hundredths, 80);
    EXPECT_NE(run.out.find("wrote " + gif + ": 40 frames of 412 x 274 (a loop of 0.80 s)"), std::string::npos)
        << run.out;

    // The classic GIF's help says what it does: one colour table for every frame.
    const std::string help = QString::fromStdString(Cli({"export", "--help"}).out).simplified().toStdString();
    EXPECT_NE(help.find("one colour table for every frame"), std::string::npos) << help;
    EXPECT_EQ(help.find("a palette per frame"), std::string::npos) << help;
}

TEST_F(CliExport, ManyProjectsAreWrittenSideBySideIntoOneFolder)
{
    const std::string second = folder.Path("b.kib");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(project), QString::fromStdString(second)));
    const std::string out = folder.Path("out");
    const CliRun run =
        Cli({"export", project, second, "--out-dir", out, "--format", "gif,webp,mp4", "--jobs", "2", "--speed", "20"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"a", "b"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(FileSize(out + "/" + name + ".gif"), workSize);
        EXPECT_EQ(Probe(out + "/" + name + ".mp4"), "h264,300,200,yuv420p,20/1,20");
        EXPECT_TRUE(Exists(out + "/" + name + ".webp"));
    }
    EXPECT_NE(run.out.find("exported 2 of 2 projects to " + out), std::string::npos) << run.out;
    // One progress display for both: it ends once, at the end of all the work.
    const size_t end = run.err.find("export: 100%");
    EXPECT_NE(end, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("export: 100%", end + 1), std::string::npos) << run.err;

    // Two projects of one name would write the same files.
    const CliRun clash = Cli({"export", project, project, "--out-dir", out, "--format", "gif"});
    EXPECT_EQ(clash.status, 1);
    EXPECT_NE(clash.err.find("same name"), std::string::npos) << clash.err;
}

TEST_F(CliExport, InterruptingSeveralOutputsLeavesNoneOfThem)
{
    MakeProject(1600, 1200, 1024);  // 2048 frames of 1600 x 1200
    const QStringList before = Files();
    const CliRun run = Interrupted({"export", project, "-o", folder.Path("s.webp"), "-o", folder.Path("s.mp4"), "-o",
                                    folder.Path("s.gif"), "--quality", "high", "--size", "picture"},
                                   "export: 0%", SIGTERM);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cancelled"), std::string::npos) << run.err;
    EXPECT_EQ(Files(), before);
}

TEST_F(CliExport, AFullDiskIsSaidForEachOutputAndLeavesNoPartialFile)
{
    testsupport::SmallDisk disk;
    if (!disk.Available())
        GTEST_SKIP() << "no file system of our own can be mounted here";
    // The test picture is as busy as noise: 20 frames of 1200 x 800 fill 256 KB many times over.
    const std::string webp = disk.Path("full.webp"), mp4 = disk.Path("full.mp4");
    const CliRun run = Cli({"export", project, "-o", webp, "-o", mp4, "--size", "400", "--crf", "0"});
    EXPECT_EQ(run.status, 1);
    for (const std::string& file : {webp, mp4})
        EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("disk"), std::string::npos) << run.err;
    EXPECT_TRUE(QDir(QString::fromStdString(disk.Path(""))).entryList(QDir::Files | QDir::Hidden).isEmpty());
}
