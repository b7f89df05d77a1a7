#include "update/UpdateRequest.h"

#include <cstring>

#ifndef WARPLET_VERSION_MAJOR
#define WARPLET_VERSION_MAJOR 4
#define WARPLET_VERSION_MINOR 0
#define WARPLET_VERSION_PATCH 0
#define WARPLET_VERSION_TWEAK 0
#endif

namespace {

constexpr qsizetype kHostStart = 7;  // after "http://"
// Simplified Chinese, Unicode: the language and code page the program's texts are written in.
constexpr uint32_t kProgramTranslation = 0x080404B0;
constexpr qsizetype kMaxProductName = 255;

bool NeedsEncoding(char c)
{
    static const char kReserved[] = "<>%\\^[]`+$,@:;/!#?=&\"";
    const auto value = static_cast<signed char>(c);
    return value < 33 || value > 122 || std::strchr(kReserved, c) != nullptr;
}

}  // namespace

std::optional<AnswerLocation> SplitAnswerUrl(const QByteArray& body)
{
    QByteArray url = body;
    while (!url.isEmpty() && std::strchr(" \t\r\n", url.back()) != nullptr)
        url.chop(1);
    if (url.size() < kHostStart)
        return std::nullopt;
    const qsizetype slash = url.indexOf('/', kHostStart);
    if (slash < 0 || slash == kHostStart)
        return std::nullopt;
    return AnswerLocation{url.mid(kHostStart, slash - kHostStart), url.mid(slash + 1)};
}

QByteArray UrlEncode(const QByteArray& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        if (!NeedsEncoding(c)) {
            encoded.append(c);
            continue;
        }
        const auto value = static_cast<unsigned char>(c);
        encoded.append('%');
        encoded.append(kHex[value >> 4]);
        encoded.append(kHex[value & 0x0F]);
    }
    return encoded;
}

ProgramIdentity ThisProgram()
{
    ProgramIdentity program;
    program.productName = QByteArray("Warplet 4").left(kMaxProductName);
    program.fileVersion = QByteArray::number(WARPLET_VERSION_MAJOR) + ',' + QByteArray::number(WARPLET_VERSION_MINOR)
                          + ',' + QByteArray::number(WARPLET_VERSION_PATCH) + ','
                          + QByteArray::number(WARPLET_VERSION_TWEAK);
    program.translation = kProgramTranslation;
    return program;
}

QByteArray UpdateQuery(const ProgramIdentity& program)
{
    const QByteArray subversion =
        program.translation ? QByteArray::number(*program.translation, 16).toUpper() : QByteArray();
    return "?productname=" + UrlEncode(program.productName) + "&version=" + program.fileVersion
           + "&user=%20&sn=&subversion=" + subversion + "&reserved=%20";
}

QByteArray RequestTarget(const QByteArray& object, const QByteArray& query)
{
    return (object.startsWith('/') ? object : '/' + object) + query;
}
