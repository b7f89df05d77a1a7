#pragma once
// The groups the main dialog switches its commands off by, and which
// commands each holds.

#include <vector>

class CCommandRegistry;

enum CommandGroup : int {
    NeedsAnimation,   // off while the animation has no frames
    OffWhileBusy,     // off while an export runs
    OffWhilePlaying,  // off while the loop plays
};

// The buttons that need an animation (a total keyframe duration other than
// 0); off for want of a picture, their tips say so.
const std::vector<int>& AnimationCommands();

// Puts the dialog's commands into their groups: an export leaves every
// control of every screen off, the work window aside (it shows busy);
// playing leaves the editing screen's off but the speed slider and play (now
// stop), and no export starts; undo and redo wait for both.
void AssignCommandGroups(CCommandRegistry& commands);
