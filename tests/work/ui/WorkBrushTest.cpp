// The work window's brush input: a free size from `[`, `]` and Shift with the
// wheel, a pen's pressure on each step, and the reverse key's partner tool.
// Each window stroke is compared with the same stroke made by the engine.

#include "work/ui/WorkWnd.h"

#include "app/AppState.h"
#include "engine/ToolTable.h"
#include "support/TestPictures.h"

#include <QApplication>
#include <QPointingDevice>
#include <QTabletEvent>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

QPoint Widget(QPoint client)
{
    return client + QPoint(CWorkWnd::kEdge, CWorkWnd::kEdge);
}

bool AllZero(const std::vector<Displacement>& map)
{
    return std::all_of(map.begin(), map.end(), [](Displacement d) { return d == Displacement{}; });
}

// A 412 x 274 work picture in a window with its own tool table, and the same
// picture in an engine-only work picture with a table of its own.
class BrushTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        wnd.reset();
        App() = saved;
    }

    void Open(int toolId)
    {
        const PackedPicture photo = testpics::Noise(300, 200, 21);
        picture.SetLoadedPicture(photo);
        reference.SetLoadedPicture(photo);
        W = picture.Width();
        H = picture.Height();
        map.assign(size_t(W) * H, Displacement{});
        referenceMap.assign(size_t(W) * H, Displacement{});
        picture.AttachMap(MapRef{map.data(), W, H});
        reference.AttachMap(MapRef{referenceMap.data(), W, H});
        tool = tools.Find(toolId);
        tool->SetPictureSize(W, H);
        referenceTool = referenceTools.Find(toolId);
        referenceTool->SetPictureSize(W, H);
        reference.SetActiveTool(referenceTool);
        wnd = std::make_unique<CWorkWnd>(picture);
        wnd->Brush().SetTools(&tools);
        wnd->PictureChanged();
        wnd->SetActiveTool(tool);
        wnd->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd.get()));
    }
    // Steps only where the pointer moves: no timer decides the result.
    void NoRepeat(std::initializer_list<int> ids)
    {
        for (int id : ids) {
            tools.Find(id)->SetRepeat(false);
            referenceTools.Find(id)->SetRepeat(false);
        }
    }
    // A mouse stroke along `path` (client positions, at 100 %).
    void MouseStroke(Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
    {
        QTest::mousePress(wnd.get(), button, modifiers, Widget(path.front()));
        for (size_t i = 1; i < path.size(); ++i)
            QTest::mouseMove(wnd.get(), Widget(path[i]));
        QTest::mouseRelease(wnd.get(), button, modifiers, Widget(path.back()));
    }
    // The engine's stroke along the same path with the reference's active
    // tool, at a pressure for each point (none: full pressure).
    void ReferenceStroke(bool right, std::vector<double> pressures = {})
    {
        CTool* acting = reference.ActiveTool();
        const auto pressureAt = [&](size_t i) {
            return pressures.empty() ? kFullPressure : QuantisePressure(pressures[i]);
        };
        acting->SetPressure(pressureAt(0));
        reference.ButtonDown(path.front().x(), path.front().y(), right);
        for (size_t i = 1; i < path.size(); ++i) {
            acting->SetPressure(pressureAt(i));
            reference.MouseMove(path[i].x(), path[i].y());
        }
        reference.ButtonUp(right);
        acting->SetPressure(kFullPressure);
    }
    void Tablet(QEvent::Type type, QPoint client, double pressure, Qt::MouseButtons buttons)
    {
        const QPointF at(Widget(client));
        const Qt::MouseButton button = type == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton;
        QTabletEvent event(type, &pen, at, wnd->mapToGlobal(at), pressure, 0, 0, 0, 0, 0, Qt::NoModifier, button,
                           buttons);
        QApplication::sendEvent(wnd.get(), &event);
    }
    void PenStroke(const std::vector<double>& pressures)
    {
        Tablet(QEvent::TabletPress, path.front(), pressures.front(), Qt::LeftButton);
        for (size_t i = 1; i < path.size(); ++i)
            Tablet(QEvent::TabletMove, path[i], pressures[i], Qt::LeftButton);
        Tablet(QEvent::TabletRelease, path.back(), 0.0, Qt::NoButton);
    }
    void Wheel(QPoint angle, Qt::KeyboardModifiers modifiers)
    {
        const QPointF at(Widget({200, 130}));
        QWheelEvent wheel(at, wnd->mapToGlobal(at), QPoint(), angle, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(wnd.get(), &wheel);
    }

    const AppState saved = App();
    QPointingDevice pen{QStringLiteral("test pen"),
                        4711,
                        QInputDevice::DeviceType::Stylus,
                        QPointingDevice::PointerType::Pen,
                        QInputDevice::Capability::Position | QInputDevice::Capability::Pressure,
                        1,
                        3};
    WorkPicture picture, reference;
    std::vector<Displacement> map, referenceMap;
    int W = 0, H = 0;
    ToolTable tools, referenceTools;
    CTool* tool = nullptr;
    CTool* referenceTool = nullptr;
    std::unique_ptr<CWorkWnd> wnd;
    std::vector<QPoint> path{{150, 120}, {170, 125}, {200, 140}, {230, 150}};
};

}  // namespace

