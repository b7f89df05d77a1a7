#include "acquire/SaneScanner.h"

#include "acquire/AcquireNames.h"
#include "acquire/DriverModules.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

constexpr std::chrono::milliseconds kReaderStartup{250};
constexpr std::chrono::milliseconds kReaderTeardown{150};

// SANE is initialised once for all instances alive at a time.
struct SaneUsers {
    std::mutex mutex;
    int count = 0;
    bool available = false;
};

SaneUsers& Users()
{
    static SaneUsers users;
    return users;
}

SANE_Handle Handle(void* handle)
{
    return static_cast<SANE_Handle>(handle);
}

QString StatusText(SANE_Status status)
{
    return QString::fromUtf8(sane_strstatus(status));
}

// The option named `name`, or -1.
int FindOption(SANE_Handle handle, const char* name)
{
    SANE_Int count = 0;
    if (sane_control_option(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return -1;
    for (int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, i);
        if (d && d->name && std::strcmp(d->name, name) == 0)
            return i;
    }
    return -1;
}

const SANE_Option_Descriptor* Usable(SANE_Handle handle, int option)
{
    if (option < 0)
        return nullptr;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, option);
    if (!d || !SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap))
        return nullptr;
    return d;
}

int WordToInt(const SANE_Option_Descriptor& d, SANE_Word w)
{
    return d.type == SANE_TYPE_FIXED ? int(std::lround(SANE_UNFIX(w))) : int(w);
}

// `value` as an option word; false when a fixed-point word cannot hold it.
bool IntToWord(const SANE_Option_Descriptor& d, int value, SANE_Word& word)
{
    if (d.type != SANE_TYPE_FIXED) {
        word = SANE_Word(value);
        return true;
    }
    if (value < -32768 || value > 32767)
        return false;
    word = SANE_FIX(double(value));
    return true;
}

bool IsColourMode(const char* mode)
{
    return qstricmp(mode, SANE_VALUE_SCAN_MODE_COLOR) == 0;
}

bool IsGreyMode(const char* mode)
{
    return qstricmp(mode, SANE_VALUE_SCAN_MODE_GRAY) == 0 || qstricmp(mode, "Grey") == 0;
}

void ReadResolution(SANE_Handle handle, ScanOptions& options)
{
    const int option = FindOption(handle, SANE_NAME_SCAN_RESOLUTION);
    const SANE_Option_Descriptor* d = Usable(handle, option);
    if (!d || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) || d->size != sizeof(SANE_Word))
        return;
    SANE_Word value = 0;
    if (sane_control_option(handle, option, SANE_ACTION_GET_VALUE, &value, nullptr) != SANE_STATUS_GOOD)
        return;
    options.defaultResolution = WordToInt(*d, value);
    if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
        const SANE_Range& range = *d->constraint.range;
        options.resolutions =
            ResolutionsForRange(WordToInt(*d, range.min), WordToInt(*d, range.max), options.defaultResolution);
        options.resolutionRange = true;
        options.resolutionStep = std::max(1, WordToInt(*d, range.quant));
    } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
        for (int i = 1; i <= d->constraint.word_list[0]; ++i)
            options.resolutions.push_back(WordToInt(*d, d->constraint.word_list[i]));
    } else {
        options.resolutions = {options.defaultResolution};
    }
    std::sort(options.resolutions.begin(), options.resolutions.end());
    options.resolutions.erase(std::unique(options.resolutions.begin(), options.resolutions.end()),
                              options.resolutions.end());
    std::erase_if(options.resolutions, [](int dpi) { return dpi < 1; });
}

void ReadMode(SANE_Handle handle, ScanOptions& options)
{
    const int option = FindOption(handle, SANE_NAME_SCAN_MODE);
    const SANE_Option_Descriptor* d = Usable(handle, option);
    if (!d || d->type != SANE_TYPE_STRING || d->constraint_type != SANE_CONSTRAINT_STRING_LIST)
        return;
    for (const SANE_String_Const* mode = d->constraint.string_list; *mode; ++mode) {
        options.offersColour = options.offersColour || IsColourMode(*mode);
        options.offersGrey = options.offersGrey || IsGreyMode(*mode);
    }
    std::vector<char> current(size_t(std::max(d->size, 1)) + 1, '\0');
    if (sane_control_option(handle, option, SANE_ACTION_GET_VALUE, current.data(), nullptr) == SANE_STATUS_GOOD)
        options.defaultColour = IsColourMode(current.data());
}

