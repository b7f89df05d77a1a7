#pragma once
// The keyframe duration dialog: a number of frames from 1 to 1024.

#include "controls/ui/PbHelpDlg.h"

class QLineEdit;
class QSpinBox;

class CDurationDlg : public CPbHelpDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 133;
    static constexpr int kMin = 1;
    static constexpr int kMax = 1024;

    explicit CDurationDlg(int duration, QWidget* parent = nullptr);

    int Duration() const { return m_nDuration; }
    QSpinBox* Edit() const { return m_pSpin; }
    // The message shown when the edit held no valid duration (empty when none was).
    QString LastMessage() const { return m_strMessage; }
    // Message boxes are left out (tests read LastMessage instead).
    void SetQuiet(bool quiet) { m_bQuiet = quiet; }

public slots:
    void accept() override;

private:
    QSpinBox* m_pSpin = nullptr;
    int m_nDuration;
    QString m_strMessage;
    bool m_bQuiet = false;
};
