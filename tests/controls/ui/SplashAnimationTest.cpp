#include "controls/SplashAnimation.h"
#include "controls/ui/SplashWnd.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A three-frame 32 x 16 video made by the ffmpeg tool; empty when it is missing.
QString MakeVideo(const QTemporaryDir& dir)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return {};
    const QString path = dir.filePath(QStringLiteral("warplet.avi"));
    QProcess p;
    p.start(ffmpeg, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                     QStringLiteral("-i"), QStringLiteral("testsrc=size=32x16:rate=10:duration=0.3"),
                     QStringLiteral("-c:v"), QStringLiteral("mjpeg"), QStringLiteral("-y"), path});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return path;
}

}  // namespace

TEST(SplashAnimation, DecodesFramesAndLoops)
{
    QTemporaryDir dir;
    const QString path = MakeVideo(dir);
    if (path.isEmpty())
        GTEST_SKIP() << "no ffmpeg tool to make a video";
    SplashAnimation anim;
    ASSERT_TRUE(anim.Open(path));
    EXPECT_EQ(anim.FrameSize(), QSize(32, 16));
    EXPECT_EQ(anim.FrameInterval(), 100);
    // More frames than the file holds: the animation starts over.
    for (int i = 0; i < 8; ++i) {
        const QImage frame = anim.NextFrame();
        ASSERT_FALSE(frame.isNull()) << i;
        EXPECT_EQ(frame.size(), QSize(32, 16));
    }
    CSplashWnd splash(nullptr, path);
    EXPECT_TRUE(splash.HasAnimation());
}

TEST(SplashAnimation, CorruptFileIsNoAnimation)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("warplet.avi"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "RIFF\x10\x00\x00\x00"
        "AVI garbage that is not a video");
    f.close();
    SplashAnimation anim;
    EXPECT_FALSE(anim.Open(path));
    CSplashWnd splash(nullptr, path);
    EXPECT_FALSE(splash.HasAnimation());
}
