#include "acquire/DataCallback.h"

#include "acquire/AcquireNames.h"
#include "export/FileError.h"
#include "project/AtomicFile.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t ReadU32(std::span<const uint8_t> bytes, size_t at)
{
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

uint16_t ReadU16(std::span<const uint8_t> bytes, size_t at)
{
    return uint16_t(bytes[at] | bytes[at + 1] << 8);
}

void WriteU32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(value >> (8 * i));
}

// Colour table entries of a DIB: the stated count, or all of a palette picture's.
uint64_t ColourCount(std::span<const uint8_t> header)
{
    const uint32_t used = ReadU32(header, 32);
    const uint16_t bits = ReadU16(header, 14);
    if (used != 0)
        return std::min<uint32_t>(used, 256);
    return bits <= 8 ? uint64_t(1) << bits : 0;
}

bool IsInfoHeader(std::span<const uint8_t> header)
{
    return header.size() >= CDataCallback::kBitmapInfoHeaderSize &&
           ReadU32(header, 0) >= CDataCallback::kBitmapInfoHeaderSize;
}

}  // namespace

uint64_t DibPixelOffset(std::span<const uint8_t> header)
{
    if (!IsInfoHeader(header))
        return 0;
    return ReadU32(header, 0) + ColourCount(header) * 4;
}

uint64_t DibSizeFromHeader(std::span<const uint8_t> header)
{
    if (!IsInfoHeader(header))
        return 0;
    const int64_t width = int32_t(ReadU32(header, 4));
    const int64_t height = int32_t(ReadU32(header, 8));
    const uint16_t bits = ReadU16(header, 14);
    if (width <= 0 || bits == 0 || bits > 32)
        return 0;
    const uint64_t stride = uint64_t((width * bits + 31) / 32) * 4;
    return DibPixelOffset(header) + stride * uint64_t(height < 0 ? -height : height);
}

CDataCallback::CDataCallback(ProgressFunction progress) : m_progress(std::move(progress)) {}

CDataCallback::Result CDataCallback::BandedDataCallback(const Band& band)
{
    switch (band.message) {
    case Message::DataHeader: return OnHeader(band.header);
    case Message::Data: return OnData(band);
    case Message::Status:
        return m_progress && m_progress(band.status, band.percent) == ProgressAnswer::Stop ? Result::Stop
                                                                                          : Result::Ok;
    case Message::Termination:
    case Message::NewPage: return OnPageEnd();
    case Message::Other: break;
    }
    return Result::Ok;
}

CDataCallback::Result CDataCallback::OnHeader(const Header& header)
{
    const QString extension = ExtensionForFormat(header.format);
    m_bMemoryBitmap = header.format == QLatin1String(kMemoryBitmapFormat);
    m_bIsBitmap = extension == QLatin1String(".BMP");
    m_nHeaderReserve = m_bMemoryBitmap ? kBmpFileHeaderSize : 0;
    m_bSizeAnnounced = header.totalSize != 0;
    m_buffer.clear();
    m_used = 0;
    return Reserve(header.totalSize + m_nHeaderReserve) ? Result::Ok : Result::Error;
}

CDataCallback::Result CDataCallback::OnData(const Band& band)
{
    if (m_progress) {
        const ProgressAnswer answer = m_progress(band.status, band.percent);
        if (answer == ProgressAnswer::Stop)
            return Result::Stop;
        if (answer == ProgressAnswer::InvalidStatus)
            return Result::Error;
    }
    if (m_bIsBitmap && !m_bSizeAnnounced && band.offset == 0 && m_bMemoryBitmap)
        SizeFromBitmapHeader(band.data);
    const uint64_t end = band.offset + m_nHeaderReserve + band.data.size();
    if (band.offset > kMaxPageSize || !Reserve(end))
        return Result::Error;
    if (!band.data.empty())
        std::memcpy(m_buffer.data() + band.offset + m_nHeaderReserve, band.data.data(), band.data.size());
    m_used = std::max(m_used, end);
    return Result::Ok;
}

void CDataCallback::SizeFromBitmapHeader(std::span<const uint8_t> data)
{
    const uint64_t size = DibSizeFromHeader(data);
    if (size != 0 && size + m_nHeaderReserve <= kMaxPageSize)
        Reserve(size + m_nHeaderReserve);
}

bool CDataCallback::Reserve(uint64_t size)
{
    if (size > kMaxPageSize)
        return false;
    if (size > m_buffer.size())
        m_buffer.resize(size);
    return true;
}

void CDataCallback::CompleteBmpFileHeader()
{
    const std::span<const uint8_t> info(m_buffer.data() + kBmpFileHeaderSize, m_used - kBmpFileHeaderSize);
    uint8_t* file = m_buffer.data();
    file[0] = 'B';
    file[1] = 'M';
    WriteU32(file + 2, uint32_t(m_used));
    WriteU32(file + 6, 0);
    WriteU32(file + 10, uint32_t(kBmpFileHeaderSize + DibPixelOffset(info)));
}

CDataCallback::Result CDataCallback::OnPageEnd()
{
    if (m_used > uint64_t(m_nHeaderReserve)) {
        if (m_bMemoryBitmap)
            CompleteBmpFileHeader();
        const std::span<const uint8_t> page(m_buffer.data(), m_used);
        if (!m_targetPath.isEmpty()) {
            try {
                WriteFileAtomically(m_targetPath.toStdString(), page);
            } catch (const FileError& error) {
                if (m_writeError.isEmpty())
                    m_writeError = QString::fromStdString(error.what());
            }
        }
        if (m_pageObserver)
            m_pageObserver(page);
        ++m_nPagesStored;
    }
    std::vector<uint8_t>().swap(m_buffer);
    m_used = 0;
    return Result::Ok;
}
