#include "animation/ui/ChooseFrameDlg.h"

#include "controls/ui/Art.h"
#include "controls/ui/DlgControls.h"
#include "controls/ui/MyButton.h"
#include "controls/ui/MySlider.h"
#include "export/VideoExport.h"
#include "res/StringTable.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>

namespace {

constexpr int kRadioIds[] = {1092, 1095, 1098, 1101};

QLineEdit* NumberEdit(int id, const QRect& r, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::number(id));
    edit->setGeometry(r);
    return edit;
}

// Calls `then` whenever the edit loses the keyboard focus.
class FocusOut : public QObject {
public:
    FocusOut(QObject* parent, std::function<void()> then) : QObject(parent), m_then(std::move(then)) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusOut)
            m_then();
        return false;
    }

private:
    std::function<void()> m_then;
};

}  // namespace

CChooseFrameDlg::CChooseFrameDlg(int total, int current, FrameRenderer render, QWidget* parent)
        : CPbHelpDlg(kTemplateId, parent), m_choice(total, current), m_render(std::move(render))
{
    setWindowTitle(AppCaption(CapId::TitleChooseFrame));
    m_previewArea = QRect(16, 16, 240, 180);

    m_pSlider = new CDlgSlider(1112, this);
    m_pSlider->setRange(0, std::max(total - 1, 0));
    m_pSlider->setGeometry(16, 204, 240, 26);
    m_pCurrent = NumberEdit(1113, QRect(186, 236, 70, 22), this);

    int y = 16;
    for (int mode = 0; mode < 4; ++mode) {
        auto* radio = new CDlgRadioBtn(kRadioIds[mode], AppCaption(kRadioIds[mode]), this);
        radio->setGeometry(276, y, 130, 22);
        connect(radio, &QRadioButton::clicked, this, [this, mode] { ChooseMode(mode); });
        m_radios.push_back(radio);
        y += 28;
    }
    m_pFrom = NumberEdit(1103, QRect(276, 132, 60, 22), this);
    m_pTo = NumberEdit(1106, QRect(346, 132, 60, 22), this);
    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("1108"));
    m_pList->setGeometry(276, 132, 130, 96);
    m_pAdd = new CMyButton(1110, this);
    m_pAdd->SetPicture(ArtId::ButtonAdd);
    m_pAdd->setToolTip(AppCaption(1110));
    m_pAdd->move(416, 132);
    m_pRemove = new CMyButton(1111, this);
    m_pRemove->SetPicture(ArtId::ButtonRemove);
    m_pRemove->setToolTip(AppCaption(1111));
    m_pRemove->move(416, 176);
    connect(m_pAdd, &CMyButton::commandIssued, this, &CChooseFrameDlg::Add);
    connect(m_pRemove, &CMyButton::commandIssued, this, &CChooseFrameDlg::RemoveSelected);

    auto* ok = new CMyButton(1, this);
    ok->SetPicture(ArtId::ButtonOk);
    ok->SetWindowText(AppCaption(CapId::Ok));
    ok->SetShowCaption(true);
    ok->move(416, 12);
    auto* cancel = new CMyButton(2, this);
    cancel->SetPicture(ArtId::ButtonCancel);
    cancel->SetWindowText(AppCaption(CapId::Cancel));
    cancel->SetShowCaption(true);
    cancel->move(416, 70);
    connect(ok, &CMyButton::commandIssued, this, &CChooseFrameDlg::accept);
    connect(cancel, &CMyButton::commandIssued, this, &CChooseFrameDlg::reject);

    connect(m_pSlider, &CDlgSlider::hScroll, this, [this](int code, int position) {
        m_choice.SetCurrent(position);
        ShowValues();
        if (code == ScrollCode::EndScroll)
            RenderPreview();
    });
    connect(m_pCurrent, &QLineEdit::textEdited, this, [this](const QString& text) { SetCurrentText(text); });
    m_pFrom->installEventFilter(new FocusOut(this, [this] {
        m_choice.LeaveFrom(NumberOf(m_pFrom));
        ShowValues();
    }));
    m_pTo->installEventFilter(new FocusOut(this, [this] {
        m_choice.LeaveTo(NumberOf(m_pTo));
        ShowValues();
    }));
    resize(490, 270);

    ApplyMode();
    RenderPreview();
    ShowValues();
}

