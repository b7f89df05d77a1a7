#pragma once
// The update dialog: what the update service said, a button that opens the
// download page and one that opens a page with more information.

#include "update/UpdateAnswer.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class UserPrompts;

class CUpdateDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMoreInfoId = 1134;
    static constexpr int kHeadingId = 1135;
    static constexpr int kMessageId = 1136;

    CUpdateDlg(UpdateAnswer answer, UserPrompts& prompts, QWidget* parent = nullptr);

    QString Heading() const;
    QString MessageText() const;
    QPushButton* GetUpdateButton() const { return m_pGetUpdate; }
    QPushButton* MoreInfoButton() const { return m_pMoreInfo; }

    // Get update: opens the update page, then closes the dialog.
    void OnGetUpdate();
    // More information: opens the information page; the dialog stays open.
    void OnMoreInfo();

private:
    // Opens an http or https address of the answer; anything else is left alone.
    void OpenPage(const QString& address);

    UpdateAnswer m_answer;
    UserPrompts& m_prompts;
    QLabel* m_pHeading = nullptr;
    QPlainTextEdit* m_pMessage = nullptr;
    QPushButton* m_pGetUpdate = nullptr;
    QPushButton* m_pMoreInfo = nullptr;
};
