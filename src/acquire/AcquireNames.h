#pragma once
// File names of acquired pictures: the format table (MIME type to extension),
// the name an item is written under, and the numbered names tried when that
// name is taken. Names are bytes, as the file system keeps them.

#include <QString>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The extension (with its dot, upper case) written for a transfer format, or
// an empty string when the format is not one the program keeps. Formats are
// MIME types; kMemoryBitmapFormat is the scanner's raw picture.
QString ExtensionForFormat(const QString& mimeType);
inline constexpr const char* kMemoryBitmapFormat = "image/x-memory-bitmap";

// True when `head`, the first kFormatHeadBytes bytes of a file (fewer when the
// file is shorter), begins the way files of `mimeType` do. Formats without a
// fixed beginning (raw camera data) take any bytes.
bool MatchesFormat(std::span<const uint8_t> head, const QString& mimeType);
inline constexpr size_t kFormatHeadBytes = 2056;  // a Photo CD's mark stands at 2048

// The longest file name the file systems in use take, in bytes.
inline constexpr size_t kMaxFileNameBytes = 255;

// A device item's name made safe as a file name in one folder: the last path
// component only, without control characters, ".." and leading dots or
// spaces. Bytes that are not UTF-8 become '_', so that the name can be shown
// and handed to the window as it is. Empty when nothing is left.
std::string SanitizeItemName(std::string_view name);

// The file name of an item: its sanitised name, with the format's extension in
// place of its own when the two differ (compared without regard to case).
// Empty when the format has no extension in the table.
std::string FileNameForItem(std::string_view itemName, const QString& mimeType);

// The n-th name tried for `fileName` in a folder: the name itself for 0, then
// "name_1.ext", "name_2.ext", ... (the suffix always follows the name as
// given). An empty name becomes "Scanned". The name part is shortened, at a
// character boundary, so that the whole fits in kMaxFileNameBytes.
std::string NumberedFileName(std::string_view fileName, int n);

// `text` cut to at most `maxBytes` bytes without splitting a UTF-8 sequence.
std::string_view Utf8Prefix(std::string_view text, size_t maxBytes);
