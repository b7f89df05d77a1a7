#pragma once
// File names are bytes on Linux. Paths travel through the core as std::string
// holding those bytes unchanged, so a name that is not valid UTF-8 still opens;
// QString forms exist only for showing a path and for Qt's dialogs.

#include <QString>

#include <string>

// `path` made absolute against the current folder, with "." and ".." segments
// and repeated slashes removed; the bytes of every name are kept.
std::string AbsolutePath(const std::string& path);
// The folder holding `path` (absolute), without a trailing slash except "/".
std::string ParentFolder(const std::string& path);
// True when `path` names an existing folder; false for files and missing paths.
bool IsFolder(const std::string& path);
// True when `path` names an existing regular file.
bool IsRegularFile(const std::string& path);

// The bytes of a path Qt hands over (file dialogs, drops, settings).
std::string PathFromQString(const QString& path);
// A path for showing to a person; bytes that are not UTF-8 show as U+FFFD.
QString PathToQString(const std::string& path);
