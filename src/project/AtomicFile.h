#pragma once
// Writing a file so that a failure never destroys the file it replaces: the
// bytes go to a temporary file in the same folder, which is flushed to disk and
// then renamed over the target.

#include <cstdint>
#include <span>
#include <string>

// Throws FileError (export/FileError.h) with the cause of the failing step; the
// temporary file is removed and an existing target stays as it was.
void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

// The permission bits a file written to replace `target` gets: those of the
// existing target, or what the umask leaves of 0666 for a new file.
unsigned PermissionsForReplacing(const std::string& target);

// Reads a whole regular file of at most maxBytes bytes; devices, pipes and
// folders are refused without reading. Throws FileError naming the file.
std::string ReadWholeFile(const std::string& path, uint64_t maxBytes);
