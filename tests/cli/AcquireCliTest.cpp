// warplet-cli acquire against SANE's test scanner and a directory camera.

#include "cli/CliRunner.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

using namespace clitest;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class AcquireCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFile(sane.filePath(QStringLiteral("dll.conf")), "test\n");
        WriteFile(sane.filePath(QStringLiteral("test.conf")),
                  "number_of_devices 1\nmode Gray\nresolution 50\nbr_x 51\nbr_y 25\n");
        QImage picture(30, 20, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        ASSERT_TRUE(QDir().mkpath(camera.filePath(QStringLiteral("DCIM"))));
        ASSERT_TRUE(picture.save(camera.filePath(QStringLiteral("DCIM/IMG_0001.JPG")), "JPEG"));
        QFile jpeg(camera.filePath(QStringLiteral("DCIM/IMG_0001.JPG")));
        ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
        cameraBytes = jpeg.readAll();
        qputenv("SANE_CONFIG_DIR", sane.path().toLocal8Bit());
        qputenv("WARPLET_CAMERA_FOLDERS", camera.path().toLocal8Bit());
    }
    void TearDown() override
    {
        qunsetenv("SANE_CONFIG_DIR");
        qunsetenv("WARPLET_CAMERA_FOLDERS");
    }

    std::string CameraId() const { return "gphoto2:Directory Browse@disk:" + camera.path().toStdString(); }
    std::string Out() const { return out.path().toStdString(); }

    QTemporaryDir sane, camera, out;
    QByteArray cameraBytes;
};

std::string Line(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

// Runs a shell line with "$0" the built warplet-cli and "$1" `argument`: the
// shell makes names of bytes that are not UTF-8, which no QString carries.
CliRun Shell(const QString& line, const QString& argument)
{
    QProcess process;
    process.setProcessEnvironment(CliEnvironment());
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line, QStringLiteral(WARPLET_CLI_PATH), argument});
    EXPECT_TRUE(process.waitForFinished(60000));
    return Collect(process);
}

TEST_F(AcquireCli, ListsDevicesAndTheirChoices)
{
    CliRun run = Cli({"acquire", "--list"}, 60000);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("sane:test:0\t"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(CameraId() + "\t"), std::string::npos) << run.out;

    run = Cli({"acquire", "--list", "--device", CameraId()}, 60000);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Line(run.out), "/DCIM/IMG_0001.JPG\timage/jpeg\t" + std::to_string(cameraBytes.size()));

    run = Cli({"acquire", "--list", "--device", "sane:test:0"}, 60000);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("default-resolution 50"), std::string::npos) << run.out;
}

TEST_F(AcquireCli, TransfersOnePictureAndPrintsItsPath)
{
    CliRun run = Cli({"acquire", "--device", "sane:test:0", "--resolution", "100", "--out", Out()}, 60000);
    ASSERT_EQ(run.status, 0) << run.err;
    const QString scan = QString::fromStdString(Line(run.out));
    EXPECT_EQ(scan, out.filePath(QStringLiteral("Scanned.BMP")));
    EXPECT_EQ(QImage(scan).size(), QSize(int(51 / 25.4 * 100), int(25 / 25.4 * 100)));

    for (const char* expected : {"IMG_0001.JPG", "IMG_0001_1.JPG"}) {
        run = Cli({"acquire", "--device", CameraId(), "--item", "IMG_0001.JPG", "--out", Out()}, 60000);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(QString::fromStdString(Line(run.out)), out.filePath(QString::fromLatin1(expected)));
    }
    QFile copy(out.filePath(QStringLiteral("IMG_0001_1.JPG")));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), cameraBytes);
}

