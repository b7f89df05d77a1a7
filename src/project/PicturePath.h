#pragma once
// The picture path as the project file stores it: relative to the project
// file's folder when the picture lies in that folder or below it, otherwise
// as it is. Paths are the file names' bytes.

#include <string>

// The project file's folder, absolute and ending in '/'.
std::string ProjectFolder(const std::string& projectFilePath);

// The path to store for `picturePath` in the project file at `projectFilePath`:
// the rest after the project folder when the picture path begins with it
// (byte by byte, case-sensitive), otherwise the picture path unchanged.
std::string StoredPicturePath(const std::string& picturePath, const std::string& projectFilePath);

// True for a stored path that names its file absolutely: a Linux path starting
// with '/', or a path made on Windows with a colon anywhere (a drive letter) or
// beginning with two backslashes (a network share).
bool IsAbsoluteStoredPath(const std::string& stored);

// The path to load for a stored path: absolute paths unchanged, relative ones
// (backslashes read as folder separators) put after the project folder. A
// stored path that is not UTF-8 names its file by its bytes; when no such file
// exists but its Latin-1 reading in UTF-8 does, that file is taken.
std::string ResolvePicturePath(const std::string& stored, const std::string& projectFilePath);
