#pragma once
// Whether a picture file's bytes reach the end its format marks: a JPEG's end
// of image after its last scan, a PNG's end chunk. Decoders fill what a file
// cut short does not hold with grey or stop without a word; this tells the
// reader so that it can say the picture is incomplete.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// False only for a JPEG or PNG whose bytes end before the format's end mark;
// true for complete files and for every other format.
bool PictureFileComplete(std::span<const uint8_t> bytes);

// For a PNG cut short after its pixel data (a chunk that follows the data was
// begun, or the cut falls between whole chunks after some data): the length of
// its whole chunks, which with an end chunk added decode. Nothing for any
// other file. A PNG cut inside its pixel data cannot be decoded.
std::optional<size_t> PngWholeChunksBeforeCut(std::span<const uint8_t> bytes);

// Whether the bytes begin as a PNG file does.
bool IsPngFile(std::span<const uint8_t> bytes);
// The 12 bytes of a PNG's end chunk.
std::span<const uint8_t> PngEndChunk();
