#pragma once
// The help pages shipped with the program, one per help context.

#include <QString>
#include <QUrl>

// The page of a help context: "help-<context>.html" in the help folder beside
// the program, or in the installed data folder (<prefix>/share/warplet/help).
// Contexts without a page of their own open the start screen's page (1).
QUrl HelpPageUrl(int context);
// The folders searched, in order.
QStringList HelpFolders();
