#pragma once
// Devices without hardware for the acquisition tests: SANE's test scanner,
// enabled by a configuration folder of the test program's own (SANE_CONFIG_DIR
// is set before SANE first starts), and folders of pictures that libgphoto2
// opens as directory cameras.

#include "acquire/AcquireDevices.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace acquiretest {

// The SANE configuration folder of this test program.
QString SaneConfigFolder();
// Rewrites the test scanner's settings; `extra` lines follow the defaults
// (one device, colour pattern, 51 x 25 mm at 100 dpi in colour).
void WriteTestScannerConfig(const QStringList& extra = {});
// Enables or disables the test backend (an empty backend list finds no scanner).
void EnableTestScanner(bool enabled);

// The pixels the test scanner delivers for `mm` millimetres at `dpi`.
inline int ScannedPixels(double mm, int dpi) { return int(mm / 25.4 * dpi); }
inline constexpr double kScanWidthMm = 51;
inline constexpr double kScanHeightMm = 25;

AcquireDevice TestScanner();

// A folder of pictures opened as a directory camera.
class CameraFolder {
public:
    CameraFolder();
    QString Path() const { return m_dir.path(); }
    // Writes a picture file (JPEG or PNG by the name's extension) and returns its bytes.
    QByteArray AddPicture(const QString& relativePath, const QImage& picture);
    AcquireDevice Device() const;

private:
    QTemporaryDir m_dir;
};

QImage PatternPicture(int width, int height);

}  // namespace acquiretest
