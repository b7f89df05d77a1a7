// The tool catalogue: identifiers that never collide, brushes in their three
// sizes, and a table whose tools are exactly the rows.
#include "engine/ToolCatalogue.h"
#include "engine/ToolTable.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <typeinfo>

TEST(ToolCatalogue, IdentifiersAreUniqueAndTheDefaultToolIsARow)
{
    std::set<int> commands, pictures, names;
    for (const ToolRow& row : ToolCatalogue()) {
        EXPECT_TRUE(commands.insert(row.command).second) << row.command;
        EXPECT_TRUE(pictures.insert(row.picture).second) << row.command;
        EXPECT_TRUE(names.insert(row.name).second) << row.command;
        EXPECT_EQ(FindToolRow(row.command), &row);
    }
    EXPECT_EQ(commands.size(), ToolCatalogue().size());
    ASSERT_NE(FindToolRow(kDefaultToolId), nullptr);
    EXPECT_EQ(FindToolRow(kDefaultToolId)->size, ToolSize::Small);
    EXPECT_EQ(FindToolRow(0), nullptr);
    EXPECT_EQ(FindToolRow(1000), nullptr);
}

TEST(ToolCatalogue, EveryBrushComesInThreeSizesOfOneClassOnOnePanel)
{
    struct Kind {
        std::set<ToolSize> sizes;
        std::set<ToolPanel> panels;
        std::set<std::string> classes;
    };
    std::map<std::string, Kind> kinds;
    for (const ToolRow& row : ToolCatalogue()) {
        Kind& kind = kinds[std::string(row.kind)];
        EXPECT_TRUE(kind.sizes.insert(row.size).second) << row.command;
        kind.panels.insert(row.panel);
        const std::unique_ptr<CTool> tool = row.make(row);
        kind.classes.insert(typeid(*tool).name());
        EXPECT_EQ(tool->IsGlobal(), row.size == ToolSize::WholePicture) << row.command;
        EXPECT_EQ(ToolCommand(row.kind, row.size), row.command);
    }
    for (const auto& [name, kind] : kinds) {
        SCOPED_TRACE(name);
        const bool whole = kind.sizes.count(ToolSize::WholePicture) != 0;
        EXPECT_EQ(kind.sizes.size(), whole ? 1u : 3u);
        EXPECT_EQ(kind.panels.size(), 1u);
        EXPECT_EQ(kind.classes.size(), 1u);
    }
    EXPECT_EQ(ToolCommand("enlarge", ToolSize::Large), 1021);
    EXPECT_EQ(ToolCommand("enlarge", ToolSize::WholePicture), 0);
    EXPECT_EQ(ToolCommand("no such tool", ToolSize::Small), 0);
}

TEST(ToolCatalogue, TheTableHoldsOneToolPerRowAsTheRowDescribesIt)
{
    const ToolTable table;
    ASSERT_EQ(table.Size(), ToolCatalogue().size());
    for (const ToolRow& row : ToolCatalogue()) {
        SCOPED_TRACE(row.command);
        const CTool* tool = table.Find(row.command);
        ASSERT_NE(tool, nullptr);
        EXPECT_EQ(tool->CommandId(), row.command);
        EXPECT_EQ(tool->BitmapId(), row.picture);
        EXPECT_EQ(tool->SizePercent(), BrushPercent(row.size));
        EXPECT_EQ(tool->Strength(), row.strength);
        EXPECT_EQ(tool->Repeats(), row.repeats);
    }
}

TEST(ToolCatalogue, ReversePartnersAreSymmetricPairsOfOneSize)
{
    const std::map<std::string, std::string> expected = {
        {"enlarge", "shrink"},
        {"shrink", "enlarge"},
        {"enlarge-vertical", "shrink-vertical"},
        {"shrink-vertical", "enlarge-vertical"},
        {"enlarge-horizontal", "shrink-horizontal"},
        {"shrink-horizontal", "enlarge-horizontal"},
        {"pinch", "punch"},
        {"punch", "pinch"},
        {"collapse", "explosion"},
        {"explosion", "collapse"},
    };
    int swapped = 0;
    for (const ToolRow& row : ToolCatalogue()) {
        SCOPED_TRACE(row.command);
        const ToolReversal reversal = ReversedTool(row.command);
        const ToolRow* partner = FindToolRow(reversal.command);
        ASSERT_NE(partner, nullptr);
        EXPECT_EQ(partner->size, row.size);
        EXPECT_EQ(ReversedTool(partner->command).command, row.command);
        const auto it = expected.find(std::string(row.kind));
        if (it != expected.end()) {
            EXPECT_EQ(partner->kind, it->second);
            EXPECT_EQ(PartnerKind(row.kind), it->second);
            EXPECT_FALSE(reversal.turnBack);
            ++swapped;
        } else {
            EXPECT_EQ(reversal.command, row.command);
            EXPECT_EQ(reversal.turnBack, row.kind == "rotate");
        }
    }
    EXPECT_EQ(swapped, 30);
    EXPECT_EQ(ReversedTool(1000).command, 1000);
    EXPECT_FALSE(ReversedTool(1000).turnBack);
}

TEST(ToolCatalogue, TheReversedToolActsWithTheToolsSettings)
{
    const ToolTable table;
    CTool& enlarge = *table.Find(1020);
    enlarge.SetStrength(23);
    enlarge.SetFreeRadius(50);
    enlarge.SetPressureScalesSize(true);
    enlarge.SetPressure(40);
    enlarge.SetPictureSize(412, 300);
    CTool& shrink = table.Reversed(enlarge);
    EXPECT_EQ(&shrink, table.Find(1023));
    EXPECT_EQ(shrink.Strength(), 23);
    EXPECT_EQ(shrink.FreeRadius(), 50);
    EXPECT_TRUE(shrink.PressureScalesSize());
    EXPECT_EQ(shrink.Pressure(), 40);
    EXPECT_EQ(shrink.Radius(), enlarge.Radius());
    EXPECT_EQ(&table.Reversed(*table.Find(1032)), table.Find(1032));
    EXPECT_EQ(&table.Reversed(*table.Find(1038)), table.Find(1038));
}
