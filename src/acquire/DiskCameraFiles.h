#pragma once
// The files of a folder that acts as a camera (a "disk:" port: a memory card,
// a copied card). The folder is outside data: a name on it may be a link to a
// file anywhere, a pipe that blocks whoever opens it, a device. Files are
// opened only beneath the folder (no link may lead out of it), without
// blocking, and only when they are regular files of a bounded size.

#include <QString>

#include <cstdint>
#include <string>

// The folder of a "disk:" port; empty for other ports.
std::string DiskPortFolder(const QString& port);

// An open file descriptor, closed with the object.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { Reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    int Release();
    void Reset();

private:
    int m_fd = -1;
};

// A regular file of the camera opened for reading; `cameraPath` is the path on
// the camera ("/DCIM/100/a.jpg"). On failure the descriptor is empty and
// `error` says why: a link leading out of the folder, not a regular file,
// more than `maxBytes` bytes, or the system's cause.
struct CameraFileOpen {
    FileDescriptor fd;
    uint64_t size = 0;
    QString error;
};
CameraFileOpen OpenCameraFile(const std::string& folder, const std::string& cameraPath, uint64_t maxBytes);

// True when `cameraPath` leads, beneath the folder, to a regular file
// (`wantFolder` false) or to a folder (true). Nothing is opened for reading.
bool IsInsideCamera(const std::string& folder, const std::string& cameraPath, bool wantFolder);
