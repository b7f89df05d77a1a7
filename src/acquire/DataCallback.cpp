#include "acquire/DataCallback.h"

#include "acquire/AcquireNames.h"
#include "acquire/PictureFile.h"
#include "res/OutsideText.h"

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

QString TooLarge(uint64_t limit)
{
    return QStringLiteral("the picture is larger than %1").arg(ByteCountText(limit));
}

}  // namespace

QString ByteCountText(uint64_t bytes)
{
    constexpr uint64_t kMiB = uint64_t(1) << 20;
    if (bytes >= kMiB && bytes % kMiB == 0)
        return QStringLiteral("%1 MiB").arg(bytes / kMiB);
    return QStringLiteral("%1 bytes").arg(bytes);
}

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

CDataCallback::~CDataCallback() = default;

void CDataCallback::SetTarget(std::string folder, std::string fileName)
{
    m_folder = std::move(folder);
    m_fileName = std::move(fileName);
}

CDataCallback::Result CDataCallback::BandedDataCallback(const Band& band)
{
    switch (band.message) {
    case Message::DataHeader: return OnHeader(band.header);
    case Message::Data: return OnData(band);
    case Message::Status:
        return m_progress && m_progress(band.status, band.percent) == ProgressAnswer::Stop ? Result::Stop : Result::Ok;
    case Message::Termination:
    case Message::NewPage: return OnPageEnd();
    case Message::Other: break;
    }
    return Result::Ok;
}

CDataCallback::Result CDataCallback::Refuse(const QString& cause)
{
    if (m_dataError.isEmpty())
        m_dataError = cause;
    EndPage();
    return Result::Error;
}

CDataCallback::Result CDataCallback::WriteFailed(const std::exception& error)
{
    if (m_writeError.isEmpty())
        m_writeError = ShownBytes(error.what());
    EndPage();
    return Result::Error;
}

void CDataCallback::EndPage()
{
    m_file.reset();
    std::vector<uint8_t>().swap(m_buffer);
    m_used = 0;
}

CDataCallback::Result CDataCallback::OnHeader(const Header& header)
{
    EndPage();
    m_format = header.format;
    m_bMemoryBitmap = header.format == QLatin1String(kMemoryBitmapFormat);
    m_bIsBitmap = ExtensionForFormat(header.format) == QLatin1String(".BMP");
    m_nHeaderReserve = m_bMemoryBitmap ? kBmpFileHeaderSize : 0;
    m_bSizeAnnounced = header.totalSize != 0;
    if (header.totalSize > m_limit - uint64_t(m_nHeaderReserve))
        return Refuse(TooLarge(m_limit));
    if (m_folder.empty()) {
        m_buffer.reserve(header.totalSize + uint64_t(m_nHeaderReserve));
        return Result::Ok;
    }
    try {
        m_file = std::make_unique<PictureFile>(m_folder, m_fileName);
    } catch (const std::exception& error) {
        return WriteFailed(error);
    }
    return Result::Ok;
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
    const uint64_t reserve = uint64_t(m_nHeaderReserve);
    if (band.offset > m_limit || band.data.size() > m_limit - band.offset ||
        band.offset + band.data.size() > m_limit - reserve)
        return Refuse(TooLarge(m_limit));
    const uint64_t end = band.offset + reserve + band.data.size();
    if (m_file) {
        try {
            m_file->WriteAt(band.offset + reserve, band.data);
        } catch (const std::exception& error) {
            return WriteFailed(error);
        }
    } else {
        if (m_bMemoryBitmap && !m_bSizeAnnounced && band.offset == 0)
            SizeFromBitmapHeader(band.data);
        Grow(end);
        if (!band.data.empty())
            std::memcpy(m_buffer.data() + band.offset + reserve, band.data.data(), band.data.size());
    }
    m_used = std::max(m_used, end);
    return Result::Ok;
}

void CDataCallback::SizeFromBitmapHeader(std::span<const uint8_t> data)
{
    const uint64_t size = DibSizeFromHeader(data) + uint64_t(m_nHeaderReserve);
    if (size <= m_limit && size > m_buffer.capacity())
        m_buffer.reserve(size);
}

void CDataCallback::Grow(uint64_t size)
{
    if (size > m_buffer.capacity())
        m_buffer.reserve(std::min(m_limit, std::max(size, 2 * uint64_t(m_buffer.capacity()))));
    if (size > m_buffer.size())
        m_buffer.resize(size);
}

std::vector<uint8_t> CDataCallback::PageHead(size_t bytes) const
{
    std::vector<uint8_t> head(std::min<uint64_t>(bytes, m_used));
    if (m_file)
        head.resize(m_file->ReadAt(0, head));
    else
        std::copy_n(m_buffer.begin(), head.size(), head.begin());
    return head;
}

std::vector<uint8_t> CDataCallback::BmpFileHeader() const
{
    const std::vector<uint8_t> head = PageHead(kBmpFileHeaderSize + kBitmapInfoHeaderSize);
    const std::span<const uint8_t> info = std::span(head).subspan(std::min<size_t>(head.size(), kBmpFileHeaderSize));
    std::vector<uint8_t> file(kBmpFileHeaderSize, 0);
    file[0] = 'B';
    file[1] = 'M';
    WriteU32(file.data() + 2, uint32_t(m_used));
    WriteU32(file.data() + 10, uint32_t(kBmpFileHeaderSize + DibPixelOffset(info)));
    return file;
}

CDataCallback::Result CDataCallback::OnPageEnd()
{
    if (m_used <= uint64_t(m_nHeaderReserve)) {
        EndPage();
        return Result::Ok;
    }
    if (m_bMemoryBitmap) {
        const std::vector<uint8_t> header = BmpFileHeader();
        if (m_file) {
            try {
                m_file->WriteAt(0, header);
            } catch (const std::exception& error) {
                return WriteFailed(error);
            }
        } else {
            std::copy(header.begin(), header.end(), m_buffer.begin());
        }
    } else if (!MatchesFormat(PageHead(kFormatHeadBytes), m_format)) {
        return Refuse(QStringLiteral("its bytes are not of its format (%1)").arg(ShownText(m_format)));
    }
    if (m_file) {
        try {
            m_writtenPath = m_file->Commit();
        } catch (const std::exception& error) {
            return WriteFailed(error);
        }
    } else if (m_pageObserver) {
        m_pageObserver(std::span<const uint8_t>(m_buffer.data(), m_used));
    }
    ++m_nPagesStored;
    EndPage();
    return Result::Ok;
}