int CChooseFrameDlg::NumberOf(const QLineEdit* edit) const
{
    // As the dialog's number edits read: anything else is 0.
    return edit->text().trimmed().toInt();
}

void CChooseFrameDlg::ChooseMode(int mode)
{
    m_choice.SetMode(mode);
    ApplyMode();
}

void CChooseFrameDlg::ApplyMode()
{
    const int mode = m_choice.GetMode();
    m_pFrom->setVisible(mode == FrameChoice::kRange);
    m_pTo->setVisible(mode == FrameChoice::kRange);
    for (QWidget* w : {static_cast<QWidget*>(m_pList), static_cast<QWidget*>(m_pAdd), static_cast<QWidget*>(m_pRemove)})
        w->setVisible(mode == FrameChoice::kList);
    for (int i = 0; i < int(m_radios.size()); ++i)
        m_radios[size_t(i)]->SetCheck(i == mode);
}

void CChooseFrameDlg::ShowValues()
{
    if (m_bUpdating)
        return;
    m_bUpdating = true;
    m_pSlider->setValue(m_choice.Current());
    if (m_pCurrent->text() != QString::number(m_choice.Current()))
        m_pCurrent->setText(QString::number(m_choice.Current()));
    m_pFrom->setText(QString::number(m_choice.From()));
    m_pTo->setText(QString::number(m_choice.To()));
    m_bUpdating = false;
}

void CChooseFrameDlg::SetCurrentText(const QString& text)
{
    m_pCurrent->setText(text);
    m_choice.SetCurrent(text.trimmed().toInt());
    ShowValues();
    RenderPreview();
}

void CChooseFrameDlg::SetRangeTexts(const QString& from, const QString& to)
{
    m_pFrom->setText(from);
    m_choice.LeaveFrom(NumberOf(m_pFrom));
    m_pTo->setText(to);
    m_choice.LeaveTo(NumberOf(m_pTo));
    ShowValues();
}

void CChooseFrameDlg::Add()
{
    const int row = m_choice.AddCurrent();
    if (row >= 0)
        m_pList->insertItem(row, QString::number(m_choice.Current()));
}

void CChooseFrameDlg::RemoveSelected()
{
    const int row = m_pList->currentRow();
    if (row < 0)
        return;
    m_choice.RemoveAt(row);
    delete m_pList->takeItem(row);
}

void CChooseFrameDlg::RenderPreview()
{
    if (m_render)
        m_preview = m_render(m_choice.Current());
    update(m_previewArea);
}

QRect CChooseFrameDlg::PreviewRect() const
{
    if (m_preview.isNull())
        return {};
    const LetterboxRect r =
        LetterboxInto(m_previewArea.width(), m_previewArea.height(), m_preview.width(), m_preview.height());
    return QRect(m_previewArea.x() + r.x, m_previewArea.y() + r.y, r.width, r.height);
}

void CChooseFrameDlg::paintEvent(QPaintEvent* event)
{
    CPbHelpDlg::paintEvent(event);
    QPainter p(this);
    p.fillRect(m_previewArea, Qt::black);
    if (!m_preview.isNull())
        p.drawImage(PreviewRect(), m_preview);
}

void CChooseFrameDlg::accept()
{
    // A range edit still holding the focus counts as left.
    m_choice.LeaveFrom(NumberOf(m_pFrom));
    m_choice.LeaveTo(NumberOf(m_pTo));
    m_frames = m_choice.Result();
    QDialog::accept();
}
