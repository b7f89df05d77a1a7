// The acquisition's windows: device choice, scan settings, camera pictures
// and the progress window.

#include "acquire/AcquireTestSupport.h"

#include "acquire/ui/CameraPictureDlg.h"
#include "acquire/ui/DeviceSelectDlg.h"
#include "acquire/ui/ProgressDlg.h"
#include "acquire/ui/ScanSettingsDlg.h"
#include "controls/ui/DlgControls.h"
#include "controls/ui/MyButton.h"
#include "controls/ui/MyStatic.h"
#include "res/StringTable.h"
#include "support/UiTestMain.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

using namespace acquiretest;

TEST(AcquireWindows, DeviceChoiceListsModelsAndReturnsTheChosenOne)
{
    CameraFolder folder;
    const std::vector<AcquireDevice> devices = {TestScanner(), folder.Device()};
    CDeviceSelectDlg dialog(devices);
    dialog.show();
    ASSERT_EQ(dialog.List()->count(), 2);
    EXPECT_TRUE(dialog.List()->item(0)->text().contains(devices[0].label));
    EXPECT_TRUE(dialog.List()->item(1)->text().contains(QLatin1String(kDirectoryCameraModel)));
    EXPECT_EQ(dialog.List()->currentRow(), 0);
    dialog.List()->setCurrentRow(1);
    emit dialog.OkButton()->commandIssued(1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Chosen().Id(), devices[1].Id());
}

TEST(AcquireWindows, ScanSettingsStartFromTheDevicesOwnAndPreviewAtLowResolution)
{
    ScanOptions options;
    options.resolutions = {75, 150, 300, 600};
    options.defaultResolution = 300;
    options.offersColour = options.offersGrey = true;
    options.defaultColour = false;
    std::vector<ScanSettings> previews;
    CScanSettingsDlg dialog(TestScanner(), options, [&previews](const ScanSettings& s) {
        previews.push_back(s);
        return PatternPicture(400, 200);
    });
    dialog.show();
    EXPECT_EQ(dialog.ResolutionBox()->currentText(), QStringLiteral("300"));
    EXPECT_TRUE(dialog.GreyButton()->GetCheck());
    EXPECT_FALSE(dialog.ColourButton()->GetCheck());
    EXPECT_TRUE(dialog.PreviewButton()->isVisible());

    dialog.ColourButton()->SetCheck(true);
    dialog.ResolutionBox()->setCurrentIndex(1);
    const ScanSettings chosen = dialog.Settings();
    EXPECT_EQ(chosen.resolution, 150);
    EXPECT_TRUE(chosen.colour);
    EXPECT_FALSE(chosen.preview);

    dialog.OnPreview();
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_TRUE(previews[0].preview);
    EXPECT_EQ(previews[0].resolution, 75);  // the offered one nearest to a quick scan's
    EXPECT_TRUE(previews[0].colour);
    EXPECT_EQ(dialog.PreviewPicture()->Picture().width(), CScanSettingsDlg::kPreviewSide);

    // A scanner that offers neither choice still scans, with its own settings.
    CScanSettingsDlg plain(TestScanner(), ScanOptions{}, nullptr);
    EXPECT_FALSE(plain.ResolutionBox()->isEnabled());
    EXPECT_EQ(plain.Settings().resolution, 0);
}

TEST(AcquireWindows, CameraGridShowsThumbnailsOneAtATime)
{
    CameraFolder folder;
    folder.AddPicture(QStringLiteral("a.jpg"), PatternPicture(300, 200));
    folder.AddPicture(QStringLiteral("b.png"), PatternPicture(50, 100));
    QString error;
    auto camera = GphotoCamera::Open(folder.Device().camera, error);
    ASSERT_TRUE(camera) << error.toStdString();
    std::vector<CameraItem> items = camera->ListItems(error);
    ASSERT_EQ(items.size(), 2u);
    CCameraPictureDlg dialog(std::move(camera), items);
    const QIcon placeholder = dialog.Grid()->item(0)->icon();
    EXPECT_TRUE(dialog.LoadNextThumbnail());
    EXPECT_FALSE(dialog.LoadNextThumbnail());
    EXPECT_NE(dialog.Grid()->item(0)->icon().cacheKey(), placeholder.cacheKey());
    dialog.Grid()->setCurrentRow(1);
    dialog.accept();
    EXPECT_EQ(dialog.Chosen().name, items[1].name);

    CCameraPictureDlg empty(nullptr, {});
    EXPECT_FALSE(empty.OkButton()->isEnabled());
    empty.accept();
    EXPECT_NE(empty.result(), QDialog::Accepted);
}

