#include "update/UpdateRequest.h"

#include <algorithm>
#include <cstring>

#ifndef WARPLET_VERSION_MAJOR
#define WARPLET_VERSION_MAJOR 4
#define WARPLET_VERSION_MINOR 0
#define WARPLET_VERSION_PATCH 0
#define WARPLET_VERSION_TWEAK 0
#endif

namespace {

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

std::optional<QUrl> LocatorAddress(const QByteArray& body)
{
    const QByteArray text = body.trimmed();
    const bool plain = std::none_of(text.begin(), text.end(), [](char c) {
        const auto value = static_cast<unsigned char>(c);
        return value <= ' ' || value == 0x7F;
    });
    const QString decoded = QString::fromUtf8(text);
    if (text.isEmpty() || !plain || decoded.toUtf8() != text)
        return std::nullopt;
    const QUrl url(decoded, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty() || !url.userInfo().isEmpty() || url.path().isEmpty())
        return std::nullopt;
    return url;
}

QByteArray QuestionUrl(const QUrl& address, const QByteArray& query)
{
    const QByteArray base = address.toEncoded(QUrl::RemoveFragment);
    if (address.hasQuery() && query.startsWith('?'))
        return base + '&' + query.mid(1);
    return base + query;
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
    program.fileVersion = QByteArray::number(WARPLET_VERSION_MAJOR) + ',' + QByteArray::number(WARPLET_VERSION_MINOR) +
                          ',' + QByteArray::number(WARPLET_VERSION_PATCH) + ',' +
                          QByteArray::number(WARPLET_VERSION_TWEAK);
    program.translation = kProgramTranslation;
    return program;
}

QByteArray UpdateQuery(const ProgramIdentity& program)
{
    const QByteArray subversion =
        program.translation ? QByteArray::number(*program.translation, 16).toUpper() : QByteArray();
    return "?productname=" + UrlEncode(program.productName) + "&version=" + program.fileVersion +
           "&user=%20&sn=&subversion=" + subversion + "&reserved=%20";
}