// The bytes of one DIB row: 24-bit colour or 8-bit grey, padded to 4 bytes.
uint64_t RowBytes(int width, bool grey)
{
    return (uint64_t(width) * (grey ? 8 : 24) + 31) / 32 * 4;
}

// Pixels per metre for a resolution in dots per inch, rounded; 72 dpi (2835)
// when the scanner's resolution is not known.
uint32_t PixelsPerMetre(int dpi)
{
    return dpi > 0 ? uint32_t((int64_t(dpi) * 5000 + 63) / 127) : 2835;
}

// A DIB info header for `width` x `rows` pixels scanned at `dpi`, top row
// first (negative height), followed by the grey colour table when `grey`.
std::vector<uint8_t> DibHeader(int width, int rows, bool grey, int dpi)
{
    std::vector<uint8_t> h(CDataCallback::kBitmapInfoHeaderSize + (grey ? 1024 : 0), 0);
    auto put32 = [&h](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            h[at + i] = uint8_t(v >> (8 * i));
    };
    const int bits = grey ? 8 : 24;
    const uint64_t stride = RowBytes(width, grey);
    put32(0, CDataCallback::kBitmapInfoHeaderSize);
    put32(4, uint32_t(width));
    put32(8, uint32_t(-rows));
    h[12] = 1;  // planes
    h[14] = uint8_t(bits);
    put32(20, uint32_t(stride * uint64_t(rows)));
    put32(24, PixelsPerMetre(dpi));
    put32(28, PixelsPerMetre(dpi));
    if (grey) {
        put32(32, 256);
        for (int i = 0; i < 256; ++i) {
            h[40 + 4 * i] = h[41 + 4 * i] = h[42 + 4 * i] = uint8_t(i);
        }
    }
    return h;
}

// One sample of a SANE line as 8 bits: depth 1 packs 8 samples a byte (for
// grey, 1 is black), depth 16 is in the machine's byte order.
uint8_t Sample(const uint8_t* line, int index, int depth, bool grey)
{
    if (depth == 8)
        return line[index];
    if (depth == 16) {
        uint16_t v;
        std::memcpy(&v, line + 2 * index, 2);
        return uint8_t(v >> 8);
    }
    const bool set = (line[index / 8] >> (7 - index % 8)) & 1;
    return (set != grey) ? 255 : 0;
}

// Converts one SANE line to a DIB row.
void ConvertLine(const SANE_Parameters& p, const uint8_t* line, std::vector<uint8_t>& row)
{
    const bool grey = p.format == SANE_FRAME_GRAY;
    for (int x = 0; x < p.pixels_per_line; ++x) {
        if (grey) {
            row[x] = Sample(line, x, p.depth, true);
        } else {
            row[3 * x + 2] = Sample(line, 3 * x, p.depth, false);
            row[3 * x + 1] = Sample(line, 3 * x + 1, p.depth, false);
            row[3 * x] = Sample(line, 3 * x + 2, p.depth, false);
        }
    }
}

// Sends the SANE data of a started scan to the sink, row by row.
class ScanPump {
public:
    ScanPump(SANE_Handle handle, const SANE_Parameters& p, int dpi, CDataCallback& sink)
            : m_handle(handle), m_p(p), m_dpi(dpi), m_sink(sink), m_grey(p.format == SANE_FRAME_GRAY),
              m_stride(size_t(RowBytes(p.pixels_per_line, m_grey)))
    {}

