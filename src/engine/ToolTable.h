#pragma once
// The tool objects keyed by command id, one for every row of the tool
// catalogue (engine/ToolCatalogue.h), each at its row's strength and repeat.

#include "engine/RandomSource.h"
#include "engine/Tool.h"

#include <map>
#include <memory>
#include <vector>

class ToolTable {
public:
    // Creates every tool; they take their random numbers from `random` and set
    // the cursor through `cursor` (either may be null: the tool then keeps its
    // own generator, and cursor changes go nowhere). Both must outlive the table.
    explicit ToolTable(RandomSource* random = nullptr, ToolCursor* cursor = nullptr);

    CTool* Find(int commandId) const;
    // The tool that acts for `tool` while the reverse modifier is held: its
    // partner of the same size (ReversedTool), given the tool's strength, free
    // radius and pressure choice, or `tool` itself. A turning tool stays itself;
    // the stroke then turns it back with the turn sign.
    CTool& Reversed(CTool& tool) const;
    std::vector<int> CommandIds() const;
    size_t Size() const { return m_tools.size(); }

private:
    std::map<int, std::unique_ptr<CTool>> m_tools;
};
