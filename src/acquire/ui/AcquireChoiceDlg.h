#pragma once
// Base of the acquisition's choice dialogs: the program's skinned dialog with
// an OK button (whose caption the dialog chooses) and a Cancel button in a
// column on the right.

#include "controls/ui/PbHelpDlg.h"

class CMyButton;

class CAcquireChoiceDlg : public CPbHelpDlg {
    Q_OBJECT
public:
    CAcquireChoiceDlg(int templateId, int titleId, QWidget* parent);

    CMyButton* OkButton() const { return m_pOk; }
    CMyButton* CancelButton() const { return m_pCancel; }

protected:
    // Places the two buttons with their left edges at x, from y down.
    void PlaceButtons(int x, int y, const QString& okCaption);

private:
    CMyButton* m_pOk = nullptr;
    CMyButton* m_pCancel = nullptr;
};
