// The work window's view: zoom and pan, strokes at map positions at every
// zoom, the photograph's detail above 100 %, before/after and the onion skin.

#include "work/ui/WorkWnd.h"

#include "app/AppState.h"
#include "engine/ToolTable.h"
#include "work/OnionSkin.h"
#include "support/TestPictures.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

QPoint Widget(int x, int y)
{
    return QPoint(x + CWorkWnd::kEdge, y + CWorkWnd::kEdge);
}

QImage ImageOf(const PackedPicture& picture)
{
    QImage image(picture.Width(), picture.Height(), QImage::Format_RGB32);
    CopyPackedToImage(picture, 0, 0, picture.Width(), picture.Height(), image);
    return image;
}

// A 412 x 274 work picture whose map lies inside a larger buffer, so that a
// write beyond the map shows in the guard elements around it.
class ZoomTest : public ::testing::Test {
protected:
    static constexpr size_t kGuard = 4096;

    void Open(int toolId, int photoWidth = 300, int photoHeight = 200)
    {
        const PackedPicture photo = testpics::Noise(photoWidth, photoHeight, 21);
        picture.SetLoadedPicture(photo);
        W = picture.Width();
        H = picture.Height();
        buffer.assign(kGuard + size_t(W) * H + kGuard, Displacement{});
        picture.AttachMap(Map());
        tool = tools.Find(toolId);
        tool->SetPictureSize(W, H);
        detail = std::make_shared<const PackedPicture>(photo);
        wnd = std::make_unique<CWorkWnd>(picture);
        wnd->SetDetailSource([this] { return detail; });
        wnd->PictureChanged();
        wnd->SetActiveTool(tool);
        wnd->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd.get()));
    }
    MapRef Map() { return MapRef{buffer.data() + kGuard, W, H}; }
    bool GuardsClear() const
    {
        for (size_t i = 0; i < kGuard; ++i) {
            if (!(buffer[i] == Displacement{}) || !(buffer[buffer.size() - 1 - i] == Displacement{}))
                return false;
        }
        return true;
    }
    // The client area as painted now.
    QImage Shown()
    {
        wnd->repaint();
        return wnd->DisplayedFrame();
    }
    void Wheel(QPoint client, QPoint angle, Qt::KeyboardModifiers modifiers)
    {
        const QPointF at(Widget(client.x(), client.y()));
        QWheelEvent wheel(at, wnd->mapToGlobal(at), QPoint(), angle, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(wnd.get(), &wheel);
    }

    WorkPicture picture;
    std::vector<Displacement> buffer;
    int W = 0, H = 0;
    ToolTable tools;
    CTool* tool = nullptr;
    std::shared_ptr<const PackedPicture> detail;
    std::unique_ptr<CWorkWnd> wnd;
};

}  // namespace

