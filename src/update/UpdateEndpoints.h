#pragma once
// Where the program asks for updates and where its home page is: build
// settings, overridden by the environment (WARPLET_UPDATE_HOST,
// WARPLET_HOME_PAGE) so that a test can point the check at its own server.

#include <QByteArray>
#include <QString>

// The page on the update host whose body names the address to ask.
inline constexpr const char* kUpdateLocatorPath = "/checkupdate/updateurl.html";

// The update host: a host name, optionally followed by ":port".
QByteArray UpdateHost();
// The program's home page (command 1123).
QString HomePageUrl();
