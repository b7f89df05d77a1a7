#pragma once
// The two requests of the update check: the locator page names the address to
// ask (a URL whose host starts after a seven-character scheme prefix), and the
// question itself carries the product, its version and its translation.

#include <QByteArray>

#include <cstdint>
#include <optional>

// Host and object name of the address the locator page named.
struct AnswerLocation {
    QByteArray host;    // characters 7 up to the first "/" after them
    QByteArray object;  // everything after that "/"
};

// The address in the locator page's body, trailing blanks and line ends left
// out; none when the body is shorter than 7 characters, has no "/" at or
// after character 7, or names no host.
std::optional<AnswerLocation> SplitAnswerUrl(const QByteArray& body);

// Every byte is copied unless it is '"', one of <>%\^[]`+$,@:;/!#?=&, below
// 33 or above 122 (space, {|}~, control characters, all non-ASCII bytes):
// those become "%" and two upper-case hexadecimal digits.
QByteArray UrlEncode(const QByteArray& text);

// What the question says about the program.
struct ProgramIdentity {
    QByteArray productName;          // sent URL-encoded
    QByteArray fileVersion;          // "major,minor,build,revision"
    std::optional<uint32_t> translation;  // language << 16 | code page
};
// This program's identity.
ProgramIdentity ThisProgram();

// "?productname=...&version=...&user=%20&sn=&subversion=...&reserved=%20":
// the single blanks of "user" and "reserved" are sent encoded, so that the
// request line stays valid; the translation in upper-case hexadecimal.
QByteArray UpdateQuery(const ProgramIdentity& program);

// The request target: the object name with a leading "/" and the query.
QByteArray RequestTarget(const QByteArray& object, const QByteArray& query);
