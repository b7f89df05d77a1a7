#include "acquire/AcquireNames.h"

#include <QFileInfo>

#include <utility>

namespace {

struct FormatEntry {
    const char* mime;
    const char* extension;
};

// Tested in order; several MIME spellings of one format share an extension.
constexpr FormatEntry kFormats[] = {
    {"image/bmp", ".BMP"},          {"image/x-ms-bmp", ".BMP"}, {"image/jpeg", ".JPG"},
    {"image/png", ".PNG"},          {"image/gif", ".GIF"},      {"image/tiff", ".TIF"},
    {"image/x-photo-cd", ".PCD"},   {"image/vnd.fpx", ".FPX"},  {"video/mpeg", ".MPG"},
    {"video/x-msvideo", ".AVI"},    {"video/avi", ".AVI"},      {"audio/wav", ".WAV"},
    {"audio/x-wav", ".WAV"},        {"audio/x-wma", ".WMA"},    {"audio/x-ms-wma", ".WMA"},
    {"image/x-raw", ".RAW"},        {kMemoryBitmapFormat, ".BMP"},
};

// Splits "name.ext" at its last dot. With `leadingDot`, ".ext" is an empty
// name with an extension; otherwise a name that starts with its only dot.
std::pair<QString, QString> SplitExtension(const QString& fileName, bool leadingDot)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || (dot == 0 && !leadingDot))
        return {fileName, QString()};
    return {fileName.left(dot), fileName.mid(dot)};
}

}  // namespace

QString ExtensionForFormat(const QString& mimeType)
{
    const QString type = mimeType.trimmed().toLower();
    if (type.isEmpty())
        return {};
    for (const FormatEntry& format : kFormats) {
        if (type == QLatin1String(format.mime))
            return QString::fromLatin1(format.extension);
    }
    return {};
}

QString SanitizeItemName(const QString& name)
{
    QString last = name;
    last.replace(QLatin1Char('\\'), QLatin1Char('/'));
    last = last.mid(last.lastIndexOf(QLatin1Char('/')) + 1);
    QString kept;
    for (const QChar c : last) {
        if (c.category() != QChar::Other_Control && c != QChar(0x7F))
            kept.append(c);
    }
    kept.replace(QStringLiteral(".."), QString());
    qsizetype start = 0;
    while (start < kept.size() && (kept[start] == QLatin1Char('.') || kept[start].isSpace()))
        ++start;
    return kept.mid(start).trimmed();
}

QString FileNameForItem(const QString& itemName, const QString& mimeType)
{
    const QString extension = ExtensionForFormat(mimeType);
    if (extension.isEmpty())
        return {};
    const QString name = SanitizeItemName(itemName);
    const auto [base, own] = SplitExtension(name, false);
    if (own.compare(extension, Qt::CaseInsensitive) == 0)
        return name;
    return base + extension;
}

void MakeUniqueFileName(QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = path.left(slash + 1);
    auto [name, extension] = SplitExtension(path.mid(slash + 1), true);
    if (name.isEmpty())
        name = QStringLiteral("Scanned");
    path = folder + name + extension;
    for (int n = 1; QFileInfo::exists(path); ++n)
        path = folder + name + QStringLiteral("_%1").arg(n) + extension;
}
