#pragma once
// The help pages shipped with the program, one per help context.

#include <QString>
#include <QUrl>

// The page of a help context: "help-<context>.html" in the help folder beside
// the program, or in the installed data folder (<prefix>/share/warplet/help).
// Contexts without a page of their own open the start screen's page (1).
// A dialog's context (0x20000 + its template) opens the page of the screen it
// belongs to.
QUrl HelpPageUrl(int context);
// The same, looked for in `folders`.
QUrl HelpPageUrl(int context, const QStringList& folders);
// The page number (1 to 9) a help context opens.
int HelpPageForContext(int context);
// The folders searched, in order.
QStringList HelpFolders();
