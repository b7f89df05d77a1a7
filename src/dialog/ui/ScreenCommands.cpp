#include "dialog/ui/ScreenCommands.h"

#include "controls/ui/CommandRegistry.h"
#include "controls/ui/MyButton.h"
#include "dialog/ui/DialogLayout.h"
#include "dialog/ui/ScreenStack.h"
#include "res/StringTable.h"

namespace {

// The buttons of the three command screens and the editing screen, with
// whether their caption is shown below the picture.
struct CommandButton {
    int id;
    bool caption;
};

constexpr CommandButton kCommandButtons[] = {
    {Cmd::Start, true},          {Cmd::Finish, true},           {Cmd::Options, false},    {Cmd::PanelEnlarge, true},
    {Cmd::PanelShrink, true},    {Cmd::PanelMore, true},        {Cmd::PanelCommon, true}, {Cmd::PanelDisaster, true},
    {Cmd::PanelGlobal, true},    {Cmd::LoadDeformations, true}, {Cmd::Play, true},        {Cmd::Reset, true},
    {Cmd::Acquire, true},        {Cmd::OpenProject, true},      {Cmd::OpenPicture, true}, {Cmd::InsertPicture, true},
    {Cmd::BackFromStart, true},  {Cmd::HomePage, true},         {Cmd::SaveVideo, true},   {Cmd::SaveAnimation, true},
    {Cmd::SaveProject, true},    {Cmd::SavePictures, true},     {Cmd::Print, true},       {Cmd::Exit, true},
    {Cmd::BackFromFinish, true}, {Cmd::BackEnlarge, true},      {Cmd::BackShrink, true},  {Cmd::BackMore, true},
    {Cmd::BackCommon, true},     {Cmd::BackDisaster, true},     {Cmd::BackGlobal, true},
};

}  // namespace

CScreenCommands::CScreenCommands(CCommandRegistry& commands, CScreenStack& screens, QWidget& window) : QObject(&window)
{
    for (const CommandButton& row : kCommandButtons) {
        auto* button = new CMyButton(row.id, &window);
        if (row.caption) {
            button->SetShowCaption(true);
            button->SetWindowText(AppCaption(row.id));
        }
        button->SetPicture(row.id);
        commands.Bind(row.id, button);
        screens.AddControl(row.id, button);

        const auto show = [&screens](int screen) { return [&screens, screen] { screens.SwitchTo(screen); }; };
        if (const int panel = PanelScreenForCommand(row.id); panel >= 0)
            commands.Add(row.id, show(panel));
        else if (IsPanelBackCommand(row.id))
            commands.Add(row.id, show(Screen::Editing));
    }
    commands.Add(Cmd::Start, [&screens] { screens.SwitchTo(Screen::Start); });
    commands.Add(Cmd::Finish, [&screens] { screens.SwitchTo(Screen::Finish); });
    commands.Add(Cmd::BackFromFinish, [&screens] { screens.SwitchTo(Screen::Editing); });
}
