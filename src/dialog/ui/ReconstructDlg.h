#pragma once
// The reconstruct dialog: how much of the active keyframe's deformation to
// take back, 1 to 100 percent.

#include "controls/ui/PbHelpDlg.h"

class QSpinBox;

class CReconstructDlg : public CPbHelpDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 21820;  // also the title's caption
    static constexpr int kLabelId = 21821;
    static constexpr int kMin = 1;
    static constexpr int kMax = 100;
    static constexpr int kDefault = 50;

    explicit CReconstructDlg(int percent, QWidget* parent = nullptr);

    int Percent() const;
    QSpinBox* PercentBox() const { return m_pPercent; }

private:
    QSpinBox* m_pPercent = nullptr;
};
