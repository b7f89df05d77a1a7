#include "export/ui/ExportPrompts.h"

#include "animation/ui/ChooseFrameDlg.h"
#include "controls/ui/SizeDlg.h"
#include "export/ui/PictureDialogs.h"
#include "res/StringTable.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

namespace {

// A save dialog with the table's filter; a name typed without extension gets `suffix`.
QString AskSave(QWidget* parent, const QString& proposed, int filterId, const QString& suffix)
{
    QFileDialog dialog(parent, QString(), proposed, QtFileFilter(AppString(filterId), true));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

}  // namespace

QString StandardExportPrompts::AskSaveVideo(QWidget* parent, const QString& proposed)
{
    return AskSave(parent, proposed, StrId::VideoFilter, QStringLiteral("wmv"));
}

QString StandardExportPrompts::AskSaveGif(QWidget* parent, const QString& proposed)
{
    return AskSave(parent, proposed, StrId::GifFilter, QStringLiteral("gif"));
}

QString StandardExportPrompts::AskSavePictures(QWidget* parent, const QString& proposed)
{
    std::string path = proposed.toStdString();
    if (!AskSavePictureName(path, parent))
        return {};
    return QString::fromStdString(path);
}

std::optional<std::vector<int>> StandardExportPrompts::ChooseFrames(QWidget* parent, int total, int current,
                                                                    std::function<QImage(int)> preview)
{
    CChooseFrameDlg dlg(total, current, std::move(preview), parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.Frames();
}

std::optional<int> StandardExportPrompts::AskPercent(QWidget* parent, int width, int height)
{
    CSizeDlg dlg(width, height, 100, parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.Percent();
}

bool StandardExportPrompts::SetUpPrinter(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}
