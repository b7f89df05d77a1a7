#pragma once
// The help pages shipped with the program, one per help context and language.

#include "app/UiLanguage.h"

#include <QString>
#include <QStringList>
#include <QUrl>

// The page of a help context in the current language: "<language>/help-<context>.html"
// (language "en" or "zh") in the help folder beside the program, or in the
// installed data folder (<prefix>/share/warplet/help). Contexts without a page
// of their own open the start screen's page (1). A dialog's context (0x20000 +
// its template) opens the page of the screen it belongs to.
QUrl HelpPageUrl(int context);
// The same, looked for in `folders`, in `language` (the current one unless given).
QUrl HelpPageUrl(int context, const QStringList& folders);
QUrl HelpPageUrl(int context, const QStringList& folders, UiLanguage language);
// The page number (1 to 9) a help context opens.
int HelpPageForContext(int context);
// The folder of a language's pages inside a help folder: "en" or "zh".
QString HelpLanguageFolder(UiLanguage language);
// The folders searched, in order.
QStringList HelpFolders();
