#pragma once
// The languages of the program's interface (and of its string table).

#include <QString>

#include <optional>

enum class UiLanguage {
    Chinese,  // the program's own table
    English,
};

// The language for a locale name such as "zh_CN", "en_GB.UTF-8", "C".
// Chinese for zh* locales, English for every other one (C and POSIX included).
UiLanguage LanguageForLocale(const QString& localeName);
// The language a --lang value names ("zh" or "en", any case); none otherwise.
std::optional<UiLanguage> ParseLanguage(const QString& value);
// The language of the user's message locale (LC_ALL, LC_MESSAGES, LANG).
UiLanguage SystemUiLanguage();
