#include "io/AtomicFile.h"

#include "io/FileError.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

// Threads that flush a batch's files at the same time.
constexpr size_t kFlushThreads = 4;
// Bytes of the target's name kept in a hidden name, so that it stays within NAME_MAX.
constexpr size_t kMaxStemBytes = 200;

[[noreturn]] void ThrowFileError(int error, const std::string& path, const char* step)
{
    throw FileError(FileError::CauseFromErrno(error), path, std::string(step) + ": " + std::strerror(error), error);
}

// The process's umask, read without changing it: umask() can only be read by
// setting it, and another thread creating a file meanwhile would get mode 0666.
mode_t CurrentUmask()
{
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return mode_t(mask & 0777);
    }
    // Kernels before 4.7 do not report it; the old way is all there is.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A hidden name beside `target` that nobody uses yet, most likely:
// ".<name>.<8 random hex digits>.part".
std::string HiddenName(const std::string& target)
{
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = target.substr(folder.size()).substr(0, kMaxStemBytes);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08x.part", unsigned(std::random_device()()));
    return folder + "." + name + suffix;
}

// Gives the unnamed file `fd` the name `path`; false with errno set. Linking a
// descriptor directly needs privileges on older kernels, its /proc entry does not.
bool LinkDescriptor(int fd, const std::string& path)
{
    if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0)
        return true;
    if (errno != ENOENT && errno != EPERM)
        return false;
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

int OpenUnnamedFile(const char* folder, unsigned mode)
{
    return ::open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, mode_t(mode));
}

bool NoUnnamedFiles(int error)
{
    // EISDIR and EINVAL come from kernels and file systems that do not know
    // O_TMPFILE, ENOENT from some that reject it; a missing folder then fails
    // again with the named file, with its own message.
    return error == EOPNOTSUPP || error == EXDEV || error == ENOENT || error == EISDIR || error == EINVAL;
}

AtomicFile::AtomicFile(std::string target, UnnamedFileOpener openUnnamed) : m_target(std::move(target))
{
    const unsigned mode = PermissionsForReplacing(m_target);
    m_fd = openUnnamed(FolderOf(m_target).c_str(), mode);
    if (m_fd < 0) {
        const int error = errno;
        if (!NoUnnamedFiles(error)) {
            Fail(error, "cannot create a file in the folder");
            return;
        }
        if (!OpenNamed())
            return;
    }
    // The bits given at creation are cut by the umask; the finished file keeps
    // the permissions of the file it replaces.
    ::fchmod(m_fd, mode_t(mode));
}

AtomicFile::~AtomicFile()
{
    if (!m_named)
        Discard();
}

bool AtomicFile::OpenNamed()
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string candidate = HiddenName(m_target);
        m_fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_fd >= 0) {
            m_tempPath = candidate;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    Fail(errno, "cannot create a file in the folder");
    return false;
}

bool AtomicFile::Write(std::span<const uint8_t> bytes)
{
    if (!IsOpen())
        return false;
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Fail(n < 0 ? errno : ENOSPC, "write");
            return false;
        }
        written += size_t(n);
    }
    return true;
}

bool AtomicFile::Rewind()
{
    if (!IsOpen())
        return false;
    if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0) {
        Fail(errno, "empty the file");
        return false;
    }
    return true;
}

void AtomicFile::Fail(int error, const std::string& step)
{
    if (!m_failure.empty())
        return;
    m_error = error;
    m_failure = error ? step + ": " + std::strerror(error) : step;
}

void AtomicFile::StartFlush()
{
    if (IsOpen())
        ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool AtomicFile::Flush()
{
    if (!IsOpen())
        return false;
    if (::fsync(m_fd) != 0) {
        Fail(errno, "flush to disk");
        return false;
    }
    return true;
}

bool AtomicFile::TakeName()
{
    if (!IsOpen())
        return false;
    if (IsUnnamed()) {
        if (!LinkUnnamed())
            return false;
        Close();
    } else {
        if (::close(std::exchange(m_fd, -1)) != 0) {
            Fail(errno, "close");
            return false;
        }
        if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0) {
            Fail(errno, "rename");
            return false;
        }
    }
    m_named = true;
    return true;
}

bool AtomicFile::LinkUnnamed()
{
    // Straight to the target when the name is free; else under a hidden name
    // renamed over it, as a link never replaces a name.
    if (LinkDescriptor(m_fd, m_target))
        return true;
    int error = errno;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        const std::string hidden = HiddenName(m_target);
        if (!LinkDescriptor(m_fd, hidden)) {
            error = errno;
            continue;
        }
        if (::rename(hidden.c_str(), m_target.c_str()) == 0)
            return true;
        error = errno;
        ::unlink(hidden.c_str());
        Fail(error, "rename");
        return false;
    }
    Fail(error, "link");
    return false;
}

void AtomicFile::Close()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
}

void AtomicFile::Discard()
{
    Close();
    if (!m_tempPath.empty() && !m_named)
        ::unlink(m_tempPath.c_str());
}

FileError AtomicFile::ToError() const
{
    return FileError(FileError::CauseFromErrno(m_error), m_target, m_failure, m_error);
}

AtomicFileBatch::~AtomicFileBatch()
{
    FlushWaiting();
}

void AtomicFileBatch::Add(std::unique_ptr<AtomicFile> file)
{
    file->StartFlush();
    m_waiting.push_back(std::move(file));
    if (m_waiting.size() >= kMaxWaiting)
        FlushWaiting();
}

std::vector<FileError> AtomicFileBatch::Finish()
{
    FlushWaiting();
    return std::exchange(m_failures, {});
}

void AtomicFileBatch::FlushWaiting()
{
    if (m_waiting.empty())
        return;
    // A journalling file system commits the flushes that wait at the same time
    // together: a few threads flush the files side by side, instead of paying
    // one commit per file.
    std::atomic<size_t> next{0};
    const auto flushSome = [this, &next] {
        for (size_t i = next++; i < m_waiting.size(); i = next++)
            m_waiting[i]->Flush();
    };
    {
        std::vector<std::jthread> helpers;
        for (size_t t = 1; t < std::min(kFlushThreads, m_waiting.size()); ++t) {
            try {
                helpers.emplace_back(flushSome);
            } catch (const std::system_error&) {
                break;  // the threads there are do the rest
            }
        }
        flushSome();
    }
    for (const std::unique_ptr<AtomicFile>& file : m_waiting) {
        if (!file->TakeName())
            m_failures.push_back(file->ToError());
    }
    m_waiting.clear();
}

unsigned PermissionsForReplacing(const std::string& target)
{
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0)
        return existing.st_mode & 07777;
    return 0666 & ~CurrentUmask();
}

void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, AtomicFileBatch* batch)
{
    auto file = std::make_unique<AtomicFile>(path);
    if (!file->Write(bytes))
        throw file->ToError();
    if (batch)
        batch->Add(std::move(file));
    else if (!file->Commit())
        throw file->ToError();
}

std::string ReadWholeFile(const std::string& path, uint64_t maxBytes)
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        ThrowFileError(errno, path, "open");
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        ThrowFileError(errno, path, "status");
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
            ThrowFileError(errno, path, "read");
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
