#include "acquire/AcquireNames.h"

#include <QByteArrayView>

#include <cstring>
#include <utility>

namespace {

struct FormatEntry {
    const char* mime;
    const char* extension;
};

// Tested in order; several MIME spellings of one format share an extension.
constexpr FormatEntry kFormats[] = {
    {"image/bmp", ".BMP"},         {"image/x-ms-bmp", ".BMP"},  {"image/jpeg", ".JPG"},       {"image/png", ".PNG"},
    {"image/gif", ".GIF"},         {"image/tiff", ".TIF"},      {"image/x-photo-cd", ".PCD"}, {"image/vnd.fpx", ".FPX"},
    {"video/mpeg", ".MPG"},        {"video/x-msvideo", ".AVI"}, {"video/avi", ".AVI"},        {"audio/wav", ".WAV"},
    {"audio/x-wav", ".WAV"},       {"audio/x-wma", ".WMA"},     {"audio/x-ms-wma", ".WMA"},   {"image/x-raw", ".RAW"},
    {kMemoryBitmapFormat, ".BMP"},
};

// The length of the UTF-8 sequence a lead byte starts (1 to 4), 0 for a byte
// that cannot start one.
size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 0;
}

// `bytes` with every byte that is not part of a valid UTF-8 sequence made '_'.
QString ValidUtf8(std::string_view bytes)
{
    std::string valid;
    valid.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = SequenceLength(static_cast<unsigned char>(bytes[at]));
        if (length != 0 && at + length <= bytes.size() && QByteArrayView(bytes.data() + at, length).isValidUtf8()) {
            valid.append(bytes.substr(at, length));
            at += length;
        } else {
            valid.push_back('_');
            ++at;
        }
    }
    return QString::fromStdString(valid);
}

// Splits "name.ext" at its last dot. With `leadingDot`, ".ext" is an empty
// name with an extension; otherwise a name that starts with its only dot.
std::pair<std::string_view, std::string_view> SplitExtension(std::string_view fileName, bool leadingDot)
{
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || (dot == 0 && !leadingDot))
        return {fileName, {}};
    return {fileName.substr(0, dot), fileName.substr(dot)};
}

bool SameIgnoringCase(std::string_view a, const QString& b)
{
    return QString::fromUtf8(a.data(), qsizetype(a.size())).compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

QString ExtensionForFormat(const QString& mimeType)
{
    const QString type = mimeType.trimmed().toLower();
    if (type.isEmpty())
        return {};
    for (const FormatEntry& format : kFormats) {
        if (type == QLatin1String(format.mime))
            return QString::fromLatin1(format.extension);
    }
    return {};
}

bool MatchesFormat(std::span<const uint8_t> head, const QString& mimeType)
{
    const auto at = [head](size_t offset, std::string_view mark) {
        return head.size() >= offset + mark.size() && std::memcmp(head.data() + offset, mark.data(), mark.size()) == 0;
    };
    const auto riff = [&](std::string_view kind) { return at(0, "RIFF") && at(8, kind); };
    const QString extension = ExtensionForFormat(mimeType);
    if (extension == QLatin1String(".BMP"))
        return at(0, "BM");
    if (extension == QLatin1String(".JPG"))
        return at(0, "\xFF\xD8\xFF");
    if (extension == QLatin1String(".PNG"))
        return at(0, "\x89PNG\r\n\x1A\n");
    if (extension == QLatin1String(".GIF"))
        return at(0, "GIF87a") || at(0, "GIF89a");
    if (extension == QLatin1String(".TIF"))
        return at(0, std::string_view("II*\0", 4)) || at(0, std::string_view("MM\0*", 4));
    if (extension == QLatin1String(".PCD"))
        return at(2048, "PCD_IPI");
    if (extension == QLatin1String(".FPX"))
        return at(0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    if (extension == QLatin1String(".MPG"))
        return at(0, std::string_view("\0\0\x01\xBA", 4)) || at(0, std::string_view("\0\0\x01\xB3", 4));
    if (extension == QLatin1String(".AVI"))
        return riff("AVI ");
    if (extension == QLatin1String(".WAV"))
        return riff("WAVE");
    if (extension == QLatin1String(".WMA"))
        return at(0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11");
    return !extension.isEmpty();
}

std::string SanitizeItemName(std::string_view name)
{
    QString last = ValidUtf8(name);
    last.replace(QLatin1Char('\\'), QLatin1Char('/'));
    last = last.mid(last.lastIndexOf(QLatin1Char('/')) + 1);
    QString kept;
    for (const QChar c : last) {
        if (c.category() != QChar::Other_Control && c != QChar(0x7F))
            kept.append(c);
    }
    kept.replace(QStringLiteral(".."), QString());
    qsizetype start = 0;
    while (start < kept.size() && (kept[start] == QLatin1Char('.') || kept[start].isSpace()))
        ++start;
    return kept.mid(start).trimmed().toStdString();
}

std::string FileNameForItem(std::string_view itemName, const QString& mimeType)
{
    const QString extension = ExtensionForFormat(mimeType);
    if (extension.isEmpty())
        return {};
    const std::string name = SanitizeItemName(itemName);
    const auto [base, own] = SplitExtension(name, false);
    if (SameIgnoringCase(own, extension))
        return name;
    return std::string(base) + extension.toStdString();
}

std::string_view Utf8Prefix(std::string_view text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    size_t end = maxBytes;
    // Step back over continuation bytes to the start of the cut sequence.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

std::string NumberedFileName(std::string_view fileName, int n)
{
    auto [name, extension] = SplitExtension(fileName, true);
    if (name.empty())
        name = "Scanned";
    const std::string suffix = n > 0 ? "_" + std::to_string(n) : std::string();
    const size_t tail = suffix.size() + extension.size();
    const size_t room = tail < kMaxFileNameBytes ? kMaxFileNameBytes - tail : 0;
    return std::string(Utf8Prefix(name, room)) + suffix + std::string(extension);
}
