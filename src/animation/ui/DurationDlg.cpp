#include "animation/ui/DurationDlg.h"

#include "controls/ui/Art.h"
#include "controls/ui/MyButton.h"
#include "res/StringTable.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>

#include <algorithm>

namespace {

// The edit takes any number, so that a wrong one gets its message on OK, but
// its arrows (and the arrow and page keys) step only within 1 .. 1024.
class DurationSpin : public QSpinBox {
public:
    DurationSpin(int minimum, int maximum, QWidget* parent) : QSpinBox(parent), m_nMin(minimum), m_nMax(maximum)
    {
        setRange(-99999, 99999);
    }

    void stepBy(int steps) override
    {
        setValue(std::clamp(value() + steps, m_nMin, m_nMax));
        selectAll();
    }

protected:
    StepEnabled stepEnabled() const override
    {
        StepEnabled enabled = StepNone;
        if (value() < m_nMax)
            enabled |= StepUpEnabled;
        if (value() > m_nMin)
            enabled |= StepDownEnabled;
        return enabled;
    }

private:
    int m_nMin;
    int m_nMax;
};

}  // namespace

CDurationDlg::CDurationDlg(int duration, QWidget* parent) : CPbHelpDlg(kTemplateId, parent), m_nDuration(duration)
{
    setWindowTitle(AppCaption(CapId::TitleDuration));
    auto* label = new QLabel(AppCaption(CapId::FramesLabel), this);
    label->setGeometry(20, 30, 70, 24);
    m_pSpin = new DurationSpin(kMin, kMax, this);
    m_pSpin->setObjectName(QStringLiteral("1085"));
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
