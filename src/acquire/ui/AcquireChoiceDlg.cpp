#include "acquire/ui/AcquireChoiceDlg.h"

#include "controls/ui/Art.h"
#include "controls/ui/MyButton.h"
#include "res/StringTable.h"

CAcquireChoiceDlg::CAcquireChoiceDlg(int templateId, int titleId, QWidget* parent) : CPbHelpDlg(templateId, parent)
{
    setWindowTitle(AppCaption(titleId));
    m_pOk = new CMyButton(1, this);
    m_pOk->SetPicture(ArtId::ButtonOk);
    m_pOk->SetShowCaption(true);
    m_pCancel = new CMyButton(2, this);
    m_pCancel->SetPicture(ArtId::ButtonCancel);
    m_pCancel->SetWindowText(AppCaption(CapId::Cancel));
    m_pCancel->SetShowCaption(true);
    connect(m_pOk, &CMyButton::commandIssued, this, &CAcquireChoiceDlg::accept);
    connect(m_pCancel, &CMyButton::commandIssued, this, &CAcquireChoiceDlg::reject);
}

void CAcquireChoiceDlg::PlaceButtons(int x, int y, const QString& okCaption)
{
    m_pOk->SetWindowText(okCaption);
    m_pOk->move(x, y);
    m_pCancel->move(x, y + m_pOk->height() + 12);
}
