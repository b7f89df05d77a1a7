#include "animation/ui/DurationDlg.h"

#include "controls/ui/Art.h"
#include "controls/ui/MyButton.h"
#include "res/StringTable.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>

CDurationDlg::CDurationDlg(int duration, QWidget* parent) : CPbHelpDlg(kTemplateId, parent), m_nDuration(duration)
{
    setWindowTitle(AppCaption(CapId::TitleDuration));
    auto* label = new QLabel(AppCaption(CapId::FramesLabel), this);
    label->setGeometry(20, 30, 70, 24);
    m_pSpin = new QSpinBox(this);
    m_pSpin->setObjectName(QStringLiteral("1085"));
    // The edit accepts any number so that a wrong one gets its message on OK.
    m_pSpin->setRange(-99999, 99999);
    m_pSpin->setValue(duration);
    m_pSpin->setGeometry(96, 30, 90, 24);
    m_pSpin->selectAll();

    auto* ok = new CMyButton(1, this);
    ok->SetPicture(ArtId::ButtonOk);
    ok->SetWindowText(AppCaption(CapId::Ok));
    ok->SetShowCaption(true);
    ok->move(214, 12);
    auto* cancel = new CMyButton(2, this);
    cancel->SetPicture(ArtId::ButtonCancel);
    cancel->SetWindowText(AppCaption(CapId::Cancel));
    cancel->SetShowCaption(true);
    cancel->move(214, 64);
    connect(ok, &CMyButton::commandIssued, this, &CDurationDlg::accept);
    connect(cancel, &CMyButton::commandIssued, this, &CDurationDlg::reject);
    resize(280, 124);
}

void CDurationDlg::accept()
{
    bool ok = false;
    const int value = m_pSpin->cleanText().trimmed().toInt(&ok);
    m_strMessage.clear();
    if (!ok)
        m_strMessage = AppString(StrId::EnterInteger);
    else if (value < kMin || value > kMax)
        m_strMessage = AppString(StrId::EnterIntegerBetween)
                           .replace(QLatin1String("%1"), QString::number(kMin))
                           .replace(QLatin1String("%2"), QString::number(kMax));
    if (!m_strMessage.isEmpty()) {
        if (!m_bQuiet)
            QMessageBox::warning(this, AppString(StrId::ProductName), m_strMessage);
        m_pSpin->setFocus();
        return;  // the dialog stays open
    }
    m_nDuration = value;
    QDialog::accept();
}
