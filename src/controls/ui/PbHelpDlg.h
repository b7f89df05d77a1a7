#pragma once
// Base of the program's skinned dialogs: background tiles of the dialog
// bitmap, group frames of the skin, tinted read-only edits and a client size
// of whole tiles.

#include <QDialog>

#include <vector>

class CMyButton;
class CMyGroupBox;

// A window that shows help: F1 in a dialog opens the dialog's topic in the
// nearest such window among its parents.
class HelpHost {
public:
    virtual ~HelpHost() = default;
    virtual void ShowHelp(int context) = 0;
};

class CPbHelpDlg : public QDialog {
    Q_OBJECT
public:
    // `templateId` names the dialog (its help topic is 0x20000 + templateId).
    explicit CPbHelpDlg(int templateId, QWidget* parent = nullptr);

    int TemplateId() const { return m_nTemplateId; }
    // A group frame at `rect`; at most ten per dialog (nullptr beyond).
    CMyGroupBox* AddGroupBox(const QString& caption, const QRect& rect);
    const std::vector<CMyGroupBox*>& GroupBoxes() const { return m_groupBoxes; }
    QSize TileSize() const { return m_background.size(); }
    int HelpContext() const { return 0x20000 + m_nTemplateId; }

    static constexpr int kMaxGroupBoxes = 10;
    // The identifiers of the OK and Cancel buttons.
    static constexpr int kIdOk = 1;
    static constexpr int kIdCancel = 2;
    // The dialog's skinned button with identifier `id`, or nullptr.
    CMyButton* Button(int id) const;
    // Skinned OK and Cancel buttons with their captions, OK at (left, top) and
    // Cancel `gap` pixels under it, accepting and rejecting the dialog.
    struct OkCancel {
        CMyButton* ok;
        CMyButton* cancel;
    };
    OkCancel AddOkCancel(int left, int top, int gap);

signals:
    // F1 or the Help command: the help context to open (also shown by the
    // nearest HelpHost among the parents).
    void helpRequested(int context);

protected:
    // Runs once, when the dialog is first shown: tints the read-only and
    // disabled edits and rounds the client size up to whole tiles.
    virtual void OnInitDialog();
    void ApplyEditColours();
    void ResizeToWholeTiles();

    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // F1 asks for help; Enter is a click on OK and Escape one on Cancel (the
    // skinned buttons take no focus, so no button is the default one).
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_nTemplateId;
    bool m_bInitialised = false;
    QPixmap m_background;
    std::vector<CMyGroupBox*> m_groupBoxes;
};
