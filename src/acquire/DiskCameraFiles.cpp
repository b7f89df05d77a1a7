#include "acquire/DiskCameraFiles.h"

#include "acquire/DataCallback.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const QString kDiskPrefix = QStringLiteral("disk:");

// `cameraPath` relative to the folder: no leading slashes, "." for the folder itself.
std::string Relative(const std::string& cameraPath)
{
    const size_t start = cameraPath.find_first_not_of('/');
    return start == std::string::npos ? std::string(".") : cameraPath.substr(start);
}

bool IsBeneath(const std::string& resolved, const std::string& root)
{
    return resolved == root || (resolved.size() > root.size() && resolved.compare(0, root.size(), root) == 0 &&
                                (root == "/" || resolved[root.size()] == '/'));
}

// Where the kernel cannot resolve beneath a folder by itself: the resolved
// path is compared with the folder's, and the last name is not followed.
int OpenBeneathByPath(const std::string& folder, const std::string& relative, int flags)
{
    char root[PATH_MAX];
    char resolved[PATH_MAX];
    const std::string path = folder + "/" + relative;
    if (!::realpath(folder.c_str(), root) || !::realpath(path.c_str(), resolved))
        return -1;
    if (!IsBeneath(resolved, root)) {
        errno = EXDEV;
        return -1;
    }
    return ::open(resolved, flags | O_NOFOLLOW | O_CLOEXEC);
}

// Opens `cameraPath` beneath the folder. A link is followed only while it
// stays inside the folder; one that leads out fails with EXDEV.
FileDescriptor OpenBeneath(const std::string& folder, const std::string& cameraPath, int flags)
{
    const FileDescriptor root(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!root)
        return {};
    const std::string relative = Relative(cameraPath);
    open_how how{};
    how.flags = uint64_t(flags | O_CLOEXEC);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, root.Get(), relative.c_str(), &how, sizeof how);
    if (fd < 0 && errno == ENOSYS)
        return FileDescriptor(OpenBeneathByPath(folder, relative, flags));
    return FileDescriptor(int(fd));
}

QString Cause(int error)
{
    if (error == EXDEV)
        return QStringLiteral("it is a link that leads out of the camera's folder");
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_fd = other.Release();
    }
    return *this;
}

int FileDescriptor::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void FileDescriptor::Reset()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::string DiskPortFolder(const QString& port)
{
    if (!port.startsWith(kDiskPrefix))
        return {};
    return port.mid(kDiskPrefix.size()).toStdString();
}

bool IsInsideCamera(const std::string& folder, const std::string& cameraPath, bool wantFolder)
{
    const FileDescriptor fd = OpenBeneath(folder, cameraPath, O_PATH);
    struct stat st {};
    if (!fd || ::fstat(fd.Get(), &st) != 0)
        return false;
    return wantFolder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode);
}

CameraFileOpen OpenCameraFile(const std::string& folder, const std::string& cameraPath, uint64_t maxBytes)
{
    CameraFileOpen result;
    // What the name leads to is looked at before it is opened for reading:
    // opening a pipe or a device can block or act on the device.
    const FileDescriptor path = OpenBeneath(folder, cameraPath, O_PATH);
    struct stat seen {};
    if (!path || ::fstat(path.Get(), &seen) != 0) {
        result.error = Cause(errno);
        return result;
    }
    if (!S_ISREG(seen.st_mode)) {
        result.error = QStringLiteral("it is not a regular file");
        return result;
    }
    FileDescriptor fd = OpenBeneath(folder, cameraPath, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    struct stat opened {};
    if (!fd || ::fstat(fd.Get(), &opened) != 0) {
        result.error = Cause(errno);
        return result;
    }
    if (opened.st_dev != seen.st_dev || opened.st_ino != seen.st_ino || !S_ISREG(opened.st_mode)) {
        result.error = QStringLiteral("it changed while it was opened");
        return result;
    }
    if (uint64_t(opened.st_size) > maxBytes) {
        result.error = QStringLiteral("it is larger than %1").arg(ByteCountText(maxBytes));
        return result;
    }
    result.fd = std::move(fd);
    result.size = uint64_t(opened.st_size);
    return result;
}
