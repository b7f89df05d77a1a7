#pragma once
// A single picture as a GIF file, written with the program's own encoder.

#include "engine/PackedPicture.h"
#include "export/GifFile.h"

#include <string>

// Writes picture (up to 255 octree colours) to path; an existing file is replaced only
// when the whole file was written. False when the picture is empty or too large for a
// GIF, or the file cannot be written.
// `error`, when given, says why on failure. With a batch, the file takes its name when
// the batch is finished.
bool WriteGifPicture(const std::string& path, const PackedPicture& picture, GifWriteError* error = nullptr,
                     AtomicFileBatch* batch = nullptr);
