#include "animation/ui/KeysWnd.h"

#include "animation/KeyframeStore.h"
#include "animation/ui/DurationDlg.h"
#include "animation/ui/ThumbWnd.h"
#include "controls/ui/Art.h"
#include "controls/ui/BMenu.h"
#include "controls/ui/CommandRegistry.h"
#include "controls/ui/MyButton.h"
#include "res/StringTable.h"

#include <QAction>

#include <algorithm>
#include <utility>

namespace {

using Item = KeyframeStore::ContextItem;

struct MenuEntry {
    int id;
    Item item;
};

// The context menu, in its order; the duration follows a separator.
constexpr MenuEntry kMenu[] = {
    {Cmd::KeyActivate, Item::Activate},
    {Cmd::KeyRepeat, Item::Repeat},
    {Cmd::KeyDelete, Item::Delete},
    {Cmd::KeyMoveLeft, Item::MoveLeft},
    {Cmd::KeyMoveRight, Item::MoveRight},
    {Cmd::KeyCopyToScreen, Item::CopyToScreen},
    {Cmd::KeyCopyFromScreen, Item::CopyFromScreen},
};

// Puts the two numbers in place of the text's first two "%d".
QString FormatNumbers(QString text, int first, int second)
{
    for (int value : {first, second}) {
        const qsizetype at = text.indexOf(QLatin1String("%d"));
        if (at < 0)
            break;
        text.replace(at, 2, QString::number(value));
    }
    return text;
}

}  // namespace

CKeysWnd::CKeysWnd(KeyframeStore& keys, QWidget* parent) : QWidget(parent), m_keys(keys)
{
    setObjectName(QStringLiteral("Keys"));
    for (const int id : {Cmd::KeysLeft, Cmd::KeysRight}) {
        QAction* action = MakeCommandAction(id, this);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        m_actions.push_back(action);
    }
    // A chosen item acts on the keyframe whose menu it was chosen from.
    std::vector<int> menu;
    for (const MenuEntry& entry : kMenu)
        menu.push_back(entry.id);
    menu.push_back(Cmd::KeyDuration);
    for (const int id : menu) {
        QAction* action = MakeCommandAction(id, this);
        connect(action, &QAction::triggered, this, [this, id] { OnContextCommand(std::exchange(m_nMenuKey, -1), id); });
        m_actions.push_back(action);
    }
    m_btnRight = new CMyButton(Cmd::KeysRight, this);
    m_btnRight->SetPicture(ArtId::ScrollRight);
    m_btnRight->SetAction(CommandAction(Cmd::KeysRight));
    m_btnLeft = new CMyButton(Cmd::KeysLeft, this);
    m_btnLeft->SetPicture(ArtId::ScrollLeft);
    m_btnLeft->SetAction(CommandAction(Cmd::KeysLeft));
    m_durationQuery = [](QWidget* parent, int duration) -> std::optional<int> {
        CDurationDlg dlg(duration, parent);
        if (dlg.exec() != QDialog::Accepted)
            return std::nullopt;
        return dlg.Duration();
    };
    m_menuRunner = [this](const std::vector<int>& commands, QPoint pos) { ShowMenu(commands, pos); };
}

CKeysWnd::~CKeysWnd() = default;

QAction* CKeysWnd::CommandAction(int id) const
{
    const auto it =
        std::find_if(m_actions.begin(), m_actions.end(), [id](const QAction* a) { return CommandId(a) == id; });
    return it == m_actions.end() ? nullptr : *it;
}

void CKeysWnd::CreateSlots()
{
    const int W = width(), H = height();
    const int bw = m_btnRight->width(), bh = m_btnRight->height();
    // As many slots of H + 6 as fit between the buttons, the strip shrunk to them.
    const int d = (H + 6) * ((W - 2 * bw) / (H + 6)) + 2 * bw;
    setGeometry(x() + (W - d) / 2, y(), d, H);
    m_btnLeft->setGeometry(0, kButtonTop, bw, bh);
    m_btnRight->setGeometry(d - bw, kButtonTop, bw, bh);

    for (CThumbWnd* slot : m_slots)
        delete slot;
    m_slots.clear();
    const int n = std::max((d - 2 * bw) / H, 1);
    for (int l = 0; l < n; ++l) {
        const int x = n == 1 ? bw : (l * (d - bw - H) + (n - l - 1) * bw) / (n - 1);
        auto* slot = new CThumbWnd(l, m_keys, this);
        slot->setGeometry(x, 0, H, H);
        slot->SetTooltip(AppString(l == 0 ? StrId::InitialFrame : StrId::EmptyKeyframe));
        slot->show();
        m_slots.push_back(slot);
    }
    m_keys.SetSelected(1);
    m_keys.SetActive(1);
    Highlight(1 - m_keys.FirstVisible());
    UpdateScrollButtons();
}

void CKeysWnd::OnSlotClick(int s)
{
    // The empty slot's single click does nothing; only a double-click makes a keyframe.
    m_keys.ClickKey(m_keys.FirstVisible() + s);
    KeysChanged();
}

void CKeysWnd::OnSlotDoubleClick(int s)
{
    const int k = m_keys.FirstVisible() + s;
    if (k > m_keys.Count())
        return;  // a blank slot beyond the empty one
    const int before = m_keys.Count();
    emit editStarting();
    m_keys.DoubleClickKey(k);
    emit editFinished(0);
    KeysChanged();
    if (m_keys.Count() != before)
        emit keysEdited();
}

