#include "res/OutsideText.h"

#include <QList>

#include <cstdint>

namespace {

bool IsEscapedCodePoint(char32_t c)
{
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void AppendHex(QString& out, const char* prefix, uint32_t value, int digits)
{
    out += QLatin1String(prefix);
    out += QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0'));
}

void AppendCodePoint(QString& out, char32_t c)
{
    switch (c) {
    case '\n': out += QLatin1String("\\n"); return;
    case '\t': out += QLatin1String("\\t"); return;
    case '\r': out += QLatin1String("\\r"); return;
    default: break;
    }
    if (c < 0x80 && IsEscapedCodePoint(c))
        AppendHex(out, "\\x", c, 2);
    else if (IsEscapedCodePoint(c))
        AppendHex(out, "\\u", c, 4);
    else
        out += QString::fromUcs4(&c, 1);
}

// The length of the valid UTF-8 sequence at `at` and its code point; 0 when
// the bytes there are no valid sequence (overlong forms, surrogates and code
// points above U+10FFFF included).
int DecodeUtf8(std::string_view bytes, size_t at, char32_t& c)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    int length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (byte(at + i) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

}  // namespace

QString ShownText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4())
        AppendCodePoint(out, c);
    return out;
}

QString ShownBytes(std::string_view bytes)
{
    QString out;
    out.reserve(qsizetype(bytes.size()));
    for (size_t at = 0; at < bytes.size();) {
        char32_t c = 0;
        const int length = DecodeUtf8(bytes, at, c);
        if (length == 0) {
            AppendHex(out, "\\x", static_cast<unsigned char>(bytes[at]), 2);
            ++at;
        } else {
            AppendCodePoint(out, c);
            at += size_t(length);
        }
    }
    return out;
}

std::string ShownBytesUtf8(std::string_view bytes)
{
    return ShownBytes(bytes).toStdString();
}
