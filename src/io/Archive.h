#pragma once
// The little-endian primitives of the project file, laid out as the classic
// object archive lays them out: integers, raw blocks, length-prefixed strings,
// object counts and object headers with class indexes.
//
// ArchiveWriter appends to a byte buffer; ArchiveReader reads from a span and
// checks every length against what is left before it reads or allocates.

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

class ArchiveError : public std::runtime_error {
public:
    enum class Cause {
        EndOfFile,    // a field runs past the end of the file
        BadClass,     // an object header names another class or an unknown index
        BadSchema,    // the class's schema is not the one this program reads
        BadFormat,    // a value is out of range or contradicts another one
        NotAProject,  // another kind of file altogether (a picture, a text...)
    };
    ArchiveError(Cause cause, const std::string& what) : std::runtime_error(what), m_cause(cause) {}
    Cause GetCause() const { return m_cause; }

private:
    Cause m_cause;
};

class ArchiveWriter {
public:
    void WriteByte(uint8_t v) { m_bytes.push_back(v); }
    void WriteUInt16(uint16_t v);
    void WriteUInt32(uint32_t v);
    void WriteInt32(int32_t v) { WriteUInt32(uint32_t(v)); }
    void WriteRaw(std::span<const uint8_t> bytes);
    void WriteRaw(const void* data, size_t size);
    // Length prefix (1, 3 or 7 bytes), then the bytes of `text` as they are.
    void WriteString(const std::string& text);
    void WriteCount(uint32_t count);
    // The header in front of an object: the full class description the first
    // time a class is written, the class index (0x8000 | index) afterwards.
    void WriteObjectHeader(const std::string& className, uint16_t schema);

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    std::vector<uint8_t> TakeBytes() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
    std::map<std::string, uint32_t> m_classIndex;
    uint32_t m_nextIndex = 1;  // classes and objects share one counter
};

class ArchiveReader {
public:
    explicit ArchiveReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    size_t Remaining() const { return m_bytes.size() - m_pos; }
    size_t Position() const { return m_pos; }
    bool AtEnd() const { return Remaining() == 0; }
    void Rewind() { m_pos = 0; }

    uint8_t ReadByte();
    uint16_t ReadUInt16();
    uint32_t ReadUInt32();
    int32_t ReadInt32() { return int32_t(ReadUInt32()); }
    // n bytes as a view into the archive; an end-of-file error when fewer are left.
    std::span<const uint8_t> ReadRaw(uint64_t n);
    void Skip(uint64_t n) { (void)ReadRaw(n); }
    // A string in any of the length forms. 8-bit text is returned as its bytes
    // (file names are bytes on Linux); UTF-16 text is converted to UTF-8.
    std::string ReadString();
    uint64_t ReadCount();
    // Reads an object header and checks that it introduces an object of class
    // `className` with `schema`; anything else is an archive error.
    void ReadObjectHeader(const std::string& className, uint16_t schema);

private:
    void Need(uint64_t n) const;
    uint64_t ReadStringLength(bool& wide);

    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
    std::map<uint32_t, std::string> m_classes;  // index -> class name
    uint32_t m_nextIndex = 1;
};

// 8-bit text as UTF-8: kept when it is valid UTF-8, else read as Latin-1.
std::string EightBitToUtf8(std::span<const uint8_t> bytes);
bool IsValidUtf8(std::span<const uint8_t> bytes);
