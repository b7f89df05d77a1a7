#pragma once
// The help window: the shipped help pages in a text browser with back and
// forward, so that help works on a machine without a web browser. Links
// between the pages stay in the window; links elsewhere go to the system's
// browser.

#include <QUrl>
#include <QWidget>

#include <functional>

class QTextBrowser;
class QToolButton;

class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    // Opens an external link (the system's browser); false when it could not.
    using LinkOpener = std::function<bool(const QUrl&)>;

    explicit CHelpWindow(LinkOpener opener, QWidget* parent = nullptr);

    // Shows `page` (a local help page), keeping the way back.
    void ShowPage(const QUrl& page);
    QUrl Page() const;
    QTextBrowser* Browser() const { return m_pBrowser; }
    QToolButton* BackButton() const { return m_pBack; }
    QToolButton* ForwardButton() const { return m_pForward; }

private:
    void OnLink(const QUrl& link);

    LinkOpener m_opener;
    QTextBrowser* m_pBrowser = nullptr;
    QToolButton* m_pBack = nullptr;
    QToolButton* m_pForward = nullptr;
};
