// The main dialog's options: the options menu with its toggles, the
// output-size choice of the finish screen, and help.

#include "dialog/ui/Kib3Dlg.h"

#include "animation/ui/KeysWnd.h"
#include "app/AppState.h"
#include "controls/ui/UserPrompts.h"
#include "controls/ui/BMenu.h"
#include "controls/ui/MyButton.h"
#include "dialog/ui/HelpPages.h"
#include "dialog/ui/HelpWindow.h"
#include "dialog/ui/UndoCommands.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QCursor>

namespace {

constexpr int kOptionToggles[] = {Cmd::ToggleDuration, Cmd::ToggleNumber, Cmd::ToggleTips, Cmd::ToggleAnimation,
                                  Cmd::ToggleInterpVideo};

bool* OptionFlag(int id)
{
    AppState& app = App();
    switch (id) {
    case Cmd::ToggleDuration: return &app.m_bShowDuration;
    case Cmd::ToggleNumber: return &app.m_bShowNumber;
    case Cmd::ToggleTips: return &app.m_bShowTips;
    case Cmd::ToggleAnimation: return &app.m_bShowAnimation;
    case Cmd::ToggleInterpVideo: return &app.m_bInterpVideo;
    default: return nullptr;
    }
}

}  // namespace

void CKib3Dlg::OnOptionsMenu()
{
    std::vector<BMenuItem> items = m_pUndo->MenuItems();
    items.insert(items.end(), {
                                  {QString(), false, 0},
                                  {AppCaption(Cmd::Help), false, Cmd::Help},
                                  {AppCaption(Cmd::About), false, Cmd::About},
                                  {QString(), false, 0},
                              });
    for (int id : kOptionToggles)
        items.push_back({AppCaption(id), *OptionFlag(id), id});
    auto* menu = new CBMenu(std::move(items), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu, &CBMenu::commandIssued, this, &CKib3Dlg::OnCommand, Qt::QueuedConnection);
    connect(menu, &CBMenu::helpRequested, this, [this](int) { OnHelp(HelpContextForScreen(m_nScreen)); });
    menu->Track(QCursor::pos());
}

bool CKib3Dlg::ToggleOption(int id)
{
    bool* flag = OptionFlag(id);
    if (!flag)
        return false;
    *flag = !*flag;
    // The slots paint over the dialog: a repaint of the dialog leaves them as they were.
    if (id == Cmd::ToggleDuration || id == Cmd::ToggleNumber)
        m_pKeysWnd->RefreshSlots();
    update();
    return true;
}

void CKib3Dlg::OnSaveMode(int id)
{
    App().m_nSaveMode = id == Cmd::SaveModeScreen ? 0 : id == Cmd::SaveModePicture ? 1 : 2;
    UpdateSaveModeChoice();
}

void CKib3Dlg::UpdateSaveModeChoice()
{
    const int chosen = App().m_nSaveMode == 0   ? Cmd::SaveModeScreen
                       : App().m_nSaveMode == 2 ? Cmd::SaveModeCustom
                                                : Cmd::SaveModePicture;
    for (const auto& [id, radio] : m_saveModes) {
        radio->SetCheck(id == chosen);
        radio->SetLatched(id == chosen);
    }
}

void CKib3Dlg::OnHelp(int context)
{
    // The program's own help window: help works without a web browser.
    const QUrl page = HelpPageUrl(context, m_options.helpFolders);
    if (page.isEmpty()) {
        m_prompts.Message(this, AppString(StrId::CannotReadFile), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    // A modal dialog asking for help would block a window of this one: the
    // help window goes with the dialog then (and with it when it closes).
    QWidget* modal = QApplication::activeModalWidget();
    QWidget* owner = modal && modal != this ? modal : this;
    if (!m_pHelp)
        m_pHelp = new CHelpWindow([this](const QUrl& url) { return m_prompts.OpenUrl(url); }, owner);
    else if (m_pHelp->parentWidget() != owner)
        m_pHelp->setParent(owner, m_pHelp->windowFlags());
    m_pHelp->ShowPage(page);
    m_pHelp->show();
    m_pHelp->raise();
    m_pHelp->activateWindow();
}
