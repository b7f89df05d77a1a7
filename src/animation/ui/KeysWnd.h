#pragma once
// The keyframe strip: a row of thumbnail slots between two scroll buttons,
// on top of the project's keyframe store. Clicks, double-clicks and the
// context menu run the store's operations; the store tells the project, which
// tells the main dialog (32775 apply power, 32772 keyframe picture, 32773
// active keyframe changed). The strip adds slots, scrolling and painting.

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class CMyButton;
class CThumbWnd;
class KeyframeStore;

class CKeysWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCmdScrollLeft = 1080;
    static constexpr int kCmdScrollRight = 1081;
    static constexpr int kCmdKeyPicture = 32772;
    // The context menu (resource 130), in its order; 0 is the separator.
    static constexpr int kCmdActivate = 32814;
    static constexpr int kCmdRepeat = 32815;
    static constexpr int kCmdDelete = 32816;
    static constexpr int kCmdMoveLeft = 32817;
    static constexpr int kCmdMoveRight = 32818;
    static constexpr int kCmdCopyToScreen = 32819;
    static constexpr int kCmdCopyFromScreen = 32820;
    static constexpr int kCmdDuration = 32777;
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
    // The menu's items for keyframe k, with the removed ones left out.
    std::vector<int> ContextMenuItems(int k) const;
    // Runs a context command on keyframe k.
    void OnContextCommand(int k, int id);
    // The scroll buttons.
    void OnCommand(int id);

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

    // A slot needs its keyframe's thumbnail rendered (32772).
    void KeyPictureNeeded() { emit command(kCmdKeyPicture); }

    int SlotCount() const { return int(m_slots.size()); }
    CThumbWnd* Slot(int s) const { return m_slots.at(size_t(s)); }
    CMyButton* ScrollButton(int id) const { return id == kCmdScrollLeft ? m_btnLeft : m_btnRight; }
    KeyframeStore& Keys() { return m_keys; }

signals:
    // Numeric commands for the main dialog (32772).
    void command(int id);
    // The keyframes were changed by the strip (a new, repeated, deleted, moved or
    // copied keyframe, a new duration): the project has unsaved changes.
    void keysEdited();
    // Around every command that may change the keyframes (a double-click, a
    // context command), so that it can be recorded as one undoable step; `id`
    // is the context command, 0 for a new keyframe.
    void editStarting();
    void editFinished(int id);

private:
    void ShowMenu(const std::vector<int>& commands, QPoint pos);
    // True when the keyframe got another duration.
    bool RunDuration(int k);

    CMyButton* m_btnRight = nullptr;
    CMyButton* m_btnLeft = nullptr;
    std::vector<CThumbWnd*> m_slots;
    KeyframeStore& m_keys;
    DurationQuery m_durationQuery;
    MenuRunner m_menuRunner;
    int m_nMenuKey = -1;  // the keyframe the shown context menu acts on
};
