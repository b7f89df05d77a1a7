#pragma once
// The two requests of the update check: the locator page names the address to
// ask, and the question itself carries the product, its version and its
// translation.

#include <QByteArray>
#include <QUrl>

#include <cstdint>
#include <optional>

// The address in the locator page's body, blanks and line ends around it left
// out: an http or https URL with a host and a path ("/" at least). None for
// anything else: another scheme, no host or path, a user name, blanks or
// control characters inside, bytes that are not UTF-8.
std::optional<QUrl> LocatorAddress(const QByteArray& body);

// The URL of the question: `address` without its fragment, followed by
// `query` ("?..." as UpdateQuery makes it; joined with "&" when the address
// has a query of its own).
QByteArray QuestionUrl(const QUrl& address, const QByteArray& query);

// Every byte is copied unless it is '"', one of <>%\^[]`+$,@:;/!#?=&, below
// 33 or above 122 (space, {|}~, control characters, all non-ASCII bytes):
// those become "%" and two upper-case hexadecimal digits.
QByteArray UrlEncode(const QByteArray& text);

// What the question says about the program.
struct ProgramIdentity {
    QByteArray productName;               // sent URL-encoded
    QByteArray fileVersion;               // "major,minor,build,revision"
    std::optional<uint32_t> translation;  // language << 16 | code page
};
// This program's identity.
ProgramIdentity ThisProgram();

// "?productname=...&version=...&user=%20&sn=&subversion=...&reserved=%20":
// the single blanks of "user" and "reserved" are sent encoded, so that the
// request line stays valid; the translation in upper-case hexadecimal.
QByteArray UpdateQuery(const ProgramIdentity& program);