TEST(AcquireWindows, ProgressWindowShowsTheTransferAndCancelWaits)
{
    AcquireProgress progress;
    CProgressDlg dialog(progress);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), AppCaption(CapId::TitleAcquire));
    progress.Report(TransferStatus::FromDevice, 42);
    dialog.Refresh();
    EXPECT_EQ(dialog.Bar()->value(), 42);
    EXPECT_EQ(dialog.Status()->text(), AppString(StrId::AcquireTransferring));

    QTest::keyClick(&dialog, Qt::Key_Escape);  // cancels, but the window waits for the transfer
    EXPECT_TRUE(progress.Cancelled());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.CancelButton()->GetWindowText(), AppString(StrId::AcquireWaiting));
    EXPECT_EQ(progress.Report(TransferStatus::FromDevice, 50), ProgressAnswer::Stop);

    progress.SetFinished();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 5000);
    EXPECT_EQ(dialog.result(), CProgressDlg::kEndResult);
}

TEST(AcquireWindows, TransferRunsBesideAResponsiveWindowWhoseCancelStopsIt)
{
    // The transfer waits until the window has served an event and its Cancel
    // was pressed: the window cannot be waiting for the transfer meanwhile.
    std::promise<void> served;
    std::future<void> servedSeen = served.get_future();
    std::atomic<bool> transferStarted{false};
    const auto transfer = [&](AcquireProgress& progress) {
        transferStarted = true;
        progress.Report(TransferStatus::FromDevice, 30);
        if (servedSeen.wait_for(std::chrono::seconds(60)) != std::future_status::ready)
            return AcquireOutcome{AcquireOutcome::Kind::DeviceFailed, {}, QStringLiteral("no event served"), {}};
        for (int wait = 0; wait < 60000 && !progress.Cancelled(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return AcquireOutcome{
            progress.Cancelled() ? AcquireOutcome::Kind::Cancelled : AcquireOutcome::Kind::Written, {}, {}, {}};
    };
    bool sawWindow = false;
    QTimer window;
    QObject::connect(&window, &QTimer::timeout, [&] {
        auto* progress = qobject_cast<CProgressDlg*>(QApplication::activeModalWidget());
        if (!transferStarted || !progress || sawWindow)
            return;
        sawWindow = true;
        served.set_value();
        emit progress->CancelButton()->commandIssued(2);
        EXPECT_EQ(progress->CancelButton()->GetWindowText(), AppString(StrId::AcquireWaiting));
    });
    window.start(1);
    const AcquireOutcome outcome = RunTransferWithProgress(transfer, nullptr);
    EXPECT_TRUE(sawWindow);
    EXPECT_EQ(outcome.kind, AcquireOutcome::Kind::Cancelled) << outcome.detail.toStdString();
}

TEST(AcquireWindows, AScannersUnusableDefaultGivesWayToTheOfferedResolutionNearest150)
{
    ScanOptions options;
    options.resolutions = {75, 120, 200, 600};
    options.defaultResolution = 0;  // reported, but not one of those offered
    EXPECT_EQ(CScanSettingsDlg(TestScanner(), options, nullptr).ResolutionBox()->currentText(), QStringLiteral("120"));
    options.resolutions = {1, 50, 75, 100, 150, 200, 300, 600, 1200};
    options.resolutionRange = true;
    EXPECT_EQ(CScanSettingsDlg(TestScanner(), options, nullptr).Settings().resolution, 150);
    options.defaultResolution = 300;  // one it takes stays
    EXPECT_EQ(CScanSettingsDlg(TestScanner(), options, nullptr).Settings().resolution, 300);
}

TEST(AcquireWindows, NamesFromDevicesShowTheirControlCharactersEscaped)
{
    const std::optional<AcquireDevice> camera =
        ParseDeviceId(QStringLiteral("gphoto2:Cam\x1b]0;owned\x07@disk:/media/card\nX"));
    ASSERT_TRUE(camera);
    CDeviceSelectDlg devices({*camera});
    const QString shown = devices.List()->item(0)->text() + devices.List()->item(0)->toolTip();
    EXPECT_FALSE(shown.contains(QChar(0x1b)) || shown.contains(QLatin1Char('\n'))) << shown.toStdString();
    const QString label = devices.List()->item(0)->text();
    EXPECT_TRUE(label.contains(QStringLiteral("Cam\\x1b]0;owned\\x07 (disk:/media/card\\nX)"))) << label.toStdString();

    std::vector<CameraItem> items = {{"/DCIM", "a\x1b[2Jb\n\xFF.jpg", QStringLiteral("image/jpeg"), 1}};
    CCameraPictureDlg pictures(nullptr, items);
    EXPECT_EQ(pictures.Grid()->item(0)->text(), QStringLiteral("a\\x1b[2Jb\\n\\xff.jpg"));
    EXPECT_EQ(pictures.Grid()->item(0)->toolTip(), QStringLiteral("/DCIM/a\\x1b[2Jb\\n\\xff.jpg"));
}

}  // namespace
