#include "acquire/GphotoCamera.h"

#include "acquire/AcquireNames.h"
#include "acquire/DriverModules.h"

#include <gphoto2/gphoto2.h>

#include <QImage>
#include <QProcessEnvironment>

#include <algorithm>

namespace {

// Folders deeper than this on a camera are not searched.
constexpr int kMaxFolderDepth = 8;
constexpr uint64_t kBandSize = 65536;

QString ResultText(int result) { return QString::fromUtf8(gp_result_as_string(result)); }

// libgphoto2's lists of camera drivers and ports, loaded together.
struct Catalogue {
    CameraAbilitiesList* abilities = nullptr;
    GPPortInfoList* ports = nullptr;
    bool loaded = false;

    explicit Catalogue(GPContext* context)
    {
        KeepDriverModulesLoaded();
        loaded = gp_abilities_list_new(&abilities) >= GP_OK && gp_abilities_list_load(abilities, context) >= GP_OK &&
                 gp_port_info_list_new(&ports) >= GP_OK && gp_port_info_list_load(ports) >= GP_OK;
    }
    ~Catalogue()
    {
        if (ports)
            gp_port_info_list_free(ports);
        if (abilities)
            gp_abilities_list_free(abilities);
    }
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;
};

struct ContextRef {
    GPContext* context = gp_context_new();
    ~ContextRef() { gp_context_unref(context); }
};

struct ListRef {
    CameraList* list = nullptr;
    ListRef() { gp_list_new(&list); }
    ~ListRef() { gp_list_unref(list); }
    int Count() const { return gp_list_count(list); }
    QString Name(int i) const
    {
        const char* s = nullptr;
        gp_list_get_name(list, i, &s);
        return QString::fromUtf8(s ? s : "");
    }
    QString Value(int i) const
    {
        const char* s = nullptr;
        gp_list_get_value(list, i, &s);
        return QString::fromUtf8(s ? s : "");
    }
};

struct FileRef {
    CameraFile* file = nullptr;
    FileRef() { gp_file_new(&file); }
    ~FileRef() { gp_file_unref(file); }
    std::span<const uint8_t> Bytes() const
    {
        const char* data = nullptr;
        unsigned long size = 0;
        if (gp_file_get_data_and_size(file, &data, &size) < GP_OK || !data)
            return {};
        return {reinterpret_cast<const uint8_t*>(data), size};
    }
};

// The folders of WARPLET_CAMERA_FOLDERS (separated by ':'), as directory cameras.
std::vector<CameraDeviceInfo> FolderCameras()
{
    std::vector<CameraDeviceInfo> cameras;
    const QString folders = QProcessEnvironment::systemEnvironment().value(QStringLiteral("WARPLET_CAMERA_FOLDERS"));
    for (const QString& folder : folders.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        cameras.push_back({QString::fromLatin1(kDirectoryCameraModel), QStringLiteral("disk:") + folder});
    return cameras;
}

GPContextFeedback AskCancelled(GPContext*, void* data)
{
    const auto* cancelled = static_cast<const std::function<bool()>*>(data);
    return (*cancelled && (*cancelled)()) ? GP_CONTEXT_FEEDBACK_CANCEL : GP_CONTEXT_FEEDBACK_OK;
}

}  // namespace

struct GphotoCamera::State {
    ContextRef context;
    Catalogue catalogue{context.context};
    Camera* camera = nullptr;
    bool initialised = false;

