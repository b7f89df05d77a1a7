#include "controls/ui/SizeDlg.h"

#include "controls/SkinArithmetic.h"
#include "controls/ui/Art.h"
#include "controls/ui/MyButton.h"
#include "res/StringTable.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr int kEditId = 1115;
constexpr int kSpinId = 1116;
constexpr int kWidthId = 1117;
constexpr int kHeightId = 1118;

QString CaptionOr(int id, const char* fallback)
{
    return HasAppCaption(id) ? AppCaption(id) : QString::fromUtf8(fallback);
}

}  // namespace

CSizeDlg::CSizeDlg(int pictureWidth, int pictureHeight, int percent, QWidget* parent)
        : CPbHelpDlg(kTemplateId, parent), m_nWidth(pictureWidth), m_nHeight(pictureHeight), m_nPercent(percent)
{
    setWindowTitle(CaptionOr(CapId::TitlePictureSize, "设置图片大小"));
    auto label = [this](const QString& text, const QRect& r) {
        auto* l = new QLabel(text, this);
        l->setGeometry(r);
        return l;
    };
    label(CaptionOr(CapId::PictureSizeX, "图片大小 X :"), QRect(20, 20, 110, 22));
    label(CaptionOr(CapId::PictureSizeY, "图片大小 Y :"), QRect(20, 52, 110, 22));

    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName(QString::number(kEditId));
    m_pEdit->setGeometry(140, 84, 70, 22);
    auto* up = new QToolButton(this);
    up->setObjectName(QString::number(kSpinId));
    up->setArrowType(Qt::UpArrow);
    up->setGeometry(210, 84, 18, 11);
    auto* down = new QToolButton(this);
    down->setArrowType(Qt::DownArrow);
    down->setGeometry(210, 95, 18, 11);
    up->setToolTip(AppString(kSpinId));
    down->setToolTip(AppString(kSpinId));
    connect(up, &QToolButton::clicked, this, [this] { Spin(+1); });
    connect(down, &QToolButton::clicked, this, [this] { Spin(-1); });
    label(CaptionOr(CapId::Percent, "%"), QRect(234, 84, 20, 22));

    m_pWidth = new QLineEdit(this);
    m_pWidth->setObjectName(QString::number(kWidthId));
    m_pWidth->setReadOnly(true);
    m_pWidth->setGeometry(140, 20, 90, 22);
    m_pHeight = new QLineEdit(this);
    m_pHeight->setObjectName(QString::number(kHeightId));
    m_pHeight->setReadOnly(true);
    m_pHeight->setGeometry(140, 52, 90, 22);

    m_pOk = new CMyButton(1, this);
    m_pOk->SetPicture(ArtId::ButtonOk);
    m_pOk->SetWindowText(CaptionOr(CapId::Ok, "确定"));
    m_pOk->SetShowCaption(true);
    m_pOk->move(270, 20);
    m_pCancel = new CMyButton(2, this);
    m_pCancel->SetPicture(ArtId::ButtonCancel);
    m_pCancel->SetWindowText(CaptionOr(CapId::Cancel, "取消"));
    m_pCancel->SetShowCaption(true);
    m_pCancel->move(270, 72);
    connect(m_pOk, &CMyButton::commandIssued, this, &CSizeDlg::accept);
    connect(m_pCancel, &CMyButton::commandIssued, this, &CSizeDlg::reject);

    connect(m_pEdit, &QLineEdit::textChanged, this, [this] {
        if (m_bReady)
            UpdateTexts();
    });
    resize(330, 130);
    // The values are in place before the dialog is shown.
    m_pEdit->setText(QString::number(std::clamp(m_nPercent, kMinPercent, kMaxPercent)));
    m_bReady = true;
    UpdateTexts();
}

void CSizeDlg::OnInitDialog()
{
    CPbHelpDlg::OnInitDialog();
}

QString CSizeDlg::WidthText() const
{
    return m_pWidth->text();
}

QString CSizeDlg::HeightText() const
{
    return m_pHeight->text();
}

void CSizeDlg::UpdateTexts()
{
    bool ok = false;
    const int percent = m_pEdit->text().trimmed().toInt(&ok);
    const int shown = ok ? percent : 0;  // like reading a non-number as 0
    m_pWidth->setText(QString::number(ScaledSide(m_nWidth, shown)));
    m_pHeight->setText(QString::number(ScaledSide(m_nHeight, shown)));
}

void CSizeDlg::Spin(int steps)
{
    bool ok = false;
    int value = m_pEdit->text().trimmed().toInt(&ok);
    if (!ok)
        value = m_nPercent;
    value = std::clamp(value, kMinPercent, kMaxPercent);
    value = std::clamp(value + steps, kMinPercent, kMaxPercent);
    m_pEdit->setText(QString::number(value));
}

void CSizeDlg::accept()
{
    bool ok = false;
    const int value = m_pEdit->text().trimmed().toInt(&ok);
    if (!ok || value < kMinPercent || value > kMaxPercent) {
        // A size outside 1..10000 % would give an empty or enormous picture.
        QString text = AppString(StrId::EnterIntegerBetween);
        if (text.isEmpty())
            text = QStringLiteral("Enter an integer between %1 and %2.");
        QMessageBox::warning(this, AppString(StrId::ProductName),
                             text.replace(QStringLiteral("%1"), QString::number(kMinPercent))
                                 .replace(QStringLiteral("%2"), QString::number(kMaxPercent)));
        m_pEdit->setFocus();
        return;
    }
    m_nPercent = value;
    QDialog::accept();
}
