#include "res/StringTable.h"

#include "app/AppState.h"
#include "engine/ToolCatalogue.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringView>

#include <cstdlib>
#include <map>

namespace {

using Table = std::map<int, QString>;

struct LanguageTables {
    Table strings;
    Table captions;
};

struct StringTables {
    LanguageTables chinese;
    LanguageTables english;
    QStringList problems;

    const LanguageTables& For(UiLanguage language) const { return language == UiLanguage::English ? english : chinese; }
};

// Undoes the escapes of the stored text: \n, \t and \\.
QString Unescape(QStringView text, bool& ok)
{
    QString out;
    out.reserve(text.size());
    ok = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (i + 1 >= text.size()) {
            ok = false;
            break;
        }
        const QChar next = text[++i];
        if (next == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (next == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (next == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else
            ok = false;
    }
    return out;
}

// One stored table file: lines "str<TAB>id<TAB>text" or "cap<TAB>id<TAB>text";
// blank lines and lines starting with '#' are ignored.
void ParseTableFile(const QString& resource, LanguageTables& tables, QStringList& problems)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) {
        problems << QStringLiteral("%1: cannot be opened").arg(resource);
        return;
    }
    const QString content = QString::fromUtf8(file.readAll());
    const QStringList lines = content.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QStringView line = lines[n];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const auto where = [&] { return QStringLiteral("%1:%2").arg(resource).arg(n + 1); };
        const qsizetype tab1 = line.indexOf(QLatin1Char('\t'));
        const qsizetype tab2 = tab1 < 0 ? -1 : line.indexOf(QLatin1Char('\t'), tab1 + 1);
        if (tab2 < 0) {
            problems << where() + QStringLiteral(": expected three fields");
            continue;
        }
        const QStringView kind = line.left(tab1);
        bool idOk = false;
        const int id = line.mid(tab1 + 1, tab2 - tab1 - 1).toInt(&idOk);
        bool textOk = false;
        const QString text = Unescape(line.mid(tab2 + 1), textOk);
        if (!idOk || !textOk) {
            problems << where() + QStringLiteral(": bad identifier or escape");
            continue;
        }
        Table* table = kind == QLatin1String("str")   ? &tables.strings
                       : kind == QLatin1String("cap") ? &tables.captions
                                                      : nullptr;
        if (!table) {
            problems << where() + QStringLiteral(": unknown table");
            continue;
        }
        if (!table->emplace(id, text).second)
            problems << where() + QStringLiteral(": duplicate identifier %1").arg(id);
    }
}

const StringTables& Tables()
{
    static const StringTables tables = [] {
        StringTables t;
        ParseTableFile(QStringLiteral(":/strings/zh.tsv"), t.chinese, t.problems);
        ParseTableFile(QStringLiteral(":/strings/en.tsv"), t.english, t.problems);
        return t;
    }();
    return tables;
}

QString Lookup(const Table& table, int id)
{
    const auto it = table.find(id);
    return it == table.end() ? QString() : it->second;
}

std::vector<int> IdsOf(const Table& table)
{
    std::vector<int> ids;
    ids.reserve(table.size());
    for (const auto& entry : table)
        ids.push_back(entry.first);
    return ids;
}

}  // namespace

QString AppString(int id, UiLanguage language)
{
    return Lookup(Tables().For(language).strings, id);
}

bool HasAppString(int id, UiLanguage language)
{
    return Tables().For(language).strings.count(id) != 0;
}

UiLanguage AppLanguage()
{
    return App().m_language;
}

QString AppString(int id)
{
    return AppString(id, AppLanguage());
}

bool HasAppString(int id)
{
    return HasAppString(id, AppLanguage());
}

QString AppCaption(int id, UiLanguage language)
{
    return Lookup(Tables().For(language).captions, id);
}

bool HasAppCaption(int id, UiLanguage language)
{
    return Tables().For(language).captions.count(id) != 0;
}

QString AppCaption(int id)
{
    return AppCaption(id, AppLanguage());
}

bool HasAppCaption(int id)
{
    return HasAppCaption(id, AppLanguage());
}

QString QtFileFilter(const QString& tableFilter, bool addUpperCase)
{
    // Pairs of name and patterns; the list ends at the first empty name.
    const QStringList parts = tableFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        // A name that already shows its patterns ("GIF files (*.gif)") is not given them twice.
        static const QRegularExpression shownPatterns(QStringLiteral("\\s*\\([^()]*\\)$"));
        const QString name = QString(parts[i]).remove(shownPatterns);
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            patterns << trimmed;
            if (addUpperCase && trimmed.toUpper() != trimmed)
                patterns << trimmed.toUpper();
        }
        if (!patterns.isEmpty())
            filters << QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

QString AppFileFilter(int id)
{
    return QtFileFilter(AppString(id));
}

std::vector<int> AppStringIds(UiLanguage language)
{
    return IdsOf(Tables().For(language).strings);
}

std::vector<int> AppCaptionIds(UiLanguage language)
{
    return IdsOf(Tables().For(language).captions);
}

QStringList StringTableProblems()
{
    return Tables().problems;
}

std::vector<int> ToolNameIds()
{
    std::vector<int> ids;
    for (const ToolRow& row : ToolCatalogue())
        ids.push_back(row.name);
    return ids;
}
