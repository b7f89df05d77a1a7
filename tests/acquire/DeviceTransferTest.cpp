// Transfers from SANE's test scanner and libgphoto2's directory camera.

#include "AcquireTestSupport.h"

#include "acquire/AcquireTransfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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
        request.folder = m_out.path().toStdString() + '/';
        return request;
    }
    std::string OutPath(const char* name) const { return m_out.filePath(QString::fromLatin1(name)).toStdString(); }

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
    process.start(QStringLiteral("scanimage"),
                  {QStringLiteral("-d"), QStringLiteral("test:0"), QStringLiteral("--resolution"), QString::number(dpi),
                   QStringLiteral("--mode"), QString::fromLatin1(mode), QStringLiteral("--format=pnm"),
                   QStringLiteral("-o"), out});
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

CameraItem ItemNamed(const AcquireDevice& camera, const std::string& name)
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
    ADD_FAILURE() << "no item " << name;
    return {};
}

std::vector<std::string> ItemNames(const AcquireDevice& camera)
{
    QString error;
    const auto open = GphotoCamera::Open(camera.camera, error);
    EXPECT_TRUE(open) << error.toStdString();
    std::vector<std::string> names;
    for (const CameraItem& item : open ? open->ListItems(error) : std::vector<CameraItem>{})
        names.push_back(item.Path());
    std::sort(names.begin(), names.end());
    return names;
}

// The most memory this process has held at once.
uint64_t PeakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return uint64_t(usage.ru_maxrss) * 1024;
}

// A file of `size` bytes that begins as a JPEG does and takes no room on disk.
void WriteSparseJpeg(const std::string& path, uint64_t size)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    EXPECT_EQ(::write(fd, "\xFF\xD8\xFF\xE0", 4), 4);
    EXPECT_EQ(::ftruncate(fd, off_t(size)), 0);
    ::close(fd);
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
        EXPECT_TRUE(outcome.path.ends_with(c.colour ? "/Scanned.BMP" : "/Scanned_1.BMP")) << outcome.path;
        EXPECT_EQ(progress.Percent(), 100);
        const QImage scanned = LoadExact(QString::fromStdString(outcome.path));
        ASSERT_FALSE(scanned.isNull());
        EXPECT_EQ(scanned.size(), QSize(ScannedPixels(kScanWidthMm, c.dpi), ScannedPixels(kScanHeightMm, c.dpi)));
        // The file says the resolution it was scanned at: 100 dpi is 3937 pixels
        // per metre (3937.0), 50 dpi 1969 (1968.5 rounded up).
        const int perMetre = c.dpi == 100 ? 3937 : 1969;
        EXPECT_EQ(scanned.dotsPerMeterX(), perMetre);
        EXPECT_EQ(scanned.dotsPerMeterY(), perMetre);
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
    const QImage scanned = LoadExact(QString::fromStdString(outcome.path));
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
    EXPECT_TRUE(run->outcome.path.empty());
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
    EXPECT_TRUE(outcome.path.empty());
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
    request.item = ItemNamed(camera, "IMG_0001.JPG");
    EXPECT_EQ(request.item.mimeType, QStringLiteral("image/jpeg"));
    for (const char* expected : {"IMG_0001.JPG", "IMG_0001_1.JPG", "IMG_0001_2.JPG"}) {
        AcquireProgress progress;
        const AcquireOutcome outcome = TransferPicture(request, progress);
        ASSERT_EQ(outcome.kind, Kind::Written) << outcome.detail.toStdString();
        EXPECT_EQ(outcome.path, OutPath(expected));
        QFile file(QString::fromStdString(outcome.path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), bytes);
    }

    request.item = ItemNamed(camera, "holiday.jpeg");
    AcquireProgress progress;
    EXPECT_EQ(TransferPicture(request, progress).path, OutPath("holiday.JPG"));
    request.item = ItemNamed(camera, "shot.png");
    const AcquireOutcome shot = TransferPicture(request, progress);
    EXPECT_EQ(shot.path, OutPath("shot.png"));
    QFile file(QString::fromStdString(shot.path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), png);
}

