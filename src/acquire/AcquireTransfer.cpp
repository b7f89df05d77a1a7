#include "acquire/AcquireTransfer.h"

#include "acquire/AcquireNames.h"
#include "acquire/DataCallback.h"
#include "res/OutsideText.h"

namespace {

using Kind = AcquireOutcome::Kind;

// A device failure; for a camera, the cause is given for the item.
AcquireOutcome Failed(const AcquireRequest& request, const QString& cause)
{
    if (request.device.IsScanner())
        return {Kind::DeviceFailed, {}, cause, {}};
    return {Kind::DeviceFailed, {}, ShownBytes(request.item.Path()) + QStringLiteral(": ") + cause, {}};
}

TransferEnd Scan(const AcquireRequest& request, CDataCallback& sink, QString& error)
{
    const SaneLibrary library;
    const std::unique_ptr<SaneScanner> scanner = SaneScanner::Open(library, request.device.saneName, error);
    if (!scanner)
        return TransferEnd::Failed;
    ScanSettings settings = request.scan;
    settings.preview = request.preview;
    return scanner->Scan(settings, sink, error);
}

TransferEnd FromCamera(const AcquireRequest& request, CDataCallback& sink, AcquireProgress& progress, QString& error)
{
    const std::unique_ptr<GphotoCamera> camera = GphotoCamera::Open(request.device.camera, error);
    if (!camera)
        return TransferEnd::Failed;
    return camera->Transfer(
        request.item, sink, [&progress] { return progress.Cancelled(); }, error);
}

// The name the item is written under; empty when its format is not kept.
std::string TargetName(const AcquireRequest& request)
{
    const std::string name = request.device.IsScanner() ? FileNameForItem({}, QLatin1String(kMemoryBitmapFormat))
                                                        : FileNameForItem(request.item.name, request.item.mimeType);
    return name.empty() ? name : NumberedFileName(name, 0);
}

}  // namespace

AcquireOutcome TransferPicture(const AcquireRequest& request, AcquireProgress& progress)
{
    progress.SetItem(1, 1);
    CDataCallback sink(progress.Function());
    sink.SetPageLimit(request.pageLimit);
    AcquireOutcome outcome;
    if (request.preview) {
        sink.SetPageObserver([&outcome](std::span<const uint8_t> page) {
            outcome.preview.loadFromData(page.data(), int(page.size()), "BMP");
        });
    } else {
        std::string name = TargetName(request);
        if (name.empty())
            return {Kind::Skipped, {}, ShownText(request.item.mimeType), {}};
        sink.SetTarget(request.folder, std::move(name));
    }
    QString error;
    const TransferEnd end =
        request.device.IsScanner() ? Scan(request, sink, error) : FromCamera(request, sink, progress, error);
    if (end == TransferEnd::Cancelled || (end == TransferEnd::Failed && progress.Cancelled()))
        return {Kind::Cancelled, {}, {}, {}};
    if (!sink.WriteError().isEmpty())
        return {Kind::WriteFailed, sink.TargetPath(), sink.WriteError(), {}};
    if (!sink.DataError().isEmpty())
        return Failed(request, sink.DataError());
    if (end == TransferEnd::Failed)
        return Failed(request, error);
    if (sink.PagesStored() == 0)
        return Failed(request, QStringLiteral("the device sent no picture"));
    if (request.preview)
        return {Kind::Previewed, {}, {}, std::move(outcome.preview)};
    return {Kind::Written, sink.WrittenPath(), {}, {}};
}
