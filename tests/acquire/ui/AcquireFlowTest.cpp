// The whole acquisition as the start screen's command runs it.

#include "acquire/AcquireTestSupport.h"

#include "acquire/ui/AcquireFromDevice.h"
#include "acquire/ui/AcquireStrings.h"
#include "acquire/ui/CameraPictureDlg.h"
#include "acquire/ui/DeviceSelectDlg.h"
#include "acquire/ui/ScanSettingsDlg.h"
#include "app/AppState.h"
#include "dialog/ui/Kib3Dlg.h"
#include "res/StringTable.h"
#include "support/ScriptedPrompts.h"
#include "work/ui/WorkWnd.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTimer>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace {

using namespace acquiretest;

// Choices from a script: the device with a given identifier, the scan as
// offered, the camera item with a given name.
class ScriptedChoices : public AcquireChoices {
public:
    QString deviceId;  // empty: cancel the device choice
    QString itemName;  // empty: cancel the picture choice
    bool cameraFails = false;
    std::vector<QString> offered;
    int transfers = 0;

    std::optional<AcquireDevice> ChooseDevice(QWidget*, const std::vector<AcquireDevice>& devices) override
    {
        for (const AcquireDevice& d : devices)
            offered.push_back(d.Id());
        for (const AcquireDevice& d : devices) {
            if (d.Id() == deviceId)
                return d;
        }
        return std::nullopt;
    }
    std::optional<ScanSettings> ChooseScan(QWidget*, const AcquireDevice&, const ScanOptions& options) override
    {
        return ScanSettings{options.defaultResolution, options.defaultColour, false};
    }
    Answer ChoosePicture(QWidget*, const AcquireDevice& camera, CameraItem& item) override
    {
        if (cameraFails)
            return Answer::Failed;
        QString error;
        const auto open = GphotoCamera::Open(camera.camera, error);
        for (const CameraItem& candidate : open ? open->ListItems(error) : std::vector<CameraItem>{}) {
            if (!itemName.isEmpty() && candidate.name == itemName.toStdString()) {
                item = candidate;
                return Answer::Chosen;
            }
        }
        return Answer::Cancelled;
    }
    AcquireOutcome Transfer(QWidget* parent, const AcquireRequest& request) override
    {
        ++transfers;
        if (beforeTransfer)
            beforeTransfer();
        return AcquireChoices::Transfer(parent, request);
    }
    std::function<void()> beforeTransfer;
};

class AcquireFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteTestScannerConfig();
        camera.AddPicture(QStringLiteral("IMG_0001.JPG"), PatternPicture(64, 48));
        qputenv("WARPLET_CAMERA_FOLDERS", camera.Path().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("WARPLET_CAMERA_FOLDERS"); }

    QString Acquire() { return AcquireFromDevice(nullptr, prompts, choices, out.path() + QLatin1Char('/')); }

    CameraFolder camera;
    QTemporaryDir out;
    ScriptedPrompts prompts;
    ScriptedChoices choices;
};

