#pragma once
// The main dialog's screens: which controls each screen shows, where they
// stand in the 800 x 600 design area, which tools each panel offers, the
// commands that enter and leave the panels and the help context of each screen.

#include "engine/ToolCatalogue.h"

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

// Command and control identifiers of the main dialog.
namespace Cmd {
inline constexpr int Start = 1000;
inline constexpr int Finish = 1001;
inline constexpr int Options = 1002;
inline constexpr int PanelEnlarge = 1003;
inline constexpr int PanelShrink = 1042;
inline constexpr int PanelMore = 1061;
inline constexpr int PanelCommon = 1059;
inline constexpr int PanelDisaster = 1063;
inline constexpr int PanelGlobal = 1004;
inline constexpr int Play = 1005;
inline constexpr int StrengthSlider = 1006;
inline constexpr int PowerSlider = 1007;
inline constexpr int SpeedSlider = 1008;
inline constexpr int OpenProject = 1009;
inline constexpr int Acquire = 1010;
inline constexpr int OpenPicture = 1011;
inline constexpr int SaveProject = 1012;
inline constexpr int SaveVideo = 1013;
inline constexpr int SavePictures = 1014;
inline constexpr int Print = 1015;
inline constexpr int Exit = 1016;
inline constexpr int BackFromStart = 1017;
inline constexpr int BackFromFinish = 1018;
inline constexpr int LoadDeformations = 1041;
inline constexpr int WorkWindow = 1044;
inline constexpr int BackEnlarge = 1065;
inline constexpr int BackShrink = 1066;
inline constexpr int BackCommon = 1067;
inline constexpr int BackMore = 1068;
inline constexpr int BackDisaster = 1077;
inline constexpr int KeysLeft = 1080;
inline constexpr int KeysRight = 1081;
inline constexpr int KeysArea = 1082;
inline constexpr int Indicator = 1083;
inline constexpr int InsertPicture = 1084;
inline constexpr int BackGlobal = 1087;
inline constexpr int Reset = 1091;
inline constexpr int SaveAnimation = 1119;
inline constexpr int HomePage = 1123;
inline constexpr int OutputLabel = 1128;
inline constexpr int KeyPicture = 32772;
inline constexpr int ActiveKeyChanged = 32773;
inline constexpr int MapChanged = 32774;
inline constexpr int ApplyPower = 32775;
inline constexpr int ToggleDuration = 32778;
inline constexpr int ToggleInterpVideo = 32780;
inline constexpr int SaveModeScreen = 32781;
inline constexpr int ToggleNumber = 32785;
inline constexpr int SaveModePicture = 32787;
inline constexpr int SaveModeCustom = 32788;
inline constexpr int ToggleTips = 32789;
inline constexpr int ToggleAnimation = 32790;
inline constexpr int Undo = 57643;
inline constexpr int Redo = 57644;
inline constexpr int About = 57664;
inline constexpr int Help = 57670;
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
}  // namespace Cmd

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
