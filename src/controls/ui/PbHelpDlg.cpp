#include "controls/ui/PbHelpDlg.h"

#include "controls/SkinArithmetic.h"
#include "controls/ui/Art.h"
#include "controls/ui/MyButton.h"
#include "controls/ui/MyStatic.h"
#include "res/StringTable.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

namespace {

constexpr std::uint32_t kEditBrush = 0x67A6D2;  // Windows colour value

}  // namespace

CPbHelpDlg::CPbHelpDlg(int templateId, QWidget* parent)
        : QDialog(parent), m_nTemplateId(templateId), m_background(ArtPixmap(ArtId::DialogBackground))
{
    setObjectName(QString::number(templateId));
}

CMyGroupBox* CPbHelpDlg::AddGroupBox(const QString& caption, const QRect& rect)
{
    if (static_cast<int>(m_groupBoxes.size()) >= kMaxGroupBoxes)
        return nullptr;
    auto* box = new CMyGroupBox(caption, this);
    box->setGeometry(rect);
    box->lower();
    m_groupBoxes.push_back(box);
    return box;
}

void CPbHelpDlg::OnInitDialog()
{
    ApplyEditColours();
    ResizeToWholeTiles();
}

void CPbHelpDlg::ApplyEditColours()
{
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        if (!edit->isReadOnly() && edit->isEnabled())
            continue;  // editable edits keep the default colours
        QPalette pal = edit->palette();
        pal.setColor(QPalette::Base, ColorFromColorRef(kEditBrush));
        pal.setColor(QPalette::Disabled, QPalette::Base, ColorFromColorRef(kEditBrush));
        edit->setPalette(pal);
    }
}

void CPbHelpDlg::ResizeToWholeTiles()
{
    const QSize tile = TileSize();
    const QSize client = size();
    resize(RoundUpToTiles(client.width(), tile.width()), RoundUpToTiles(client.height(), tile.height()));
}

void CPbHelpDlg::showEvent(QShowEvent* event)
{
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CPbHelpDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_background.isNull())
        p.fillRect(rect(), QColor(0xF4, 0xE9, 0xD2));
    else
        p.drawTiledPixmap(rect(), m_background);
    p.setPen(QPen(QColor(0x83, 0x6E, 0x46), 2));
    p.drawRect(rect().adjusted(1, 1, -1, -1));
}

CMyButton* CPbHelpDlg::Button(int id) const
{
    for (CMyButton* button : findChildren<CMyButton*>()) {
        if (button->GetDlgCtrlID() == id && !button->isHidden())
            return button;
    }
    return nullptr;
}

CPbHelpDlg::OkCancel CPbHelpDlg::AddOkCancel(int left, int top, int gap)
{
    auto* ok = new CMyButton(kIdOk, this);
    ok->SetPicture(ArtId::ButtonOk);
    ok->SetWindowText(AppCaption(CapId::Ok));
    ok->SetShowCaption(true);
    ok->move(left, top);
    auto* cancel = new CMyButton(kIdCancel, this);
    cancel->SetPicture(ArtId::ButtonCancel);
    cancel->SetWindowText(AppCaption(CapId::Cancel));
    cancel->SetShowCaption(true);
    cancel->move(left, top + ok->height() + gap);
    connect(ok, &CMyButton::commandIssued, this, &CPbHelpDlg::accept);
    connect(cancel, &CMyButton::commandIssued, this, &CPbHelpDlg::reject);
    return {ok, cancel};
}

void CPbHelpDlg::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool escape = event->key() == Qt::Key_Escape;
    if ((enter || escape) && modifiers == Qt::NoModifier) {
        // A dialog without the button keeps the usual handling (Escape rejects).
        if (CMyButton* button = Button(enter ? kIdOk : kIdCancel)) {
            button->Click();
            return;
        }
    }
    if (event->key() == Qt::Key_F1) {
        emit helpRequested(HelpContext());
        for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
            if (auto* host = dynamic_cast<HelpHost*>(w)) {
                host->ShowHelp(HelpContext());
                break;
            }
        }
        return;
    }
    QDialog::keyPressEvent(event);
}
