#include "project/AtomicFile.h"

#include "export/FileError.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Closes and removes the temporary file unless released.
class TempFile {
public:
    explicit TempFile(std::string pattern) : m_path(std::move(pattern))
    {
        std::vector<char> name(m_path.begin(), m_path.end());
        name.push_back('\0');
        m_fd = mkstemp(name.data());
        m_path = name.data();
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_released)
            ::unlink(m_path.c_str());
    }
    int Fd() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    // Closes the descriptor; returns errno of a failing close, else 0.
    int Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }
    void Release() { m_released = true; }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_released = false;
};

[[noreturn]] void Fail(int error, const std::string& path, const char* step)
{
    throw FileError(FileError::CauseFromErrno(error), path, std::string(step) + ": " + std::strerror(error));
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

unsigned PermissionsForReplacing(const std::string& target)
{
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0)
        return existing.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes)
{
    const std::string folder = FolderOf(path);
    TempFile temp(folder + "/.warplet-save-XXXXXX");
    if (temp.Fd() < 0)
        Fail(errno, path, "cannot create a temporary file");

    ::fchmod(temp.Fd(), PermissionsForReplacing(path));

    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(temp.Fd(), bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno, path, "write");
        }
        written += size_t(n);
    }
    if (::fsync(temp.Fd()) != 0)
        Fail(errno, path, "flush");
    if (const int error = temp.Close())
        Fail(error, path, "close");
    if (::rename(temp.Path().c_str(), path.c_str()) != 0)
        Fail(errno, path, "rename");
    temp.Release();
}

std::string ReadWholeFile(const std::string& path, uint64_t maxBytes)
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        Fail(errno, path, "open");
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        Fail(errno, path, "status");
    if (S_ISDIR(st.st_mode))
        throw FileError(FileError::Cause::Generic, path, "a folder, not a file");
    if (!S_ISREG(st.st_mode))
        throw FileError(FileError::Cause::Generic, path, "not a regular file (a device, pipe or socket)");
    if (uint64_t(st.st_size) > maxBytes)
        throw FileError(FileError::Cause::Generic, path,
                        "the file is too large (" + std::to_string(uint64_t(st.st_size)) + " bytes, at most " +
                            std::to_string(maxBytes) + ")");
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    std::string data;
    data.reserve(size_t(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno, path, "read");
        }
        if (n == 0)
            break;
        // A file that grows while it is read is still bounded.
        if (data.size() + size_t(n) > maxBytes)
            throw FileError(FileError::Cause::Generic, path, "the file is too large");
        data.append(buffer, size_t(n));
    }
    return data;
}