TEST_F(DeviceTransfer, CameraItemsOutsideTheFormatTableAreSkipped)
{
    CameraFolder folder;
    AcquireRequest request = Request(folder.Device());
    request.item = {"/", "clip.cr2", QStringLiteral("image/x-canon-cr2"), 10};
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
    request.item = ItemNamed(camera, "IMG_0001.JPG");
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
    request.item = ItemNamed(request.device, "IMG_0001.JPG");
    request.folder = OutPath("missing/");
    AcquireProgress progress;
    const AcquireOutcome outcome = TransferPicture(request, progress);
    EXPECT_EQ(outcome.kind, Kind::WriteFailed);
    EXPECT_TRUE(outcome.detail.contains(QStringLiteral("IMG_0001.JPG"))) << outcome.detail.toStdString();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(outcome.path)));
}

TEST_F(DeviceTransfer, APipeOnACardIsNeitherListedNorOpened)
{
    CameraFolder folder;
    folder.AddPicture(QStringLiteral("IMG_0001.JPG"), PatternPicture(16, 16));
    const std::string pipe = folder.Bytes() + "/pipe.jpg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(ItemNames(folder.Device()), std::vector<std::string>{"/IMG_0001.JPG"});

    AcquireRequest request = Request(folder.Device());
    request.item = {"/", "pipe.jpg", QStringLiteral("image/jpeg"), 0};
    const auto run = StartTransfer(request);
    std::future<void> done = run->done.get_future();
    if (!Ended(done)) {
        // Opened for reading, a pipe waits for a writer: give it one that writes nothing.
        ::close(::open(pipe.c_str(), O_WRONLY | O_NONBLOCK));
        return;
    }
    EXPECT_EQ(run->outcome.kind, Kind::DeviceFailed);
    EXPECT_TRUE(run->outcome.detail.contains(QStringLiteral("not a regular file")))
        << run->outcome.detail.toStdString();
    EXPECT_TRUE(Written().isEmpty());
}

TEST_F(DeviceTransfer, LinksLeadingOutOfTheCardAreNotFollowed)
{
    CameraFolder folder;
    const QByteArray inside = folder.AddPicture(QStringLiteral("DCIM/IMG_0001.JPG"), PatternPicture(16, 16));
    // Pictures outside the card, so that only where the links lead can keep them out.
    CameraFolder outside;
    outside.AddPicture(QStringLiteral("secret.jpg"), PatternPicture(8, 8));
    outside.AddPicture(QStringLiteral("DCIM/away.jpg"), PatternPicture(8, 8));
    const std::string card = folder.Bytes();
    const std::string outsideName = outside.Bytes().substr(outside.Bytes().rfind('/') + 1);
    ASSERT_EQ(::symlink((outside.Bytes() + "/secret.jpg").c_str(), (card + "/shadow.jpg").c_str()), 0);
    ASSERT_EQ(::symlink(("../" + outsideName + "/secret.jpg").c_str(), (card + "/up.jpg").c_str()), 0);
    ASSERT_EQ(::symlink((outside.Bytes() + "/DCIM").c_str(), (card + "/elsewhere").c_str()), 0);
    ASSERT_EQ(::symlink("DCIM/IMG_0001.JPG", (card + "/same.jpg").c_str()), 0);  // stays on the card

    const std::vector<std::string> expected = {"/DCIM/IMG_0001.JPG", "/same.jpg"};
    EXPECT_EQ(ItemNames(folder.Device()), expected);

    AcquireRequest request = Request(folder.Device());
    for (const char* name : {"shadow.jpg", "up.jpg"}) {
        request.item = {"/", name, QStringLiteral("image/jpeg"), 0};
        AcquireProgress progress;
        const AcquireOutcome outcome = TransferPicture(request, progress);
        EXPECT_EQ(outcome.kind, Kind::DeviceFailed) << name;
        EXPECT_TRUE(outcome.detail.contains(QStringLiteral("leads out"))) << outcome.detail.toStdString();
    }
    request.item = {"/elsewhere", "away.jpg", QStringLiteral("image/jpeg"), 0};
    AcquireProgress progress;
    EXPECT_EQ(TransferPicture(request, progress).kind, Kind::DeviceFailed);
    EXPECT_TRUE(Written().isEmpty());

    request.item = ItemNamed(request.device, "same.jpg");
    const AcquireOutcome same = TransferPicture(request, progress);
    ASSERT_EQ(same.kind, Kind::Written) << same.detail.toStdString();
    QFile file(QString::fromStdString(same.path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), inside);
}