    TransferEnd Run(QString& error)
    {
        const int knownRows = std::max(m_p.lines, 0);
        const auto header = DibHeader(m_p.pixels_per_line, knownRows, m_grey, m_dpi);
        m_pixelOffset = header.size();
        CDataCallback::Band band;
        band.message = CDataCallback::Message::DataHeader;
        // A scan of known length is refused here, before anything is read,
        // when it would be larger than the sink takes.
        band.header = {QString::fromLatin1(kMemoryBitmapFormat),
                       knownRows ? m_pixelOffset + uint64_t(m_stride) * uint64_t(knownRows) : 0};
        if (m_sink.BandedDataCallback(band) != CDataCallback::Result::Ok)
            return Fail(error, QStringLiteral("the picture is too large"));
        if (const TransferEnd end = Send(0, header, 0); end != TransferEnd::Done)
            return end;
        const TransferEnd end = ReadRows(error);
        if (end != TransferEnd::Done)
            return end;
        if (m_rows == 0)
            return Fail(error, QStringLiteral("the scanner sent no picture"));
        // The row count is known now; the header says it.
        if (const TransferEnd sent = Send(0, DibHeader(m_p.pixels_per_line, m_rows, m_grey, m_dpi), 100);
            sent != TransferEnd::Done)
            return sent;
        band = {};
        band.message = CDataCallback::Message::Termination;
        m_sink.BandedDataCallback(band);
        return TransferEnd::Done;
    }

private:
    TransferEnd Fail(QString& error, const QString& cause)
    {
        error = cause;
        return TransferEnd::Failed;
    }

    TransferEnd Send(uint64_t offset, std::span<const uint8_t> data, int percent)
    {
        CDataCallback::Band band;
        band.message = CDataCallback::Message::Data;
        band.status = TransferStatus::FromDevice;
        band.percent = percent;
        band.offset = offset;
        band.data = data;
        switch (m_sink.BandedDataCallback(band)) {
        case CDataCallback::Result::Ok: return TransferEnd::Done;
        case CDataCallback::Result::Stop: return TransferEnd::Cancelled;
        case CDataCallback::Result::Error: break;
        }
        return TransferEnd::Failed;
    }

    int Percent() const
    {
        if (m_p.lines > 0)
            return std::min(99, int(int64_t(m_rows) * 100 / m_p.lines));
        return m_rows * 100 / (m_rows + 100);
    }

    TransferEnd ReadRows(QString& error)
    {
        std::vector<uint8_t> line(size_t(std::max(m_p.bytes_per_line, 1)));
        std::vector<uint8_t> row(m_stride, 0);
        std::vector<uint8_t> chunk(32768);
        size_t filled = 0;
        for (;;) {
            SANE_Int got = 0;
            const SANE_Status status = sane_read(m_handle, chunk.data(), SANE_Int(chunk.size()), &got);
            if (status == SANE_STATUS_EOF)
                return TransferEnd::Done;
            if (status == SANE_STATUS_CANCELLED)
                return TransferEnd::Cancelled;
            if (status != SANE_STATUS_GOOD)
                return Fail(error, StatusText(status));
            for (SANE_Int i = 0; i < got;) {
                const size_t take = std::min(line.size() - filled, size_t(got - i));
                std::memcpy(line.data() + filled, chunk.data() + i, take);
                filled += take;
                i += SANE_Int(take);
                if (filled < line.size())
                    continue;
                filled = 0;
                ConvertLine(m_p, line.data(), row);
                const TransferEnd end = Send(m_pixelOffset + uint64_t(m_rows) * m_stride, row, Percent());
                if (end != TransferEnd::Done)
                    return end == TransferEnd::Failed ? Fail(error, QStringLiteral("the picture is too large")) : end;
                ++m_rows;
            }
        }
    }

    SANE_Handle m_handle;
    const SANE_Parameters& m_p;
    const int m_dpi;  // 0: not known
    CDataCallback& m_sink;
    bool m_grey;
    size_t m_stride;
    uint64_t m_pixelOffset = 0;
    int m_rows = 0;
};

}  // namespace

std::vector<int> ResolutionsForRange(int minimum, int maximum, int defaultValue)
{
    static constexpr int kCommon[] = {50, 75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800};
    std::vector<int> list;
    if (minimum > maximum)
        std::swap(minimum, maximum);
    list.push_back(minimum);
    list.push_back(maximum);
    for (int r : kCommon) {
        if (r > minimum && r < maximum)
            list.push_back(r);
    }
    if (defaultValue >= minimum && defaultValue <= maximum)
        list.push_back(defaultValue);
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    return list;
}

bool TakesResolution(const ScanOptions& options, int dpi)
{
    const std::vector<int>& offered = options.resolutions;
    if (offered.empty() || dpi < 1)
        return false;
    if (!options.resolutionRange)
        return std::find(offered.begin(), offered.end(), dpi) != offered.end();
    return dpi >= offered.front() && dpi <= offered.back() && (dpi - offered.front()) % options.resolutionStep == 0;
}

