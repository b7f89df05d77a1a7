#pragma once
// The print window's tab that places the frame on its page: at its actual size
// (300 pixels per inch, the default) or fitted to the page's printable area.

#include "export/PrintFrames.h"

#include <QWidget>

class QRadioButton;

class CPrintPlacementTab : public QWidget {
    Q_OBJECT
public:
    explicit CPrintPlacementTab(PrintPlacement placement, QWidget* parent = nullptr);

    PrintPlacement Placement() const;
    QRadioButton* ActualSizeButton() const { return m_pActual; }
    QRadioButton* FitToPageButton() const { return m_pFit; }

private:
    QRadioButton* m_pActual;
    QRadioButton* m_pFit;
};
