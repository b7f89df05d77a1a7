#include "AcquireTestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace acquiretest {
namespace {

// The process's own folder for the device libraries: SANE's configuration in
// "sane", and the home folder libgphoto2 keeps its settings in.
QTemporaryDir& ProcessFolder()
{
    static QTemporaryDir dir;
    return dir;
}

void WriteText(const QString& path, const QString& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(text.toUtf8());
}

// SANE reads SANE_CONFIG_DIR once, when it first starts, so it is set before
// any test runs. Without a trailing ':' SANE looks in no other folder.
const bool kConfigured = [] {
    const QString folder = ProcessFolder().path();
    QDir(folder).mkpath(QStringLiteral("sane"));
    setenv("SANE_CONFIG_DIR", (folder + QStringLiteral("/sane")).toLocal8Bit().constData(), 1);
    setenv("HOME", folder.toLocal8Bit().constData(), 1);
    return true;
}();

}  // namespace

QString SaneConfigFolder()
{
    return ProcessFolder().path() + QStringLiteral("/sane");
}

void EnableTestScanner(bool enabled)
{
    WriteText(SaneConfigFolder() + QStringLiteral("/dll.conf"), enabled ? QStringLiteral("test\n") : QString());
}

void WriteTestScannerConfig(const QStringList& extra)
{
    QStringList lines = {QStringLiteral("number_of_devices 1"), QStringLiteral("mode Color"),
                         QStringLiteral("resolution 100"), QStringLiteral("test-picture \"Color pattern\""),
                         QStringLiteral("br_x 51"), QStringLiteral("br_y 25"),
                         // Settings some tests change, back to their defaults: the
                         // backend may stay loaded and keep them between tests.
                         QStringLiteral("hand-scanner false"), QStringLiteral("read-limit false"),
                         QStringLiteral("read-delay false"), QStringLiteral("read-status-code Default")};
    lines += extra;
    WriteText(SaneConfigFolder() + QStringLiteral("/test.conf"), lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    EnableTestScanner(true);
}

AcquireDevice TestScanner()
{
    return *ParseDeviceId(QStringLiteral("sane:test:0"));
}

CameraFolder::CameraFolder() = default;

QByteArray CameraFolder::AddPicture(const QString& relativePath, const QImage& picture)
{
    const QString suffix = QFileInfo(relativePath).suffix().toLower();
    const QByteArray bytes = PictureBytes(picture, suffix == QLatin1String("png") ? "PNG" : "JPEG");
    AddFile(relativePath.toStdString(), bytes);
    return bytes;
}

void CameraFolder::AddFile(const std::string& relativePath, const QByteArray& bytes)
{
    const std::string path = Bytes() + "/" + relativePath;
    QDir().mkpath(QFileInfo(QString::fromStdString(path)).path());
    std::ofstream file(path, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << path;
    file.write(bytes.constData(), bytes.size());
}

AcquireDevice CameraFolder::Device() const
{
    return *ParseDeviceId(QStringLiteral("gphoto2:") + QLatin1String(kDirectoryCameraModel) + QStringLiteral("@disk:") +
                          Path());
}

QImage PatternPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x + y) % 256));
    }
    return image;
}

QByteArray PictureBytes(const QImage& picture, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return bytes;
}

}  // namespace acquiretest
