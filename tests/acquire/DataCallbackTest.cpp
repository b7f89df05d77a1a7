#include "acquire/AcquireNames.h"
#include "acquire/DataCallback.h"

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

TEST(DataCallback, WriteFailureIsReportedWithThePath)
{
    QTemporaryDir dir;
    const QString good = dir.path() + QStringLiteral("/page.png");
    const QString bad = dir.path() + QStringLiteral("/missing/page.png");
    const uint8_t bytes[3] = {1, 2, 3};
    for (const QString& target : {good, bad}) {
        CDataCallback sink(nullptr);
        sink.SetTargetPath(target);
        sink.BandedDataCallback(Header("image/png", 3));
        sink.BandedDataCallback(Data(0, bytes));
        sink.BandedDataCallback(End());
        if (target == good) {
            EXPECT_TRUE(sink.WriteError().isEmpty());
            QFile file(good);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), QByteArray("\x01\x02\x03", 3));
        } else {
            EXPECT_TRUE(sink.WriteError().contains(bad)) << sink.WriteError().toStdString();
            EXPECT_FALSE(QFile::exists(bad));
        }
    }
}

}  // namespace
