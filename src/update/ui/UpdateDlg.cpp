#include "update/ui/UpdateDlg.h"

#include "controls/ui/UserPrompts.h"
#include "res/OutsideText.h"
#include "res/StringTable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString CaptionOr(int id, const char* fallback)
{
    return HasAppCaption(id) ? AppCaption(id) : QString::fromUtf8(fallback);
}

// The service's message as the box shows it: its lines kept, every other
// control character escaped.
QString ShownMessage(const QString& message)
{
    QStringList lines = message.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        line = ShownText(line);
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

CUpdateDlg::CUpdateDlg(UpdateAnswer answer, UserPrompts& prompts, QWidget* parent)
        : QDialog(parent), m_answer(std::move(answer)), m_prompts(prompts)
{
    setObjectName(QStringLiteral("UpdateDlg"));
    setWindowTitle(CaptionOr(CapId::TitleUpdate, "更新"));

    const bool critical = m_answer.status == UpdateAnswer::kCritical && HasAppString(StrId::CriticalUpdate);
    m_pHeading = new QLabel(
        critical ? AppString(StrId::CriticalUpdate) : CaptionOr(kHeadingId, "更新可用于您的软件版本."), this);
    m_pHeading->setObjectName(QString::number(kHeadingId));
    m_pHeading->setWordWrap(true);
    QFont headingFont = m_pHeading->font();
    headingFont.setBold(true);
    m_pHeading->setFont(headingFont);

    auto* label = new QLabel(CaptionOr(CapId::UpdateInfoLabel, "信息:"), this);
    m_pMessage = new QPlainTextEdit(ShownMessage(m_answer.Message()), this);
    m_pMessage->setObjectName(QString::number(kMessageId));
    m_pMessage->setReadOnly(true);
    m_pMessage->setFrameShape(QFrame::StyledPanel);
    m_pMessage->setMinimumSize(380, 120);

    m_pGetUpdate = new QPushButton(CaptionOr(CapId::GetUpdate, "获取更新"), this);
    m_pGetUpdate->setDefault(true);
    auto* cancel = new QPushButton(CaptionOr(CapId::Cancel, "取消"), this);
    m_pMoreInfo = new QPushButton(CaptionOr(kMoreInfoId, "更多网站信息"), this);
    m_pMoreInfo->setObjectName(QString::number(kMoreInfoId));
    m_pMoreInfo->setAutoDefault(false);
    m_pMoreInfo->setVisible(!m_answer.moreInfoUrl.isEmpty());
    connect(m_pGetUpdate, &QPushButton::clicked, this, &CUpdateDlg::OnGetUpdate);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pMoreInfo, &QPushButton::clicked, this, &CUpdateDlg::OnMoreInfo);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pMoreInfo);
    buttons->addStretch(1);
    buttons->addWidget(m_pGetUpdate);
    buttons->addWidget(cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_pHeading);
    column->addSpacing(6);
    column->addWidget(label);
    column->addWidget(m_pMessage, 1);
    column->addLayout(buttons);
}

QString CUpdateDlg::Heading() const
{
    return m_pHeading->text();
}

QString CUpdateDlg::MessageText() const
{
    return m_pMessage->toPlainText();
}

void CUpdateDlg::OnGetUpdate()
{
    OpenPage(m_answer.updateUrl);
    accept();
}

void CUpdateDlg::OnMoreInfo()
{
    OpenPage(m_answer.moreInfoUrl);
}

void CUpdateDlg::OpenPage(const QString& address)
{
    const QUrl url = WebPageUrl(address);
    if (!url.isEmpty())
        m_prompts.OpenUrl(url);
}
