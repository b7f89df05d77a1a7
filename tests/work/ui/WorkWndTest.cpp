#include "work/ui/WorkWnd.h"

#include "engine/ToolTable.h"
#include "support/TestPictures.h"
#include "support/UiTestMain.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records what the work picture reports.
class CountingHost : public WorkPictureHost {
public:
    void ApplyPowerRequested() override { ++applyPower; }
    void MapChanged() override { ++mapChanged; }
    void ToolApplied() override { ++toolApplied; }
    int applyPower = 0, mapChanged = 0, toolApplied = 0;
};

// One work picture with its map and tools: the window's, or the reference
// driven straight through the engine.
struct Rig {
    explicit Rig(int toolId) : picture(&host)
    {
        picture.SetLoadedPicture(testpics::Gradient(300, 200));
        map = DisplacementMap(picture.Width(), picture.Height());
        picture.AttachMap(map.Ref());
        tool = tools.Find(toolId);
        tool->SetPictureSize(picture.Width(), picture.Height());
        picture.SetActiveTool(tool);
    }
    CountingHost host;
    WorkPicture picture;
    DisplacementMap map;
    ToolTable tools;
    CTool* tool = nullptr;
};

QPoint Widget(int x, int y)
{
    return QPoint(x + CWorkWnd::kEdge, y + CWorkWnd::kEdge);
}

bool IsIdentity(const DisplacementMap& map)
{
    for (const Displacement& d : map.Elements()) {
        if (d.dx != 0 || d.dy != 0)
            return false;
    }
    return true;
}

class WorkWndTest : public ::testing::Test {
protected:
    void Open(int toolId)
    {
        rig = std::make_unique<Rig>(toolId);
        wnd = std::make_unique<CWorkWnd>(rig->picture);
        wnd->PictureChanged();
        wnd->SetActiveTool(rig->tool);
        wnd->show();
    }
    std::unique_ptr<Rig> rig;
    std::unique_ptr<CWorkWnd> wnd;
};

}  // namespace

TEST_F(WorkWndTest, ClientAreaIsThePictureInsideTheSunkenEdge)
{
    Open(1019);
    EXPECT_EQ(rig->picture.Width(), 412);
    EXPECT_EQ(rig->picture.Height(), 274);
    EXPECT_EQ(wnd->size(), QSize(412 + 4, 274 + 4));
    // Centred in the 412 square at (363, 21): the client area's left edge stays at 363.
    EXPECT_EQ(CWorkWnd::CenteredPosition(wnd->size()), QPoint(361, 21 - (278 - 412 + 1) / 2));
    EXPECT_EQ(CWorkWnd::CenteredPosition(QSize(210, 416)), QPoint(363 + 100, 19));
}

TEST_F(WorkWndTest, MouseStrokeDeformsTheMapExactlyAsTheEngineDoes)
{
    // Move (1037) repeats not on the timer, so the stroke is fully determined by the moves.
    Open(1037);
    Rig reference(1037);
    const std::vector<QPoint> path{{120, 90}, {128, 94}, {140, 101}, {170, 120}, {171, 121}, {200, 150}};

    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(path[0].x(), path[0].y()));
    EXPECT_FALSE(wnd->TimerRunning());
    reference.picture.ButtonDown(path[0].x(), path[0].y(), false);
    for (size_t i = 1; i < path.size(); ++i) {
        QTest::mouseMove(wnd.get(), Widget(path[i].x(), path[i].y()));
        reference.picture.MouseMove(path[i].x(), path[i].y());
    }
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(path.back().x(), path.back().y()));
    reference.picture.ButtonUp(false);

    EXPECT_FALSE(IsIdentity(rig->map));
    EXPECT_TRUE(rig->map == reference.map);
    EXPECT_TRUE(rig->picture.Display() == reference.picture.Display());
    // The press asked for the power slider first; each step reported a change.
    EXPECT_EQ(rig->host.applyPower, 1);
    EXPECT_EQ(rig->host.toolApplied, int(path.size()) - 1);
    EXPECT_GE(rig->host.mapChanged, int(path.size()) - 1);
    EXPECT_FALSE(rig->picture.StrokeActive());
    EXPECT_EQ(wnd->LastPoint(), QPoint(-1000, -1000));
}

