#include "acquire/AcquireNames.h"
#include "acquire/DataCallback.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Band = CDataCallback::Band;
using Message = CDataCallback::Message;
using Result = CDataCallback::Result;

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// A DIB of `width` x `height` pixels at `bits` (8 with a grey colour table, or
// 24), bottom row first, every pixel value `fill`.
std::vector<uint8_t> Dib(int width, int height, int bits, uint8_t fill)
{
    const int colours = bits == 8 ? 256 : 0;
    const int stride = (width * bits + 31) / 32 * 4;
    std::vector<uint8_t> dib(40 + colours * 4 + size_t(stride) * height, fill);
    auto put = [&dib](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            dib[at + i] = uint8_t(v >> (8 * i));
    };
    std::fill(dib.begin(), dib.begin() + 40 + colours * 4, 0);
    put(0, 40);
    put(4, uint32_t(width));
    put(8, uint32_t(height));
    dib[12] = 1;
    dib[14] = uint8_t(bits);
    for (int i = 0; i < colours; ++i)
        dib[40 + 4 * i] = dib[41 + 4 * i] = dib[42 + 4 * i] = uint8_t(i);
    return dib;
}

Band Header(const char* format, uint64_t total)
{
    Band b;
    b.message = Message::DataHeader;
    b.header = {QString::fromLatin1(format), total};
    return b;
}

Band Data(uint64_t offset, std::span<const uint8_t> bytes, int percent = 50)
{
    Band b;
    b.message = Message::Data;
    b.offset = offset;
    b.data = bytes;
    b.percent = percent;
    return b;
}

Band End()
{
    Band b;
    b.message = Message::Termination;
    return b;
}

// Sends a DIB in bands of `band` bytes and returns the page the sink completed.
std::vector<uint8_t> Transfer(const std::vector<uint8_t>& dib, uint64_t announced, size_t band)
{
    std::vector<uint8_t> page;
    CDataCallback sink([](int, int) { return ProgressAnswer::Continue; });
    sink.SetPageObserver([&page](std::span<const uint8_t> bytes) { page.assign(bytes.begin(), bytes.end()); });
    EXPECT_EQ(sink.BandedDataCallback(Header(kMemoryBitmapFormat, announced)), Result::Ok);
    for (size_t at = 0; at < dib.size(); at += band) {
        const size_t n = std::min(band, dib.size() - at);
        EXPECT_EQ(sink.BandedDataCallback(Data(at, std::span(dib).subspan(at, n))), Result::Ok);
    }
    EXPECT_EQ(sink.BandedDataCallback(End()), Result::Ok);
    EXPECT_EQ(sink.PagesStored(), 1);
    return page;
}

TEST(DataCallback, MemoryBitmapGetsTheFileHeaderInFront)
{
    for (const int bits : {8, 24}) {
        const std::vector<uint8_t> dib = Dib(13, 7, bits, 0x80);
        for (const uint64_t announced : {uint64_t(dib.size()), uint64_t(0)}) {
            const std::vector<uint8_t> page = Transfer(dib, announced, 100);
            ASSERT_EQ(page.size(), dib.size() + 14);
            EXPECT_EQ(page[0], 'B');
            EXPECT_EQ(page[1], 'M');
            EXPECT_EQ(U32(page, 2), page.size());
            EXPECT_EQ(U32(page, 6), 0u);
            // Pixels follow the file header, the info header and the colour table.
            EXPECT_EQ(U32(page, 10), 14u + 40u + (bits == 8 ? 1024u : 0u));
            EXPECT_TRUE(std::equal(dib.begin(), dib.end(), page.begin() + 14));
            QImage image;
            ASSERT_TRUE(image.loadFromData(page.data(), int(page.size()), "BMP")) << bits;
            EXPECT_EQ(image.size(), QSize(13, 7));
            EXPECT_EQ(qGray(image.pixel(6, 3)), 0x80);
        }
    }
}