    ~State()
    {
        if (camera) {
            if (initialised)
                gp_camera_exit(camera, context.context);
            gp_camera_unref(camera);
        }
    }
};

std::vector<CameraDeviceInfo> ListCameras(bool& available)
{
    const ContextRef context;
    const Catalogue catalogue(context.context);
    available = catalogue.loaded;
    std::vector<CameraDeviceInfo> cameras;
    if (!available)
        return cameras;
    const ListRef detected;
    if (gp_camera_autodetect(detected.list, context.context) >= GP_OK) {
        for (int i = 0; i < detected.Count(); ++i)
            cameras.push_back({detected.Name(i), detected.Value(i)});
    }
    for (CameraDeviceInfo& folder : FolderCameras())
        cameras.push_back(std::move(folder));
    return cameras;
}

GphotoCamera::GphotoCamera(std::unique_ptr<State> state) : m_state(std::move(state)) {}

GphotoCamera::~GphotoCamera() = default;

std::unique_ptr<GphotoCamera> GphotoCamera::Open(const CameraDeviceInfo& device, QString& error)
{
    auto state = std::make_unique<State>();
    if (!state->catalogue.loaded) {
        error = QStringLiteral("libgphoto2 is not available");
        return nullptr;
    }
    const int model = gp_abilities_list_lookup_model(state->catalogue.abilities, device.model.toUtf8().constData());
    const int port = gp_port_info_list_lookup_path(state->catalogue.ports, device.port.toUtf8().constData());
    if (model < GP_OK || port < GP_OK) {
        error = model < GP_OK ? QStringLiteral("unknown camera model %1").arg(device.model)
                              : QStringLiteral("unknown port %1").arg(device.port);
        return nullptr;
    }
    CameraAbilities abilities;
    GPPortInfo portInfo;
    int result = gp_abilities_list_get_abilities(state->catalogue.abilities, model, &abilities);
    if (result >= GP_OK)
        result = gp_port_info_list_get_info(state->catalogue.ports, port, &portInfo);
    if (result >= GP_OK)
        result = gp_camera_new(&state->camera);
    if (result >= GP_OK)
        result = gp_camera_set_abilities(state->camera, abilities);
    if (result >= GP_OK)
        result = gp_camera_set_port_info(state->camera, portInfo);
    if (result >= GP_OK)
        result = gp_camera_init(state->camera, state->context.context);
    if (result < GP_OK) {
        error = ResultText(result);
        return nullptr;
    }
    state->initialised = true;
    return std::unique_ptr<GphotoCamera>(new GphotoCamera(std::move(state)));
}

std::vector<CameraItem> GphotoCamera::ListItems(QString& error)
{
    std::vector<CameraItem> items;
    const ListRef probe;
    const int result = gp_camera_folder_list_files(m_state->camera, "/", probe.list, m_state->context.context);
    if (result < GP_OK) {
        error = ResultText(result);
        return items;
    }
    ListFolder(QStringLiteral("/"), items, 0);
    return items;
}

void GphotoCamera::ListFolder(const QString& folder, std::vector<CameraItem>& items, int depth)
{
    GPContext* context = m_state->context.context;
    const QByteArray path = folder.toUtf8();
    const ListRef files;
    if (gp_camera_folder_list_files(m_state->camera, path.constData(), files.list, context) >= GP_OK) {
        for (int i = 0; i < files.Count(); ++i) {
            CameraItem item{folder, files.Name(i), {}, 0};
            CameraFileInfo info{};
            if (gp_camera_file_get_info(m_state->camera, path.constData(), files.Name(i).toUtf8().constData(), &info,
                                        context) >= GP_OK) {
                if (info.file.fields & GP_FILE_INFO_TYPE)
                    item.mimeType = QString::fromLatin1(info.file.type);
                if (info.file.fields & GP_FILE_INFO_SIZE)
                    item.size = info.file.size;
            }
            if (!ExtensionForFormat(item.mimeType).isEmpty())
                items.push_back(std::move(item));
        }
    }
    if (depth >= kMaxFolderDepth)
        return;
    const ListRef folders;
    if (gp_camera_folder_list_folders(m_state->camera, path.constData(), folders.list, context) < GP_OK)
        return;
    for (int i = 0; i < folders.Count(); ++i) {
        const QString sub = (folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/')) + folders.Name(i);
        ListFolder(sub, items, depth + 1);
    }
}

QImage GphotoCamera::Thumbnail(const CameraItem& item, int side)
{
    const QByteArray folder = item.folder.toUtf8();
    const QByteArray name = item.name.toUtf8();
    for (const CameraFileType type : {GP_FILE_TYPE_PREVIEW, GP_FILE_TYPE_NORMAL}) {
        if (type == GP_FILE_TYPE_NORMAL && item.size > CDataCallback::kMaxPageSize / 16)
            break;  // too large to read only for a thumbnail
        const FileRef file;
        if (gp_camera_file_get(m_state->camera, folder.constData(), name.constData(), type, file.file,
                               m_state->context.context) < GP_OK)
            continue;
        const std::span<const uint8_t> bytes = file.Bytes();
        QImage image;
        if (!bytes.empty() && image.loadFromData(bytes.data(), int(std::min<size_t>(bytes.size(), INT32_MAX))))
            return image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return {};
}

TransferEnd GphotoCamera::Transfer(const CameraItem& item, CDataCallback& sink, const std::function<bool()>& cancelled,
                                   QString& error)
{
    GPContext* context = m_state->context.context;
    gp_context_set_cancel_func(context, AskCancelled, const_cast<std::function<bool()>*>(&cancelled));
    const FileRef file;
    const int result = gp_camera_file_get(m_state->camera, item.folder.toUtf8().constData(),
                                          item.name.toUtf8().constData(), GP_FILE_TYPE_NORMAL, file.file, context);
    gp_context_set_cancel_func(context, nullptr, nullptr);
    if (result == GP_ERROR_CANCEL)
        return TransferEnd::Cancelled;
    if (result < GP_OK) {
        error = ResultText(result);
        return TransferEnd::Failed;
    }
    const std::span<const uint8_t> bytes = file.Bytes();
    CDataCallback::Band band;
    band.message = CDataCallback::Message::DataHeader;
    band.header = {item.mimeType, bytes.size()};
    if (bytes.empty() || sink.BandedDataCallback(band) != CDataCallback::Result::Ok) {
        error = bytes.empty() ? QStringLiteral("the camera sent an empty file") : QStringLiteral("the file is too large");
        return TransferEnd::Failed;
    }
    for (uint64_t offset = 0; offset < bytes.size(); offset += kBandSize) {
        band = {};
        band.message = CDataCallback::Message::Data;
        band.status = TransferStatus::ToClient;
        band.offset = offset;
        band.data = bytes.subspan(offset, std::min<uint64_t>(kBandSize, bytes.size() - offset));
        band.percent = int((offset + band.data.size()) * 100 / bytes.size());
        const CDataCallback::Result answer = sink.BandedDataCallback(band);
        if (answer == CDataCallback::Result::Stop)
            return TransferEnd::Cancelled;
        if (answer == CDataCallback::Result::Error) {
            error = QStringLiteral("the file is too large");
            return TransferEnd::Failed;
        }
    }
    band = {};
    band.message = CDataCallback::Message::Termination;
    sink.BandedDataCallback(band);
    return TransferEnd::Done;
}
