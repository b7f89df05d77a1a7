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

// Reads a whole file (UTF-8 path) of at most maxBytes bytes; throws FileError.
std::string ReadWholeFile(const std::string& path, uint64_t maxBytes);
