#include "acquire/PictureFile.h"

#include "acquire/AcquireNames.h"
#include "io/FileError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Beyond this many numbered names the folder is taken to be unusable.
constexpr int kMaxNumberedNames = 100000;

std::string ProcPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

// An unnamed file in `folder`, or -1 with errno set. It needs /proc to be
// linked into the folder later.
int OpenUnnamed(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0 && ::access(ProcPath(fd).c_str(), F_OK) != 0) {
        ::close(fd);
        errno = EOPNOTSUPP;
        return -1;
    }
    return fd;
}

// A hidden named temporary file in `folder`; sets `path`. -1 with errno set.
int OpenNamed(const std::string& folder, std::string& path)
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", unsigned(random()));
        path = folder + ".acquire-" + suffix + ".part";
        const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Renames without replacing; falls back to a check and a plain rename on file
// systems that can do neither a hard link nor a rename that refuses to replace.
int RenameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from.c_str(), to.c_str());
}

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

PictureFile::PictureFile(std::string folder, std::string fileName)
        : m_folder(std::move(folder)), m_fileName(std::move(fileName))
{
    m_fd = OpenUnnamed(m_folder);
    if (m_fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
        m_fd = OpenNamed(m_folder, m_tempPath);
    if (m_fd < 0)
        Fail(errno);
}

PictureFile::~PictureFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_tempPath.empty())
        ::unlink(m_tempPath.c_str());
}

void PictureFile::Fail(int error) const
{
    throw FileError(FileError::CauseFromErrno(error), IntendedPath(), std::strerror(error));
}

void PictureFile::WriteAt(uint64_t offset, std::span<const uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(m_fd, bytes.data(), bytes.size(), off_t(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            Fail(written < 0 ? errno : EIO);
        bytes = bytes.subspan(size_t(written));
        offset += uint64_t(written);
    }
}

size_t PictureFile::ReadAt(uint64_t offset, std::span<uint8_t> bytes) const
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(m_fd, bytes.data() + done, bytes.size() - done, off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += size_t(got);
    }
    return done;
}

bool PictureFile::Link(const std::string& path) const
{
    if (m_tempPath.empty())
        return ::linkat(AT_FDCWD, ProcPath(m_fd).c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
    if (::link(m_tempPath.c_str(), path.c_str()) == 0)
        return true;
    // File systems without hard links (FAT, exFAT) still rename.
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
        return false;
    return RenameNoReplace(m_tempPath, path) == 0;
}

std::string PictureFile::Commit()
{
    if (::fsync(m_fd) != 0)
        Fail(errno);
    for (int n = 0; n < kMaxNumberedNames; ++n) {
        const std::string path = m_folder + NumberedFileName(m_fileName, n);
        if (Link(path)) {
            SyncFolder(m_folder);
            return path;
        }
        if (errno != EEXIST)
            Fail(errno);
    }
    Fail(EEXIST);
}
