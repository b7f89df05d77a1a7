#include "acquire/ui/ProgressDlg.h"

#include "controls/ui/Art.h"
#include "controls/ui/MyButton.h"
#include "res/StringTable.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimerEvent>

#include <thread>

CProgressDlg::CProgressDlg(AcquireProgress& progress, QWidget* parent)
        : CPbHelpDlg(kTemplateId, parent), m_progress(progress)
{
    setWindowTitle(AppCaption(CapId::TitleAcquire));
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QString::number(kStatusId));
    m_pStatus->setGeometry(24, 30, 300, 22);
    m_pBar = new QProgressBar(this);
    m_pBar->setObjectName(QString::number(kBarId));
    m_pBar->setRange(0, 100);
    m_pBar->setGeometry(24, 58, 300, 20);
    m_pCancel = new CMyButton(2, this);
    m_pCancel->SetPicture(ArtId::ButtonCancel);
    m_pCancel->SetWindowText(AppCaption(CapId::Cancel));
    m_pCancel->SetShowCaption(true);
    m_pCancel->move(348, 28);
    connect(m_pCancel, &CMyButton::commandIssued, this, &CProgressDlg::OnCancel);
    resize(448, 128);  // whole background tiles
    Refresh();
}

void CProgressDlg::Refresh()
{
    // The status text has no placeholders for the item number, count and
    // percentage; the bar shows the percentage.
    m_pStatus->setText(AppString(StrId::AcquireTransferring));
    m_pBar->setValue(m_progress.Percent());
}

void CProgressDlg::OnCancel()
{
    m_progress.Cancel();
    m_pCancel->SetWindowText(AppString(StrId::AcquireWaiting));
}

void CProgressDlg::showEvent(QShowEvent* event)
{
    CPbHelpDlg::showEvent(event);
    m_refresh.start(kRefreshMs, this);
}

void CProgressDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_refresh.timerId()) {
        CPbHelpDlg::timerEvent(event);
        return;
    }
    Refresh();
    if (m_progress.Finished()) {
        m_refresh.stop();
        done(kEndResult);
    }
}

AcquireOutcome RunTransferWithProgress(const AcquireRequest& request, QWidget* parent)
{
    return RunTransferWithProgress([&request](AcquireProgress& progress) { return TransferPicture(request, progress); },
                                   parent);
}

AcquireOutcome RunTransferWithProgress(const std::function<AcquireOutcome(AcquireProgress&)>& transfer, QWidget* parent)
{
    AcquireProgress progress;
    AcquireOutcome outcome;
    std::thread worker([&transfer, &progress, &outcome] {
        outcome = transfer(progress);
        progress.SetFinished();
    });
    {
        CProgressDlg dialog(progress, parent);
        while (!progress.Finished()) {
            dialog.exec();
            if (!progress.Finished())
                progress.Cancel();  // closed some other way: stop the transfer
        }
    }
    worker.join();
    return outcome;
}
