#include "dialog/ui/HelpPages.h"

#include "app/AppState.h"

#include <QFileInfo>

QStringList HelpFolders()
{
    QStringList folders = ProgramDataFolders();
    for (QString& folder : folders)
        folder += QStringLiteral("/help");
    return folders;
}

QUrl HelpPageUrl(int context)
{
    if (context < 1 || context > 9)
        context = 1;
    const QString name = QStringLiteral("help-%1.html").arg(context);
    const QStringList folders = HelpFolders();
    for (const QString& folder : folders) {
        const QString path = folder + QLatin1Char('/') + name;
        if (QFileInfo::exists(path))
            return QUrl::fromLocalFile(path);
    }
    return {};
}
