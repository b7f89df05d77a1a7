#include "io/Archive.h"

#include <QString>

namespace {

constexpr uint16_t kNullTag = 0;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigObjectTag = 0x7FFF;
constexpr uint32_t kBigClassTag = 0x80000000u;

// Length of the valid UTF-8 sequence starting at bytes[i], or 0 when invalid.
size_t Utf8SequenceLength(std::span<const uint8_t> bytes, size_t i)
{
    const uint8_t b = bytes[i];
    size_t n = 0;
    uint32_t min = 0;
    uint32_t cp = 0;
    if (b < 0x80)
        return 1;
    if ((b & 0xE0) == 0xC0) {
        n = 2, min = 0x80, cp = b & 0x1Fu;
    } else if ((b & 0xF0) == 0xE0) {
        n = 3, min = 0x800, cp = b & 0x0Fu;
    } else if ((b & 0xF8) == 0xF0) {
        n = 4, min = 0x10000, cp = b & 0x07u;
    } else {
        return 0;
    }
    if (i + n > bytes.size())
        return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((bytes[i + k] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (bytes[i + k] & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

}  // namespace

bool IsValidUtf8(std::span<const uint8_t> bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = Utf8SequenceLength(bytes, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string EightBitToUtf8(std::span<const uint8_t> bytes)
{
    if (IsValidUtf8(bytes))
        return std::string(bytes.begin(), bytes.end());
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        if (b < 0x80) {
            out.push_back(char(b));
        } else {
            out.push_back(char(0xC0 | (b >> 6)));
            out.push_back(char(0x80 | (b & 0x3F)));
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// ArchiveWriter

void ArchiveWriter::WriteUInt16(uint16_t v)
{
    m_bytes.push_back(uint8_t(v));
    m_bytes.push_back(uint8_t(v >> 8));
}

void ArchiveWriter::WriteUInt32(uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        m_bytes.push_back(uint8_t(v >> shift));
}

void ArchiveWriter::WriteRaw(std::span<const uint8_t> bytes)
{
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

void ArchiveWriter::WriteRaw(const void* data, size_t size)
{
    WriteRaw(std::span<const uint8_t>(static_cast<const uint8_t*>(data), size));
}

void ArchiveWriter::WriteString(const std::string& text)
{
    const size_t n = text.size();
    if (n < 0xFF) {
        WriteByte(uint8_t(n));
    } else if (n < 0xFFFE) {
        WriteByte(0xFF);
        WriteUInt16(uint16_t(n));
    } else {
        WriteByte(0xFF);
        WriteUInt16(0xFFFF);
        WriteUInt32(uint32_t(n));
    }
    WriteRaw(text.data(), n);
}

void ArchiveWriter::WriteCount(uint32_t count)
{
    if (count < 0xFFFF) {
        WriteUInt16(uint16_t(count));
    } else {
        WriteUInt16(0xFFFF);
        WriteUInt32(count);
    }
}

void ArchiveWriter::WriteObjectHeader(const std::string& className, uint16_t schema)
{
    const auto it = m_classIndex.find(className);
    if (it == m_classIndex.end()) {
        WriteUInt16(kNewClassTag);
        WriteUInt16(schema);
        WriteUInt16(uint16_t(className.size()));
        WriteRaw(className.data(), className.size());
        m_classIndex[className] = m_nextIndex++;
    } else if (it->second < kBigObjectTag) {
        WriteUInt16(uint16_t(kClassTag | it->second));
    } else {
        WriteUInt16(kBigObjectTag);
        WriteUInt32(kBigClassTag | it->second);
    }
    ++m_nextIndex;  // the object itself takes an index too
}

// ---------------------------------------------------------------------------
// ArchiveReader

void ArchiveReader::Need(uint64_t n) const
{
    if (n > Remaining())
        throw ArchiveError(ArchiveError::Cause::EndOfFile, "unexpected end of file at byte " + std::to_string(m_pos));
}

uint8_t ArchiveReader::ReadByte()
{
    Need(1);
    return m_bytes[m_pos++];
}

uint16_t ArchiveReader::ReadUInt16()
{
    Need(2);
    const uint16_t v = uint16_t(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

uint32_t ArchiveReader::ReadUInt32()
{
    Need(4);
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k)
        v = (v << 8) | m_bytes[m_pos + size_t(k)];
    m_pos += 4;
    return v;
}

std::span<const uint8_t> ArchiveReader::ReadRaw(uint64_t n)
{
    Need(n);
    const auto view = m_bytes.subspan(m_pos, size_t(n));
    m_pos += size_t(n);
    return view;
}

uint64_t ArchiveReader::ReadStringLength(bool& wide)
{
    wide = false;
    uint8_t b = ReadByte();
    if (b < 0xFF)
        return b;
    uint16_t w = ReadUInt16();
    if (w == 0xFFFE) {
        // A UTF-16 string; its length follows in the same forms.
        wide = true;
        b = ReadByte();
        if (b < 0xFF)
            return b;
        w = ReadUInt16();
    }
    if (w < 0xFFFF)
        return w;
    const uint32_t d = ReadUInt32();
    if (d < 0xFFFFFFFFu)
        return d;
    const uint64_t lo = ReadUInt32();
    const uint64_t hi = ReadUInt32();
    return (hi << 32) | lo;
}

std::string ArchiveReader::ReadString()
{
    bool wide = false;
    const uint64_t length = ReadStringLength(wide);
    if (!wide) {
        const auto raw = ReadRaw(length);
        return std::string(raw.begin(), raw.end());
    }
    if (length > Remaining() / 2)
        Need(Remaining() + 1);  // the text runs past the end
    const auto raw = ReadRaw(length * 2);
    std::u16string units(size_t(length), u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t(raw[2 * i] | (raw[2 * i + 1] << 8));
    return QString::fromUtf16(units.data(), qsizetype(units.size())).toStdString();
}

uint64_t ArchiveReader::ReadCount()
{
    const uint16_t w = ReadUInt16();
    if (w != 0xFFFF)
        return w;
    const uint32_t d = ReadUInt32();
    if (d != 0xFFFFFFFFu)
        return d;
    const uint64_t lo = ReadUInt32();
    const uint64_t hi = ReadUInt32();
    return (hi << 32) | lo;
}

void ArchiveReader::ReadObjectHeader(const std::string& className, uint16_t schema)
{
    const uint16_t tag = ReadUInt16();
    if (tag == kNullTag)
        throw ArchiveError(ArchiveError::Cause::BadClass, "a missing object where a " + className + " was expected");
    if (tag == kNewClassTag) {
        const uint16_t readSchema = ReadUInt16();
        const uint16_t nameLength = ReadUInt16();
        const auto name = ReadRaw(nameLength);
        if (std::string(name.begin(), name.end()) != className)
            throw ArchiveError(ArchiveError::Cause::BadClass,
                               "an object of an unknown class where a " + className + " was expected");
        if (readSchema != schema)
            throw ArchiveError(ArchiveError::Cause::BadSchema,
                               "class " + className + " has schema " + std::to_string(readSchema));
        m_classes[m_nextIndex++] = className;
        ++m_nextIndex;
        return;
    }
    const uint32_t objectTag =
        tag == kBigObjectTag ? ReadUInt32() : ((uint32_t(tag & kClassTag) << 16) | (tag & ~kClassTag));
    if (!(objectTag & kBigClassTag))
        throw ArchiveError(ArchiveError::Cause::BadClass,
                           "a reference to an earlier object where a new " + className + " was expected");
    const auto it = m_classes.find(objectTag & ~kBigClassTag);
    if (it == m_classes.end() || it->second != className)
        throw ArchiveError(ArchiveError::Cause::BadClass, "an object header with an unknown class index");
    ++m_nextIndex;
}
