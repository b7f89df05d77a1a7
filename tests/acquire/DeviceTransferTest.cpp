// Transfers from SANE's test scanner and libgphoto2's directory camera.

#include "AcquireTestSupport.h"

#include "acquire/AcquireTransfer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace {

using namespace acquiretest;
using Kind = AcquireOutcome::Kind;

class DeviceTransfer : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteTestScannerConfig();
        ASSERT_TRUE(m_out.isValid());
    }

    AcquireRequest Request(const AcquireDevice& device) const
    {
        AcquireRequest request;
        request.device = device;
        request.folder = m_out.path() + QLatin1Char('/');
        return request;
    }

    QStringList Written() const { return QDir(m_out.path()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir m_out;
};

QImage LoadExact(const QString& path)
{
    QImage image(path);
    return image.convertToFormat(QImage::Format_RGB32);
}

// What scanimage, SANE's own front end, scans with the same settings.
QImage ScanWithScanimage(int dpi, const char* mode)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("scan.pnm"));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SANE_CONFIG_DIR"), SaneConfigFolder());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("scanimage"), {QStringLiteral("-d"), QStringLiteral("test:0"),
                                                QStringLiteral("--resolution"), QString::number(dpi),
                                                QStringLiteral("--mode"), QString::fromLatin1(mode),
                                                QStringLiteral("--format=pnm"), QStringLiteral("-o"), out});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return LoadExact(out);
}

// A transfer on a thread of its own. A transfer that does not end within the
// time given fails the test and is left behind rather than hanging the run.
struct BoundedTransfer {
    AcquireRequest request;
    AcquireProgress progress;
    AcquireOutcome outcome;
    std::promise<void> done;
};

std::shared_ptr<BoundedTransfer> StartTransfer(const AcquireRequest& request)
{
    auto run = std::make_shared<BoundedTransfer>();
    run->request = request;
    std::thread([run] {
        run->outcome = TransferPicture(run->request, run->progress);
        run->done.set_value();
    }).detach();
    return run;
}

bool Ended(std::future<void>& done)
{
    const bool ended = done.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    EXPECT_TRUE(ended) << "the transfer did not end";
    return ended;
}

CameraItem ItemNamed(const AcquireDevice& camera, const QString& name)
{
    QString error;
    const auto open = GphotoCamera::Open(camera.camera, error);
    EXPECT_TRUE(open) << error.toStdString();
    if (!open)
        return {};
    for (const CameraItem& item : open->ListItems(error)) {
        if (item.name == name)
            return item;
    }
    ADD_FAILURE() << "no item " << name.toStdString();
    return {};
}

TEST_F(DeviceTransfer, BothKindsOfDeviceAreListed)
{
    CameraFolder folder;
    folder.AddPicture(QStringLiteral("IMG_0001.JPG"), PatternPicture(32, 24));
    qputenv("WARPLET_CAMERA_FOLDERS", folder.Path().toLocal8Bit());
    const DeviceSearch search = FindDevices();
    qunsetenv("WARPLET_CAMERA_FOLDERS");
    EXPECT_TRUE(search.saneAvailable);
    EXPECT_TRUE(search.gphotoAvailable);
    QStringList ids;
    for (const AcquireDevice& device : search.devices)
        ids << device.Id();
    EXPECT_TRUE(ids.contains(QStringLiteral("sane:test:0"))) << ids.join(' ').toStdString();
    EXPECT_TRUE(ids.contains(folder.Device().Id())) << ids.join(' ').toStdString();
    for (const AcquireDevice& device : search.devices) {
        EXPECT_FALSE(device.label.isEmpty());
        const auto parsed = ParseDeviceId(device.Id());
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->Id(), device.Id());
    }
    EXPECT_FALSE(ParseDeviceId(QStringLiteral("gphoto2:model-without-port")));
    EXPECT_FALSE(ParseDeviceId(QStringLiteral("twain:x")));

    EnableTestScanner(false);
    bool available = false;
    EXPECT_TRUE(ListSaneDevices(available).empty());
    EXPECT_TRUE(available);
}

