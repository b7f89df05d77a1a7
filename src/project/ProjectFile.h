#pragma once
// The project file's bytes: the current format (tag "Ver20") written and read,
// and the older untagged format read with all its obsolete fields.
//
// After the last field of the current format come tagged sections, each a
// 4-byte tag, a little-endian uint32 payload length and the payload. Readers
// of the format stop before them; this reader skips tags it does not know and
// bytes too few to be a section. The one section written is the freeze mask
// ("FMSK"): int32 width, int32 height (the keyframes' size), then the
// width x height values 0..64, top row first, packed as the keyframes' blocks
// are. A project with no mask, or an all-clear one, writes no section at all.
//
// Reading parses the whole file into ProjectData without touching any other
// state; every count, size and length is checked against what is left of the
// file before anything is allocated. A file that cannot be read throws
// ArchiveError. Every byte after the last field belongs to a whole section; one
// cut short is a cut file. Sections of other tags are kept, whole, and written
// back after the mask.

#include "animation/CMMask.h"
#include "engine/FreezeMask.h"
#include "engine/PackedPicture.h"
#include "engine/Rendering.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class KeyframeStore;

inline constexpr char kProjectTag[6] = {'V', 'e', 'r', '2', '0', '\0'};

struct ProjectData {
    int fileVersion = 2;
    std::string storedPicturePath;  // as in the file, UTF-8
    int firstVisible = 0;
    int selected = 1;
    int active = 1;
    BITMAPINFOHEADER thumbHeader{};
    std::vector<std::unique_ptr<CMMask>> keys;
    // Format 2 only.
    bool hasTool = false;
    int toolId = 0;
    int strength = 0;
    // Format 2 with a mask section only; the keyframes' size.
    FreezeMask mask;
    // The sections of tags this program does not know, headers included, in file order.
    std::vector<uint8_t> otherSections;
};

// `rawBudget` bounds what all keyframes may take unpacked.
ProjectData ReadProjectBytes(std::span<const uint8_t> bytes, uint64_t rawBudget = kMaxProjectRawBytes);

inline constexpr char kFreezeMaskTag[4] = {'F', 'M', 'S', 'K'};

// The current format: tag, picture path as stored, the strip's indexes and
// thumbnail header, the keyframes, the active tool and its strength, the
// freeze mask's section when `mask` has a frozen element, then `otherSections`
// as they were read.
std::vector<uint8_t> WriteProjectBytes(const std::string& storedPicturePath, const KeyframeStore& keys, int toolId,
                                       int strength, const FreezeMask* mask = nullptr,
                                       std::span<const uint8_t> otherSections = {});

// What `count` keyframes take once the adjustment step has given each a map of
// W x H (and a thumbnail as large as a slot). Throws ArchiveError (BadFormat)
// when that is more than `rawBudget`, so that nothing is allocated for them.
void CheckAdjustedKeyframes(uint64_t count, int W, int H, uint64_t rawBudget = kMaxProjectRawBytes);

// The work-area side the older format's keyframes are fitted to.
inline constexpr int kWorkAreaSide = 412;
// W x H scaled to fit an S x S square, the other side rounded.
PictureSize FitToSquare(int W, int H, int S = kWorkAreaSide);
