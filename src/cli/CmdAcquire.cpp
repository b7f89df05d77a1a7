// warplet-cli acquire: lists scanners and cameras, or takes one picture from
// one without dialogs and prints the path of the written file.

#include "cli/CliCommands.h"

#include "acquire/AcquireTransfer.h"
#include "app/AppState.h"
#include "io/FilePath.h"
#include "res/OutsideText.h"
#include "res/StringTable.h"

#include <filesystem>
#include <iostream>

namespace {

constexpr int kTransferFailed = 20720;  // "Cannot get the picture from the device"

std::string Text(const QString& s)
{
    return s.toStdString();
}
// Device names, item names and the like, with control characters escaped.
std::string Shown(const QString& s)
{
    return Text(ShownText(s));
}
std::string Shown(const std::string& bytes)
{
    return ShownBytesUtf8(bytes);
}

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
            throw CliError("not a device identifier: " + Shown(*id) + " (sane:NAME or gphoto2:MODEL@PORT)");
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
        throw CliError(Shown(device.Id()) + ": " + Text(error));
    return camera;
}

std::vector<CameraItem> ListItems(const AcquireDevice& device)
{
    QString error;
    std::vector<CameraItem> items = OpenCamera(device)->ListItems(error);
    if (!error.isEmpty())
        throw CliError(Shown(device.Id()) + ": " + Text(error));
    return items;
}

// `--list`: the devices, or with --device the pictures of that camera or the
// choices of that scanner.
int List(const CliArgs& a)
{
    if (!a.Has("--device")) {
        for (const AcquireDevice& device : SearchOrFail().devices)
            std::cout << Shown(device.Id()) << '\t' << Text(device.label) << '\n';
        return 0;
    }
    const AcquireDevice device = ChooseDevice(a);
    if (!device.IsScanner()) {
        for (const CameraItem& item : ListItems(device))
            std::cout << Shown(item.Path()) << '\t' << Shown(item.mimeType) << '\t' << item.size << '\n';
        return 0;
    }
    const SaneLibrary library;
    QString error;
    const auto scanner = SaneScanner::Open(library, device.saneName, error);
    if (!scanner)
        throw CliError(Shown(device.Id()) + ": " + Text(error));
    const ScanOptions options = scanner->Options();
    std::cout << "resolutions";
    for (const int dpi : options.resolutions)
        std::cout << ' ' << dpi;
    std::cout << "\ndefault-resolution " << PreselectedResolution(options) << "\ncolour "
              << (options.offersColour ? "yes" : "no") << "\ngrey " << (options.offersGrey ? "yes" : "no") << '\n';
    return 0;
}

// The camera item named by --item (a file name or a path on the camera, as
// its bytes or as --list shows them), or the first one.
CameraItem ChooseItem(const CliArgs& a, const AcquireDevice& device)
{
    const std::vector<CameraItem> items = ListItems(device);
    if (items.empty())
        throw CliError(Shown(device.Id()) + ": the camera holds no pictures");
    const auto wanted = a.Optional("--item");
    if (!wanted)
        return items.front();
    for (const CameraItem& item : items) {
        for (const std::string& name : {item.Path(), item.name}) {
            if (name == *wanted || Shown(name) == *wanted)
                return item;
        }
    }
    throw CliError(Shown(device.Id()) + ": no picture " + Shown(*wanted) + " (see acquire --list --device ID)");
}

// The folder the picture goes to, as bytes, ending with '/'.
std::string OutputFolder(const CliArgs& a)
{
    if (!a.Has("--out"))
        return PathFromQString(GetPicturesFolder());
    const std::string folder = AbsolutePath(a.Value("--out"));
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!IsFolder(folder))
        throw CliWriteError(Shown(folder) + ": the folder cannot be made" +
                            (error ? " (" + error.message() + ")" : std::string()));
    return folder.ends_with('/') ? folder : folder + '/';
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
    case AcquireOutcome::Kind::Written: std::cout << outcome.path << '\n'; return 0;
    case AcquireOutcome::Kind::WriteFailed: throw CliWriteError(Text(outcome.detail));
    case AcquireOutcome::Kind::Skipped:
        throw CliError(Shown(request.item.Path()) + ": its format (" + Text(outcome.detail) + ") is not kept");
    case AcquireOutcome::Kind::Cancelled: throw CliError("the transfer was cancelled");
    case AcquireOutcome::Kind::DeviceFailed:
    case AcquireOutcome::Kind::Previewed: break;
    }
    throw CliError(Text(AppString(kTransferFailed)) + ": " + Shown(request.device.Id()) + ": " + Text(outcome.detail));
}
