#include "project/ProjectFile.h"

#include "animation/KeyframeStore.h"
#include "animation/ThumbnailHeader.h"
#include "animation/MapCompression.h"
#include "io/Archive.h"
#include "project/ProjectFileKind.h"

#include <algorithm>
#include <cstring>

namespace {

// The smallest keyframe record with its object header, in either format.
constexpr uint64_t kMinRecordBytes = 34;

[[noreturn]] void BadFile(const std::string& what)
{
    throw ArchiveError(ArchiveError::Cause::BadFormat, what);
}

void SkipInt32s(ArchiveReader& ar, int n)
{
    for (int i = 0; i < n; ++i)
        ar.ReadInt32();
}

// Skips n x unit bytes, n read from the file and never negative.
void SkipBlock(ArchiveReader& ar, int64_t n, uint64_t unit, const char* what)
{
    if (n < 0)
        BadFile(std::string(what) + " has a negative length");
    ar.Skip(uint64_t(n) * unit);
}

BITMAPINFOHEADER ReadThumbnailHeader(ArchiveReader& ar)
{
    const auto raw = ar.ReadRaw(sizeof(BITMAPINFOHEADER));
    if (std::all_of(raw.begin(), raw.end(), [](uint8_t b) { return b == 0; }))
        return ZeroThumbnailHeader();
    BITMAPINFOHEADER h;
    std::memcpy(&h, raw.data(), sizeof h);
    // Thumbnails fill at most a slot of the strip; anything larger is no
    // thumbnail this program made, and its size could overflow.
    if (h.biWidth < 0 || h.biHeight < 0 || h.biWidth > kThumbnailSlotWidth || h.biHeight > kThumbnailSlotHeight)
        BadFile("thumbnail size " + std::to_string(h.biWidth) + " x " + std::to_string(h.biHeight) + " (at most " +
                std::to_string(kThumbnailSlotWidth) + " x " + std::to_string(kThumbnailSlotHeight) + ")");
    const BITMAPINFOHEADER clean = MakeThumbnailHeader(h.biWidth, h.biHeight);
    if (h.biSizeImage != clean.biSizeImage)
        BadFile("thumbnail header with an image size that does not match its width and height");
    return clean;
}

std::vector<std::unique_ptr<CMMask>> ReadKeys(ArchiveReader& ar, int fileVersion, uint32_t thumbSize, uint64_t& budget)
{
    const uint64_t count = ar.ReadCount();
    if (count > ar.Remaining() / kMinRecordBytes)
        throw ArchiveError(ArchiveError::Cause::EndOfFile, std::to_string(count) + " keyframes cannot fit in the file");
    std::vector<std::unique_ptr<CMMask>> keys;
    keys.reserve(size_t(count));
    for (uint64_t i = 0; i < count; ++i) {
        ar.ReadObjectHeader(CMMask::kClassName, CMMask::kSchema);
        auto key = std::make_unique<CMMask>();
        key->Serialize(ar, fileVersion, thumbSize, budget);
        key->SetDuration(std::clamp(key->Duration(), KeyframeStore::kMinDuration, KeyframeStore::kMaxDuration));
        if (fileVersion == 2 && !keys.empty() &&
            (key->Width() != keys.front()->Width() || key->Height() != keys.front()->Height()))
            BadFile("keyframe " + std::to_string(i) + " has a map of another size");
        keys.push_back(std::move(key));
    }
    return keys;
}

constexpr size_t kSectionHeaderBytes = 8;

// The mask takes one byte an element from what the project may still unpack.
FreezeMask ReadFreezeMask(std::span<const uint8_t> payload, const ProjectData& data, uint64_t& budget)
{
    if (payload.size() < 8)
        BadFile("a freeze mask section too short for its size");
    if (data.keys.empty())
        BadFile("a freeze mask in a project without keyframes");
    ArchiveReader section(payload);
    const int32_t W = section.ReadInt32(), H = section.ReadInt32();
    if (W != data.keys.front()->Width() || H != data.keys.front()->Height())
        BadFile("a freeze mask of " + std::to_string(W) + " x " + std::to_string(H) +
                " elements for keyframe maps of another size");
    ChargeUnpacked(budget, uint64_t(W) * uint64_t(H));
    const std::span<const uint8_t> packed = section.ReadRaw(section.Remaining());
    const uint64_t count = uint64_t(W) * uint64_t(H);
    if (!PlausiblePackedSize(count, packed.size()))
        BadFile("a freeze mask section too short for its " + std::to_string(count) + " elements");
    std::vector<uint8_t> values(size_t(count), uint8_t(0));
    if (UnpackBlock(packed, values) != values.size())
        BadFile("a damaged freeze mask section");
    if (std::any_of(values.begin(), values.end(), [](uint8_t v) { return v > FreezeMask::kFrozen; }))
        BadFile("a freeze mask value above " + std::to_string(FreezeMask::kFrozen));
    return FreezeMask(W, H, std::move(values));
}

// A section's tag as text, its bytes escaped where they are not printable.
std::string TagText(std::span<const uint8_t> tag)
{
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (const uint8_t b : tag) {
        if (b >= 0x20 && b < 0x7f && b != '\\') {
            text += char(b);
        } else {
            text += "\\x";
            text += kHex[b >> 4];
            text += kHex[b & 15];
        }
    }
    return text;
}

// The tagged sections after the last field. Every byte there belongs to a whole
// section: a header cut short or a length that runs past the end is a file cut
// short. Sections this program does not know are kept as they are, so that
// saving the project again writes them back.
void ReadSections(ArchiveReader& ar, ProjectData& data, uint64_t& budget)
{
    bool haveMask = false;
    while (!ar.AtEnd()) {
        if (ar.Remaining() < kSectionHeaderBytes)
            throw ArchiveError(ArchiveError::Cause::EndOfFile, "a section cut short in its header (" +
                                                                   std::to_string(ar.Remaining()) + " of " +
                                                                   std::to_string(kSectionHeaderBytes) + " bytes)");
        const auto tag = ar.ReadRaw(4);
        const bool isMask = std::memcmp(tag.data(), kFreezeMaskTag, 4) == 0;
        const uint32_t length = ar.ReadUInt32();
        if (length > ar.Remaining())
            throw ArchiveError(ArchiveError::Cause::EndOfFile,
                               std::string(isMask ? "a freeze mask" : "a \"" + TagText(tag) + "\"") + " section of " +
                                   std::to_string(length) + " bytes with " + std::to_string(ar.Remaining()) +
                                   " left in the file");
        const auto payload = ar.ReadRaw(length);
        if (!isMask) {
            ArchiveWriter kept;
            kept.WriteRaw(tag);
            kept.WriteUInt32(length);
            kept.WriteRaw(payload);
            data.otherSections.insert(data.otherSections.end(), kept.Bytes().begin(), kept.Bytes().end());
            continue;
        }
        if (haveMask)
            BadFile("a second freeze mask section");
        data.mask = ReadFreezeMask(payload, data, budget);
        haveMask = true;
    }
}

void ReadFormat2(ArchiveReader& ar, ProjectData& data, uint64_t budget)
{
    data.storedPicturePath = ar.ReadString();
    data.firstVisible = ar.ReadInt32();
    data.selected = ar.ReadInt32();
    data.active = ar.ReadInt32();
    data.thumbHeader = ReadThumbnailHeader(ar);
    data.keys = ReadKeys(ar, 2, data.thumbHeader.biSizeImage, budget);
    data.toolId = ar.ReadInt32();
    // The strength slider's range.
    data.strength = std::clamp(ar.ReadInt32(), 0, 64);
    data.hasTool = true;
    ReadSections(ar, data, budget);
}

void ReadFormat1(ArchiveReader& ar, ProjectData& data, uint64_t budget)
{
    // The work picture's share.
    data.storedPicturePath = ar.ReadString();
    ar.Skip(16);
    ar.ReadInt32();
    SkipBlock(ar, ar.ReadInt32(), 8, "an obsolete array");
    const int32_t m = ar.ReadInt32();
    if (m != 0) {
        if (m < 40)
            BadFile("an obsolete picture shorter than its header");
        ar.Skip(uint64_t(m));
        ar.Skip(uint64_t(m) - 40);
        ar.ReadInt32();
    }

    // The keyframe strip's share.
    data.keys = ReadKeys(ar, 1, 0, budget);
    ar.Skip(8);
    SkipInt32s(ar, 2);
    const int32_t W = ar.ReadInt32();
    const int32_t H = ar.ReadInt32();
    ar.ReadInt32();
    data.firstVisible = ar.ReadInt32();
    data.selected = ar.ReadInt32();
    data.active = ar.ReadInt32();
    SkipInt32s(ar, 4);
    const int32_t flagA = ar.ReadInt32();
    if (flagA != 0) {
        const int32_t flagB = ar.ReadInt32();
        if (flagB != 0) {
            if (W < 0 || H < 0)
                BadFile("an obsolete map of negative size");
            ar.Skip(uint64_t(W) * uint64_t(H) * 8);
        }
        const int32_t flagC = ar.ReadInt32();
        if (flagC != 0) {
            int32_t header[6];
            const auto raw = ar.ReadRaw(sizeof header);
            std::memcpy(header, raw.data(), sizeof header);
            if (header[2] < 0 || header[3] < 0)
                BadFile("an obsolete picture of negative size");
            ar.Skip(uint64_t(header[2]) * uint64_t(header[3]));
        }
    }

    // Every keyframe of the older format takes the strip's map size.
    if (!data.keys.empty() && (W < 1 || H < 1 || W > kMaxMapSide || H > kMaxMapSide))
        BadFile("keyframe maps of " + std::to_string(W) + " x " + std::to_string(H) + " elements");
    for (auto& key : data.keys) {
        if (uint64_t(W) * uint64_t(H) != uint64_t(key->Count()))
            BadFile("a keyframe whose element count differs from the map size");
        key->SetSize(W, H);
    }
    data.thumbHeader = ZeroThumbnailHeader();
}

}  // namespace

