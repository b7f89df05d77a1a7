#pragma once
// The main dialog's screens: which controls each screen shows, where they
// stand in the 800 x 600 design area, which tools each panel offers, the
// commands that enter and leave the panels and the help context of each screen.

#include "engine/ToolCatalogue.h"
#include "res/CommandIds.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

namespace Screen {
inline constexpr int Editing = 0;
inline constexpr int Start = 1;
inline constexpr int Finish = 2;
inline constexpr int Enlarge = 3;
inline constexpr int Shrink = 4;
inline constexpr int More = 5;
inline constexpr int Common = 6;
inline constexpr int Disaster = 7;
inline constexpr int Global = 8;
inline constexpr int Count = 9;
}  // namespace Screen

inline constexpr bool IsToolPanel(int screen)
{
    return screen >= Screen::Enlarge && screen <= Screen::Global;
}

// The screen of a tool panel: the panels follow one another as the catalogue lists them.
inline constexpr int PanelScreen(ToolPanel panel)
{
    return Screen::Enlarge + int(panel);
}
static_assert(PanelScreen(ToolPanel::Global) == Screen::Global &&
              kToolPanelCount == Screen::Global - Screen::Enlarge + 1);

// The design area and the work area inside it.
inline constexpr QSize kDesignSize{800, 600};
// Where the keyframe strip stands (640 x 84).
inline constexpr QRect kKeysRect{80, 452, 640, 84};
// The progress bar's host: a 10-pixel band along the bottom edge.
inline constexpr QRect kProgressHost{0, 0, 800, 600};

// Controls of a screen's group besides the options button (which every group has).
const std::vector<int>& ScreenGroup(int screen);
// The tool buttons of a panel in their order on the screen; empty for other screens.
const std::vector<int>& PanelTools(int screen);
// The screen a panel button opens, or -1.
int PanelScreenForCommand(int command);
// The back command of a panel screen, or 0.
int PanelBackCommand(int screen);
// True for the six back commands of the panels.
bool IsPanelBackCommand(int command);

// Where a control stands on a screen (top-left corner in the design area).
QPoint ControlPosition(int screen, int id);

// The background tile set of a screen (an Art identifier).
int BackgroundSetForScreen(int screen);

// Help contexts: the help command maps any other screen value to 1, the window
// help request to 0.
int HelpContextForScreen(int screen);
int WindowHelpContextForScreen(int screen);

// The top-left corner that centres a window of `size` in a screen's work area,
// moved back inside the area where the area is too small for it (the top-left
// corner stays visible).
QPoint CentredInArea(const QRect& area, QSize size);

// The indicator's size: the tool picture (93 x 93) and its text beside it.
inline constexpr QSize kIndicatorSize{300, 93};
inline constexpr int kIndicatorPicture = 93;
