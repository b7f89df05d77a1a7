#pragma once
// Every tool of the program, one row each: the command that selects it (also
// the key of its button and what a project stores), its picture, the string
// of its name, the panel and the size it is offered in, and how it is made.
// The engine's tool table, the panels' layout, the tools' names and the
// artwork's tool pictures are all built from these rows; adding a tool is a
// row here (three for a brush in three sizes) and its class.

#include <memory>
#include <span>
#include <string_view>

class CTool;

// The tool panels of the main window, in their order on the editing screen.
enum class ToolPanel { Enlarge, Shrink, More, Common, Disaster, Global };
inline constexpr int kToolPanelCount = 6;

// A brush's size, or a tool that acts on the whole picture.
enum class ToolSize { Small, Medium, Large, WholePicture };

struct ToolRow;
using ToolFactory = std::unique_ptr<CTool> (*)(const ToolRow& row);

struct ToolRow {
    int command;      // command identifier
    int picture;      // artwork identifier of the tool's picture
    int name;         // string identifier of the tool's name
    ToolPanel panel;  // the panel whose button selects it
    ToolSize size;
    std::string_view kind;  // what it does, the same for the sizes of one brush ("enlarge")
    ToolFactory make;
    int strength = 64;    // strength at start
    bool repeats = true;  // steps on the timer while the button is held still
};

// The tool a first run and a new project start with: the small enlarging brush.
inline constexpr int kDefaultToolId = 1019;

// Every tool, in the order of the panels and, within a panel, of its buttons.
std::span<const ToolRow> ToolCatalogue();
// The row of a command identifier; null when no tool has it.
const ToolRow* FindToolRow(int command);
// The command of the tool of `kind` in `size`; 0 when there is none.
int ToolCommand(std::string_view kind, ToolSize size);
// A brush's radius in percent of the picture's smaller side; 0 for a whole-picture tool.
int BrushPercent(ToolSize size);

// What the reverse modifier makes of a tool while it is held.
struct ToolReversal {
    int command;    // the tool that acts: the partner of the same size, or the tool itself
    bool turnBack;  // the tool turns the other way, as under the right button
};
// The partner pairs (enlarge and shrink in each direction, pinch and punch,
// collapse and explosion) swap; the turning brush turns back; every other
// tool, and a command no tool has, stays as it is.
ToolReversal ReversedTool(int command);
// The kind a kind swaps with under the reverse modifier; empty when none.
std::string_view PartnerKind(std::string_view kind);
