#include "acquire/ui/AcquireFromDevice.h"

#include "acquire/ui/AcquireStrings.h"
#include "acquire/ui/CameraPictureDlg.h"
#include "acquire/ui/DeviceSelectDlg.h"
#include "acquire/ui/ProgressDlg.h"
#include "acquire/ui/ScanSettingsDlg.h"
#include "app/AppState.h"
#include "controls/ui/UserPrompts.h"
#include "io/FilePath.h"
#include "res/StringTable.h"

namespace {

void Tell(UserPrompts& prompts, QWidget* parent, const QString& text)
{
    prompts.Message(parent, text, MsgButtons::Ok, MsgIcon::Exclamation);
}

// The scanner's choices, read with the scanner open only for that.
std::optional<ScanOptions> ReadScanOptions(const AcquireDevice& scanner)
{
    const SaneLibrary library;
    QString error;
    const std::unique_ptr<SaneScanner> open = SaneScanner::Open(library, scanner.saneName, error);
    if (!open)
        return std::nullopt;
    return open->Options();
}

QString Describe(const AcquireOutcome& outcome, int message)
{
    QString text = AppString(message);
    if (!outcome.detail.isEmpty())
        text += QStringLiteral("\n") + outcome.detail;
    return text;
}

}  // namespace

AcquireOutcome AcquireChoices::Transfer(QWidget* parent, const AcquireRequest& request)
{
    return RunTransferWithProgress(request, parent);
}

std::optional<AcquireDevice> DialogChoices::ChooseDevice(QWidget* parent, const std::vector<AcquireDevice>& devices)
{
    CDeviceSelectDlg dialog(devices, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Chosen();
}

std::optional<ScanSettings> DialogChoices::ChooseScan(QWidget* parent, const AcquireDevice& scanner,
                                                      const ScanOptions& options)
{
    CScanSettingsDlg* shown = nullptr;
    auto preview = [this, &scanner, &shown](const ScanSettings& settings) {
        AcquireRequest request;
        request.device = scanner;
        request.scan = settings;
        request.preview = true;
        AcquireOutcome outcome = RunTransferWithProgress(request, shown);
        if (outcome.kind == AcquireOutcome::Kind::DeviceFailed)
            Tell(m_prompts, shown, Describe(outcome, AcquireStr::TransferFailed));
        return outcome.preview;
    };
    CScanSettingsDlg dialog(scanner, options, preview, parent);
    shown = &dialog;
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Settings();
}

AcquireChoices::Answer DialogChoices::ChoosePicture(QWidget* parent, const AcquireDevice& camera, CameraItem& item)
{
    QString error;
    std::unique_ptr<GphotoCamera> open = GphotoCamera::Open(camera.camera, error);
    if (!open)
        return Answer::Failed;
    std::vector<CameraItem> items = open->ListItems(error);
    if (!error.isEmpty())
        return Answer::Failed;
    CCameraPictureDlg dialog(std::move(open), std::move(items), parent);
    if (dialog.exec() != QDialog::Accepted)
        return Answer::Cancelled;
    item = dialog.Chosen();
    return Answer::Chosen;
}

QString AcquireFromDevice(QWidget* parent, UserPrompts& prompts, AcquireChoices& choices, const QString& folder)
{
    const DeviceSearch search = FindDevices();
    if (!search.AnyLibrary()) {
        Tell(prompts, parent, AppString(StrId::AcquireUnsupported));
        return {};
    }
    if (search.devices.empty()) {
        Tell(prompts, parent, AppString(StrId::NoInputDevice));
        return {};
    }
    const std::optional<AcquireDevice> device = choices.ChooseDevice(parent, search.devices);
    if (!device)
        return {};
    AcquireRequest request;
    request.device = *device;
    request.folder = PathFromQString(folder);
    if (device->IsScanner()) {
        const std::optional<ScanOptions> options = ReadScanOptions(*device);
        if (!options) {
            Tell(prompts, parent, AppString(StrId::NoInputDevice));
            return {};
        }
        const std::optional<ScanSettings> settings = choices.ChooseScan(parent, *device, *options);
        if (!settings)
            return {};
        request.scan = *settings;
    } else {
        switch (choices.ChoosePicture(parent, *device, request.item)) {
        case AcquireChoices::Answer::Chosen: break;
        case AcquireChoices::Answer::Cancelled: return {};
        case AcquireChoices::Answer::Failed: Tell(prompts, parent, AppString(StrId::NoInputDevice)); return {};
        }
    }
    const AcquireOutcome outcome = choices.Transfer(parent, request);
    switch (outcome.kind) {
    case AcquireOutcome::Kind::Written: return PathToQString(outcome.path);
    case AcquireOutcome::Kind::WriteFailed: Tell(prompts, parent, Describe(outcome, StrId::CannotWriteFile)); break;
    case AcquireOutcome::Kind::DeviceFailed:
        Tell(prompts, parent, Describe(outcome, AcquireStr::TransferFailed));
        break;
    case AcquireOutcome::Kind::Previewed:
    case AcquireOutcome::Kind::Cancelled:
    case AcquireOutcome::Kind::Skipped: break;
    }
    return {};
}

QString AcquireFromDevice(QWidget* parent, UserPrompts& prompts)
{
    DialogChoices choices(prompts);
    return AcquireFromDevice(parent, prompts, choices, GetPicturesFolder());
}