QString DescribeResolutions(const ScanOptions& options)
{
    const std::vector<int>& offered = options.resolutions;
    if (offered.empty())
        return {};
    if (options.resolutionRange) {
        QString text = QStringLiteral("%1 to %2 dpi").arg(offered.front()).arg(offered.back());
        if (options.resolutionStep > 1)
            text += QStringLiteral(" in steps of %1").arg(options.resolutionStep);
        return text;
    }
    QStringList values;
    for (const int dpi : offered)
        values << QString::number(dpi);
    const QString last = values.takeLast();
    return (values.isEmpty() ? last : values.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last) +
           QStringLiteral(" dpi");
}

int PreselectedResolution(const ScanOptions& options)
{
    if (options.resolutions.empty())
        return 0;
    if (TakesResolution(options, options.defaultResolution))
        return options.defaultResolution;
    return *std::min_element(options.resolutions.begin(), options.resolutions.end(), [](int a, int b) {
        return std::abs(a - kUsualResolution) < std::abs(b - kUsualResolution);
    });
}

SaneLibrary::SaneLibrary()
{
    KeepDriverModulesLoaded();
    SaneUsers& users = Users();
    const std::lock_guard lock(users.mutex);
    if (users.count++ == 0) {
        SANE_Int version = 0;
        users.available = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
    }
    m_bAvailable = users.available;
}

SaneLibrary::~SaneLibrary()
{
    SaneUsers& users = Users();
    const std::lock_guard lock(users.mutex);
    if (--users.count == 0 && users.available)
        sane_exit();
}

std::vector<SaneDeviceInfo> ListSaneDevices(bool& available)
{
    const SaneLibrary library;
    available = library.Available();
    std::vector<SaneDeviceInfo> devices;
    const SANE_Device** list = nullptr;
    if (!available || sane_get_devices(&list, SANE_TRUE) != SANE_STATUS_GOOD || !list)
        return devices;
    for (; *list; ++list) {
        const SANE_Device& d = **list;
        auto text = [](const char* s) { return QString::fromUtf8(s ? s : ""); };
        devices.push_back({text(d.name), text(d.vendor), text(d.model), text(d.type)});
    }
    return devices;
}

std::unique_ptr<SaneScanner> SaneScanner::Open(const SaneLibrary& library, const QString& name, QString& error)
{
    if (!library.Available()) {
        error = QStringLiteral("SANE is not available");
        return nullptr;
    }
    SANE_Handle handle = nullptr;
    const SANE_Status status = sane_open(name.toUtf8().constData(), &handle);
    if (status != SANE_STATUS_GOOD || !handle) {
        error = StatusText(status);
        return nullptr;
    }
    return std::unique_ptr<SaneScanner>(new SaneScanner(handle));
}

SaneScanner::~SaneScanner()
{
    sane_close(Handle(m_handle));
}

ScanOptions SaneScanner::Options() const
{
    ScanOptions options;
    ReadResolution(Handle(m_handle), options);
    ReadMode(Handle(m_handle), options);
    options.offersPreview = Usable(Handle(m_handle), FindOption(Handle(m_handle), SANE_NAME_PREVIEW)) != nullptr;
    return options;
}

void SaneScanner::ApplyMode(bool colour)
{
    const SANE_Handle h = Handle(m_handle);
    const int option = FindOption(h, SANE_NAME_SCAN_MODE);
    const SANE_Option_Descriptor* d = Usable(h, option);
    if (!d || d->type != SANE_TYPE_STRING || d->constraint_type != SANE_CONSTRAINT_STRING_LIST)
        return;
    for (const SANE_String_Const* mode = d->constraint.string_list; *mode; ++mode) {
        if (colour ? IsColourMode(*mode) : IsGreyMode(*mode)) {
            std::vector<char> value(size_t(std::max<SANE_Int>(d->size, SANE_Int(std::strlen(*mode) + 1))), '\0');
            std::memcpy(value.data(), *mode, std::strlen(*mode));
            sane_control_option(h, option, SANE_ACTION_SET_VALUE, value.data(), nullptr);
            return;
        }
    }
}

