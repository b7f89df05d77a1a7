#pragma once
// File names of acquired pictures: the format table (MIME type to extension),
// the name an item is written under, and a path made unique on disk.

#include <QString>

// The extension (with its dot, upper case) written for a transfer format, or
// an empty string when the format is not one the program keeps. Formats are
// MIME types; kMemoryBitmapFormat is the scanner's raw picture.
QString ExtensionForFormat(const QString& mimeType);
inline constexpr const char* kMemoryBitmapFormat = "image/x-memory-bitmap";

// A device item's name made safe as a file name in one folder: the last path
// component only, without control characters, ".." and leading dots. Empty
// when nothing is left.
QString SanitizeItemName(const QString& name);

// The file name of an item: its sanitised name, with the format's extension in
// place of its own when the two differ (compared without regard to case).
// Empty when the format has no extension in the table.
QString FileNameForItem(const QString& itemName, const QString& mimeType);

// Makes `path` name no existing file: "folder/name.ext" becomes
// "folder/name_1.ext", "folder/name_2.ext", ... (the suffix always follows the
// name as given). An empty name becomes "Scanned".
void MakeUniqueFileName(QString& path);