void CKeysWnd::OnSlotRightClick(int s, QPoint globalPos)
{
    const int k = m_keys.FirstVisible() + s;
    if (m_keys.Count() == 0 || k > m_keys.Count())
        return;
    const std::vector<int> items = ContextMenuItems(k);
    if (items.empty())
        return;
    // The command runs on keyframe k when it is chosen; until then the
    // selection stays the keyframe commands act on.
    m_nMenuKey = k;
    m_menuRunner(items, globalPos);
}

std::vector<int> CKeysWnd::ContextMenuItems(int k) const
{
    std::vector<int> items;
    for (const MenuEntry& entry : kMenu) {
        if (m_keys.ContextItemAvailable(entry.item, k))
            items.push_back(entry.id);
    }
    if (m_keys.ContextItemAvailable(Item::Duration, k)) {
        items.push_back(0);
        items.push_back(Cmd::KeyDuration);
    }
    return items;
}

void CKeysWnd::OnContextCommand(int k, int id)
{
    if (k < 0 || k > m_keys.Count())
        return;
    const std::vector<int> items = ContextMenuItems(k);
    if (std::find(items.begin(), items.end(), id) == items.end())
        return;  // the strip changed since the menu was shown
    const int before = m_keys.Count();
    bool changed = true;
    emit editStarting();
    switch (id) {
    case Cmd::KeyActivate: m_keys.Activate(k); break;
    case Cmd::KeyRepeat: m_keys.Repeat(k); break;
    case Cmd::KeyDelete: m_keys.Delete(k); break;
    case Cmd::KeyMoveLeft: m_keys.MoveLeft(k); break;
    case Cmd::KeyMoveRight: m_keys.MoveRight(k); break;
    case Cmd::KeyCopyToScreen: m_keys.CopyToScreen(k); break;
    case Cmd::KeyCopyFromScreen: m_keys.CopyFromScreen(k); break;
    case Cmd::KeyDuration: changed = RunDuration(k); break;
    default: break;
    }
    emit editFinished(id);
    KeysChanged();
    // Activating another keyframe only changes which one is edited; a cancelled
    // duration changes nothing.
    if (changed && (id != Cmd::KeyActivate || m_keys.Count() != before))
        emit keysEdited();
}

bool CKeysWnd::RunDuration(int k)
{
    const int duration = m_keys.Key(k).Duration();
    const std::optional<int> frames = m_durationQuery(this, duration);
    if (!frames || *frames == duration)
        return false;
    m_keys.SetDuration(k, *frames);
    return true;
}

void CKeysWnd::ShowMenu(const std::vector<int>& commands, QPoint pos)
{
    std::vector<BMenuItem> items;
    for (int id : commands)
        items.push_back(BMenuItem::FromAction(id ? CommandAction(id) : nullptr));
    auto* menu = new CBMenu(std::move(items), window());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->Track(pos);
    // Right-aligned at the cursor (unless the screen's edge moved it already).
    if (menu->x() == pos.x())
        menu->move(pos.x() - menu->width(), menu->y());
}

void CKeysWnd::OnCommand(int id)
{
    if (id == Cmd::KeysLeft)
        m_keys.ScrollLeft();
    else if (id == Cmd::KeysRight && m_keys.RightScrollVisible(SlotCount()))
        m_keys.ScrollRight();
    else
        return;
    Highlight(m_keys.Selected() - m_keys.FirstVisible());
    RefreshSlots();
    RefreshTooltips();
    UpdateScrollButtons();
}

void CKeysWnd::RefreshSlots()
{
    for (int s = 0; s < SlotCount(); ++s) {
        const int k = m_keys.FirstVisible() + s;
        if (k < m_keys.Count())
            m_slots[size_t(s)]->SetKey(&m_keys.Key(k), k);
        else
            m_slots[size_t(s)]->SetKey(nullptr, -1);
    }
}

void CKeysWnd::Highlight(int s)
{
    for (int i = 0; i < SlotCount(); ++i)
        m_slots[size_t(i)]->SetSelected(i == s);
}

void CKeysWnd::UpdateScrollButtons()
{
    m_btnLeft->setVisible(m_keys.LeftScrollVisible());
    m_btnRight->setVisible(m_keys.RightScrollVisible(SlotCount()));
}

void CKeysWnd::RefreshTooltips()
{
    const int count = m_keys.Count();
    for (int s = 0; s < SlotCount(); ++s) {
        const int k = m_keys.FirstVisible() + s;
        QString text;
        if (k == 0)
            text = AppString(StrId::InitialFrame);
        else if (k < count)
            text = FormatNumbers(AppString(StrId::KeyframeTooltip), k, m_keys.Key(k).Duration());
        else if (k == count)
            text = AppString(StrId::NextKeyframe);
        else
            text = AppString(StrId::EmptyKeyframe);
        m_slots[size_t(s)]->SetTooltip(text);
    }
}

void CKeysWnd::RequestPicture(int i)
{
    const int s = i - m_keys.FirstVisible();
    if (s >= 0 && s < SlotCount())
        m_slots[size_t(s)]->RequestPicture();
}

void CKeysWnd::SelectKey(int i)
{
    Highlight(i - m_keys.FirstVisible());
}

void CKeysWnd::ResetKeys()
{
    m_keys.ResetKeys();
    KeysChanged();
}

void CKeysWnd::KeysChanged()
{
    RefreshSlots();
    Highlight(m_keys.Selected() - m_keys.FirstVisible());
    UpdateScrollButtons();
    RefreshTooltips();
}
