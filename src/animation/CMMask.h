#pragma once
// A keyframe: one complete displacement map of the work picture, the number
// of frames the transition into it lasts, and its thumbnail.

#include "engine/Displacement.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ArchiveReader;
class ArchiveWriter;

// Bounds a stored map must keep: no side beyond 65536 elements and no more than
// 64 M elements (512 MB) in one map.
inline constexpr int kMaxMapSide = 65536;
inline constexpr uint64_t kMaxMapCount = uint64_t(64) << 20;
// What the maps and thumbnails of one project may take once unpacked, all
// keyframes together; checked before each keyframe is unpacked.
inline constexpr uint64_t kMaxProjectRawBytes = uint64_t(1) << 30;
// Takes `bytes` from `budget`, what a project being read may still unpack;
// ArchiveError (BadFormat) when it has less left.
void ChargeUnpacked(uint64_t& budget, uint64_t bytes);

class CMMask {
public:
    static constexpr const char* kClassName = "CMMask";
    static constexpr uint16_t kSchema = 1;
    static constexpr int kDefaultDuration = 10;

    // Empty: no map, no thumbnail (what the reader fills).
    CMMask() = default;
    // W x H identity map, a zeroed thumbnail of thumbBytes bytes, duration 10.
    CMMask(int W, int H, size_t thumbBytes);
    CMMask(const CMMask&) = default;
    CMMask& operator=(const CMMask&) = default;
    virtual ~CMMask() = default;

    // Copies the map and the thumbnail of `other` into this keyframe's own
    // blocks (as many bytes as each of them holds); size and duration stay.
    void CopyContents(const CMMask& other);

    // Stores the record in format 2; the thumbnail block is written with
    // thumbRawSize bytes (the thumbnail header's biSizeImage).
    void Serialize(ArchiveWriter& ar, uint32_t thumbRawSize) const;
    // Loads a record in format 2 (fileVersion 2) or 1. In format 2 the
    // thumbnail's raw size must equal expectedThumbSize. What the record takes
    // unpacked is taken from `budget` first; a record that needs more than is
    // left is refused. Throws ArchiveError.
    void Serialize(ArchiveReader& ar, int fileVersion, uint32_t expectedThumbSize, uint64_t& budget);

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    int Count() const { return m_nCount; }
    int Duration() const { return m_nDuration; }
    void SetDuration(int frames) { m_nDuration = frames; }
    // Sets the map's dimensions; W x H must equal the element count.
    void SetSize(int W, int H);
    // Replaces the map by `map` of W x H elements.
    void ReplaceMap(std::vector<Displacement> map, int W, int H);

    // Handing out the map or the thumbnail for writing makes its packed form
    // (below) one to check again.
    MapRef Ref()
    {
        m_bMapPacked = false;
        return MapRef{m_map.data(), m_nWidth, m_nHeight};
    }
    const std::vector<Displacement>& Map() const { return m_map; }
    std::vector<Displacement>& Map()
    {
        m_bMapPacked = false;
        return m_map;
    }
    const std::vector<uint8_t>& Thumbnail() const { return m_thumb; }
    std::vector<uint8_t>& Thumbnail()
    {
        m_bThumbPacked = false;
        return m_thumb;
    }

    // --- Packed forms ---------------------------------------------------------
    // The map and the thumbnail as PackBlock packs them, shared with whoever
    // keeps them (the undo history's steps; the keyframe itself holds them
    // only weakly). A packed form still kept elsewhere is handed out again
    // while the contents cannot have changed; after they may have, it is
    // unpacked and compared (much cheaper than packing), and only contents
    // that differ are packed anew. Copies of a keyframe share its packed
    // forms. For one thread at a time.
    using PackedBytes = std::shared_ptr<const std::vector<uint8_t>>;
    PackedBytes PackedMap() const;
    PackedBytes PackedThumbnail() const;
    // True when `packed` is known to hold this keyframe's map (or thumbnail)
    // without packing anything.
    bool MapPackedAs(const PackedBytes& packed) const;
    bool ThumbnailPackedAs(const PackedBytes& packed) const;
    // The contents were just unpacked from these forms.
    void SetPacked(const PackedBytes& map, const PackedBytes& thumb);
    // The map may have changed through a reference handed out earlier (the
    // one a work picture keeps to the map it shows).
    void ForgetPackedMap() { m_bMapPacked = false; }

private:
    void LoadFormat2(ArchiveReader& ar, uint32_t expectedThumbSize, uint64_t& budget);
    void LoadFormat1(ArchiveReader& ar, uint64_t& budget);

    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nCount = 0;
    std::vector<Displacement> m_map;
    int m_nDuration = 0;
    std::vector<uint8_t> m_thumb;
    // The packed forms last made or handed out, and whether each still holds
    // the contents for certain.
    mutable std::weak_ptr<const std::vector<uint8_t>> m_packedMap;
    mutable std::weak_ptr<const std::vector<uint8_t>> m_packedThumb;
    mutable bool m_bMapPacked = false;
    mutable bool m_bThumbPacked = false;
};
