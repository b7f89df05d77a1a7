#include "dialog/ui/CommandGroups.h"

#include "controls/ui/CommandRegistry.h"
#include "dialog/ui/DialogLayout.h"

const std::vector<int>& AnimationCommands()
{
    static const std::vector<int> ids = {
        Cmd::Reset,     Cmd::LoadDeformations, Cmd::Play,  Cmd::InsertPicture, Cmd::SaveProject,
        Cmd::SaveVideo, Cmd::SaveAnimation,    Cmd::Print, Cmd::SavePictures};
    return ids;
}

void AssignCommandGroups(CCommandRegistry& commands)
{
    commands.AddToGroup(NeedsAnimation, AnimationCommands());
    commands.AddToGroup(NeedsAnimation, {Cmd::Save});
    std::vector<int> busy = {Cmd::Options, Cmd::Undo, Cmd::Redo, Cmd::Save};
    for (int screen = 0; screen < Screen::Count; ++screen) {
        for (int id : ScreenGroup(screen)) {
            if (id != Cmd::WorkWindow)
                busy.push_back(id);
        }
    }
    commands.AddToGroup(OffWhileBusy, busy);
    std::vector<int> playing = {Cmd::Options,       Cmd::Undo,  Cmd::Redo,        Cmd::SaveVideo,
                                Cmd::SaveAnimation, Cmd::Print, Cmd::SavePictures};
    for (int id : ScreenGroup(Screen::Editing)) {
        if (id != Cmd::SpeedSlider && id != Cmd::Play)
            playing.push_back(id);
    }
    commands.AddToGroup(OffWhilePlaying, playing);
}