TEST_F(AcquireFlow, ScannerAndCameraBothDeliverAFile)
{
    choices.deviceId = TestScanner().Id();
    const QString scan = Acquire();
    EXPECT_EQ(scan, out.filePath(QStringLiteral("Scanned.BMP")));
    EXPECT_EQ(QImage(scan).size(), QSize(ScannedPixels(kScanWidthMm, 100), ScannedPixels(kScanHeightMm, 100)));
    EXPECT_NE(std::find(choices.offered.begin(), choices.offered.end(), camera.Device().Id()), choices.offered.end());

    choices.deviceId = camera.Device().Id();
    choices.itemName = QStringLiteral("IMG_0001.JPG");
    EXPECT_EQ(Acquire(), out.filePath(QStringLiteral("IMG_0001.JPG")));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(AcquireFlow, CancelledChoicesEndQuietly)
{
    EXPECT_TRUE(Acquire().isEmpty());  // device choice cancelled
    choices.deviceId = camera.Device().Id();
    EXPECT_TRUE(Acquire().isEmpty());  // picture choice cancelled
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(choices.transfers, 0);
}

TEST_F(AcquireFlow, NoDeviceOrUnreadableCameraSaysNoInputDevice)
{
    choices.deviceId = camera.Device().Id();
    choices.cameraFails = true;
    EXPECT_TRUE(Acquire().isEmpty());
    ASSERT_EQ(prompts.Texts(), QStringList{AppString(StrId::NoInputDevice)});

    EnableTestScanner(false);
    qunsetenv("WARPLET_CAMERA_FOLDERS");
    choices.offered.clear();
    EXPECT_TRUE(Acquire().isEmpty());
    EXPECT_TRUE(choices.offered.empty());  // nothing to choose from: not asked
    EXPECT_EQ(prompts.Texts().size(), 2);
    EXPECT_EQ(prompts.Texts().back(), AppString(StrId::NoInputDevice));
}

TEST_F(AcquireFlow, FailuresAreShownAndGiveNoPath)
{
    // The camera goes away between the picture choice and the transfer.
    auto gone = std::make_unique<CameraFolder>();
    gone->AddPicture(QStringLiteral("IMG_0009.JPG"), PatternPicture(16, 16));
    qputenv("WARPLET_CAMERA_FOLDERS", gone->Path().toLocal8Bit());
    choices.deviceId = gone->Device().Id();
    choices.itemName = QStringLiteral("IMG_0009.JPG");
    choices.beforeTransfer = [&gone] { gone.reset(); };
    EXPECT_TRUE(Acquire().isEmpty());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(AppString(AcquireStr::TransferFailed)));
    EXPECT_GT(prompts.messages[0].text.size(), AppString(AcquireStr::TransferFailed).size());  // and why
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Exclamation);

    // A folder that cannot take the file: string 1046 naming it, and no path.
    choices.beforeTransfer = nullptr;
    choices.deviceId = TestScanner().Id();
    const QString missing = out.filePath(QStringLiteral("gone/"));
    EXPECT_TRUE(AcquireFromDevice(nullptr, prompts, choices, missing).isEmpty());
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_TRUE(prompts.messages[1].text.startsWith(AppString(StrId::CannotWriteFile)));
    EXPECT_TRUE(prompts.messages[1].text.contains(QStringLiteral("Scanned.BMP")));
}

// Answers the program's own dialogs as a person would, within a time limit.
class DialogAnswerer {
public:
    explicit DialogAnswerer(QString deviceId) : m_deviceId(std::move(deviceId))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Answer(); });
        m_timer.start(20);
        m_deadline.start();
    }
    QStringList seen;

private:
    void Answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (m_deadline.elapsed() > 60000 && dialog) {
            dialog->reject();  // never hang
            return;
        }
        if (auto* devices = qobject_cast<CDeviceSelectDlg*>(modal)) {
            seen << QStringLiteral("devices");
            for (int row = 0; row < devices->List()->count(); ++row) {
                if (devices->List()->item(row)->toolTip() == m_deviceId)
                    devices->List()->setCurrentRow(row);
            }
            devices->accept();
        } else if (auto* pictures = qobject_cast<CCameraPictureDlg*>(modal)) {
            seen << QStringLiteral("pictures");
            pictures->accept();
        } else if (auto* scan = qobject_cast<CScanSettingsDlg*>(modal)) {
            seen << QStringLiteral("scan");
            scan->accept();
        }
    }

    QString m_deviceId;
    QTimer m_timer;
    QElapsedTimer m_deadline;
};

TEST_F(AcquireFlow, StartScreenCommandOpensTheAcquiredPictureAsANewProject)
{
    QTemporaryDir home;
    App().m_strDefaultPicture = QString();
    App().m_strPictDir = home.path();
    DialogOptions options;
    options.fades = false;
    options.screenHeight = 1080;
    CKib3Dlg dlg(QStringList(), QString(), prompts, options);
    dlg.show();
    dlg.OnCommand(Cmd::Start);
    ASSERT_EQ(dlg.CurrentScreen(), Screen::Start);

    for (const QString& id : {TestScanner().Id(), camera.Device().Id()}) {
        DialogAnswerer answerer(id);
        dlg.OnCommand(Cmd::Acquire);
        EXPECT_TRUE(prompts.messages.empty()) << prompts.Texts().join(' ').toStdString();
        ASSERT_EQ(dlg.CurrentScreen(), Screen::Editing) << id.toStdString();
        const QString loaded = QString::fromStdString(dlg.GetProject().Work().Path());
        EXPECT_TRUE(loaded.startsWith(GetPicturesFolder())) << loaded.toStdString();
        EXPECT_TRUE(
            loaded.endsWith(id == TestScanner().Id() ? QStringLiteral(".BMP") : QStringLiteral("IMG_0001.JPG")));
        EXPECT_FALSE(dlg.GetProject().m_bModified);
        EXPECT_EQ(App().m_strPictDir, home.path());  // the picture folder setting is left alone
        EXPECT_EQ(answerer.seen.first(), QStringLiteral("devices"));
        dlg.OnCommand(Cmd::Start);
    }
}

}  // namespace