TEST_F(WorkWndTest, ClickWithoutMovementChangesNothingForToolsWithoutRepeat)
{
    Open(1037);
    QTest::mouseClick(wnd.get(), Qt::LeftButton, {}, Widget(150, 120));
    EXPECT_TRUE(IsIdentity(rig->map));
}

TEST_F(WorkWndTest, RepeatingToolsStepOnTheTimerAndStopAtRelease)
{
    Open(1019);  // small-area enlarge repeats
    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(150, 120));
    EXPECT_TRUE(wnd->TimerRunning());
    EXPECT_TRUE(IsIdentity(rig->map));  // the press itself changes nothing

    Rig reference(1019);
    reference.picture.ButtonDown(150, 120, false);
    for (int tick = 0; tick < 3; ++tick) {
        wnd->TimerStep();
        reference.picture.TimerTick(150, 120);
    }
    EXPECT_FALSE(IsIdentity(rig->map));
    EXPECT_TRUE(rig->map == reference.map);

    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(150, 120));
    EXPECT_FALSE(wnd->TimerRunning());
    const DisplacementMap after = rig->map;
    wnd->TimerStep();  // a late tick after the release does nothing
    EXPECT_TRUE(rig->map == after);
}

TEST_F(WorkWndTest, RightButtonRotateTurnsTheOtherWayAndTheSignComesBack)
{
    // Large rotate brushes; the same held position, once with each button.
    auto strokeAt = [](bool right) {
        Rig r(1033);
        CWorkWnd w(r.picture);
        w.PictureChanged();
        w.SetActiveTool(r.tool);
        w.show();
        const Qt::MouseButton button = right ? Qt::RightButton : Qt::LeftButton;
        QTest::mousePress(&w, button, {}, Widget(200, 130));
        EXPECT_EQ(r.tool->TurnSign(), right ? -1 : 1);
        for (int tick = 0; tick < 4; ++tick)
            w.TimerStep();
        QTest::mouseRelease(&w, button, {}, Widget(200, 130));
        EXPECT_EQ(r.tool->TurnSign(), 1);
        // A point above the centre moves sideways: left of or right of it.
        return r.map.At(200, 130 - 20);
    };
    const Displacement left = strokeAt(false);
    const Displacement right = strokeAt(true);
    ASSERT_NE(left.dx, 0);
    EXPECT_LT(int64_t(left.dx) * right.dx, 0) << left.dx << " vs " << right.dx;
}

TEST_F(WorkWndTest, OutlineFollowsThePointerAndLeavesWithIt)
{
    Open(1019);
    QMouseEvent move(QEvent::MouseMove, QPointF(Widget(100, 80)), QPointF(wnd->mapToGlobal(Widget(100, 80))),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(wnd.get(), &move);
    EXPECT_EQ(wnd->LastPoint(), QPoint(100, 80));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(wnd.get(), &leave);
    EXPECT_EQ(wnd->LastPoint(), QPoint(-1000, -1000));

    // With a stroke the capture keeps it going outside the window.
    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(100, 80));
    QTest::mouseMove(wnd.get(), Widget(-30, 80));
    EXPECT_TRUE(rig->picture.StrokeActive());
    EXPECT_EQ(wnd->LastPoint(), QPoint(-30, 80));
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(-30, 80));
    EXPECT_FALSE(rig->picture.StrokeActive());
}

