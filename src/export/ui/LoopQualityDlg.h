#pragma once
// The quality of the loop formats that have one, asked after their file was
// chosen: WebP (a quality or lossless), AVIF and a video's constant-rate factor
// in its codec's range. Only the rows the files use are shown.

#include "controls/ui/PbHelpDlg.h"
#include "export/LoopQuality.h"

class QCheckBox;
class QSpinBox;

class CLoopQualityDlg : public CPbHelpDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 20800;

    CLoopQualityDlg(const LoopQualityRows& rows, const LoopQuality& quality, QWidget* parent = nullptr);

    // The choices as the dialog shows them.
    LoopQuality Quality() const;

    QSpinBox* WebpQualityBox() const { return m_pWebp; }
    QCheckBox* LosslessBox() const { return m_pLossless; }
    QSpinBox* AvifQualityBox() const { return m_pAvif; }
    QSpinBox* CrfBox() const { return m_pCrf; }

private:
    // A labelled spin box in the next row.
    QSpinBox* AddRow(const QString& label, int minimum, int maximum, int value);

    LoopQualityRows m_rows;
    LoopQuality m_quality;
    int m_nNextRow = 0;
    QSpinBox* m_pWebp = nullptr;
    QCheckBox* m_pLossless = nullptr;
    QSpinBox* m_pAvif = nullptr;
    QSpinBox* m_pCrf = nullptr;
};
