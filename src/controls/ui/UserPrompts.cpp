#include "controls/ui/UserPrompts.h"

#include "app/AppState.h"
#include "controls/ui/PictureDialogs.h"
#include "res/OutsideText.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>

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

// The page's address in a box of its own, selectable for copying: no browser took it.
void ShowAddress(const QUrl& url)
{
    auto* box = new QMessageBox(
        QMessageBox::Information, AppString(StrId::ProductName),
        AppString(StrId::NoBrowser) + QStringLiteral("\n\n") + ShownText(url.toString(QUrl::PrettyDecoded)),
        QMessageBox::Ok, QApplication::activeWindow());
    box->setObjectName(QStringLiteral("NoBrowser"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    if (HasAppCaption(CapId::Ok))
        box->button(QMessageBox::Ok)->setText(AppCaption(CapId::Ok));
    box->open();
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
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Cancel;
}

MsgAnswer TerminalPrompts::Message(QWidget*, const QString& text, MsgButtons buttons, MsgIcon)
{
    ++m_nMessages;
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "warplet: %s\n", qPrintable(line));
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Cancel;
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

QString StandardPrompts::AskSaveProject(QWidget* parent, const QString& proposed)
{
    SaveFolder folder(QFileInfo(proposed).absolutePath());
    QFileDialog dialog(parent, QString(), folder.Path(), ProjectFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("kib"));
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString path = dialog.selectedFiles().first();
    folder.Keep(path);
    return path;
}

bool StandardPrompts::OpenUrl(const QUrl& url)
{
    // Only web pages and local files are handed to the desktop.
    const QString scheme = url.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https") && scheme != QLatin1String("file"))
        return false;
    // The desktop services report a missing browser on stderr at most: xdg-open
    // runs beside the window instead, and its exit status shows the address
    // when no browser took the page.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (QDesktopServices::openUrl(url))
            return true;
        ShowAddress(url);
        return false;
    }
    auto* process = new QProcess(qApp);
    process->setProgram(opener);
    process->setArguments({url.toString(QUrl::FullyEncoded)});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, [process, url](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if (status != QProcess::NormalExit || code != 0)
            ShowAddress(url);
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, url](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;  // a crash ends in finished() too
        process->deleteLater();
        ShowAddress(url);
    });
    process->start();
    return true;
}