TEST_F(DeviceTransfer, AFileNotOfTheFormatItsNameSaysIsNotKept)
{
    CameraFolder folder;
    folder.AddFile("notes.jpg", "root:x:0:0:root:/root:/bin/sh\n");
    AcquireRequest request = Request(folder.Device());
    request.item = ItemNamed(request.device, "notes.jpg");
    AcquireProgress progress;
    const AcquireOutcome outcome = TransferPicture(request, progress);
    EXPECT_EQ(outcome.kind, Kind::DeviceFailed);
    EXPECT_TRUE(outcome.detail.contains(QStringLiteral("not of its format"))) << outcome.detail.toStdString();
    EXPECT_TRUE(Written().isEmpty());
}

TEST_F(DeviceTransfer, CameraFilesStreamToDiskAndTheLimitHoldsBeforeReading)
{
    CameraFolder folder;
    constexpr uint64_t kMiB = uint64_t(1) << 20;
    WriteSparseJpeg(folder.Bytes() + "/video.jpg", 64 * kMiB);
    WriteSparseJpeg(folder.Bytes() + "/huge.jpg", CDataCallback::kMaxPageSize + 1);
    AcquireRequest request = Request(folder.Device());
    request.item = ItemNamed(request.device, "video.jpg");
    // Measured once libgphoto2 has loaded its drivers.
    [[maybe_unused]] const uint64_t before = PeakResidentBytes();
    AcquireProgress progress;
    const AcquireOutcome video = TransferPicture(request, progress);
    ASSERT_EQ(video.kind, Kind::Written) << video.detail.toStdString();
    EXPECT_EQ(QFileInfo(QString::fromStdString(video.path)).size(), qint64(64 * kMiB));

    request.item = ItemNamed(request.device, "huge.jpg");
    AcquireProgress refused;
    const AcquireOutcome huge = TransferPicture(request, refused);
    EXPECT_EQ(huge.kind, Kind::DeviceFailed);
    EXPECT_TRUE(huge.detail.contains(QStringLiteral("larger than 1024 MiB"))) << huge.detail.toStdString();
    EXPECT_FALSE(refused.Started());  // not a byte was read
#ifndef __SANITIZE_ADDRESS__          // the sanitizer keeps freed memory resident for a while
    // Neither picture was held in memory whole.
    EXPECT_LT(PeakResidentBytes() - before, 32 * kMiB);
#endif

    // A cancelled transfer stops at the first band and leaves nothing.
    request.item = ItemNamed(request.device, "video.jpg");
    AcquireProgress cancelled;
    cancelled.Cancel();
    EXPECT_EQ(TransferPicture(request, cancelled).kind, Kind::Cancelled);
    EXPECT_EQ(Written(), QStringList{QStringLiteral("video.jpg")});
}

