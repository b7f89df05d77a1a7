#include "acquire/GphotoCamera.h"

#include "acquire/AcquireNames.h"
#include "acquire/DiskCameraFiles.h"
#include "acquire/DriverModules.h"
#include "res/OutsideText.h"

#include <gphoto2/gphoto2.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcessEnvironment>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Folders deeper than this on a camera are not searched.
constexpr int kMaxFolderDepth = 8;
constexpr uint64_t kBandSize = 65536;

QString ResultText(int result)
{
    return QString::fromUtf8(gp_result_as_string(result));
}

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
    std::string Name(int i) const
    {
        const char* s = nullptr;
        gp_list_get_name(list, i, &s);
        return s ? s : "";
    }
    std::string Value(int i) const
    {
        const char* s = nullptr;
        gp_list_get_value(list, i, &s);
        return s ? s : "";
    }
};

struct FileRef {
    CameraFile* file = nullptr;
    FileRef() { gp_file_new(&file); }
    // Takes `fd`: the driver writes what it reads there.
    explicit FileRef(int fd)
    {
        if (gp_file_new_from_fd(&file, fd) < GP_OK)
            ::close(fd);
    }
    ~FileRef()
    {
        if (file)
            gp_file_unref(file);
    }
    FileRef(const FileRef&) = delete;
    FileRef& operator=(const FileRef&) = delete;
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

// What the driver's cancel check looks at while it writes a picture to `fd`:
// the user's cancel, and the file growing past the limit.
struct TransferWatch {
    const std::function<bool()>& cancelled;
    int fd;
    uint64_t limit;
    bool tooLarge = false;
};

GPContextFeedback AskCancelled(GPContext*, void* data)
{
    auto* watch = static_cast<TransferWatch*>(data);
    struct stat st {};
    if (::fstat(watch->fd, &st) == 0 && uint64_t(st.st_size) > watch->limit)
        watch->tooLarge = true;
    const bool cancelled = watch->cancelled && watch->cancelled();
    return cancelled || watch->tooLarge ? GP_CONTEXT_FEEDBACK_CANCEL : GP_CONTEXT_FEEDBACK_OK;
}

// An unnamed temporary file for a picture on its way from a camera driver.
FileDescriptor TemporaryFile()
{
    const std::string folder = QDir::tempPath().toStdString();
    FileDescriptor fd(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (fd)
        return fd;
    std::string path = folder + "/warplet-camera-XXXXXX";
    fd = FileDescriptor(::mkostemp(path.data(), O_CLOEXEC));
    if (fd)
        ::unlink(path.c_str());
    return fd;
}

// Reads up to `size` bytes of `fd` from where it stands, in bands.
TransferEnd SendFile(int fd, uint64_t size, const QString& mimeType, CDataCallback& sink, QString& error)
{
    if (size == 0) {
        error = QStringLiteral("the camera sent an empty file");
        return TransferEnd::Failed;
    }
    CDataCallback::Band band;
    band.message = CDataCallback::Message::DataHeader;
    band.header = {mimeType, size};
    if (sink.BandedDataCallback(band) != CDataCallback::Result::Ok) {
        error = QStringLiteral("the file cannot be taken");
        return TransferEnd::Failed;
    }
    std::vector<uint8_t> chunk(kBandSize);
    for (uint64_t offset = 0; offset < size;) {
        const ssize_t got = ::read(fd, chunk.data(), size_t(std::min<uint64_t>(kBandSize, size - offset)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = QString::fromLocal8Bit(std::strerror(errno));
            return TransferEnd::Failed;
        }
        if (got == 0)
            break;  // the file became shorter: what was there is the picture
        band = {};
        band.message = CDataCallback::Message::Data;
        band.status = TransferStatus::ToClient;
        band.offset = offset;
        band.data = std::span(chunk).first(size_t(got));
        offset += uint64_t(got);
        band.percent = int(offset * 100 / size);
        const CDataCallback::Result answer = sink.BandedDataCallback(band);
        if (answer == CDataCallback::Result::Stop)
            return TransferEnd::Cancelled;
        if (answer == CDataCallback::Result::Error) {
            error = QStringLiteral("the file cannot be taken");
            return TransferEnd::Failed;
        }
    }
    band = {};
    band.message = CDataCallback::Message::Termination;
    if (sink.BandedDataCallback(band) != CDataCallback::Result::Ok) {
        error = QStringLiteral("the file cannot be taken");
        return TransferEnd::Failed;
    }
    return TransferEnd::Done;
}

}  // namespace

struct GphotoCamera::State {
    ContextRef context;
    Catalogue catalogue{context.context};
    Camera* camera = nullptr;
    bool initialised = false;
    std::string diskFolder;  // a folder camera's folder; empty for others

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
            cameras.push_back({QString::fromStdString(detected.Name(i)), QString::fromStdString(detected.Value(i))});
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
        error = model < GP_OK ? QStringLiteral("unknown camera model %1").arg(ShownText(device.model))
                              : QStringLiteral("unknown port %1").arg(ShownText(device.port));
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
    state->diskFolder = DiskPortFolder(device.port);
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
    ListFolder("/", items, 0);
    return items;
}

bool GphotoCamera::Shows(const std::string& cameraPath, bool folder) const
{
    return m_state->diskFolder.empty() || IsInsideCamera(m_state->diskFolder, cameraPath, folder);
}

void GphotoCamera::ListFolder(const std::string& folder, std::vector<CameraItem>& items, int depth)
{
    GPContext* context = m_state->context.context;
    const ListRef files;
    if (gp_camera_folder_list_files(m_state->camera, folder.c_str(), files.list, context) >= GP_OK) {
        for (int i = 0; i < files.Count(); ++i) {
            CameraItem item{folder, files.Name(i), {}, 0};
            if (!Shows(item.Path(), false))
                continue;
            CameraFileInfo info{};
            if (gp_camera_file_get_info(m_state->camera, folder.c_str(), item.name.c_str(), &info, context) >= GP_OK) {
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
    if (gp_camera_folder_list_folders(m_state->camera, folder.c_str(), folders.list, context) < GP_OK)
        return;
    for (int i = 0; i < folders.Count(); ++i) {
        const std::string sub = (folder.ends_with('/') ? folder : folder + '/') + folders.Name(i);
        if (Shows(sub, true))
            ListFolder(sub, items, depth + 1);
    }
}

QImage GphotoCamera::Thumbnail(const CameraItem& item, int side)
{
    constexpr uint64_t kMaxThumbnailSource = CDataCallback::kMaxPageSize / 16;
    QImage image;
    if (!m_state->diskFolder.empty()) {
        const CameraFileOpen open = OpenCameraFile(m_state->diskFolder, item.Path(), kMaxThumbnailSource);
        if (open.fd) {
            QFile file;
            if (file.open(open.fd.Get(), QIODevice::ReadOnly))
                image.loadFromData(file.readAll());
        }
    } else {
        for (const CameraFileType type : {GP_FILE_TYPE_PREVIEW, GP_FILE_TYPE_NORMAL}) {
            if (type == GP_FILE_TYPE_NORMAL && item.size > kMaxThumbnailSource)
                break;  // too large to read only for a thumbnail
            const FileRef file;
            if (gp_camera_file_get(m_state->camera, item.folder.c_str(), item.name.c_str(), type, file.file,
                                   m_state->context.context) < GP_OK)
                continue;
            const std::span<const uint8_t> bytes = file.Bytes();
            if (!bytes.empty() && image.loadFromData(bytes.data(), int(std::min<size_t>(bytes.size(), INT32_MAX))))
                break;
        }
    }
    if (image.isNull())
        return {};
    return image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

TransferEnd GphotoCamera::Transfer(const CameraItem& item, CDataCallback& sink, const std::function<bool()>& cancelled,
                                   QString& error)
{
    if (m_state->diskFolder.empty())
        return TransferThroughDriver(item, sink, cancelled, error);
    // A folder camera's file is read here, from the file that was checked, so
    // that it cannot be swapped for a link or a pipe in between.
    const CameraFileOpen open = OpenCameraFile(m_state->diskFolder, item.Path(), sink.PageLimit());
    if (!open.fd) {
        error = open.error;
        return TransferEnd::Failed;
    }
    return SendFile(open.fd.Get(), open.size, item.mimeType, sink, error);
}

TransferEnd GphotoCamera::TransferThroughDriver(const CameraItem& item, CDataCallback& sink,
                                                const std::function<bool()>& cancelled, QString& error)
{
    const FileDescriptor temporary = TemporaryFile();
    if (!temporary) {
        error = QStringLiteral("no temporary file: ") + QString::fromLocal8Bit(std::strerror(errno));
        return TransferEnd::Failed;
    }
    TransferWatch watch{cancelled, temporary.Get(), sink.PageLimit()};
    GPContext* context = m_state->context.context;
    int result = GP_ERROR_NO_MEMORY;
    {
        const FileRef file(::dup(temporary.Get()));
        gp_context_set_cancel_func(context, AskCancelled, &watch);
        if (file.file)
            result = gp_camera_file_get(m_state->camera, item.folder.c_str(), item.name.c_str(), GP_FILE_TYPE_NORMAL,
                                        file.file, context);
        gp_context_set_cancel_func(context, nullptr, nullptr);
    }
    if (watch.tooLarge) {
        error = QStringLiteral("the file is larger than %1").arg(ByteCountText(sink.PageLimit()));
        return TransferEnd::Failed;
    }
    if (result == GP_ERROR_CANCEL)
        return TransferEnd::Cancelled;
    if (result < GP_OK) {
        error = ResultText(result);
        return TransferEnd::Failed;
    }
    const off_t size = ::lseek(temporary.Get(), 0, SEEK_END);
    if (size < 0 || ::lseek(temporary.Get(), 0, SEEK_SET) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return TransferEnd::Failed;
    }
    return SendFile(temporary.Get(), uint64_t(size), item.mimeType, sink, error);
}
