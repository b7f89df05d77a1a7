#pragma once
// The EXIF orientation a picture file states (JPEG's APP1 segment, PNG's eXIf
// chunk, WebP's EXIF chunk, a TIFF file's first directory), and a stored
// picture turned the way that orientation says it is shown.
//
// Orientation values (EXIF's tag 0x0112): 1 as stored, 2 mirrored left to
// right, 3 turned half round, 4 mirrored top to bottom, 5 mirrored along the
// main diagonal, 6 turned a quarter clockwise, 7 mirrored along the other
// diagonal, 8 turned a quarter anticlockwise.

#include "engine/PackedPicture.h"

#include <cstdint>
#include <optional>
#include <span>

// The orientation 1..8 the file's EXIF block states; nothing when the file has
// none, the block is damaged or the value is out of range.
std::optional<int> FileExifOrientation(std::span<const uint8_t> file);

// The orientation in an EXIF block that begins with its TIFF header.
std::optional<int> ExifBlockOrientation(std::span<const uint8_t> tiff);

// The picture as orientation `orientation` shows it (1..8; any other value
// shows it as stored). Orientations 5 to 8 swap the width and the height.
PackedPicture OrientedPicture(const PackedPicture& stored, int orientation);
