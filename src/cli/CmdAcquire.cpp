// warplet-cli acquire: lists scanners and cameras, or takes one picture from
// one without dialogs and prints the path of the written file.

#include "cli/CliCommands.h"

#include "acquire/AcquireTransfer.h"
#include "app/AppState.h"
#include "res/StringTable.h"

#include <QDir>

#include <iostream>

namespace {

constexpr int kTransferFailed = 20720;  // "Cannot get the picture from the device"

std::string Text(const QString& s) { return s.toStdString(); }

DeviceSearch SearchOrFail()
{
    DeviceSearch search = FindDevices();
    if (!search.AnyLibrary())
        throw CliError(Text(AppString(StrId::AcquireUnsupported)));
    return search;
}

AcquireDevice ChooseDevice(const CliArgs& a)
{
    if (const auto id = a.Optional("--device")) {
        const std::optional<AcquireDevice> device = ParseDeviceId(QString::fromStdString(*id));
        if (!device)
            throw CliError("not a device identifier: " + *id + " (sane:NAME or gphoto2:MODEL@PORT)");
        return *device;
    }
    const DeviceSearch search = SearchOrFail();
    if (search.devices.empty())
        throw CliError(Text(AppString(StrId::NoInputDevice)));
    if (search.devices.size() > 1)
        throw CliError("several devices found; choose one with --device (see acquire --list)");
    return search.devices.front();
}

std::unique_ptr<GphotoCamera> OpenCamera(const AcquireDevice& device)
{
    QString error;
    std::unique_ptr<GphotoCamera> camera = GphotoCamera::Open(device.camera, error);
    if (!camera)
        throw CliError(Text(device.Id() + QStringLiteral(": ") + error));
    return camera;
}

std::vector<CameraItem> ListItems(const AcquireDevice& device)
{
    QString error;
    std::vector<CameraItem> items = OpenCamera(device)->ListItems(error);
    if (!error.isEmpty())
        throw CliError(Text(device.Id() + QStringLiteral(": ") + error));
    return items;
}

// `--list`: the devices, or with --device the pictures of that camera or the
// choices of that scanner.
int List(const CliArgs& a)
{
    if (!a.Has("--device")) {
        for (const AcquireDevice& device : SearchOrFail().devices)
            std::cout << Text(device.Id()) << '\t' << Text(device.label) << '\n';
        return 0;
    }
    const AcquireDevice device = ChooseDevice(a);
    if (!device.IsScanner()) {
        for (const CameraItem& item : ListItems(device))
            std::cout << Text(item.Path()) << '\t' << Text(item.mimeType) << '\t' << item.size << '\n';
        return 0;
    }
    const SaneLibrary library;
    QString error;
    const auto scanner = SaneScanner::Open(library, device.saneName, error);
    if (!scanner)
        throw CliError(Text(device.Id() + QStringLiteral(": ") + error));
    const ScanOptions options = scanner->Options();
    std::cout << "resolutions";
    for (const int dpi : options.resolutions)
        std::cout << ' ' << dpi;
    std::cout << "\ndefault-resolution " << options.defaultResolution << "\ncolour "
              << (options.offersColour ? "yes" : "no") << "\ngrey " << (options.offersGrey ? "yes" : "no") << '\n';
    return 0;
}

// The camera item named by --item (a file name or a path on the camera), or the first one.
CameraItem ChooseItem(const CliArgs& a, const AcquireDevice& device)
{
    const std::vector<CameraItem> items = ListItems(device);
    if (items.empty())
        throw CliError(Text(device.Id()) + ": the camera holds no pictures");
    const auto wanted = a.Optional("--item");
    if (!wanted)
        return items.front();
    const QString name = QString::fromStdString(*wanted);
    for (const CameraItem& item : items) {
        if (item.Path() == name || item.name == name)
            return item;
    }
    throw CliError(Text(device.Id()) + ": no picture " + *wanted + " (see acquire --list --device ID)");
}

QString OutputFolder(const CliArgs& a)
{
    if (!a.Has("--out"))
        return GetPicturesFolder();
    const QString folder = QDir(QString::fromStdString(a.Value("--out"))).absolutePath();
    if (!QDir().mkpath(folder))
        throw CliWriteError(Text(folder) + ": the folder cannot be made");
    return folder + QLatin1Char('/');
}

}  // namespace

int RunAcquire(const std::vector<std::string>& args)
{
    const CliArgs a(args, CliOptionsOf("acquire"));
    if (!a.Positional().empty())
        throw CliError("unexpected argument " + a.Positional().front());
    if (a.Has("--list"))
        return List(a);

    AcquireRequest request;
    request.device = ChooseDevice(a);
    if (request.device.IsScanner()) {
        if (a.Has("--item"))
            throw CliError("--item names a picture on a camera; a scanner scans one page");
        if (const auto dpi = a.Optional("--resolution")) {
            request.scan.resolution = ParseInt(*dpi, "--resolution");
            if (request.scan.resolution < 1)
                throw CliError("--resolution must be at least 1");
        }
    } else {
        if (a.Has("--resolution"))
            throw CliError("--resolution is for scanners");
        request.item = ChooseItem(a, request.device);
    }
    request.folder = OutputFolder(a);

    AcquireProgress progress;
    const AcquireOutcome outcome = TransferPicture(request, progress);
    switch (outcome.kind) {
    case AcquireOutcome::Kind::Written: std::cout << Text(outcome.path) << '\n'; return 0;
    case AcquireOutcome::Kind::WriteFailed: throw CliWriteError(Text(outcome.detail));
    case AcquireOutcome::Kind::Skipped:
        throw CliError(Text(request.item.Path()) + ": its format (" + Text(outcome.detail) + ") is not kept");
    case AcquireOutcome::Kind::Cancelled: throw CliError("the transfer was cancelled");
    case AcquireOutcome::Kind::DeviceFailed:
    case AcquireOutcome::Kind::Previewed: break;
    }
    throw CliError(Text(AppString(kTransferFailed) + QStringLiteral(": ") + request.device.Id() +
                        QStringLiteral(": ") + outcome.detail));
}
