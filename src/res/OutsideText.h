#pragma once
// Text that came from outside the program (network answers, device and file
// names, names stored in project files), made safe to show in a message or on
// a terminal: control characters and bytes that are not UTF-8 become visible
// escapes, so they can neither drive a terminal (retitle, clear, move the
// cursor) nor break a line or reorder the text around them.
//
//   newline, tab, carriage return   ->  \n  \t  \r
//   other C0 controls and DEL        ->  \x1b, \x7f, ...
//   C1 controls, line and paragraph separators, direction overrides and
//   isolates                         ->  \u0085, \u2028, \u202e, ...
//   bytes that are not UTF-8         ->  \xff, ...  (ShownBytes only)
//
// Everything else, backslashes included, is kept as it came.

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

// `text` with its control characters escaped.
QString ShownText(QStringView text);
// `bytes` read as UTF-8 where they are, with control characters and every
// byte that is not part of a valid UTF-8 sequence escaped.
QString ShownBytes(std::string_view bytes);
// ShownBytes as UTF-8, for messages written to a terminal.
std::string ShownBytesUtf8(std::string_view bytes);