TEST_F(DeviceTransfer, ScannerOptionsOfferTheDevicesDefaults)
{
    const SaneLibrary library;
    QString error;
    const auto scanner = SaneScanner::Open(library, QStringLiteral("test:0"), error);
    ASSERT_TRUE(scanner) << error.toStdString();
    const ScanOptions options = scanner->Options();
    EXPECT_TRUE(options.offersColour);
    EXPECT_TRUE(options.offersGrey);
    EXPECT_TRUE(options.defaultColour);
    EXPECT_EQ(options.defaultResolution, 100);
    ASSERT_FALSE(options.resolutions.empty());
    EXPECT_EQ(options.resolutions.front(), 1);
    EXPECT_EQ(options.resolutions.back(), 1200);
    EXPECT_TRUE(std::is_sorted(options.resolutions.begin(), options.resolutions.end()));
    EXPECT_NE(std::find(options.resolutions.begin(), options.resolutions.end(), 300), options.resolutions.end());
    EXPECT_FALSE(SaneScanner::Open(library, QStringLiteral("test:9"), error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(DeviceTransfer, ScanIsWrittenAsBitmapMatchingSanesOwnFrontEnd)
{
    struct Case {
        int dpi;
        bool colour;
        const char* mode;
    };
    for (const Case c : {Case{100, true, "Color"}, Case{50, false, "Gray"}}) {
        AcquireRequest request = Request(TestScanner());
        request.scan = {c.dpi, c.colour, false};
        AcquireProgress progress;
        const AcquireOutcome outcome = TransferPicture(request, progress);
        ASSERT_EQ(outcome.kind, Kind::Written) << outcome.detail.toStdString();
        EXPECT_TRUE(outcome.path.endsWith(c.colour ? QStringLiteral("/Scanned.BMP") : QStringLiteral("/Scanned_1.BMP")))
            << outcome.path.toStdString();
        EXPECT_EQ(progress.Percent(), 100);
        const QImage scanned = LoadExact(outcome.path);
        ASSERT_FALSE(scanned.isNull());
        EXPECT_EQ(scanned.size(), QSize(ScannedPixels(kScanWidthMm, c.dpi), ScannedPixels(kScanHeightMm, c.dpi)));
        const QImage reference = ScanWithScanimage(c.dpi, c.mode);
        ASSERT_FALSE(reference.isNull());
        EXPECT_TRUE(scanned == reference) << c.mode;
    }
}

TEST_F(DeviceTransfer, ScanOfUnknownLengthIsCompletedWhenItEnds)
{
    // A hand scanner does not know how many lines will come.
    WriteTestScannerConfig({QStringLiteral("hand-scanner true")});
    AcquireRequest request = Request(TestScanner());
    request.scan = {50, false, false};
    AcquireProgress progress;
    const AcquireOutcome outcome = TransferPicture(request, progress);
    ASSERT_EQ(outcome.kind, Kind::Written) << outcome.detail.toStdString();
    const QImage scanned = LoadExact(outcome.path);
    ASSERT_FALSE(scanned.isNull());
    EXPECT_GT(scanned.height(), 0);
}

TEST_F(DeviceTransfer, PreviewStaysInMemory)
{
    AcquireRequest request = Request(TestScanner());
    request.scan = {50, true, false};
    request.preview = true;
    AcquireProgress progress;
    const AcquireOutcome outcome = TransferPicture(request, progress);
    ASSERT_EQ(outcome.kind, Kind::Previewed) << outcome.detail.toStdString();
    EXPECT_EQ(outcome.preview.size(), QSize(ScannedPixels(kScanWidthMm, 50), ScannedPixels(kScanHeightMm, 50)));
    EXPECT_TRUE(Written().isEmpty());
}

TEST_F(DeviceTransfer, CancelDuringScanEndsWithNoPath)
{
    // Slow the scanner down so that the cancel arrives mid-transfer.
    WriteTestScannerConfig({QStringLiteral("read-limit true"), QStringLiteral("read-limit-size 600"),
                            QStringLiteral("read-delay true"), QStringLiteral("read-delay-duration 20000")});
    AcquireRequest request = Request(TestScanner());
    request.scan = {100, true, false};
    const auto run = StartTransfer(request);
    std::future<void> done = run->done.get_future();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!run->progress.Started() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    run->progress.Cancel();
    if (!Ended(done))
        return;
    EXPECT_TRUE(run->progress.Started());
    EXPECT_EQ(run->outcome.kind, Kind::Cancelled);
    EXPECT_TRUE(run->outcome.path.isEmpty());
    EXPECT_TRUE(Written().isEmpty());
}

TEST_F(DeviceTransfer, ScannerFailingMidTransferGivesAClearMessage)
{
    WriteTestScannerConfig({QStringLiteral("read-status-code SANE_STATUS_IO_ERROR")});
    const auto run = StartTransfer(Request(TestScanner()));
    std::future<void> done = run->done.get_future();
    if (!Ended(done))
        return;
    const AcquireOutcome& outcome = run->outcome;
    EXPECT_EQ(outcome.kind, Kind::DeviceFailed);
    EXPECT_FALSE(outcome.detail.isEmpty());
    EXPECT_TRUE(outcome.path.isEmpty());
    EXPECT_TRUE(Written().isEmpty());

    AcquireRequest gone = Request(*ParseDeviceId(QStringLiteral("sane:test:7")));
    AcquireProgress progress;
    EXPECT_EQ(TransferPicture(gone, progress).kind, Kind::DeviceFailed);
}

TEST_F(DeviceTransfer, CameraPictureKeepsItsNameAndBytes)
{
    CameraFolder folder;
    const QByteArray bytes = folder.AddPicture(QStringLiteral("IMG_0001.JPG"), PatternPicture(40, 30));
    folder.AddPicture(QStringLiteral("DCIM/100TEST/holiday.jpeg"), PatternPicture(20, 10));
    const QByteArray png = folder.AddPicture(QStringLiteral("DCIM/100TEST/shot.png"), PatternPicture(8, 8));
    const AcquireDevice camera = folder.Device();

    QString error;
    auto open = GphotoCamera::Open(camera.camera, error);
    ASSERT_TRUE(open) << error.toStdString();
    const std::vector<CameraItem> items = open->ListItems(error);
    ASSERT_EQ(items.size(), 3u) << error.toStdString();
    const QImage thumbnail = open->Thumbnail(items[0], 16);
    EXPECT_FALSE(thumbnail.isNull());
    EXPECT_LE(std::max(thumbnail.width(), thumbnail.height()), 16);
    open.reset();

    AcquireRequest request = Request(camera);
    request.item = ItemNamed(camera, QStringLiteral("IMG_0001.JPG"));
    EXPECT_EQ(request.item.mimeType, QStringLiteral("image/jpeg"));
    for (const char* expected : {"IMG_0001.JPG", "IMG_0001_1.JPG", "IMG_0001_2.JPG"}) {
        AcquireProgress progress;
        const AcquireOutcome outcome = TransferPicture(request, progress);
        ASSERT_EQ(outcome.kind, Kind::Written) << outcome.detail.toStdString();
        EXPECT_EQ(outcome.path, m_out.filePath(QString::fromLatin1(expected)));
        QFile file(outcome.path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), bytes);
    }

    request.item = ItemNamed(camera, QStringLiteral("holiday.jpeg"));
    AcquireProgress progress;
    EXPECT_EQ(TransferPicture(request, progress).path, m_out.filePath(QStringLiteral("holiday.JPG")));
    request.item = ItemNamed(camera, QStringLiteral("shot.png"));
    const AcquireOutcome shot = TransferPicture(request, progress);
    EXPECT_EQ(shot.path, m_out.filePath(QStringLiteral("shot.png")));
    QFile file(shot.path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), png);
}

TEST_F(DeviceTransfer, CameraItemsOutsideTheFormatTableAreSkipped)
{
    CameraFolder folder;
    AcquireRequest request = Request(folder.Device());
    request.item = {QStringLiteral("/"), QStringLiteral("clip.cr2"), QStringLiteral("image/x-canon-cr2"), 10};
    AcquireProgress progress;
    EXPECT_EQ(TransferPicture(request, progress).kind, Kind::Skipped);
    EXPECT_TRUE(Written().isEmpty());
}

TEST_F(DeviceTransfer, CameraThatDisappearsEndsWithAClearMessage)
{
    auto folder = std::make_unique<CameraFolder>();
    folder->AddPicture(QStringLiteral("IMG_0001.JPG"), PatternPicture(40, 30));
    const AcquireDevice camera = folder->Device();
    AcquireRequest request = Request(camera);
    request.item = ItemNamed(camera, QStringLiteral("IMG_0001.JPG"));
    folder.reset();  // unplugged between choosing and transferring
    AcquireProgress progress;
    const AcquireOutcome outcome = TransferPicture(request, progress);
    EXPECT_EQ(outcome.kind, Kind::DeviceFailed);
    EXPECT_FALSE(outcome.detail.isEmpty());
    EXPECT_TRUE(Written().isEmpty());
}

TEST_F(DeviceTransfer, UnwritableFolderReportsTheFileAndNoPicture)
{
    CameraFolder folder;
    folder.AddPicture(QStringLiteral("IMG_0001.JPG"), PatternPicture(40, 30));
    AcquireRequest request = Request(folder.Device());
    request.item = ItemNamed(request.device, QStringLiteral("IMG_0001.JPG"));
    request.folder = m_out.filePath(QStringLiteral("missing/"));
    AcquireProgress progress;
    const AcquireOutcome outcome = TransferPicture(request, progress);
    EXPECT_EQ(outcome.kind, Kind::WriteFailed);
    EXPECT_TRUE(outcome.detail.contains(QStringLiteral("IMG_0001.JPG"))) << outcome.detail.toStdString();
    EXPECT_FALSE(QFile::exists(outcome.path));
}

}  // namespace
