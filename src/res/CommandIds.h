#pragma once
// The command and control identifiers of the main window. Each is the key of
// its action in the window's command registry, of its button and of its help
// text: the string table's string with the same identifier is the control's
// tooltip, its caption the text on the button or menu item. The tools'
// identifiers are in the tool catalogue (engine/ToolCatalogue.h).

namespace Cmd {
// The dialog's standard answers: Enter and Escape.
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
// Buttons and controls of the screens.
inline constexpr int Start = 1000;
inline constexpr int Finish = 1001;
inline constexpr int Options = 1002;
inline constexpr int PanelEnlarge = 1003;
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
inline constexpr int PanelShrink = 1042;
inline constexpr int WorkWindow = 1044;
inline constexpr int PanelCommon = 1059;
inline constexpr int PanelMore = 1061;
inline constexpr int PanelDisaster = 1063;
inline constexpr int BackEnlarge = 1065;
inline constexpr int BackShrink = 1066;
inline constexpr int BackCommon = 1067;
inline constexpr int BackMore = 1068;
inline constexpr int BackDisaster = 1077;
inline constexpr int KeysLeft = 1080;  // the keyframe strip's scroll buttons
inline constexpr int KeysRight = 1081;
inline constexpr int KeysArea = 1082;
inline constexpr int Indicator = 1083;
inline constexpr int InsertPicture = 1084;
inline constexpr int BackGlobal = 1087;
inline constexpr int Reset = 1091;
inline constexpr int SaveAnimation = 1119;
inline constexpr int HomePage = 1123;
inline constexpr int OutputLabel = 1128;
// The keyframe strip's context menu, in its order.
inline constexpr int KeyActivate = 32814;
inline constexpr int KeyRepeat = 32815;
inline constexpr int KeyDelete = 32816;
inline constexpr int KeyMoveLeft = 32817;
inline constexpr int KeyMoveRight = 32818;
inline constexpr int KeyCopyToScreen = 32819;
inline constexpr int KeyCopyFromScreen = 32820;
inline constexpr int KeyDuration = 32777;
// The options menu and the output size of the finish screen.
inline constexpr int ToggleDuration = 32778;
inline constexpr int ToggleInterpVideo = 32780;
inline constexpr int SaveModeScreen = 32781;
inline constexpr int ToggleNumber = 32785;
inline constexpr int SaveModePicture = 32787;
inline constexpr int SaveModeCustom = 32788;
inline constexpr int ToggleTips = 32789;
inline constexpr int ToggleAnimation = 32790;
inline constexpr int ToggleOnionSkin = 32830;
inline constexpr int TogglePressureSize = 32840;  // pen pressure changes the brush size
// The reverse key's choice, in the order of ReverseKey.
inline constexpr int ReverseKeyAlt = 32841;
inline constexpr int ReverseKeyCtrl = 32842;
inline constexpr int ReverseKeyShift = 32843;
inline constexpr int ReverseKeyMeta = 32844;
// The freeze mask and reconstruct, in the options menu.
inline constexpr int PaintMask = 32850;
inline constexpr int ShowMask = 32851;
inline constexpr int ClearMask = 32852;
inline constexpr int Reconstruct = 32853;
// Commands of the keys and the options menu.
inline constexpr int Save = 57603;  // Ctrl+S: the project into its own file
inline constexpr int Undo = 57643;
inline constexpr int Redo = 57644;
inline constexpr int About = 57664;
inline constexpr int Help = 57670;
}  // namespace Cmd
