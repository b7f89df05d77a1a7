#pragma once
// The acquisition's progress window: a status text, a bar from 0 to 100 and a
// Cancel button. It lives on the window thread and shows the values the
// transfer thread leaves in an AcquireProgress; Cancel raises its cancel
// counter, and the window closes itself once the transfer has finished.

#include "acquire/AcquireTransfer.h"
#include "controls/ui/PbHelpDlg.h"

#include <QBasicTimer>

#include <functional>

class CMyButton;
class QLabel;
class QProgressBar;

class CProgressDlg : public CPbHelpDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 20104;
    static constexpr int kStatusId = 1129;
    static constexpr int kBarId = 1130;
    static constexpr int kRefreshMs = 40;
    // The dialog's result when it closes at the end of the transfer.
    static constexpr int kEndResult = 8;

    CProgressDlg(AcquireProgress& progress, QWidget* parent = nullptr);

    QLabel* Status() const { return m_pStatus; }
    QProgressBar* Bar() const { return m_pBar; }
    CMyButton* CancelButton() const { return m_pCancel; }

    // Shows the progress values now.
    void Refresh();
    void OnCancel();

public slots:
    // Escape and the close box cancel; the window stays until the transfer ends.
    void reject() override { OnCancel(); }

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    AcquireProgress& m_progress;
    QLabel* m_pStatus = nullptr;
    QProgressBar* m_pBar = nullptr;
    CMyButton* m_pCancel = nullptr;
    QBasicTimer m_refresh;
};

// Runs the transfer on a worker thread while the progress window runs on this
// one; returns when the transfer has ended.
AcquireOutcome RunTransferWithProgress(const AcquireRequest& request, QWidget* parent);
// The same for any transfer that reports to the progress it is given and
// stops soon after it is cancelled.
AcquireOutcome RunTransferWithProgress(const std::function<AcquireOutcome(AcquireProgress&)>& transfer,
                                       QWidget* parent);
