#pragma once
// The receiving end of a banded transfer. The device side announces the
// transfer (format and, when known, total size), sends the data in bands at
// offsets, reports status, and ends each page. The sink streams the bands of
// a page into a file of the target folder (named only once the page is
// complete and of its format), or keeps them in memory for a page observer
// when there is no target; it completes the BMP file header of a memory bitmap
// either way. A page larger than the limit is refused before it is stored.

#include "acquire/AcquireProgress.h"

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class PictureFile;

class CDataCallback {
public:
    enum class Message { DataHeader, Data, Status, Termination, NewPage, Other };
    enum class Result { Ok, Stop, Error };

    // What a DataHeader message announces.
    struct Header {
        QString format;          // MIME type, or kMemoryBitmapFormat
        uint64_t totalSize = 0;  // 0 when not known in advance
    };

    // One call of the transfer.
    struct Band {
        Message message = Message::Other;
        int status = TransferStatus::ToClient;
        int percent = 0;
        uint64_t offset = 0;
        std::span<const uint8_t> data;
        Header header;  // DataHeader only
    };

    static constexpr int kBmpFileHeaderSize = 14;
    static constexpr int kBitmapInfoHeaderSize = 40;
    // Pages larger than this are refused rather than stored.
    static constexpr uint64_t kMaxPageSize = uint64_t(1) << 30;

    explicit CDataCallback(ProgressFunction progress);
    ~CDataCallback();
    CDataCallback(const CDataCallback&) = delete;
    CDataCallback& operator=(const CDataCallback&) = delete;

    Result BandedDataCallback(const Band& band);

    // Each completed page is written to `folder` (ending with '/') as
    // `fileName`, or the first free numbered form of it.
    void SetTarget(std::string folder, std::string fileName);
    // The path meant for the pages, for messages; empty without a target.
    std::string TargetPath() const { return m_folder + m_fileName; }
    // The file the last page was written to; empty until one was.
    const std::string& WrittenPath() const { return m_writtenPath; }
    // Called with every completed page's bytes (after the BMP header is
    // completed) when there is no target.
    void SetPageObserver(std::function<void(std::span<const uint8_t>)> observer)
    {
        m_pageObserver = std::move(observer);
    }
    // The largest page taken, in bytes (at most kMaxPageSize).
    void SetPageLimit(uint64_t bytes) { m_limit = std::clamp<uint64_t>(bytes, kBmpFileHeaderSize, kMaxPageSize); }
    uint64_t PageLimit() const { return m_limit; }

    int PagesStored() const { return m_nPagesStored; }
    // The first failure to write a page: the path and the cause; empty when none.
    const QString& WriteError() const { return m_writeError; }
    // Why a page was refused (too large, not of its format); empty when none.
    const QString& DataError() const { return m_dataError; }
    bool IsBitmap() const { return m_bIsBitmap; }
    // The bytes held in memory for the page being received.
    uint64_t HeldBytes() const { return m_buffer.capacity(); }

private:
    Result OnHeader(const Header& header);
    Result OnData(const Band& band);
    Result OnPageEnd();
    Result Refuse(const QString& cause);
    Result WriteFailed(const std::exception& error);
    // Makes room in memory for `size` bytes, growing by at most the limit.
    void Grow(uint64_t size);
    void SizeFromBitmapHeader(std::span<const uint8_t> data);
    std::vector<uint8_t> BmpFileHeader() const;
    std::vector<uint8_t> PageHead(size_t bytes) const;
    void EndPage();

    ProgressFunction m_progress;
    std::string m_folder;
    std::string m_fileName;
    std::string m_writtenPath;
    std::function<void(std::span<const uint8_t>)> m_pageObserver;
    std::unique_ptr<PictureFile> m_file;  // the page being received, with a target
    std::vector<uint8_t> m_buffer;        // the page being received, without one
    QString m_format;
    uint64_t m_limit = kMaxPageSize;
    uint64_t m_used = 0;
    bool m_bIsBitmap = false;
    bool m_bMemoryBitmap = false;
    bool m_bSizeAnnounced = false;
    int m_nHeaderReserve = 0;
    int m_nPagesStored = 0;
    QString m_writeError;
    QString m_dataError;
};

// A byte count for messages: "64 MiB" for whole mebibytes, "1000 bytes" otherwise.
QString ByteCountText(uint64_t bytes);

// The size of a DIB (info header, colour table and pixel rows) described by the
// BITMAPINFOHEADER at the start of `header`; 0 when it is not one.
uint64_t DibSizeFromHeader(std::span<const uint8_t> header);
// The offset of the pixel rows in a DIB: info header plus colour table.
uint64_t DibPixelOffset(std::span<const uint8_t> header);