TEST(DataCallback, BandsArriveInAnyOrderAndFilesKeepTheirBytes)
{
    std::vector<uint8_t> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7);
    bytes[0] = 0xFF, bytes[1] = 0xD8, bytes[2] = 0xFF;  // a JPEG's first bytes
    std::vector<uint8_t> page;
    CDataCallback sink(nullptr);
    sink.SetPageObserver([&page](std::span<const uint8_t> b) { page.assign(b.begin(), b.end()); });
    ASSERT_EQ(sink.BandedDataCallback(Header("image/jpeg", 0)), Result::Ok);
    ASSERT_EQ(sink.BandedDataCallback(Data(600, std::span(bytes).subspan(600))), Result::Ok);
    ASSERT_EQ(sink.BandedDataCallback(Data(0, std::span(bytes).first(600))), Result::Ok);
    ASSERT_EQ(sink.BandedDataCallback(End()), Result::Ok);
    EXPECT_FALSE(sink.IsBitmap());
    EXPECT_EQ(page, bytes);  // no header reserve, nothing added
}

TEST(DataCallback, ProgressDecidesWhetherTheTransferGoesOn)
{
    int calls = 0;
    ProgressAnswer answer = ProgressAnswer::Continue;
    CDataCallback sink([&](int, int) {
        ++calls;
        return answer;
    });
    const uint8_t byte = 1;
    sink.BandedDataCallback(Header("image/png", 10));
    EXPECT_EQ(sink.BandedDataCallback(Data(0, std::span(&byte, 1))), Result::Ok);
    answer = ProgressAnswer::Stop;
    EXPECT_EQ(sink.BandedDataCallback(Data(1, std::span(&byte, 1))), Result::Stop);
    Band status;
    status.message = Message::Status;
    EXPECT_EQ(sink.BandedDataCallback(status), Result::Stop);
    answer = ProgressAnswer::InvalidStatus;
    EXPECT_EQ(sink.BandedDataCallback(Data(1, std::span(&byte, 1))), Result::Error);
    EXPECT_EQ(calls, 4);
    // A page that never received data is not counted.
    CDataCallback empty(nullptr);
    empty.BandedDataCallback(Header("image/png", 0));
    empty.BandedDataCallback(End());
    EXPECT_EQ(empty.PagesStored(), 0);
}

TEST(DataCallback, ProgressFunctionKeepsTransferStatusesOnly)
{
    AcquireProgress progress;
    EXPECT_EQ(progress.Report(TransferStatus::FromDevice, 30), ProgressAnswer::Continue);
    EXPECT_EQ(progress.Percent(), 30);
    EXPECT_EQ(progress.Report(TransferStatus::ToClient, 140), ProgressAnswer::Continue);
    EXPECT_EQ(progress.Percent(), 100);
    EXPECT_EQ(progress.Report(3, 50), ProgressAnswer::InvalidStatus);
    EXPECT_EQ(progress.Percent(), 100);
    progress.Cancel();
    EXPECT_EQ(progress.Report(TransferStatus::FromDevice, 10), ProgressAnswer::Stop);
}

TEST(DataCallback, OversizedPagesAreRefusedNotAllocated)
{
    CDataCallback sink(nullptr);
    EXPECT_EQ(sink.BandedDataCallback(Header("image/png", CDataCallback::kMaxPageSize + 1)), Result::Error);
    const uint8_t byte = 0;
    sink.BandedDataCallback(Header("image/png", 0));
    EXPECT_EQ(sink.BandedDataCallback(Data(CDataCallback::kMaxPageSize, std::span(&byte, 1))), Result::Error);
    // A bitmap header announcing an enormous picture does not allocate it either.
    std::vector<uint8_t> dib = Dib(4, 4, 24, 0);
    dib[8] = dib[9] = dib[10] = 0xFF;
    dib[11] = 0x7F;
    CDataCallback bitmap(nullptr);
    bitmap.BandedDataCallback(Header(kMemoryBitmapFormat, 0));
    EXPECT_EQ(bitmap.BandedDataCallback(Data(0, std::span(dib).first(40))), Result::Ok);
}

