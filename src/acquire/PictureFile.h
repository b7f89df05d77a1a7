#pragma once
// An acquired picture on its way into a folder. The bytes go to a temporary
// file in that folder, unnamed where the file system allows it, and get a name
// only when they are complete and flushed: the first free one of "name.ext",
// "name_1.ext", "name_2.ext", ... An existing file is never replaced, and a
// transfer that fails or is cut short leaves nothing behind (an unnamed file
// vanishes even when the process is killed).

#include <cstdint>
#include <span>
#include <string>

class PictureFile {
public:
    // Starts the file for `fileName` in `folder` (which ends with '/'). Throws
    // FileError naming folder + fileName when the folder cannot take a file.
    PictureFile(std::string folder, std::string fileName);
    ~PictureFile();
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    // Throw FileError naming the file.
    void WriteAt(uint64_t offset, std::span<const uint8_t> bytes);
    // Reads up to bytes.size() bytes from `offset`; returns how many there were.
    size_t ReadAt(uint64_t offset, std::span<uint8_t> bytes) const;

    // Flushes the file and gives it its name; returns its path. Throws FileError.
    std::string Commit();

    // The path the file is meant to have (before numbering), for messages.
    std::string IntendedPath() const { return m_folder + m_fileName; }

private:
    [[noreturn]] void Fail(int error) const;
    bool Link(const std::string& path) const;

    std::string m_folder;
    std::string m_fileName;
    std::string m_tempPath;  // empty for an unnamed file
    int m_fd = -1;
};
