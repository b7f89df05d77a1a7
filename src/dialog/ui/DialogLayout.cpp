#include "dialog/ui/DialogLayout.h"

#include "controls/ui/Art.h"

#include <algorithm>
#include <array>
#include <map>

namespace {

// The tool buttons of each screen, in the catalogue's order: row by row on
// the panels (three a row for the brushes: small, medium and large area).
std::array<std::vector<int>, Screen::Count> PanelToolsFromCatalogue()
{
    std::array<std::vector<int>, Screen::Count> tools;
    for (const ToolRow& row : ToolCatalogue())
        tools[size_t(PanelScreen(row.panel))].push_back(row.command);
    return tools;
}

const std::array<std::vector<int>, Screen::Count>& AllPanelTools()
{
    static const std::array<std::vector<int>, Screen::Count> tools = PanelToolsFromCatalogue();
    return tools;
}

constexpr std::array<int, Screen::Count> kBackCommands{
    0, 0, 0, Cmd::BackEnlarge, Cmd::BackShrink, Cmd::BackMore, Cmd::BackCommon, Cmd::BackDisaster, Cmd::BackGlobal};

constexpr std::array<std::pair<int, int>, 6> kPanelButtons{{
    {Cmd::PanelEnlarge, Screen::Enlarge},
    {Cmd::PanelShrink, Screen::Shrink},
    {Cmd::PanelMore, Screen::More},
    {Cmd::PanelCommon, Screen::Common},
    {Cmd::PanelDisaster, Screen::Disaster},
    {Cmd::PanelGlobal, Screen::Global},
}};

std::vector<int> PanelGroup(int screen)
{
    std::vector<int> group = AllPanelTools()[size_t(screen)];
    group.push_back(kBackCommands[size_t(screen)]);
    group.push_back(Cmd::Indicator);
    return group;
}

const std::array<std::vector<int>, Screen::Count>& Groups()
{
    static const std::array<std::vector<int>, Screen::Count> groups{{
        {Cmd::Start, Cmd::Finish, Cmd::PanelEnlarge, Cmd::PanelShrink, Cmd::PanelCommon, Cmd::PanelMore,
         Cmd::PanelDisaster, Cmd::PanelGlobal, Cmd::LoadDeformations, Cmd::Play, Cmd::Reset, Cmd::StrengthSlider,
         Cmd::PowerSlider, Cmd::SpeedSlider, Cmd::KeysArea, Cmd::Indicator, Cmd::WorkWindow},
        {Cmd::Acquire, Cmd::OpenProject, Cmd::OpenPicture, Cmd::InsertPicture, Cmd::BackFromStart, Cmd::HomePage},
        {Cmd::SaveVideo, Cmd::SaveAnimation, Cmd::SaveProject, Cmd::SavePictures, Cmd::Print, Cmd::BackFromFinish,
         Cmd::Exit, Cmd::HomePage, Cmd::OutputLabel, Cmd::SaveModeScreen, Cmd::SaveModePicture, Cmd::SaveModeCustom},
        PanelGroup(Screen::Enlarge),
        PanelGroup(Screen::Shrink),
        PanelGroup(Screen::More),
        PanelGroup(Screen::Common),
        PanelGroup(Screen::Disaster),
        PanelGroup(Screen::Global),
    }};
    return groups;
}

using Places = std::map<int, QPoint>;

// The editing screen: commands and the tool indicator on the left, the work
// area on the right, the keyframe strip and the sliders along the bottom.
Places EditingPlaces()
{
    return {
        {Cmd::Start, {22, 18}},
        {Cmd::Finish, {92, 18}},
        {Cmd::Options, {290, 22}},
        {Cmd::Indicator, {22, 102}},
        {Cmd::LoadDeformations, {44, 206}},
        {Cmd::Play, {150, 206}},
        {Cmd::Reset, {256, 206}},
        {Cmd::PanelEnlarge, {30, 278}},
        {Cmd::PanelShrink, {138, 278}},
        {Cmd::PanelMore, {246, 278}},
        {Cmd::PanelCommon, {30, 362}},
        {Cmd::PanelDisaster, {138, 362}},
        {Cmd::PanelGlobal, {246, 362}},
        {Cmd::KeysArea, kKeysRect.topLeft()},
        {Cmd::StrengthSlider, {22, 548}},
        {Cmd::PowerSlider, {278, 548}},
        {Cmd::SpeedSlider, {534, 548}},
    };
}

// The start screen: the four ways to begin in a block on the left.
Places StartPlaces()
{
    return {
        {Cmd::OpenPicture, {70, 120}},    {Cmd::OpenProject, {200, 120}},  {Cmd::Acquire, {70, 262}},
        {Cmd::InsertPicture, {200, 262}}, {Cmd::BackFromStart, {24, 520}}, {Cmd::HomePage, {96, 524}},
        {Cmd::Options, {736, 22}},
    };
}

// The finish screen: saving and printing in two rows, the output size below.
Places FinishPlaces()
{
    return {
        {Cmd::SaveVideo, {60, 80}},        {Cmd::SaveAnimation, {180, 80}},  {Cmd::SavePictures, {300, 80}},
        {Cmd::Print, {60, 222}},           {Cmd::SaveProject, {180, 222}},   {Cmd::Exit, {300, 222}},
        {Cmd::OutputLabel, {62, 384}},     {Cmd::SaveModeScreen, {62, 410}}, {Cmd::SaveModePicture, {162, 410}},
        {Cmd::SaveModeCustom, {262, 410}}, {Cmd::BackFromFinish, {24, 520}}, {Cmd::HomePage, {96, 524}},
        {Cmd::Options, {736, 22}},
    };
}

// A tool panel: the tools in a grid on the left, the indicator at the top
// right, back at the bottom right.
Places PanelPlaces(int screen)
{
    Places places;
    const std::vector<int>& tools = AllPanelTools()[size_t(screen)];
    const int columns = screen == Screen::Global ? 4 : 3;
    const int rows = int(tools.size() + size_t(columns) - 1) / columns;
    const int cell = 104;
    // Centre the grid vertically in the space above the back button.
    const int top = 40 + (4 - rows) * cell / 2;
    for (size_t i = 0; i < tools.size(); ++i) {
        const int row = int(i) / columns, column = int(i) % columns;
        places[tools[i]] = QPoint(48 + column * cell, top + row * cell);
    }
    places[Cmd::Indicator] = QPoint(480, 60);
    places[kBackCommands[size_t(screen)]] = QPoint(700, 500);
    places[Cmd::Options] = QPoint(736, 22);
    return places;
}

const std::array<Places, Screen::Count>& AllPlaces()
{
    static const std::array<Places, Screen::Count> places{{
        EditingPlaces(),
        StartPlaces(),
        FinishPlaces(),
        PanelPlaces(Screen::Enlarge),
        PanelPlaces(Screen::Shrink),
        PanelPlaces(Screen::More),
        PanelPlaces(Screen::Common),
        PanelPlaces(Screen::Disaster),
        PanelPlaces(Screen::Global),
    }};
    return places;
}

}  // namespace

