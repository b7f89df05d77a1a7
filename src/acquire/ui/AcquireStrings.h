#pragma once
// Texts of the acquisition windows in the string table.

namespace AcquireCap {
inline constexpr int TitleChooseDevice = 20700;
inline constexpr int TitleScan = 20701;
inline constexpr int TitleChoosePicture = 20702;
inline constexpr int Resolution = 20703;
inline constexpr int Colour = 20704;
inline constexpr int Grey = 20705;
inline constexpr int Preview = 20706;
inline constexpr int Scan = 20707;
inline constexpr int Scanner = 20708;
inline constexpr int Camera = 20709;
inline constexpr int NoPictures = 20710;
inline constexpr int Colours = 20711;
}  // namespace AcquireCap

namespace AcquireStr {
inline constexpr int TransferFailed = 20720;
}  // namespace AcquireStr
