#include "acquire/AcquireDevices.h"

#include "res/OutsideText.h"

namespace {

const QString kSanePrefix = QStringLiteral("sane:");
const QString kGphotoPrefix = QStringLiteral("gphoto2:");

// Labels quote what the device says of itself, with control characters escaped.
QString ScannerLabel(const SaneDeviceInfo& info)
{
    const QString model = (info.vendor + QLatin1Char(' ') + info.model).trimmed();
    return ShownText(model.isEmpty() ? info.name : model + QStringLiteral(" (") + info.name + QLatin1Char(')'));
}

QString CameraLabel(const CameraDeviceInfo& info)
{
    return ShownText(info.model + QStringLiteral(" (") + info.port + QLatin1Char(')'));
}

}  // namespace

QString AcquireDevice::Id() const
{
    return IsScanner() ? kSanePrefix + saneName : kGphotoPrefix + camera.model + QLatin1Char('@') + camera.port;
}

std::optional<AcquireDevice> ParseDeviceId(const QString& id)
{
    AcquireDevice device;
    if (id.startsWith(kSanePrefix) && id.size() > kSanePrefix.size()) {
        device.saneName = id.mid(kSanePrefix.size());
        device.label = ShownText(device.saneName);
        return device;
    }
    if (!id.startsWith(kGphotoPrefix))
        return std::nullopt;
    // Model names hold no '@'; a port path may.
    const QString rest = id.mid(kGphotoPrefix.size());
    const qsizetype at = rest.indexOf(QLatin1Char('@'));
    if (at <= 0 || at + 1 >= rest.size())
        return std::nullopt;
    device.kind = AcquireDevice::Kind::Camera;
    device.camera = {rest.left(at), rest.mid(at + 1)};
    device.label = CameraLabel(device.camera);
    return device;
}

DeviceSearch FindDevices()
{
    DeviceSearch search;
    for (const SaneDeviceInfo& info : ListSaneDevices(search.saneAvailable)) {
        AcquireDevice device;
        device.saneName = info.name;
        device.label = ScannerLabel(info);
        search.devices.push_back(std::move(device));
    }
    for (const CameraDeviceInfo& info : ListCameras(search.gphotoAvailable)) {
        AcquireDevice device;
        device.kind = AcquireDevice::Kind::Camera;
        device.camera = info;
        device.label = CameraLabel(info);
        search.devices.push_back(std::move(device));
    }
    return search;
}