TEST_F(ZoomTest, KeysAndTheWheelChangeTheLevelAndTheWindowKeepsItsSize)
{
    Open(1037);
    const QSize size = wnd->size();
    QTest::keyClick(wnd.get(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(wnd->View().Percent(), 200);
    QTest::keyClick(wnd.get(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(wnd->View().Percent(), 400);
    QTest::keyClick(wnd.get(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(wnd->View().Percent(), 200);
    QTest::keyClick(wnd.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(wnd->View().IsFit());
    EXPECT_EQ(wnd->size(), size);

    // Ctrl+wheel zooms about the pointer: the map pixel under it stays.
    Wheel({300, 100}, {0, 120}, Qt::ControlModifier);
    EXPECT_EQ(wnd->View().Percent(), 200);
    EXPECT_EQ(wnd->View().MapX(300), 300);
    EXPECT_EQ(wnd->View().MapY(100), 100);
    // Half notches add up to one step.
    Wheel({300, 100}, {0, 60}, Qt::ControlModifier);
    EXPECT_EQ(wnd->View().Percent(), 200);
    Wheel({300, 100}, {0, 60}, Qt::ControlModifier);
    EXPECT_EQ(wnd->View().Percent(), 400);
    Wheel({300, 100}, {0, -240}, Qt::ControlModifier);
    EXPECT_EQ(wnd->View().Percent(), 100);
    EXPECT_EQ(wnd->size(), size);
}

TEST_F(ZoomTest, PanningWithTheWheelTheMiddleButtonAndSpaceStaysOnThePicture)
{
    Open(1037);
    wnd->ZoomIn();  // 200 % about the centre
    const int x0 = wnd->View().OffsetX(), y0 = wnd->View().OffsetY();
    // The wheel turned towards the user shows what is below.
    Wheel({10, 10}, {0, -120}, Qt::NoModifier);
    EXPECT_EQ(wnd->View().OffsetY(), y0 + CWorkWnd::kWheelPan);
    EXPECT_EQ(wnd->View().OffsetX(), x0);
    // Dragging with the middle button moves the picture with the pointer, far
    // beyond its corner: the view stops at the picture's top-left.
    QTest::mousePress(wnd.get(), Qt::MiddleButton, {}, Widget(10, 10));
    QTest::mouseMove(wnd.get(), Widget(400, 260));
    QTest::mouseMove(wnd.get(), Widget(2000, 2000));
    QTest::mouseRelease(wnd.get(), Qt::MiddleButton, {}, Widget(2000, 2000));
    EXPECT_EQ(wnd->View().OffsetX(), 0);
    EXPECT_EQ(wnd->View().OffsetY(), 0);
    // Space held with the left button pans instead of stroking.
    QTest::keyPress(wnd.get(), Qt::Key_Space);
    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(300, 200));
    QTest::mouseMove(wnd.get(), Widget(100, 50));
    QTest::mouseMove(wnd.get(), Widget(-900, -900));
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(-900, -900));
    QTest::keyRelease(wnd.get(), Qt::Key_Space);
    EXPECT_EQ(wnd->View().OffsetX(), W);  // (2 - 1) x W, the far edge
    EXPECT_EQ(wnd->View().OffsetY(), H);
    EXPECT_FALSE(picture.StrokeActive());
    for (int i = 0; i < W * H; ++i)
        ASSERT_TRUE(Map().data[i] == Displacement{});
}

TEST_F(ZoomTest, AStrokeAt400PercentActsAtTheFlooredMapPosition)
{
    Open(1037);  // move: steps only on pointer movement
    wnd->ZoomIn(QPoint(0, 0));
    wnd->ZoomIn(QPoint(0, 0));
    ASSERT_EQ(wnd->View().Percent(), 400);
    wnd->PanBy(203, 101);  // offsets that leave a remainder
    ASSERT_EQ(wnd->View().OffsetX(), 203);

    // The engine's stroke at the floored positions ((v + offset) / 4).
    std::vector<Displacement> expectedMap(size_t(W) * H);
    WorkPicture reference;
    reference.SetLoadedPicture(testpics::Noise(300, 200, 21));
    reference.AttachMap(MapRef{expectedMap.data(), W, H});
    ToolTable referenceTools;
    CTool* referenceTool = referenceTools.Find(1037);
    referenceTool->SetPictureSize(W, H);
    reference.SetActiveTool(referenceTool);
    const std::vector<QPoint> path{{100, 60}, {103, 61}, {130, 90}, {131, 93}};
    auto floored = [&](QPoint v) { return QPoint((v.x() + 203) / 4, (v.y() + 101) / 4); };

    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(path[0].x(), path[0].y()));
    reference.ButtonDown(floored(path[0]).x(), floored(path[0]).y(), false);
    for (size_t i = 1; i < path.size(); ++i) {
        QTest::mouseMove(wnd.get(), Widget(path[i].x(), path[i].y()));
        reference.MouseMove(floored(path[i]).x(), floored(path[i]).y());
    }
    EXPECT_EQ(wnd->LastPoint(), floored(path.back()));
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(path.back().x(), path.back().y()));
    reference.ButtonUp(false);
    EXPECT_TRUE(std::equal(expectedMap.begin(), expectedMap.end(), Map().data));
    EXPECT_FALSE(
        std::all_of(expectedMap.begin(), expectedMap.end(), [](Displacement d) { return d == Displacement{}; }));
}

TEST_F(ZoomTest, AStrokeAtTheViewsEdgeNeverWritesOutsideTheMap)
{
    Open(1021);  // large enlarge, repeating
    wnd->ZoomIn(QPoint(W - 1, H - 1));
    wnd->ZoomIn(QPoint(W - 1, H - 1));
    wnd->ZoomIn(QPoint(W - 1, H - 1));
    ASSERT_EQ(wnd->View().Percent(), 800);
    ASSERT_EQ(wnd->View().MapX(W - 1), W - 1);
    // At the last view pixel, then beyond the window's corner with the capture.
    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(W - 1, H - 1));
    for (int step = 0; step < 5; ++step)
        wnd->TimerStep();
    QTest::mouseMove(wnd.get(), Widget(W + 40, H + 40));
    for (int step = 0; step < 5; ++step)
        wnd->TimerStep();
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(W + 40, H + 40));
    EXPECT_TRUE(GuardsClear());
    EXPECT_FALSE(Map().At(W - 20, H - 20) == Displacement{});
    // The same at the top-left corner, scrolled there.
    wnd->PanBy(-100000, -100000);
    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(0, 0));
    QTest::mouseMove(wnd.get(), Widget(-60, -60));
    for (int step = 0; step < 5; ++step)
        wnd->TimerStep();
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(-60, -60));
    EXPECT_TRUE(GuardsClear());
}