TEST_F(AcquireCli, ErrorsGoToStderrWithFailureStatus)
{
    const std::vector<std::vector<std::string>> failing = {
        {"acquire", "--out", Out()},  // two devices: which one?
        {"acquire", "--device", "nonsense"},
        {"acquire", "--device", "sane:test:5", "--out", Out()},
        {"acquire", "--device", CameraId(), "--item", "missing.jpg", "--out", Out()},
        {"acquire", "--device", CameraId(), "--resolution", "300", "--out", Out()},
        {"acquire", "--device", "sane:test:0", "--resolution", "0", "--out", Out()},
        {"acquire", "--device", "sane:test:0", "--out", "/proc/no/such/folder"},
    };
    for (const auto& args : failing) {
        const CliRun run = Cli(args, 60000);
        EXPECT_EQ(run.status, 1) << args[2];
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_NE(run.err.find("warplet-cli: "), std::string::npos) << args[2];
    }
    // A camera that went away says which one.
    const std::string id = CameraId();
    camera.remove();
    const CliRun run = Cli({"acquire", "--device", id, "--out", Out()}, 60000);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(id), std::string::npos) << run.err;
    EXPECT_TRUE(QDir(out.path()).isEmpty());
}

TEST_F(AcquireCli, NamesFromTheDeviceAreListedEscapedAndCanBeChosenAsListed)
{
    const QByteArray jpeg = cameraBytes;
    for (const std::string name : {"a\x1b]0;owned\x07\nb.jpg", "caf\xE9.jpg"}) {
        std::ofstream file(camera.path().toStdString() + "/" + name, std::ios::binary);
        file.write(jpeg.constData(), jpeg.size());
    }
    CliRun run = Cli({"acquire", "--list", "--device", CameraId()}, 60000);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << run.out;
    const std::string size = "\timage/jpeg\t" + std::to_string(jpeg.size()) + "\n";
    EXPECT_NE(run.out.find("/a\\x1b]0;owned\\x07\\nb.jpg" + size), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("/caf\\xe9.jpg" + size), std::string::npos) << run.out;  // not left out

    // The name as listed finds the picture; stray bytes in its name become '_'.
    run = Cli({"acquire", "--device", CameraId(), "--item", "caf\\xe9.jpg", "--out", Out()}, 60000);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(QString::fromStdString(Line(run.out)), out.filePath(QStringLiteral("caf_.jpg")));
}

TEST_F(AcquireCli, AnOutputFolderOfAnyBytesIsKept)
{
    const QString line = QStringLiteral("exec \"$0\" acquire --device sane:test:0 --out \"$1/$(printf 'caf\\351')\"");
    const CliRun run = Shell(line, out.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string expected = Out() + "/caf\xE9/Scanned.BMP";
    EXPECT_EQ(Line(run.out), expected);
    struct stat st {};
    EXPECT_EQ(::stat(expected.c_str(), &st), 0);
}

TEST_F(AcquireCli, ResolutionsOutsideTheScannersAreRefusedNamingItsRange)
{
    for (const char* dpi : {"40000", "1201"}) {
        const CliRun run = Cli({"acquire", "--device", "sane:test:0", "--resolution", dpi, "--out", Out()}, 60000);
        EXPECT_EQ(run.status, 1) << dpi;
        EXPECT_NE(run.err.find("1 to 1200 dpi"), std::string::npos) << run.err;
    }
    EXPECT_TRUE(QDir(out.path()).isEmpty());

    // A scanner whose own default is outside its range scans at the usual 150 dpi.
    WriteFile(sane.filePath(QStringLiteral("test.conf")),
              "number_of_devices 1\nmode Gray\nresolution 0\nbr_x 51\nbr_y 25\n");
    CliRun run = Cli({"acquire", "--list", "--device", "sane:test:0"}, 60000);
    EXPECT_NE(run.out.find("default-resolution 150\n"), std::string::npos) << run.out;
    run = Cli({"acquire", "--device", "sane:test:0", "--out", Out()}, 60000);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(QImage(QString::fromStdString(Line(run.out))).size(), QSize(int(51 / 25.4 * 150), int(25 / 25.4 * 150)));
}

}  // namespace