const std::vector<int>& ScreenGroup(int screen)
{
    static const std::vector<int> none;
    if (screen < 0 || screen >= Screen::Count)
        return none;
    return Groups()[size_t(screen)];
}

const std::vector<int>& PanelTools(int screen)
{
    static const std::vector<int> none;
    if (!IsToolPanel(screen))
        return none;
    return AllPanelTools()[size_t(screen)];
}

int PanelScreenForCommand(int command)
{
    for (const auto& [id, screen] : kPanelButtons) {
        if (id == command)
            return screen;
    }
    return -1;
}

int PanelBackCommand(int screen)
{
    return IsToolPanel(screen) ? kBackCommands[size_t(screen)] : 0;
}

bool IsPanelBackCommand(int command)
{
    for (int screen = Screen::Enlarge; screen <= Screen::Global; ++screen) {
        if (kBackCommands[size_t(screen)] == command)
            return true;
    }
    return false;
}

QPoint ControlPosition(int screen, int id)
{
    if (screen < 0 || screen >= Screen::Count)
        return {};
    const Places& places = AllPlaces()[size_t(screen)];
    const auto it = places.find(id);
    return it == places.end() ? QPoint() : it->second;
}

int BackgroundSetForScreen(int screen)
{
    switch (screen) {
    case Screen::Editing: return ArtId::BackgroundEditing;
    case Screen::Start: return ArtId::BackgroundStart;
    case Screen::Finish: return ArtId::BackgroundFinish;
    default: return ArtId::BackgroundPanels;
    }
}

namespace {
constexpr std::array<int, Screen::Count> kHelpContexts{3, 1, 2, 7, 6, 5, 9, 4, 8};
}  // namespace

int HelpContextForScreen(int screen)
{
    return screen >= 0 && screen < Screen::Count ? kHelpContexts[size_t(screen)] : 1;
}

int WindowHelpContextForScreen(int screen)
{
    return screen >= 0 && screen < Screen::Count ? kHelpContexts[size_t(screen)] : 0;
}

QPoint CentredInArea(const QRect& area, QSize size)
{
    int x = area.left() + (area.width() - size.width()) / 2;
    int y = area.top() + (area.height() - size.height()) / 2;
    x = std::max(area.left(), std::min(x, area.left() + area.width() - size.width()));
    y = std::max(area.top(), std::min(y, area.top() + area.height() - size.height()));
    return {x, y};
}
