#pragma once
// The receiving end of a banded transfer. The device side announces the
// transfer (format and, when known, total size), sends the data in bands at
// offsets, reports status, and ends each page; the sink collects the bands in
// memory, completes the BMP file header of a memory bitmap, and writes each
// page to the target path.

#include "acquire/AcquireProgress.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

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
    // Pages larger than this are refused rather than allocated.
    static constexpr uint64_t kMaxPageSize = uint64_t(1) << 30;

    explicit CDataCallback(ProgressFunction progress);

    Result BandedDataCallback(const Band& band);

    // The file each completed page is written to; empty writes nothing.
    void SetTargetPath(const QString& path) { m_targetPath = path; }
    const QString& TargetPath() const { return m_targetPath; }
    // Called with every completed page's bytes (after the BMP header is completed).
    void SetPageObserver(std::function<void(std::span<const uint8_t>)> observer)
    {
        m_pageObserver = std::move(observer);
    }

    int PagesStored() const { return m_nPagesStored; }
    // The first failure to write a page: the path and the cause; empty when none.
    const QString& WriteError() const { return m_writeError; }
    bool IsBitmap() const { return m_bIsBitmap; }

private:
    Result OnHeader(const Header& header);
    Result OnData(const Band& band);
    Result OnPageEnd();
    // Makes room for `size` bytes; false when the page would be too large.
    bool Reserve(uint64_t size);
    void SizeFromBitmapHeader(std::span<const uint8_t> data);
    void CompleteBmpFileHeader();

    ProgressFunction m_progress;
    QString m_targetPath;
    std::function<void(std::span<const uint8_t>)> m_pageObserver;
    std::vector<uint8_t> m_buffer;
    uint64_t m_used = 0;
    bool m_bIsBitmap = false;
    bool m_bMemoryBitmap = false;
    bool m_bSizeAnnounced = false;
    int m_nHeaderReserve = 0;
    int m_nPagesStored = 0;
    QString m_writeError;
};

// The size of a DIB (info header, colour table and pixel rows) described by the
// BITMAPINFOHEADER at the start of `header`; 0 when it is not one.
uint64_t DibSizeFromHeader(std::span<const uint8_t> header);
// The offset of the pixel rows in a DIB: info header plus colour table.
uint64_t DibPixelOffset(std::span<const uint8_t> header);
