#pragma once
// The project file's bytes: the current format (tag "Ver20") written and read,
// and the older untagged format read with all its obsolete fields.
//
// Reading parses the whole file into ProjectData without touching any other
// state; every count, size and length is checked against what is left of the
// file before anything is allocated. A file that cannot be read throws
// ArchiveError.

#include "animation/CMMask.h"
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
};

// `rawBudget` bounds what all keyframes may take unpacked.
ProjectData ReadProjectBytes(std::span<const uint8_t> bytes, uint64_t rawBudget = kMaxProjectRawBytes);

// The current format: tag, picture path as stored, the strip's indexes and
// thumbnail header, the keyframes, the active tool and its strength.
std::vector<uint8_t> WriteProjectBytes(const std::string& storedPicturePath, const KeyframeStore& keys, int toolId,
                                       int strength);

// What `count` keyframes take once the adjustment step has given each a map of
// W x H (and a thumbnail as large as a slot). Throws ArchiveError (BadFormat)
// when that is more than `rawBudget`, so that nothing is allocated for them.
void CheckAdjustedKeyframes(uint64_t count, int W, int H, uint64_t rawBudget = kMaxProjectRawBytes);

// The work-area side the older format's keyframes are fitted to.
inline constexpr int kWorkAreaSide = 412;
// W x H scaled to fit an S x S square, the other side rounded.
PictureSize FitToSquare(int W, int H, int S = kWorkAreaSide);
