#include "dialog/ui/ReconstructDlg.h"

#include "controls/ui/MyButton.h"
#include "res/StringTable.h"

#include <QLabel>
#include <QSpinBox>

#include <algorithm>

namespace {

constexpr int kLeft = 16;
constexpr int kTop = 16;
constexpr int kLabelWidth = 250;
constexpr int kBoxLeft = kLeft + kLabelWidth + 8;
constexpr int kBoxWidth = 70;
constexpr int kButtonsLeft = kBoxLeft + kBoxWidth + 24;

}  // namespace

CReconstructDlg::CReconstructDlg(int percent, QWidget* parent) : CPbHelpDlg(kTemplateId, parent)
{
    setWindowTitle(AppCaption(kTemplateId));
    auto* label = new QLabel(AppCaption(kLabelId), this);
    label->setWordWrap(true);
    label->setGeometry(kLeft, kTop, kLabelWidth, 48);
    m_pPercent = new QSpinBox(this);
    m_pPercent->setRange(kMin, kMax);
    m_pPercent->setSuffix(QStringLiteral(" %"));
    m_pPercent->setValue(std::clamp(percent, kMin, kMax));
    m_pPercent->setGeometry(kBoxLeft, kTop + 12, kBoxWidth, 24);
    m_pPercent->selectAll();
    label->setBuddy(m_pPercent);

    const auto [ok, cancel] = AddOkCancel(kButtonsLeft, 12, 12);
    resize(kButtonsLeft + ok->width() + 16, std::max(kTop + 64, cancel->y() + cancel->height() + 12));
}

int CReconstructDlg::Percent() const
{
    return m_pPercent->value();
}