TEST_F(BrushTest, BracketKeysAndShiftWheelStepTheFreeSizeAndStrokesActAtIt)
{
    Open(1039);  // large move: 25 % of 274, radius 68
    ASSERT_EQ(tool->Radius(), 68);
    QTest::keyClick(wnd.get(), Qt::Key_BracketRight);  // + 6
    QTest::keyClick(wnd.get(), Qt::Key_BracketRight);  // + 7
    EXPECT_EQ(tool->FreeRadius(), 81);
    EXPECT_EQ(tool->Radius(), 81);
    QTest::keyClick(wnd.get(), Qt::Key_BracketLeft);  // - 8
    EXPECT_EQ(tool->FreeRadius(), 73);
    // Shift with the wheel: half notches add up to one step; away grows.
    Wheel({0, 60}, Qt::ShiftModifier);
    EXPECT_EQ(tool->FreeRadius(), 73);
    Wheel({0, 60}, Qt::ShiftModifier);
    EXPECT_EQ(tool->FreeRadius(), 80);
    Wheel({0, -240}, Qt::ShiftModifier);  // - 8, - 7
    EXPECT_EQ(tool->FreeRadius(), 65);
    EXPECT_FALSE(wnd->View().Magnified());  // Shift with the wheel neither zooms nor pans

    // The stroke acts at that radius, as the engine's does with it.
    MouseStroke(Qt::LeftButton, Qt::NoModifier);
    referenceTool->SetFreeRadius(65);
    referenceTool->SetPictureSize(W, H);
    ReferenceStroke(false);
    EXPECT_FALSE(AllZero(map));
    EXPECT_TRUE(map == referenceMap);
}

TEST_F(BrushTest, TheFreeSizeStaysWithinThePictureAndLeavesWholePictureToolsAlone)
{
    Open(1037);  // small move: radius 16
    QTest::keyClick(wnd.get(), Qt::Key_BracketRight);
    EXPECT_EQ(tool->FreeRadius(), 17);  // at least a pixel
    for (int i = 0; i < 40; ++i)
        QTest::keyClick(wnd.get(), Qt::Key_BracketLeft);
    EXPECT_EQ(tool->FreeRadius(), 1);
    for (int i = 0; i < 80; ++i)
        QTest::keyClick(wnd.get(), Qt::Key_BracketRight);
    EXPECT_EQ(tool->FreeRadius(), W);  // the picture's larger side

    // No size changes during a stroke: it keeps the size it began with.
    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(path.front()));
    QTest::keyClick(wnd.get(), Qt::Key_BracketLeft);
    EXPECT_EQ(tool->FreeRadius(), W);
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(path.front()));

    CTool* whole = tools.Find(1094);
    whole->SetPictureSize(W, H);
    wnd->SetActiveTool(whole);
    const Rect before = whole->GetBrushRect(10, 10);
    QTest::keyClick(wnd.get(), Qt::Key_BracketRight);
    Wheel({0, 120}, Qt::ShiftModifier);
    EXPECT_EQ(whole->FreeRadius(), 0);
    EXPECT_EQ(whole->GetBrushRect(10, 10), before);
}

