#include "controls/ui/PictureDialogs.h"

#include "app/AppState.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QStringList>

namespace {

QWidget* Owner(QWidget* parent)
{
    return parent ? parent : QApplication::activeWindow();
}

// The first extension of a Qt filter such as "JPEG files (*.jpg *.JPG)": "jpg".
QString FirstSuffixOf(const QString& filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\(\\*\\.([^ ;)]+)"));
    const QRegularExpressionMatch match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1).toLower() : QString();
}

// The extensions the picture decoders read, as patterns: "*.bmp", "*.gif", ...
QStringList DecodedPatterns()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format).toLower();
    patterns.removeDuplicates();
    patterns.sort();
    return patterns;
}

bool RunDialog(QFileDialog& dialog, std::string& path)
{
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return false;
    path = files.first().toStdString();
    return true;
}

}  // namespace

QString OpenPictureFilter()
{
    const QStringList decoded = DecodedPatterns();
    // The table's "name|patterns|...||" entries, each kept with the patterns decoded.
    const QStringList parts = AppString(StrId::OpenPictureFilter).split(QLatin1Char('|'));
    QStringList table;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        QStringList patterns;
        if (table.isEmpty()) {
            patterns = decoded;
        } else {
            for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                const QString trimmed = pattern.trimmed();
                if (trimmed == QLatin1String("*") || decoded.contains(trimmed.toLower()))
                    patterns << trimmed;
            }
        }
        if (!patterns.isEmpty())
            table << parts[i] << patterns.join(QLatin1Char(';'));
    }
    return QtFileFilter(table.join(QLatin1Char('|')) + QStringLiteral("||"), true);
}

bool AskOpenPictureName(std::string& path, QWidget* parent)
{
    QFileDialog dialog(Owner(parent), QString(), ExistingFolder(App().m_strPictDir), OpenPictureFilter());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return RunDialog(dialog, path);
}

bool AskSavePictureName(std::string& path, QWidget* parent)
{
    QFileDialog dialog(Owner(parent), QString(), QString(), QtFileFilter(AppString(StrId::SavePictureFilter), true));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    // A proposed name without a folder starts in the picture folder.
    const QString proposed = QString::fromStdString(path);
    SaveFolder folder(QFileInfo(proposed).isRelative() ? App().m_strPictDir : QFileInfo(proposed).absolutePath());
    dialog.setDirectory(folder.Path());
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    // A name typed without extension gets the chosen type's extension.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const QString suffix = FirstSuffixOf(filter);
        if (!suffix.isEmpty())
            dialog.setDefaultSuffix(suffix);
    });
    if (!RunDialog(dialog, path))
        return false;
    folder.Keep(QString::fromStdString(path));
    return true;
}
