#pragma once
// Telling a project file from other files before reading it. Pictures, videos and
// documents are known by their first bytes; a file without the current format's tag
// must begin as the older format does, with a picture path of plausible length and
// without control characters.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Nothing for a file that may be a project file of either format; otherwise what it
// is instead, in English: "a PNG picture", "an empty file", ...
std::optional<std::string> NotAProjectFile(std::span<const uint8_t> bytes);
