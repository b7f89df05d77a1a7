#include "acquire/AcquireTransfer.h"

#include "acquire/AcquireNames.h"
#include "acquire/DataCallback.h"

namespace {

using Kind = AcquireOutcome::Kind;

AcquireOutcome Failed(const QString& detail) { return {Kind::DeviceFailed, {}, detail, {}}; }

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
    return camera->Transfer(request.item, sink, [&progress] { return progress.Cancelled(); }, error);
}

// The file the item goes to; empty when its format is not kept.
QString TargetPath(const AcquireRequest& request)
{
    const QString name = request.device.IsScanner() ? FileNameForItem(QString(), QLatin1String(kMemoryBitmapFormat))
                                                    : FileNameForItem(request.item.name, request.item.mimeType);
    if (name.isEmpty())
        return {};
    QString path = request.folder + name;
    MakeUniqueFileName(path);
    return path;
}

}  // namespace

AcquireOutcome TransferPicture(const AcquireRequest& request, AcquireProgress& progress)
{
    progress.SetItem(1, 1);
    CDataCallback sink(progress.Function());
    AcquireOutcome outcome;
    if (request.preview) {
        sink.SetPageObserver([&outcome](std::span<const uint8_t> page) {
            outcome.preview.loadFromData(page.data(), int(page.size()), "BMP");
        });
    } else {
        const QString path = TargetPath(request);
        if (path.isEmpty())
            return {Kind::Skipped, {}, request.item.mimeType, {}};
        sink.SetTargetPath(path);
    }
    QString error;
    const TransferEnd end = request.device.IsScanner() ? Scan(request, sink, error)
                                                       : FromCamera(request, sink, progress, error);
    if (end == TransferEnd::Cancelled || (end == TransferEnd::Failed && progress.Cancelled()))
        return {Kind::Cancelled, {}, {}, {}};
    if (end == TransferEnd::Failed)
        return Failed(error);
    if (sink.PagesStored() == 0)
        return Failed(QStringLiteral("the device sent no picture"));
    if (!sink.WriteError().isEmpty())
        return {Kind::WriteFailed, sink.TargetPath(), sink.WriteError(), {}};
    if (request.preview)
        return {Kind::Previewed, {}, {}, std::move(outcome.preview)};
    return {Kind::Written, sink.TargetPath(), {}, {}};
}
