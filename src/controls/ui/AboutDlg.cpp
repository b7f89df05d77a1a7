#include "controls/ui/AboutDlg.h"

#include "controls/ui/Art.h"
#include "res/StringTable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef WARPLET_VERSION_MAJOR
#define WARPLET_VERSION_MAJOR 3
#define WARPLET_VERSION_MINOR 5
#define WARPLET_VERSION_PATCH 0
#define WARPLET_VERSION_TWEAK 0
#endif

QString AboutVersionText(const QString& format)
{
    QString text = format.isEmpty() ? QStringLiteral("Tavmor Warplet v. %d.%d.%d.%d") : format;
    const int parts[4] = {WARPLET_VERSION_MAJOR, WARPLET_VERSION_MINOR, WARPLET_VERSION_PATCH, WARPLET_VERSION_TWEAK};
    for (int part : parts) {
        const qsizetype at = text.indexOf(QLatin1String("%d"));
        if (at < 0)
            break;
        text.replace(at, 2, QString::number(part));
    }
    return text;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QString::number(kTemplateId));
    setWindowTitle(HasAppCaption(CapId::TitleAbout) ? AppCaption(CapId::TitleAbout) : QStringLiteral("关于"));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(64, 64));
    m_pVersion = new QLabel(AboutVersionText(AppCaption(kVersionId)), this);
    m_pVersion->setObjectName(QString::number(kVersionId));
    auto* ok = new QPushButton(HasAppCaption(CapId::Ok) ? AppCaption(CapId::Ok) : QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(m_pVersion, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(ok, 0, Qt::AlignRight);
}

QString CAboutDlg::VersionText() const
{
    return m_pVersion->text();
}
