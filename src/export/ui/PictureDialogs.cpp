#include "export/ui/PictureDialogs.h"

#include "app/AppState.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
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

bool AskOpenPictureName(std::string& path, QWidget* parent)
{
    QFileDialog dialog(Owner(parent), QString(), App().m_strPictDir,
                       QtFileFilter(AppString(StrId::OpenPictureFilter), true));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return RunDialog(dialog, path);
}

bool AskSavePictureName(std::string& path, QWidget* parent)
{
    QFileDialog dialog(Owner(parent), QString(), QString(),
                       QtFileFilter(AppString(StrId::SavePictureFilter), true));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    // A proposed name without a folder starts in the picture folder.
    const QString proposed = QString::fromStdString(path);
    if (QFileInfo(proposed).isRelative())
        dialog.setDirectory(App().m_strPictDir);
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    // A name typed without extension gets the chosen type's extension.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const QString suffix = FirstSuffixOf(filter);
        if (!suffix.isEmpty())
            dialog.setDefaultSuffix(suffix);
    });
    return RunDialog(dialog, path);
}
