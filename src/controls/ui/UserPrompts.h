#pragma once
// Everything the main window asks the user in a modal box: messages and the
// project and picture file names. The program uses StandardPrompts; tests put a
// scripted implementation in its place so that nothing blocks.

#include <QString>
#include <QUrl>

class QWidget;

enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Question, Exclamation };
enum class MsgAnswer { Ok, Yes, No, Cancel };

class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // A message box with the program's caption (string 1062).
    virtual MsgAnswer Message(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon) = 0;
    // A picture file to open, starting in the pictures folder; empty when cancelled.
    virtual QString AskOpenPicture(QWidget* parent) = 0;
    // A project file to open, starting in `folder`; empty when cancelled.
    virtual QString AskOpenProject(QWidget* parent, const QString& folder) = 0;
    // A project file to save to, starting from the proposed full path; empty when cancelled.
    virtual QString AskSaveProject(QWidget* parent, const QString& proposed) = 0;
    // Opens a web page or a local help page in the user's browser; false when
    // nothing could open it. When no browser takes the page, the user is shown
    // its address to copy.
    virtual bool OpenUrl(const QUrl& url) = 0;
};

// Qt's message boxes and file dialogs. Web pages open through xdg-open where
// there is one, whose exit status tells whether a browser took the page.
class StandardPrompts : public UserPrompts {
public:
    MsgAnswer Message(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon) override;
    QString AskOpenPicture(QWidget* parent) override;
    QString AskOpenProject(QWidget* parent, const QString& folder) override;
    QString AskSaveProject(QWidget* parent, const QString& proposed) override;
    bool OpenUrl(const QUrl& url) override;
};

// For runs without a person (the documentation's screenshots): each message is
// printed on the terminal and counted, a question gets its escape answer, and
// no file is asked for.
class TerminalPrompts : public UserPrompts {
public:
    MsgAnswer Message(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon) override;
    QString AskOpenPicture(QWidget*) override { return {}; }
    QString AskOpenProject(QWidget*, const QString&) override { return {}; }
    QString AskSaveProject(QWidget*, const QString&) override { return {}; }
    bool OpenUrl(const QUrl&) override { return false; }
    // How many messages were printed.
    int Messages() const { return m_nMessages; }

private:
    int m_nMessages = 0;
};
