#include "dialog/ui/HelpPages.h"

#include "animation/ui/ChooseFrameDlg.h"
#include "animation/ui/DurationDlg.h"
#include "app/AppState.h"
#include "controls/ui/SizeDlg.h"
#include "dialog/ui/ReconstructDlg.h"

#include <QFileInfo>

QStringList HelpFolders()
{
    QStringList folders = ProgramDataFolders();
    for (QString& folder : folders)
        folder += QStringLiteral("/help");
    return folders;
}

int HelpPageForContext(int context)
{
    constexpr int kDialog = 0x20000;
    switch (context) {
    case kDialog + CDurationDlg::kTemplateId:  // the strip and reconstruct, on the editing screen
    case kDialog + CReconstructDlg::kTemplateId: return 3;
    case kDialog + CSizeDlg::kTemplateId:
    case kDialog + CChooseFrameDlg::kTemplateId: return 2;  // the finish screen's exports
    default: return context >= 1 && context <= 9 ? context : 1;
    }
}

QUrl HelpPageUrl(int context)
{
    return HelpPageUrl(context, HelpFolders());
}

QString HelpLanguageFolder(UiLanguage language)
{
    return language == UiLanguage::English ? QStringLiteral("en") : QStringLiteral("zh");
}

QUrl HelpPageUrl(int context, const QStringList& folders)
{
    return HelpPageUrl(context, folders, App().m_language);
}

QUrl HelpPageUrl(int context, const QStringList& folders, UiLanguage language)
{
    const QString name =
        HelpLanguageFolder(language) + QStringLiteral("/help-%1.html").arg(HelpPageForContext(context));
    for (const QString& folder : folders) {
        const QString path = folder + QLatin1Char('/') + name;
        if (QFileInfo::exists(path))
            return QUrl::fromLocalFile(path);
    }
    return {};
}
