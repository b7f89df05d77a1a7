// The tables built from the tool catalogue agree: every tool has a name in
// both languages, a picture at both resolutions, a button in its panel's grid
// and a tool object, and nothing else claims its identifier.

#include "controls/ui/Art.h"
#include "dialog/ui/DialogLayout.h"
#include "engine/ToolCatalogue.h"
#include "engine/ToolTable.h"
#include "res/StringTable.h"

#include <QRect>

#include <gtest/gtest.h>

#include <algorithm>

TEST(ToolCatalogueTables, EveryToolHasANamePictureButtonAndObject)
{
    const ToolTable table;
    const std::vector<int> names = ToolNameIds();
    ASSERT_EQ(names.size(), ToolCatalogue().size());
    size_t index = 0;
    for (const ToolRow& row : ToolCatalogue()) {
        SCOPED_TRACE(row.command);
        EXPECT_EQ(names[index++], row.name);
        for (const UiLanguage language : {UiLanguage::English, UiLanguage::Chinese})
            EXPECT_FALSE(AppString(row.name, language).isEmpty());
        EXPECT_NE(AppString(row.name, UiLanguage::English), AppString(row.name, UiLanguage::Chinese));
        for (const qreal ratio : {1.0, 2.0})
            EXPECT_FALSE(ArtImage(row.picture, ratio).isNull()) << ratio;
        ASSERT_NE(table.Find(row.command), nullptr);
        EXPECT_EQ(table.Find(row.command)->BitmapId(), row.picture);

        const int screen = PanelScreen(row.panel);
        const std::vector<int>& panel = PanelTools(screen);
        EXPECT_NE(std::find(panel.begin(), panel.end(), row.command), panel.end());
        const std::vector<int>& group = ScreenGroup(screen);
        EXPECT_NE(std::find(group.begin(), group.end(), row.command), group.end());
        for (int other = 0; other < Screen::Count; ++other) {
            if (other != screen) {
                EXPECT_EQ(ControlPosition(other, row.command), QPoint()) << other;
            }
        }
    }
}

TEST(ToolCatalogueTables, ThePanelsButtonsStandApartInsideTheDesignArea)
{
    for (int screen = Screen::Enlarge; screen <= Screen::Global; ++screen) {
        SCOPED_TRACE(screen);
        const std::vector<int>& tools = PanelTools(screen);
        ASSERT_FALSE(tools.empty());
        std::vector<QRect> cells;
        for (int id : tools) {
            // A tool's picture is 72 x 72 in a cell of 104.
            const QRect cell(ControlPosition(screen, id), QSize(72, 72));
            EXPECT_TRUE(QRect(QPoint(), kDesignSize).contains(cell)) << id;
            for (const QRect& before : cells)
                EXPECT_FALSE(before.intersects(cell)) << id;
            cells.push_back(cell);
        }
        // Nothing else on the screen stands on a tool.
        for (int id : ScreenGroup(screen)) {
            if (std::find(tools.begin(), tools.end(), id) != tools.end())
                continue;
            const QPoint at = ControlPosition(screen, id);
            for (const QRect& cell : cells)
                EXPECT_FALSE(cell.contains(at)) << id;
        }
    }
}
