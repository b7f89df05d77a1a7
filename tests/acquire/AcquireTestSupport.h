#pragma once
// Devices without hardware for the acquisition tests: SANE's test scanner,
// enabled by a configuration folder of the test process's own, and folders of
// pictures that libgphoto2 opens as directory cameras. CTest runs every test
// as a process of its own, so no two tests running side by side share a
// scanner configuration, a camera folder or the libraries' home folder.

#include "acquire/AcquireDevices.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <string>

namespace acquiretest {

// The SANE configuration folder of this test process.
QString SaneConfigFolder();
// Rewrites the test scanner's settings; `extra` lines follow the defaults
// (one device, colour pattern, 51 x 25 mm at 100 dpi in colour).
void WriteTestScannerConfig(const QStringList& extra = {});
// Enables or disables the test backend (an empty backend list finds no scanner).
void EnableTestScanner(bool enabled);

// The pixels the test scanner delivers for `mm` millimetres at `dpi`.
inline int ScannedPixels(double mm, int dpi)
{
    return int(mm / 25.4 * dpi);
}
inline constexpr double kScanWidthMm = 51;
inline constexpr double kScanHeightMm = 25;

AcquireDevice TestScanner();

// A folder of pictures opened as a directory camera.
class CameraFolder {
public:
    CameraFolder();
    QString Path() const { return m_dir.path(); }
    std::string Bytes() const { return m_dir.path().toStdString(); }
    // Writes a picture file (JPEG or PNG by the name's extension) and returns its bytes.
    QByteArray AddPicture(const QString& relativePath, const QImage& picture);
    // Writes `bytes` under a name given as bytes (not necessarily UTF-8).
    void AddFile(const std::string& relativePath, const QByteArray& bytes);
    AcquireDevice Device() const;

private:
    QTemporaryDir m_dir;
};

QImage PatternPicture(int width, int height);
// A small picture's bytes in a format ("JPEG", "PNG").
QByteArray PictureBytes(const QImage& picture, const char* format);

}  // namespace acquiretest