TEST_F(BrushTest, APensPressureScalesEachStepAndTheMouseStaysAtFullPressure)
{
    Open(1038);  // medium move
    PenStroke({0.5, 0.5, 0.5, 0.5});
    EXPECT_EQ(tool->Pressure(), kFullPressure);  // restored after the stroke
    ReferenceStroke(false, {0.5, 0.5, 0.5, 0.5});
    EXPECT_FALSE(AllZero(map));
    EXPECT_TRUE(map == referenceMap);

    // A hovering pen leaves no pressure behind for the mouse.
    Tablet(QEvent::TabletMove, {20, 20}, 0.0, Qt::NoButton);
    MouseStroke(Qt::LeftButton, Qt::NoModifier);
    ReferenceStroke(false);
    EXPECT_TRUE(map == referenceMap);
}

TEST_F(BrushTest, WithThePressureOptionThePenAlsoScalesTheSize)
{
    App().m_bPressureSize = true;
    Open(1039);
    // Each step at the pressure of its own event.
    const std::vector<double> pressures{0.25, 0.6, 0.1, 0.9};
    PenStroke(pressures);
    referenceTool->SetPressureScalesSize(true);
    ReferenceStroke(false, pressures);
    EXPECT_TRUE(map == referenceMap);
    EXPECT_EQ(tool->Radius(), 68);  // the outline is at full size again

    // The option off: the same pressure leaves the size.
    App().m_bPressureSize = false;
    PenStroke(pressures);
    referenceTool->SetPressureScalesSize(false);
    ReferenceStroke(false, pressures);
    EXPECT_TRUE(map == referenceMap);
}

TEST_F(BrushTest, TheReverseKeyHeldAtThePressMakesThePartnerActForThatStroke)
{
    Open(1020);  // medium enlarge; its partner is medium shrink
    NoRepeat({1020, 1023});
    tool->SetStrength(40);
    referenceTool->SetStrength(40);
    QTest::keyClick(wnd.get(), Qt::Key_BracketRight);
    referenceTool->SetFreeRadius(tool->FreeRadius());
    referenceTool->SetPictureSize(W, H);

    QTest::mousePress(wnd.get(), Qt::LeftButton, Qt::AltModifier, Widget(path.front()));
    EXPECT_EQ(picture.ActiveTool()->CommandId(), 1023);
    for (size_t i = 1; i < path.size(); ++i)
        QTest::mouseMove(wnd.get(), Widget(path[i]));  // the key let go: still reversed
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(path.back()));
    EXPECT_EQ(picture.ActiveTool(), tool);
    EXPECT_EQ(tools.Find(1023)->Strength(), 64);  // the partner's own strength

    reference.SetActiveTool(&referenceTools.Reversed(*referenceTool));
    ReferenceStroke(false);
    reference.SetActiveTool(referenceTool);
    referenceTools.Find(1023)->SetStrength(64);
    EXPECT_FALSE(AllZero(map));
    EXPECT_TRUE(map == referenceMap);

    // Another reverse key: Alt is a plain stroke, Ctrl reverses.
    App().m_reverseKey = ReverseKey::Control;
    MouseStroke(Qt::LeftButton, Qt::AltModifier);
    ReferenceStroke(false);
    EXPECT_TRUE(map == referenceMap);
    MouseStroke(Qt::LeftButton, Qt::ControlModifier);
    reference.SetActiveTool(&referenceTools.Reversed(*referenceTool));
    ReferenceStroke(false);
    EXPECT_TRUE(map == referenceMap);
}

TEST_F(BrushTest, AReversedTurningToolTurnsBackAsTheRightButtonDoes)
{
    Open(1032);  // medium rotate
    NoRepeat({1032});
    MouseStroke(Qt::LeftButton, Qt::AltModifier);
    ReferenceStroke(true);
    EXPECT_FALSE(AllZero(map));
    EXPECT_TRUE(map == referenceMap);
    EXPECT_EQ(tool->TurnSign(), 1);
    // Reversed under the right button it turns the usual way.
    MouseStroke(Qt::RightButton, Qt::AltModifier);
    ReferenceStroke(false);
    EXPECT_TRUE(map == referenceMap);
    EXPECT_EQ(tool->TurnSign(), 1);
}