TEST_F(DeviceTransfer, CameraNamesOfAnyBytesAndLengthAreTaken)
{
    CameraFolder folder;
    const QByteArray jpeg = PictureBytes(PatternPicture(8, 8), "JPEG");
    folder.AddFile("\xFF\xFE.jpg", jpeg);
    const std::string longest = std::string(251, 'x') + ".jpg";
    folder.AddFile(longest, jpeg);
    AcquireRequest request = Request(folder.Device());

    request.item = ItemNamed(request.device, "\xFF\xFE.jpg");
    AcquireProgress progress;
    const AcquireOutcome stray = TransferPicture(request, progress);
    ASSERT_EQ(stray.kind, Kind::Written) << stray.detail.toStdString();
    EXPECT_EQ(stray.path, OutPath("__.jpg"));

    request.item = ItemNamed(request.device, longest);
    const std::string expected[] = {longest, std::string(249, 'x') + "_1.jpg"};
    for (const std::string& name : expected) {
        const AcquireOutcome outcome = TransferPicture(request, progress);
        ASSERT_EQ(outcome.kind, Kind::Written) << outcome.detail.toStdString();
        EXPECT_EQ(outcome.path, m_out.path().toStdString() + '/' + name);
    }
}

TEST_F(DeviceTransfer, ResolutionsTheScannerDoesNotTakeAreRefused)
{
    for (const int dpi : {40000, 1201}) {
        AcquireRequest request = Request(TestScanner());
        request.scan = {dpi, true, false};
        AcquireProgress progress;
        const AcquireOutcome outcome = TransferPicture(request, progress);
        EXPECT_EQ(outcome.kind, Kind::DeviceFailed) << dpi;
        EXPECT_TRUE(outcome.detail.contains(QStringLiteral("1 to 1200 dpi")) &&
                    outcome.detail.contains(QString::number(dpi)))
            << outcome.detail.toStdString();
    }
    EXPECT_TRUE(Written().isEmpty());
}

TEST_F(DeviceTransfer, AnUnusableDeviceDefaultGivesWayToTheUsualResolution)
{
    // A default outside the 1 to 1200 dpi it takes, as the test scanner
    // reports when its configuration names none.
    WriteTestScannerConfig({QStringLiteral("resolution 0")});
    {
        const SaneLibrary library;
        QString error;
        const auto scanner = SaneScanner::Open(library, QStringLiteral("test:0"), error);
        ASSERT_TRUE(scanner) << error.toStdString();
        const ScanOptions options = scanner->Options();
        EXPECT_FALSE(TakesResolution(options, options.defaultResolution));
        EXPECT_EQ(PreselectedResolution(options), 150);
    }
    AcquireRequest request = Request(TestScanner());
    request.scan = {0, true, false};
    AcquireProgress progress;
    const AcquireOutcome outcome = TransferPicture(request, progress);
    ASSERT_EQ(outcome.kind, Kind::Written) << outcome.detail.toStdString();
    EXPECT_EQ(QImage(QString::fromStdString(outcome.path)).size(),
              QSize(ScannedPixels(kScanWidthMm, 150), ScannedPixels(kScanHeightMm, 150)));
}

TEST_F(DeviceTransfer, AScanLargerThanTheLimitIsRefusedBeforeItIsRead)
{
    AcquireRequest request = Request(TestScanner());
    request.scan = {100, true, false};  // 200 x 98 pixels of 3 bytes: about 59 KB
    request.pageLimit = 10000;
    AcquireProgress progress;
    const AcquireOutcome known = TransferPicture(request, progress);
    EXPECT_EQ(known.kind, Kind::DeviceFailed);
    EXPECT_TRUE(known.detail.contains(QStringLiteral("10000 bytes"))) << known.detail.toStdString();
    EXPECT_FALSE(progress.Started());

    // A hand scanner's length is known only at its end: it stops at the limit.
    WriteTestScannerConfig({QStringLiteral("hand-scanner true")});
    request.scan = {50, false, false};
    request.pageLimit = 4000;
    AcquireProgress unknown;
    EXPECT_EQ(TransferPicture(request, unknown).kind, Kind::DeviceFailed);
    EXPECT_TRUE(Written().isEmpty());
}

}  // namespace
