#include "AcquireTestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdlib>

namespace acquiretest {
namespace {

QTemporaryDir& ConfigDir()
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

// SANE reads SANE_CONFIG_DIR once per process, so it is set before any test runs.
const bool kConfigured = [] {
    setenv("SANE_CONFIG_DIR", ConfigDir().path().toLocal8Bit().constData(), 1);
    return true;
}();

}  // namespace

QString SaneConfigFolder() { return ConfigDir().path(); }

void EnableTestScanner(bool enabled)
{
    WriteText(SaneConfigFolder() + QStringLiteral("/dll.conf"), enabled ? QStringLiteral("test\n") : QString());
}

void WriteTestScannerConfig(const QStringList& extra)
{
    QStringList lines = {QStringLiteral("number_of_devices 1"), QStringLiteral("mode Color"),
                         QStringLiteral("resolution 100"),      QStringLiteral("test-picture \"Color pattern\""),
                         QStringLiteral("br_x 51"),             QStringLiteral("br_y 25"),
                         // Settings some tests change, back to their defaults: the
                         // backend may stay loaded and keep them between tests.
                         QStringLiteral("hand-scanner false"),  QStringLiteral("read-limit false"),
                         QStringLiteral("read-delay false"),    QStringLiteral("read-status-code Default")};
    lines += extra;
    WriteText(SaneConfigFolder() + QStringLiteral("/test.conf"), lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    EnableTestScanner(true);
}

AcquireDevice TestScanner() { return *ParseDeviceId(QStringLiteral("sane:test:0")); }

CameraFolder::CameraFolder() = default;

QByteArray CameraFolder::AddPicture(const QString& relativePath, const QImage& picture)
{
    const QString path = m_dir.filePath(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QString suffix = QFileInfo(path).suffix().toLower();
    picture.save(&buffer, suffix == QLatin1String("png") ? "PNG" : "JPEG");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return bytes;
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

}  // namespace acquiretest