TEST(DataCallback, PagesStreamToTheirFileAndFailuresNameIt)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + '/';
    const std::vector<uint8_t> dib = Dib(13, 7, 24, 0x40);
    CDataCallback sink(nullptr);
    sink.SetTarget(folder, "Scanned.BMP");
    ASSERT_EQ(sink.BandedDataCallback(Header(kMemoryBitmapFormat, 0)), Result::Ok);
    for (size_t at = 0; at < dib.size(); at += 64) {
        const size_t n = std::min<size_t>(64, dib.size() - at);
        ASSERT_EQ(sink.BandedDataCallback(Data(at, std::span(dib).subspan(at, n))), Result::Ok);
        EXPECT_EQ(sink.HeldBytes(), 0u);  // on disk, not in memory
    }
    ASSERT_EQ(sink.BandedDataCallback(End()), Result::Ok);
    EXPECT_EQ(sink.WrittenPath(), folder + "Scanned.BMP");
    QFile file(QString::fromStdString(sink.WrittenPath()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray page = file.readAll();
    ASSERT_EQ(page.size(), qsizetype(dib.size() + 14));
    EXPECT_TRUE(page.startsWith("BM"));
    EXPECT_EQ(U32(std::vector<uint8_t>(page.begin(), page.end()), 10), 14u + 40u);
    EXPECT_EQ(QImage::fromData(page, "BMP").size(), QSize(13, 7));

    CDataCallback missing(nullptr);
    missing.SetTarget(folder + "missing/", "page.png");
    EXPECT_EQ(missing.BandedDataCallback(Header("image/png", 3)), Result::Error);
    EXPECT_TRUE(missing.WriteError().contains(QString::fromStdString(folder + "missing/page.png")))
        << missing.WriteError().toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing/page.png"))));
}

TEST(DataCallback, APageNotOfItsFormatIsNotKept)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + '/';
    const std::string text = "root:x:0:0:root:/root:/bin/sh\n";
    CDataCallback sink(nullptr);
    sink.SetTarget(folder, "shadow.jpg");
    sink.BandedDataCallback(Header("image/jpeg", text.size()));
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    ASSERT_EQ(sink.BandedDataCallback(Data(0, bytes)), Result::Ok);
    EXPECT_EQ(sink.BandedDataCallback(End()), Result::Error);
    EXPECT_EQ(sink.PagesStored(), 0);
    EXPECT_TRUE(sink.DataError().contains(QStringLiteral("image/jpeg"))) << sink.DataError().toStdString();
    EXPECT_TRUE(sink.WrittenPath().empty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(DataCallback, TheLimitHoldsBeforeAnythingIsStored)
{
    // Announced too large: refused at once, no file started.
    QTemporaryDir dir;
    CDataCallback announced(nullptr);
    announced.SetTarget(dir.path().toStdString() + '/', "big.png");
    announced.SetPageLimit(1000);
    EXPECT_EQ(announced.BandedDataCallback(Header("image/png", 1001)), Result::Error);
    EXPECT_TRUE(announced.DataError().contains(QStringLiteral("1000 bytes"))) << announced.DataError().toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // Of unknown length: memory grows towards the limit, never past it.
    CDataCallback growing(nullptr);
    growing.SetPageLimit(1000);
    growing.BandedDataCallback(Header("image/png", 0));
    const std::vector<uint8_t> band(100, 7);
    for (uint64_t offset = 0; offset < 1000; offset += 100) {
        ASSERT_EQ(growing.BandedDataCallback(Data(offset, band)), Result::Ok) << offset;
        EXPECT_LE(growing.HeldBytes(), 1000u) << offset;
    }
    EXPECT_EQ(growing.BandedDataCallback(Data(1000, std::span(band).first(1))), Result::Error);
    EXPECT_FALSE(growing.DataError().isEmpty());
}

TEST(DataCallback, PixelsFollowAColourTableOfAtMost256Entries)
{
    // 8 bits a pixel with biClrUsed 1000: the table holds 256 entries, so the
    // pixels start at 40 + 256 x 4 = 1064; a 4-bit picture without a count
    // has 16 entries: 40 + 16 x 4 = 104.
    std::vector<uint8_t> header = Dib(2, 2, 8, 0);
    header[32] = 1000 & 0xFF;
    header[33] = 1000 >> 8;
    EXPECT_EQ(DibPixelOffset(header), 1064u);
    EXPECT_EQ(DibSizeFromHeader(header), 1064u + 2 * 4);
    header[32] = header[33] = 0;
    header[14] = 4;
    EXPECT_EQ(DibPixelOffset(header), 104u);
}

}  // namespace