ProjectData ReadProjectBytes(std::span<const uint8_t> bytes, uint64_t rawBudget)
{
    ProjectData data;
    ArchiveReader ar(bytes);
    if (bytes.size() >= sizeof kProjectTag && std::memcmp(bytes.data(), kProjectTag, sizeof kProjectTag) == 0) {
        ar.Skip(sizeof kProjectTag);
        data.fileVersion = 2;
        ReadFormat2(ar, data, rawBudget);
    } else {
        // Only the older format has no tag: anything that cannot begin as it does is refused
        // as what it is, before its bytes are read as obsolete fields.
        if (const std::optional<std::string> other = NotAProjectFile(bytes))
            throw ArchiveError(ArchiveError::Cause::NotAProject, *other);
        data.fileVersion = 1;
        ReadFormat1(ar, data, rawBudget);
    }
    return data;
}

std::vector<uint8_t> WriteProjectBytes(const std::string& storedPicturePath, const KeyframeStore& keys, int toolId,
                                       int strength, const FreezeMask* mask, std::span<const uint8_t> otherSections)
{
    ArchiveWriter ar;
    ar.WriteRaw(kProjectTag, sizeof kProjectTag);
    ar.WriteString(storedPicturePath);
    ar.WriteInt32(keys.FirstVisible());
    ar.WriteInt32(keys.Selected());
    ar.WriteInt32(keys.Active());
    const BITMAPINFOHEADER& header = keys.ThumbHeader();
    ar.WriteRaw(&header, sizeof header);
    ar.WriteCount(uint32_t(keys.Count()));
    for (int i = 0; i < keys.Count(); ++i) {
        ar.WriteObjectHeader(CMMask::kClassName, CMMask::kSchema);
        keys.Key(i).Serialize(ar, header.biSizeImage);
    }
    ar.WriteInt32(toolId);
    ar.WriteInt32(strength);
    if (mask && !mask->AllClear()) {
        const std::vector<uint8_t> packed = PackBlock(mask->Values());
        ar.WriteRaw(kFreezeMaskTag, sizeof kFreezeMaskTag);
        ar.WriteUInt32(uint32_t(8 + packed.size()));
        ar.WriteInt32(mask->Width());
        ar.WriteInt32(mask->Height());
        ar.WriteRaw(packed);
    }
    ar.WriteRaw(otherSections);
    return ar.TakeBytes();
}

void CheckAdjustedKeyframes(uint64_t count, int W, int H, uint64_t rawBudget)
{
    const uint64_t thumb = MakeThumbnailHeader(kThumbnailSlotWidth, kThumbnailSlotHeight).biSizeImage;
    const uint64_t each = uint64_t(std::max(W, 0)) * uint64_t(std::max(H, 0)) * sizeof(Displacement) + thumb;
    if (count > 0 && each > rawBudget / count)
        BadFile(std::to_string(count) + " keyframes of " + std::to_string(W) + " x " + std::to_string(H) +
                " elements take more than " + std::to_string(rawBudget >> 20) + " MB unpacked");
}

PictureSize FitToSquare(int W, int H, int S)
{
    if (W <= 0 || H <= 0)
        return {};
    if (W > H)
        return {S, std::max(1, int((int64_t(S) * H + W / 2) / W))};
    return {std::max(1, int((int64_t(S) * W + H / 2) / H)), S};
}
