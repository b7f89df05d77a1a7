#include "animation/CMMask.h"

#include "animation/MapCompression.h"
#include "io/Archive.h"

#include <algorithm>
#include <cstring>

namespace {

std::span<const uint8_t> MapBytes(const std::vector<Displacement>& map)
{
    return {reinterpret_cast<const uint8_t*>(map.data()), map.size() * sizeof(Displacement)};
}

std::span<uint8_t> MapBytes(std::vector<Displacement>& map)
{
    return {reinterpret_cast<uint8_t*>(map.data()), map.size() * sizeof(Displacement)};
}

[[noreturn]] void BadRecord(const std::string& what)
{
    throw ArchiveError(ArchiveError::Cause::BadFormat, "keyframe record: " + what);
}

// Reads a raw size, a packed size and the packed bytes, checking both sizes
// before anything is allocated.
std::span<const uint8_t> ReadPackedBlock(ArchiveReader& ar, uint64_t expectedRawSize, const char* what)
{
    const uint32_t rawSize = ar.ReadUInt32();
    const uint32_t packedSize = ar.ReadUInt32();
    if (rawSize != expectedRawSize)
        BadRecord(std::string(what) + " has a raw size of " + std::to_string(rawSize) + " bytes, expected " +
                  std::to_string(expectedRawSize));
    if (packedSize > ar.Remaining())
        throw ArchiveError(ArchiveError::Cause::EndOfFile, std::string(what) + " runs past the end of the file");
    if (!PlausiblePackedSize(rawSize, packedSize))
        BadRecord(std::string(what) + " cannot unpack to " + std::to_string(rawSize) + " bytes");
    return ar.ReadRaw(packedSize);
}

}  // namespace

CMMask::CMMask(int W, int H, size_t thumbBytes)
        : m_nWidth(W), m_nHeight(H), m_nCount(W * H), m_map(size_t(W) * size_t(H)), m_nDuration(kDefaultDuration),
          m_thumb(thumbBytes, 0)
{}

void CMMask::CopyContents(const CMMask& other)
{
    if (&other == this)
        return;
    std::copy_n(other.m_map.begin(), std::min(m_map.size(), other.m_map.size()), m_map.begin());
    std::copy_n(other.m_thumb.begin(), std::min(m_thumb.size(), other.m_thumb.size()), m_thumb.begin());
    m_bMapPacked = false;
    m_bThumbPacked = false;
}

void CMMask::SetSize(int W, int H)
{
    m_nWidth = W;
    m_nHeight = H;
}

void CMMask::ReplaceMap(std::vector<Displacement> map, int W, int H)
{
    m_bMapPacked = false;
    m_map = std::move(map);
    m_nWidth = W;
    m_nHeight = H;
    m_nCount = W * H;
}

void CMMask::Serialize(ArchiveWriter& ar, uint32_t thumbRawSize) const
{
    const int32_t size[2] = {m_nWidth, m_nHeight};
    ar.WriteRaw(size, sizeof size);
    ar.WriteUInt32(uint32_t(m_map.size()));
    ar.WriteInt32(m_nDuration);

    const auto mapBytes = MapBytes(m_map);
    const std::vector<uint8_t> packedMap = PackBlock(mapBytes);
    ar.WriteUInt32(uint32_t(mapBytes.size()));
    ar.WriteUInt32(uint32_t(packedMap.size()));
    ar.WriteRaw(packedMap);

    std::vector<uint8_t> thumb(m_thumb);
    thumb.resize(thumbRawSize, 0);
    const std::vector<uint8_t> packedThumb = PackBlock(thumb);
    ar.WriteUInt32(thumbRawSize);
    ar.WriteUInt32(uint32_t(packedThumb.size()));
    ar.WriteRaw(packedThumb);
}

void CMMask::Serialize(ArchiveReader& ar, int fileVersion, uint32_t expectedThumbSize, uint64_t& budget)
{
    m_bMapPacked = false;
    m_bThumbPacked = false;
    if (fileVersion == 1)
        LoadFormat1(ar, budget);
    else
        LoadFormat2(ar, expectedThumbSize, budget);
}

