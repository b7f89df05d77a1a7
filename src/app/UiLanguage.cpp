#include "app/UiLanguage.h"

#include <cstdlib>

UiLanguage LanguageForLocale(const QString& localeName)
{
    // Chinese locales get the program's own table; every other one, C and
    // POSIX included, gets the English translation.
    if (localeName.startsWith(QLatin1String("zh"), Qt::CaseInsensitive))
        return UiLanguage::Chinese;
    return UiLanguage::English;
}

std::optional<UiLanguage> ParseLanguage(const QString& value)
{
    const QString v = value.toLower();
    if (v == QLatin1String("zh"))
        return UiLanguage::Chinese;
    if (v == QLatin1String("en"))
        return UiLanguage::English;
    return std::nullopt;
}

UiLanguage SystemUiLanguage()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return LanguageForLocale(QString::fromLocal8Bit(value));
    }
    return LanguageForLocale(QStringLiteral("C"));
}
