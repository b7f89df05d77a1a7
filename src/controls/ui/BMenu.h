#pragma once
// The skin's popup menu: yellow items in a rounded window with a ring of the
// menu bitmap, chosen with the mouse or the keyboard.

#include <QPointer>
#include <QString>
#include <QWidget>

#include <vector>

class QAction;

struct BMenuItem {
    BMenuItem() = default;
    BMenuItem(QString text_, bool checked_, int id_, bool enabled_ = true, QString shortcut_ = {})
            : text(std::move(text_)), checked(checked_), id(id_), enabled(enabled_), shortcut(std::move(shortcut_))
    {}

    QString text;  // empty: a separator
    bool checked = false;
    int id = 0;                // command identifier
    bool enabled = true;       // a disabled item is greyed and cannot be chosen
    QString shortcut;          // shown right-aligned, e.g. "Ctrl+Z"
    QPointer<QAction> action;  // triggered when the item is chosen, when there is one

    // The item of a command's action: its text, checked and enabled state and
    // first shortcut; a null action makes a separator.
    static BMenuItem FromAction(QAction* action);
};

class CBMenu : public QWidget {
    Q_OBJECT
public:
    // `owner` receives the focus back when the menu closes; it is not the parent.
    CBMenu(std::vector<BMenuItem> items, QWidget* owner = nullptr);

    // Shows the menu with its top-left corner at `globalPos` (moved left or up
    // by its own size when it would leave the screen), at least `width` wide.
    void Track(const QPoint& globalPos, int width = 0);

    const std::vector<BMenuItem>& Items() const { return m_items; }
    int HotItem() const { return m_nHot; }  // -1: none
    int ItemHeight() const { return m_nItemHeight; }
    QRect ItemRect(int index) const;
    // Index of the item under a point of the window; -1 for none.
    int ItemAt(const QPoint& pos) const;

    static constexpr int kSideMargin = 10;
    static constexpr int kTopMargin = 5;
    static constexpr int kCorner = 20;
    static constexpr int kBorder = 3;

signals:
    // An item was chosen: its command identifier. An item with an action
    // triggers it as well, once the menu has closed.
    void commandIssued(int id);
    // F1 on an item: the help context of its command (0x10000 + identifier).
    void helpRequested(int context);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void SetHot(int index);
    void MoveHot(int step);
    void Choose();
    bool Choosable(int index) const;
    QSize ComputeSize(int requestedWidth) const;

    std::vector<BMenuItem> m_items;
    QWidget* m_pOwner;
    QFont m_font;
    int m_nItemHeight = 0;
    int m_nHot = -1;
};