TEST_F(ZoomTest, AboveFullSizeTheViewShowsThePhotographsDetailThroughTheMap)
{
    // A 1648 x 1096 photograph: 400 % of the 412 x 274 work picture.
    Open(1037, 1648, 1096);
    const std::vector<Displacement> deformation = testpics::RandomMap(W, H, 8 * 64, 3).Elements();
    std::copy(deformation.begin(), deformation.end(), Map().data);
    wnd->RenderMap(64, true);
    EXPECT_EQ(Shown(), ImageOf(picture.Display()));  // fit: the work picture

    wnd->ZoomIn(QPoint(100, 100));
    wnd->ZoomIn(QPoint(100, 100));
    ASSERT_EQ(wnd->View().Percent(), 400);
    ZoomedView expected;
    expected.SetDetail(detail, W, H);
    QImage pixels(W, H, QImage::Format_RGB32);
    expected.Render(Map(), 4, 64, wnd->View().ViewToMagnified(Rect{0, 0, W, H}), pixels, 0, 0);
    const QImage shown = Shown();
    EXPECT_EQ(shown, pixels);
    // Not the work picture magnified: the photograph has detail the work picture lost.
    const QImage magnified = ImageOf(picture.Display())
                                 .copy(wnd->View().OffsetX() / 4, wnd->View().OffsetY() / 4, W / 4, H / 4)
                                 .scaled(W, H);
    EXPECT_NE(shown, magnified);
}

