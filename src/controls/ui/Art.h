#pragma once
// The program's artwork, drawn at build time and compiled in as ":/art/<id>.png".
//
// Identifiers: bitmaps keep their resource numbers (skin 138, splash 139, menu
// ring 197, tool pictures 272..346, scroll buttons 352/353, dialog background
// 360, slider track 363, dialog buttons 366..369); the picture of a main-dialog
// button is filed under the button's control identifier (1000..1123); the four
// 800 x 600 background sets use the identifiers below. Cursors 136 and 137 are
// a separate namespace, reached through ArtCursor.

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace ArtId {
inline constexpr int Skin = 138;
inline constexpr int Splash = 139;
inline constexpr int MenuRing = 197;
inline constexpr int ScrollLeft = 352;
inline constexpr int ScrollRight = 353;
inline constexpr int DialogBackground = 360;
inline constexpr int SliderTrack = 363;
inline constexpr int ButtonOk = 366;
inline constexpr int ButtonCancel = 367;
inline constexpr int ButtonAdd = 368;
inline constexpr int ButtonRemove = 369;
// Background tile sets of the main dialog, each a full 800 x 600 design area.
inline constexpr int BackgroundEditing = 2100;
inline constexpr int BackgroundStart = 2101;
inline constexpr int BackgroundFinish = 2102;
inline constexpr int BackgroundPanels = 2103;
// The play button's picture while the loop plays.
inline constexpr int StopButton = 2110;
// Cursors.
inline constexpr int CursorTool = 136;
inline constexpr int CursorBusy = 137;
}  // namespace ArtId

// Size of a background tile and of the skin bitmap.
inline constexpr int kBackgroundTile = 80;

// Every picture also has a twin of twice the size in each direction, drawn for
// screens scaled by two. The loaders below pick it when the screen's device
// pixel ratio is above 1 and mark it with device pixel ratio 2, so a caller
// that works in logical sizes (deviceIndependentSize) is unaffected.

// Resource path of the picture for a screen of device pixel ratio `ratio`:
// the double-size twin when the ratio is above 1 and the twin exists.
QString ArtPathFor(int id, qreal ratio);

// The picture filed under `id` for the application's screen; a null image
// when there is none.
QImage ArtImage(int id);
QImage ArtImage(int id, qreal ratio);
QPixmap ArtPixmap(int id);
bool HasArt(int id);

// Device pixel ratio of the artwork for the application's screen: 2 on a
// screen whose ratio is above 1, else 1.
qreal ArtRatio();

// An image's size in logical pixels.
QSize LogicalSize(const QImage& image);

// The 80 x 80 tile of a background set whose top-left corner is (x, y) in the
// design area (the last row is cut at the area's bottom edge); x, y and the
// tile's size are logical pixels.
QPixmap ArtBackgroundTile(int setId, int x, int y);

// Cursor 136 (tool) or 137 (busy); the arrow for anything else.
QCursor ArtCursor(int id);

// The program's icon.
QIcon AppIcon();