void CMMask::LoadFormat2(ArchiveReader& ar, uint32_t expectedThumbSize, uint64_t& budget)
{
    const auto sizeBlock = ar.ReadRaw(8);
    int32_t size[2];
    std::memcpy(size, sizeBlock.data(), sizeof size);
    const uint32_t count = ar.ReadUInt32();
    const int32_t duration = ar.ReadInt32();
    if (size[0] < 1 || size[1] < 1 || size[0] > kMaxMapSide || size[1] > kMaxMapSide)
        BadRecord("map of " + std::to_string(size[0]) + " x " + std::to_string(size[1]) + " elements");
    if (uint64_t(size[0]) * uint64_t(size[1]) != count)
        BadRecord("element count " + std::to_string(count) + " differs from width x height");
    if (count > kMaxMapCount)
        BadRecord("map of " + std::to_string(count) + " elements is too large");

    ChargeUnpacked(budget, uint64_t(count) * sizeof(Displacement) + expectedThumbSize);

    m_map.clear();
    m_thumb.clear();
    const auto packedMap = ReadPackedBlock(ar, uint64_t(count) * sizeof(Displacement), "the map");
    std::vector<Displacement> map(count);
    UnpackBlock(packedMap, MapBytes(map));

    const auto packedThumb = ReadPackedBlock(ar, expectedThumbSize, "the thumbnail");
    std::vector<uint8_t> thumb(expectedThumbSize, 0);
    UnpackBlock(packedThumb, thumb);

    m_nWidth = size[0];
    m_nHeight = size[1];
    m_nCount = int(count);
    m_nDuration = duration;
    m_map = std::move(map);
    m_thumb = std::move(thumb);
}

void CMMask::LoadFormat1(ArchiveReader& ar, uint64_t& budget)
{
    const uint32_t count = ar.ReadUInt32();
    if (count > kMaxMapCount)
        BadRecord("map of " + std::to_string(count) + " elements is too large");
    ChargeUnpacked(budget, uint64_t(count) * sizeof(Displacement));
    const auto mapBytes = ar.ReadRaw(uint64_t(count) * sizeof(Displacement));
    std::vector<Displacement> map(count);
    if (!mapBytes.empty())
        std::memcpy(map.data(), mapBytes.data(), mapBytes.size());

    ar.ReadInt32();  // obsolete value
    int32_t header[6];
    const auto headerBytes = ar.ReadRaw(sizeof header);
    std::memcpy(header, headerBytes.data(), sizeof header);
    const int64_t rowBytes = header[3], height = header[2];
    if (rowBytes < 0 || height < 0)
        BadRecord("obsolete picture of negative size");
    ar.Skip(uint64_t(rowBytes) * uint64_t(height));

    m_nWidth = 0;
    m_nHeight = 0;
    m_nCount = int(count);
    m_map = std::move(map);
    m_nDuration = kDefaultDuration;
    m_thumb.clear();
}

// ---------------------------------------------------------------------------
// Packed forms

namespace {

// Whether `packed` unpacks to exactly `raw`: unpacking is several times
// cheaper than packing, and a packed form is PackBlock's output, so this is
// the same as PackBlock(raw) == packed.
bool Unpacks(const std::vector<uint8_t>& packed, std::span<const uint8_t> raw)
{
    std::vector<uint8_t> unpacked(raw.size() + 1);  // room to see a longer stream
    return UnpackBlock(packed, unpacked) == raw.size() && std::equal(raw.begin(), raw.end(), unpacked.begin());
}

CMMask::PackedBytes Packed(std::span<const uint8_t> raw, std::weak_ptr<const std::vector<uint8_t>>& kept, bool& valid)
{
    CMMask::PackedBytes result = kept.lock();
    if (!result || !(valid || Unpacks(*result, raw))) {
        result = std::make_shared<const std::vector<uint8_t>>(PackBlock(raw));
        kept = result;
    }
    valid = true;
    return result;
}

}  // namespace

CMMask::PackedBytes CMMask::PackedMap() const
{
    return Packed(MapBytes(m_map), m_packedMap, m_bMapPacked);
}

CMMask::PackedBytes CMMask::PackedThumbnail() const
{
    return Packed(m_thumb, m_packedThumb, m_bThumbPacked);
}

bool CMMask::MapPackedAs(const PackedBytes& packed) const
{
    return packed && m_bMapPacked && m_packedMap.lock() == packed;
}

bool CMMask::ThumbnailPackedAs(const PackedBytes& packed) const
{
    return packed && m_bThumbPacked && m_packedThumb.lock() == packed;
}

void CMMask::SetPacked(const PackedBytes& map, const PackedBytes& thumb)
{
    m_packedMap = map;
    m_packedThumb = thumb;
    m_bMapPacked = map != nullptr;
    m_bThumbPacked = thumb != nullptr;
}

void ChargeUnpacked(uint64_t& budget, uint64_t bytes)
{
    if (bytes > budget)
        throw ArchiveError(
            ArchiveError::Cause::BadFormat,
            "the keyframes take more than " + std::to_string(kMaxProjectRawBytes >> 20) + " MB unpacked");
    budget -= bytes;
}
