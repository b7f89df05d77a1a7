#pragma once
// The keyframe strip: a row of thumbnail slots between two scroll buttons,
// on top of the project's keyframe store. Clicks, double-clicks and the
// context menu run the store's operations; the store tells the project, which
// tells the main dialog. The strip adds slots, scrolling and painting, and
// asks for a keyframe's thumbnail when a slot needs one (thumbnailWanted).
// Its commands (the scroll buttons and the context menu's items) are actions
// the strip makes; the main dialog's command registry adopts them.

#include "res/CommandIds.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class CMyButton;
class CThumbWnd;
class KeyframeStore;
class QAction;

class CKeysWnd : public QWidget {
    Q_OBJECT
public:
    // Where the scroll buttons stand from the top.
    static constexpr int kButtonTop = 26;

    // Asks for a new duration (the duration dialog); nothing when cancelled.
    using DurationQuery = std::function<std::optional<int>(QWidget* parent, int duration)>;
    // Shows the context menu with its right edge at `pos` and returns nothing;
    // the chosen command comes back through OnContextCommand.
    using MenuRunner = std::function<void(const std::vector<int>& commands, QPoint pos)>;

    CKeysWnd(KeyframeStore& keys, QWidget* parent = nullptr);
    ~CKeysWnd() override;

    // Lays the strip out in its current size: moves itself to the width the
    // slots need, centred in the span it had.
    void CreateSlots();
    void SetDurationQuery(DurationQuery query) { m_durationQuery = std::move(query); }
    void SetMenuRunner(MenuRunner runner) { m_menuRunner = std::move(runner); }

    // Slot s's mouse actions (k = first visible + s).
    void OnSlotClick(int s);
    void OnSlotDoubleClick(int s);
    void OnSlotRightClick(int s, QPoint globalPos);
    // The menu's items for keyframe k (Cmd::Key..., 0 for the separator), with
    // the removed ones left out.
    std::vector<int> ContextMenuItems(int k) const;
    // Runs a context command on keyframe k.
    void OnContextCommand(int k, int id);
    // The scroll buttons (Cmd::KeysLeft and Cmd::KeysRight).
    void OnCommand(int id);
    // The strip's commands: the scroll buttons and the context menu's items.
    const std::vector<QAction*>& Actions() const { return m_actions; }

    void RefreshSlots();
    void Highlight(int s);
    void UpdateScrollButtons();
    void RefreshTooltips();
    void RequestPicture(int i);
    void SelectKey(int i);
    // Empties the store and the slots.
    void ResetKeys();
    // After the store was filled from elsewhere (a project read, a new picture):
    // slots, tooltips, highlight and scroll buttons follow it.
    void KeysChanged();

    // A slot needs its keyframe's thumbnail rendered.
    void KeyPictureNeeded() { emit thumbnailWanted(); }

    int SlotCount() const { return int(m_slots.size()); }
    CThumbWnd* Slot(int s) const { return m_slots.at(size_t(s)); }
    CMyButton* ScrollButton(int id) const { return id == Cmd::KeysLeft ? m_btnLeft : m_btnRight; }
    KeyframeStore& Keys() { return m_keys; }

signals:
    // The active keyframe's thumbnail is to be rendered from the work picture.
    void thumbnailWanted();
    // The keyframes were changed by the strip (a new, repeated, deleted, moved or
    // copied keyframe, a new duration): the project has unsaved changes.
    void keysEdited();
    // Around every command that may change the keyframes (a double-click, a
    // context command), so that it can be recorded as one undoable step; `id`
    // is the context command, 0 for a new keyframe.
    void editStarting();
    void editFinished(int id);

private:
    QAction* CommandAction(int id) const;
    void ShowMenu(const std::vector<int>& commands, QPoint pos);
    // True when the keyframe got another duration.
    bool RunDuration(int k);

    std::vector<QAction*> m_actions;
    CMyButton* m_btnRight = nullptr;
    CMyButton* m_btnLeft = nullptr;
    std::vector<CThumbWnd*> m_slots;
    KeyframeStore& m_keys;
    DurationQuery m_durationQuery;
    MenuRunner m_menuRunner;
    int m_nMenuKey = -1;  // the keyframe the shown context menu acts on
};
