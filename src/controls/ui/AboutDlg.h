#pragma once
// The about box: the icon, the version text and OK.

#include <QDialog>

class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 377;
    static constexpr int kVersionId = 1131;

    explicit CAboutDlg(QWidget* parent = nullptr);
    QString VersionText() const;

private:
    QLabel* m_pVersion = nullptr;
};

// The version text: `format` (four "%d") filled with the program's version;
// an empty format stands for "Tavmor Warplet v. %d.%d.%d.%d".
QString AboutVersionText(const QString& format);
