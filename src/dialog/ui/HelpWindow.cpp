#include "dialog/ui/HelpWindow.h"

#include "controls/ui/Art.h"
#include "res/StringTable.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

CHelpWindow::CHelpWindow(LinkOpener opener, QWidget* parent) : QWidget(parent, Qt::Window), m_opener(std::move(opener))
{
    setObjectName(QStringLiteral("Help"));
    setWindowTitle(AppCaption(CapId::TitleHelp));
    setWindowIcon(AppIcon());
    resize(640, 560);

    m_pBack = new QToolButton(this);
    m_pBack->setText(QStringLiteral("\u25C0 ") + AppCaption(CapId::HelpBack));
    m_pForward = new QToolButton(this);
    m_pForward->setText(AppCaption(CapId::HelpForward) + QStringLiteral(" \u25B6"));
    for (QToolButton* button : {m_pBack, m_pForward}) {
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setEnabled(false);
    }
    m_pBack->setToolTip(QKeySequence(QKeySequence::Back).toString(QKeySequence::NativeText));
    m_pForward->setToolTip(QKeySequence(QKeySequence::Forward).toString(QKeySequence::NativeText));

    m_pBrowser = new QTextBrowser(this);
    // Links are followed here: the help pages inside, everything else outside.
    m_pBrowser->setOpenLinks(false);
    connect(m_pBrowser, &QTextBrowser::anchorClicked, this, &CHelpWindow::OnLink);
    connect(m_pBrowser, &QTextBrowser::backwardAvailable, m_pBack, &QToolButton::setEnabled);
    connect(m_pBrowser, &QTextBrowser::forwardAvailable, m_pForward, &QToolButton::setEnabled);
    connect(m_pBack, &QToolButton::clicked, m_pBrowser, &QTextBrowser::backward);
    connect(m_pForward, &QToolButton::clicked, m_pBrowser, &QTextBrowser::forward);
    connect(new QShortcut(QKeySequence::Back, this), &QShortcut::activated, m_pBrowser, &QTextBrowser::backward);
    connect(new QShortcut(QKeySequence::Forward, this), &QShortcut::activated, m_pBrowser, &QTextBrowser::forward);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_pBack);
    bar->addWidget(m_pForward);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(bar);
    layout->addWidget(m_pBrowser);
}

void CHelpWindow::ShowPage(const QUrl& page)
{
    if (page == m_pBrowser->source())
        return;
    m_pBrowser->setSource(page);
}

QUrl CHelpWindow::Page() const
{
    return m_pBrowser->source();
}

void CHelpWindow::OnLink(const QUrl& link)
{
    const QUrl target = m_pBrowser->source().resolved(link);
    if (target.isLocalFile())
        ShowPage(target);
    else if (m_opener)
        m_opener(target);
}