TEST_F(WorkWndTest, PaintingDrawsThePictureAndAnInvertedOutline)
{
    Open(1021);  // large enlarge: R = 25% of 274
    const QImage before = wnd->grab().toImage();
    QMouseEvent move(QEvent::MouseMove, QPointF(Widget(200, 137)), QPointF(wnd->mapToGlobal(Widget(200, 137))),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(wnd.get(), &move);
    const QImage after = wnd->grab().toImage();
    // At the centre the colour is the picture's own; every pixel the outline
    // touches is inverted (where exactly the rasterizer puts it is Qt's affair).
    const QColor inside = before.pixelColor(Widget(200, 137));
    EXPECT_EQ(after.pixelColor(Widget(200, 137)), inside);
    // The outline is inscribed in the brush rectangle, right and bottom edges exclusive.
    QRect changed;
    int inverted = 0, otherwise = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            if (after.pixel(x, y) == before.pixel(x, y))
                continue;
            changed |= QRect(x, y, 1, 1);
            const QColor b = before.pixelColor(x, y), a = after.pixelColor(x, y);
            (a.red() == 255 - b.red() && a.green() == 255 - b.green() && a.blue() == 255 - b.blue() ? inverted
                                                                                                    : otherwise)++;
        }
    EXPECT_GT(inverted, 0);
    EXPECT_EQ(otherwise, 0);
    const Rect brush = rig->tool->GetBrushRect(200, 137);
    EXPECT_EQ(changed, QRect(Widget(brush.left, brush.top), Widget(brush.right - 1, brush.bottom - 1)));
    // The picture's top-left pixel is the source's (identity map, buffer bottom-up).
    const uint8_t* px = rig->picture.Display().Pixel(0, 0);
    EXPECT_EQ(before.pixelColor(Widget(0, 0)), QColor(px[2], px[1], px[0]));
}

TEST_F(WorkWndTest, HidingAsksForThePowerAndPressesWithoutToolAreIgnored)
{
    Open(1019);
    QSignalSpy spy(wnd.get(), &CWorkWnd::powerRequested);
    wnd->hide();
    EXPECT_EQ(spy.count(), 1);

    wnd->show();
    wnd->SetActiveTool(nullptr);
    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(10, 10));
    EXPECT_FALSE(rig->picture.StrokeActive());
    EXPECT_EQ(rig->host.applyPower, 0);
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(10, 10));
}

TEST(WorkWndMinimise, MinimisingTheWindowAppliesNoPower)
{
    Rig rig(1019);
    QWidget window;
    auto* wnd = new CWorkWnd(rig.picture, &window);
    wnd->PictureChanged();
    window.show();
    QSignalSpy spy(wnd, &CWorkWnd::powerRequested);
    window.setWindowState(Qt::WindowMinimized);
    window.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(spy.count(), 0);
    wnd->hide();
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(WorkWndTest, BusyWindowTakesNoStrokes)
{
    Open(1037);
    wnd->SetBusy(true);
    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(100, 100));
    QTest::mouseMove(wnd.get(), Widget(130, 100));
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(130, 100));
    EXPECT_TRUE(IsIdentity(rig->map));
    EXPECT_EQ(wnd->cursor().shape(), Qt::WaitCursor);
}

TEST_F(WorkWndTest, AnotherWindowTakingOverEndsTheStroke)
{
    // A right-button stroke with a repeating rotate brush is interrupted by a
    // window that opens while the button is held (a message box, a file dialog).
    Open(1033);
    QTest::mousePress(wnd.get(), Qt::RightButton, {}, Widget(200, 130));
    ASSERT_TRUE(rig->picture.StrokeActive());
    ASSERT_TRUE(wnd->TimerRunning());
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(wnd.get(), &deactivate);
    EXPECT_FALSE(rig->picture.StrokeActive());
    EXPECT_FALSE(wnd->TimerRunning());
    EXPECT_EQ(rig->tool->TurnSign(), 1);
    // Ticks that were already queued change nothing any more.
    const DisplacementMap after = rig->map;
    wnd->TimerStep();
    EXPECT_TRUE(rig->map == after);
    // The late release is harmless and the next stroke works.
    QTest::mouseRelease(wnd.get(), Qt::RightButton, {}, Widget(200, 130));
    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(200, 130));
    EXPECT_TRUE(rig->picture.StrokeActive());
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(200, 130));
}
