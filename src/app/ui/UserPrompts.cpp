#include "app/ui/UserPrompts.h"

#include "export/ui/PictureDialogs.h"
#include "res/StringTable.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

QString ProjectFilter()
{
    return AppFileFilter(StrId::ProjectFilter);
}

}  // namespace

MsgAnswer StandardPrompts::Message(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon)
{
    QMessageBox box(ToQt(icon), AppString(StrId::ProductName), text, ToQt(buttons), parent);
    switch (box.exec()) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    default: break;
    }
    // Closing a question box with the window's close button counts as its escape answer.
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok
           : buttons == MsgButtons::YesNo ? MsgAnswer::No
                                          : MsgAnswer::Cancel;
}

QString StandardPrompts::AskOpenPicture(QWidget* parent)
{
    std::string path;
    if (!AskOpenPictureName(path, parent))
        return {};
    return QString::fromStdString(path);
}

QString StandardPrompts::AskOpenProject(QWidget* parent, const QString& folder)
{
    return QFileDialog::getOpenFileName(parent, QString(), folder, ProjectFilter());
}

QString StandardPrompts::AskSaveProject(QWidget* parent, const QString& folder)
{
    QFileDialog dialog(parent, QString(), folder, ProjectFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("kib"));
    dialog.selectFile(AppString(StrId::Untitled) + QStringLiteral(".kib"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

bool StandardPrompts::OpenUrl(const QUrl& url)
{
    // Only web pages and local files are handed to the desktop.
    const QString scheme = url.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https") && scheme != QLatin1String("file"))
        return false;
    return QDesktopServices::openUrl(url);
}
