#include "update/ui/UpdateNotifier.h"

#include "update/UpdateInfo.h"
#include "update/ui/UpdateDlg.h"

#include <QMetaObject>
#include <QWidget>

CUpdateNotifier::CUpdateNotifier(UpdateInfo& info, QWidget* mainWindow, UserPrompts& prompts)
        : QObject(mainWindow), m_info(info), m_pMainWindow(mainWindow), m_prompts(prompts)
{
    setObjectName(QStringLiteral("UpdateNotifier"));
    // Runs on the worker; the queued call is dropped if this object is gone by then.
    m_info.SetNotify([this] { QMetaObject::invokeMethod(this, &CUpdateNotifier::OnAutoUpdate, Qt::QueuedConnection); });
}

CUpdateNotifier::~CUpdateNotifier()
{
    m_info.SetNotify({});
}

void CUpdateNotifier::OnAutoUpdate()
{
    const UpdateAnswer answer = m_info.Answer();
    if (answer.status == 0)
        return;
    CUpdateDlg dialog(answer, m_prompts, m_pMainWindow);
    dialog.exec();
}
