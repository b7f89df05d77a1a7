#pragma once
// Writing a file so that it takes its name only when it is complete, and a
// failure never destroys the file it replaces.
//
// The bytes go to an unnamed file in the target's folder (O_TMPFILE), so a
// program that dies meanwhile leaves nothing behind. Once the file is on disk
// it is linked under the target's name when that name is free, else under a
// random hidden name that is then renamed over the target (a link cannot
// replace an existing name; only a kill between those two calls can leave the
// hidden name). Where the file system has no unnamed files, a hidden named
// file beside the target takes their place and is renamed the same way.

#include "io/FileError.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Opens an unnamed file in `folder` for reading and writing with permission
// bits `mode`: a descriptor, or -1 with errno set.
using UnnamedFileOpener = int (*)(const char* folder, unsigned mode);
int OpenUnnamedFile(const char* folder, unsigned mode);

// True for the errors with which opening an unnamed file says that the
// folder's file system (or the kernel) has none: a named file is used instead.
bool NoUnnamedFiles(int error);

class AtomicFile {
public:
    // Opens the file that will replace `target`, with the permissions of the
    // file it replaces; IsOpen tells whether that worked.
    explicit AtomicFile(std::string target, UnnamedFileOpener openUnnamed = OpenUnnamedFile);
    // Removes the file unless it has taken its name.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Open, and no step has failed.
    bool IsOpen() const { return m_fd >= 0 && m_failure.empty(); }
    // False when the file system had no unnamed files and a named one is used.
    bool IsUnnamed() const { return m_tempPath.empty(); }
    // The descriptor, for writers that write and seek themselves.
    int Fd() const { return m_fd; }
    const std::string& Target() const { return m_target; }

    // Writes all of `bytes` at the current offset.
    bool Write(std::span<const uint8_t> bytes);
    // Empties the file, to write it again from its start.
    bool Rewind();
    // Records a failure a writer met on Fd(); only the first failure is kept.
    void Fail(int error, const std::string& step);

    // Starts writing the data out to disk, without waiting for it.
    void StartFlush();
    // Waits until the data is on disk.
    bool Flush();
    // Closes the file and gives it the target's name.
    bool TakeName();
    // Flush and TakeName.
    bool Commit() { return Flush() && TakeName(); }
    // Closes and removes the file.
    void Discard();

    // errno of the step that failed; 0 when none did or the failure was not the system's.
    int Error() const { return m_error; }
    // The step that failed and why ("write: No space left on device"); empty when none did.
    const std::string& Failure() const { return m_failure; }
    // The failure as the error callers report, naming the target.
    FileError ToError() const;

private:
    bool OpenNamed();
    bool LinkUnnamed();
    void Close();

    std::string m_target;
    std::string m_tempPath;  // the named file in use instead of an unnamed one
    int m_fd = -1;
    bool m_named = false;
    int m_error = 0;
    std::string m_failure;
};

// Files written one after another, as a sequence of pictures, whose flush to
// disk is shared: each waits here complete but unnamed, its data already on
// its way out, and the files are flushed together (a journal then commits them
// in one go instead of one commit each) before they take their names in the
// order they came. At most kMaxWaiting files wait at once.
class AtomicFileBatch {
public:
    static constexpr size_t kMaxWaiting = 64;

    AtomicFileBatch() = default;
    // Names the files still waiting (see Finish).
    ~AtomicFileBatch();
    AtomicFileBatch(const AtomicFileBatch&) = delete;
    AtomicFileBatch& operator=(const AtomicFileBatch&) = delete;

    // Takes a file whose bytes are all written; it is named by a later call.
    void Add(std::unique_ptr<AtomicFile> file);
    // Flushes and names every waiting file. The files that could not be
    // flushed or named since the last call, each removed.
    std::vector<FileError> Finish();

private:
    void FlushWaiting();

    std::vector<std::unique_ptr<AtomicFile>> m_waiting;
    std::vector<FileError> m_failures;
};

// Writes `bytes` as the new content of `path`. Throws FileError with the cause
// of the failing step; an existing file stays as it was. With a batch, the
// file is handed to it and takes its name when the batch is finished.
void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, AtomicFileBatch* batch = nullptr);

// The permission bits a file written to replace `target` gets: those of the
// existing target, or what the umask leaves of 0666 for a new file.
unsigned PermissionsForReplacing(const std::string& target);

// Reads a whole regular file of at most maxBytes bytes; devices, pipes and
// folders are refused without reading. Throws FileError naming the file.
std::string ReadWholeFile(const std::string& path, uint64_t maxBytes);