TEST_F(ZoomTest, TheBeforeKeyShowsTheUndeformedPictureWhileHeld)
{
    Open(1037);
    const std::vector<Displacement> deformation = testpics::RandomMap(W, H, 8 * 64, 4).Elements();
    std::copy(deformation.begin(), deformation.end(), Map().data);
    wnd->RenderMap(64, true);
    const QImage deformed = ImageOf(picture.Display());
    ASSERT_NE(deformed, ImageOf(picture.Source()));
    EXPECT_EQ(Shown(), deformed);

    QTest::keyPress(wnd.get(), CWorkWnd::kBeforeAfterKey);
    EXPECT_TRUE(wnd->ShowsBeforePicture());
    EXPECT_EQ(Shown(), ImageOf(picture.Source()));
    QTest::keyRelease(wnd.get(), CWorkWnd::kBeforeAfterKey);
    EXPECT_FALSE(wnd->ShowsBeforePicture());
    EXPECT_EQ(Shown(), deformed);

    // Magnified: the photograph undeformed.
    wnd->ZoomIn();
    QTest::keyPress(wnd.get(), CWorkWnd::kBeforeAfterKey);
    ZoomedView undeformed;
    undeformed.SetDetail(detail, W, H);
    const QImage source = ImageOf(undeformed.SourceAt(2));
    EXPECT_EQ(Shown(), source.copy(wnd->View().OffsetX(), wnd->View().OffsetY(), W, H));
    QTest::keyRelease(wnd.get(), CWorkWnd::kBeforeAfterKey);
    EXPECT_NE(Shown(), source.copy(wnd->View().OffsetX(), wnd->View().OffsetY(), W, H));
}

TEST_F(ZoomTest, TheOnionSkinGhostsTheNeighbouringKeyframesWhenSwitchedOn)
{
    Open(1037);
    const std::vector<Displacement> previous = testpics::RandomMap(W, H, 20 * 64, 5).Elements();
    const std::vector<Displacement> next = testpics::RandomMap(W, H, 20 * 64, 6).Elements();
    int asked = 0;
    wnd->SetOnionSource([&] {
        ++asked;
        return CWorkWnd::OnionMaps{previous, next};
    });
    wnd->RenderMap(64, true);
    const QImage plain = ImageOf(picture.Display());
    const bool saved = App().m_bOnionSkin;
    App().m_bOnionSkin = false;
    EXPECT_EQ(Shown(), plain);
    EXPECT_EQ(asked, 0);

    App().m_bOnionSkin = true;
    const QImage ghosted = Shown();
    EXPECT_NE(ghosted, plain);
    EXPECT_EQ(wnd->Onion().RenderCount(), 2);
    // Painting again renders no ghost again; a change of keyframes asks once more.
    Shown();
    EXPECT_EQ(wnd->Onion().RenderCount(), 2);
    EXPECT_EQ(asked, 1);
    wnd->OnionKeysChanged();
    Shown();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(wnd->Onion().RenderCount(), 2);  // the same maps: nothing rendered

    App().m_bOnionSkin = false;
    EXPECT_EQ(Shown(), plain);
    App().m_bOnionSkin = saved;
}

TEST_F(ZoomTest, PaintingOnlyWhatChangedKeepsTheShownPictureWhole)
{
    // Repeating large enlarge: each step repaints only its rectangle; after
    // the stroke the kept picture is what a full render shows, at 100 % and at 400 %.
    Open(1021);
    wnd->repaint();
    auto strokeAcross = [&] {
        QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(150, 100));
        for (int i = 1; i <= 6; ++i) {
            QTest::mouseMove(wnd.get(), Widget(150 + 15 * i, 100 + 5 * i));
            wnd->TimerStep();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
            QCoreApplication::processEvents();
        }
        QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(240, 130));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        QCoreApplication::processEvents();
    };
    wnd->ZoomToFit();
    wnd->repaint();
    strokeAcross();
    EXPECT_EQ(wnd->DisplayedFrame(), ImageOf(picture.Display()));

    wnd->ZoomIn(QPoint(200, 110));
    wnd->ZoomIn(QPoint(200, 110));
    wnd->repaint();
    strokeAcross();
    ZoomedView expected;
    expected.SetDetail(detail, W, H);
    QImage pixels(W, H, QImage::Format_RGB32);
    expected.Render(Map(), 4, 64, wnd->View().ViewToMagnified(Rect{0, 0, W, H}), pixels, 0, 0);
    EXPECT_EQ(wnd->DisplayedFrame(), pixels);
}
