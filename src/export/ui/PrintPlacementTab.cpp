#include "export/ui/PrintPlacementTab.h"

#include "res/StringTable.h"

#include <QRadioButton>
#include <QVBoxLayout>

CPrintPlacementTab::CPrintPlacementTab(PrintPlacement placement, QWidget* parent)
        : QWidget(parent), m_pActual(new QRadioButton(AppCaption(CapId::PrintActualSize), this)),
          m_pFit(new QRadioButton(AppCaption(CapId::PrintFitToPage), this))
{
    // The print dialog names its tab after the window title.
    setWindowTitle(AppCaption(CapId::PrintPlacementTab));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pActual);
    layout->addWidget(m_pFit);
    layout->addStretch();
    (placement == PrintPlacement::FitToPage ? m_pFit : m_pActual)->setChecked(true);
}

PrintPlacement CPrintPlacementTab::Placement() const
{
    return m_pFit->isChecked() ? PrintPlacement::FitToPage : PrintPlacement::ActualSize;
}