bool SaneScanner::ApplyResolution(int dpi, QString& error)
{
    const SANE_Handle h = Handle(m_handle);
    const int option = FindOption(h, SANE_NAME_SCAN_RESOLUTION);
    const SANE_Option_Descriptor* d = Usable(h, option);
    SANE_Word value = 0;
    if (!d || d->size != sizeof(SANE_Word) || !IntToWord(*d, dpi, value)) {
        error = QStringLiteral("the scanner cannot be set to %1 dpi").arg(dpi);
        return false;
    }
    const SANE_Status status = sane_control_option(h, option, SANE_ACTION_SET_VALUE, &value, nullptr);
    // A backend may round what it is given: read back what it took.
    SANE_Word taken = 0;
    if (status != SANE_STATUS_GOOD ||
        sane_control_option(h, option, SANE_ACTION_GET_VALUE, &taken, nullptr) != SANE_STATUS_GOOD ||
        WordToInt(*d, taken) != dpi) {
        error = QStringLiteral("the scanner did not take %1 dpi").arg(dpi);
        return false;
    }
    return true;
}

void SaneScanner::ApplyPreview(bool preview)
{
    const SANE_Handle h = Handle(m_handle);
    const int option = FindOption(h, SANE_NAME_PREVIEW);
    if (const SANE_Option_Descriptor* d = Usable(h, option); d && d->type == SANE_TYPE_BOOL) {
        SANE_Bool value = preview ? SANE_TRUE : SANE_FALSE;
        sane_control_option(h, option, SANE_ACTION_SET_VALUE, &value, nullptr);
    }
}

TransferEnd SaneScanner::Scan(const ScanSettings& settings, CDataCallback& sink, QString& error)
{
    const SANE_Handle h = Handle(m_handle);
    // Mode first: it may change which resolutions are offered.
    ApplyMode(settings.colour);
    const ScanOptions options = Options();
    const int dpi = settings.resolution == 0 ? PreselectedResolution(options) : settings.resolution;
    if (settings.resolution != 0 && !TakesResolution(options, dpi)) {
        error = options.resolutions.empty()
                    ? QStringLiteral("the scanner's resolution cannot be chosen")
                    : QStringLiteral("the scanner takes %1, not %2 dpi").arg(DescribeResolutions(options)).arg(dpi);
        return TransferEnd::Failed;
    }
    if (dpi != 0 && !ApplyResolution(dpi, error))
        return TransferEnd::Failed;
    ApplyPreview(settings.preview);
    const auto started = std::chrono::steady_clock::now();
    SANE_Status status = sane_start(h);
    if (status != SANE_STATUS_GOOD) {
        error = StatusText(status);
        return status == SANE_STATUS_CANCELLED ? TransferEnd::Cancelled : TransferEnd::Failed;
    }
    SANE_Parameters p{};
    status = sane_get_parameters(h, &p);
    TransferEnd end = TransferEnd::Failed;
    if (status != SANE_STATUS_GOOD) {
        error = StatusText(status);
    } else if ((p.format != SANE_FRAME_GRAY && p.format != SANE_FRAME_RGB) || !p.last_frame) {
        error = QStringLiteral("scanners that send colours one at a time are not supported");
    } else if (RowBytes(p.pixels_per_line, false) > CDataCallback::kMaxPageSize ||
               uint64_t(p.bytes_per_line) > CDataCallback::kMaxPageSize) {
        error = QStringLiteral("the picture is too large (%1 pixels a line)").arg(p.pixels_per_line);
    } else if (p.pixels_per_line <= 0 || (p.depth != 1 && p.depth != 8 && p.depth != 16) ||
               p.bytes_per_line <
                   (int64_t(p.pixels_per_line) * (p.format == SANE_FRAME_RGB ? 3 : 1) * p.depth + 7) / 8) {
        error = QStringLiteral("the scanner announced no usable picture (%1 × %2 pixels, depth %3)")
                    .arg(p.pixels_per_line)
                    .arg(p.lines)
                    .arg(p.depth);
    } else {
        end = ScanPump(h, p, dpi, sink).Run(error);
    }
    // Backends that read in a thread of their own stop it abruptly on cancel.
    // Stopped while it allocates or frees (setting up, or tidying after its
    // last bytes), it can leave the allocator locked and the process hangs.
    // A scan that failed or was cancelled at once lets that thread get going
    // first; a finished one lets it tidy up before it is stopped.
    if (end != TransferEnd::Done)
        std::this_thread::sleep_until(started + kReaderStartup);
    else
        std::this_thread::sleep_for(kReaderTeardown);
    sane_cancel(h);
    return end;
}
