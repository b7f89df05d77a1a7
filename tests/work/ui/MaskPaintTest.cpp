// The freeze mask in the work window: mask mode turns strokes into mask
// strokes at the floored map positions of every zoom, the overlay tints the
// frozen pixels and only the changed rectangle is painted again; the mask
// brush follows the active tool.

#include "work/ui/WorkWnd.h"

#include "engine/ToolTable.h"
#include "work/MaskPainter.h"
#include "support/TestPictures.h"

#include <QPaintEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

QPoint Widget(int x, int y)
{
    return QPoint(x + CWorkWnd::kEdge, y + CWorkWnd::kEdge);
}

// A mask of its own, painted with the engine's brush; it records the points.
class RecordingTarget : public MaskTarget {
public:
    const FreezeMask& Mask() const override { return mask; }
    Rect BeginMaskStroke(const MaskBrush& b, int x, int y) override
    {
        if (mask.Empty())
            mask = FreezeMask(W, H);
        brush = b;
        points.push_back({x, y});
        last = {x, y};
        return PaintMaskDab(mask, b, x, y);
    }
    Rect ContinueMaskStroke(const MaskBrush& b, int x, int y) override
    {
        points.push_back({x, y});
        const Rect r = PaintMaskSegment(mask, b, last.x(), last.y(), x, y);
        last = {x, y};
        return r;
    }
    void EndMaskStroke() override { ++ends; }

    int W = 0, H = 0;
    FreezeMask mask;
    MaskBrush brush;
    std::vector<QPoint> points;
    QPoint last;
    int ends = 0;
};

// The rectangles the window is asked to paint.
class PaintSpy : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            region += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    QRegion region;
};

// c + (t - c) * a / 256 with a = m * 144 / 64, worked by hand for the tint (224, 40, 40).
QRgb Tinted(QRgb c, int m)
{
    const int a = m * 144 / 64;
    const auto mix = [a](int from, int to) { return (from * (256 - a) + to * a) >> 8; };
    return qRgb(mix(qRed(c), 224), mix(qGreen(c), 40), mix(qBlue(c), 40));
}

class MaskPaintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        picture.SetLoadedPicture(testpics::Noise(412, 274, 5));
        W = picture.Width();
        H = picture.Height();
        map.assign(size_t(W) * H, Displacement{});
        picture.AttachMap(MapRef{map.data(), W, H});
        target.W = W;
        target.H = H;
        tool = tools.Find(1037);
        tool->SetPictureSize(W, H);
        wnd = std::make_unique<CWorkWnd>(picture);
        wnd->PictureChanged();
        wnd->SetActiveTool(tool);
        wnd->MaskPaint().SetTarget(&target);
        wnd->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd.get()));
    }
    QImage Shown()
    {
        wnd->repaint();
        return wnd->DisplayedFrame();
    }
    bool MapUntouched() const
    {
        return std::all_of(map.begin(), map.end(), [](Displacement d) { return d == Displacement{}; });
    }

    WorkPicture picture;
    std::vector<Displacement> map;
    int W = 0, H = 0;
    ToolTable tools;
    CTool* tool = nullptr;
    RecordingTarget target;
    std::unique_ptr<CWorkWnd> wnd;
};

}  // namespace

TEST_F(MaskPaintTest, InMaskModeADragAt400PercentPaintsTheMaskAtFlooredPositionsAndLeavesTheMap)
{
    wnd->ZoomIn(QPoint(0, 0));
    wnd->ZoomIn(QPoint(0, 0));
    wnd->PanBy(203, 101);
    ASSERT_EQ(wnd->View().Percent(), 400);
    wnd->MaskPaint().SetPainting(true);
    const std::vector<QPoint> path{{100, 60}, {103, 61}, {130, 90}};
    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(path[0].x(), path[0].y()));
    for (size_t i = 1; i < path.size(); ++i)
        QTest::mouseMove(wnd.get(), Widget(path[i].x(), path[i].y()));
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(path.back().x(), path.back().y()));

    const std::vector<QPoint> floored{{75, 40}, {76, 40}, {83, 47}};  // ((v + offset) / 4)
    EXPECT_EQ(target.points, floored);
    EXPECT_EQ(target.ends, 1);
    EXPECT_FALSE(target.brush.erase);
    EXPECT_EQ(target.brush.radius, tool->BaseRadius(W, H));
    EXPECT_EQ(target.mask.At(75, 40), FreezeMask::kFrozen);
    EXPECT_FALSE(picture.StrokeActive());
    EXPECT_TRUE(MapUntouched());

    // The right button erases; the left button does not end its stroke.
    QTest::mousePress(wnd.get(), Qt::RightButton, {}, Widget(100, 60));
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(100, 60));
    EXPECT_EQ(target.ends, 1);
    QTest::mouseRelease(wnd.get(), Qt::RightButton, {}, Widget(100, 60));
    EXPECT_EQ(target.ends, 2);
    EXPECT_TRUE(target.brush.erase);
    EXPECT_EQ(target.mask.At(75, 40), 0);

    // Out of mask mode the same drag deforms.
    wnd->MaskPaint().SetPainting(false);
    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(100, 60));
    QTest::mouseMove(wnd.get(), Widget(140, 80));
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(140, 80));
    EXPECT_EQ(target.ends, 2);
    EXPECT_FALSE(MapUntouched());
}

TEST_F(MaskPaintTest, TheOverlayTintsFrozenPixelsInProportionAtEveryZoom)
{
    target.mask = FreezeMask(W, H);
    target.mask.At(10, 20) = 64;
    target.mask.At(11, 20) = 32;
    const QImage plain = [&] {
        wnd->MaskPaint().SetShown(false);
        return Shown();
    }();
    wnd->MaskPaint().SetShown(true);
    QImage shown = Shown();
    EXPECT_EQ(shown.pixel(10, 20), Tinted(plain.pixel(10, 20), 64));
    EXPECT_EQ(shown.pixel(11, 20), Tinted(plain.pixel(11, 20), 32));
    EXPECT_EQ(shown.pixel(12, 20), plain.pixel(12, 20));
    // Hand-worked for one colour: (100, 100, 100) at m = 64 and m = 32.
    EXPECT_EQ(Tinted(qRgb(100, 100, 100), 64), qRgb(169, 66, 66));
    EXPECT_EQ(Tinted(qRgb(100, 100, 100), 32), qRgb(134, 83, 83));

    // At 400 % the element covers 4 x 4 view pixels, all tinted.
    wnd->ZoomIn(QPoint(0, 0));
    wnd->ZoomIn(QPoint(0, 0));
    ASSERT_EQ(wnd->View().OffsetX(), 0);
    shown = Shown();
    wnd->MaskPaint().SetShown(false);
    const QImage plain4 = Shown();
    for (int y = 80; y < 84; ++y) {
        for (int x = 40; x < 44; ++x)
            EXPECT_EQ(shown.pixel(x, y), Tinted(plain4.pixel(x, y), 64)) << x << "," << y;
        EXPECT_EQ(shown.pixel(39, y), plain4.pixel(39, y));
        EXPECT_EQ(shown.pixel(44, y), Tinted(plain4.pixel(44, y), 32));
    }
}

TEST_F(MaskPaintTest, AMaskStrokePaintsOnlyTheChangedRectangle)
{
    wnd->MaskPaint().SetPainting(true);
    const QRgb before = Shown().pixel(200, 130);
    PaintSpy spy;
    wnd->installEventFilter(&spy);
    QTest::mousePress(wnd.get(), Qt::LeftButton, {}, Widget(200, 130));
    QTest::mouseRelease(wnd.get(), Qt::LeftButton, {}, Widget(200, 130));
    QTRY_VERIFY_WITH_TIMEOUT(!spy.region.isEmpty(), 10000);
    const int r = tool->BaseRadius(W, H);
    // The dab's elements (its rim included) and the outline's pixel around them, in widget coordinates.
    const QRect brush =
        QRect(QPoint(200 - r - 1, 130 - r - 1), QPoint(200 + r + 1, 130 + r + 1)).translated(Widget(0, 0));
    EXPECT_TRUE(brush.contains(spy.region.boundingRect()));
    EXPECT_EQ(wnd->DisplayedFrame().pixel(200, 130), Tinted(before, 64));
}

TEST_F(MaskPaintTest, TheMaskBrushTakesTheActiveToolsSizeAndPressure)
{
    EXPECT_EQ(MaskBrushFor(tool, W, H, false).radius, 274 * 6 / 100);  // a small brush
    tool->SetFreeRadius(40);                                           // as the size keys set it
    EXPECT_EQ(MaskBrushFor(tool, W, H, false).radius, 40);
    EXPECT_EQ(MaskBrushFor(tool, W, H, false).strength, 64);
    tool->SetPressure(16);
    EXPECT_EQ(MaskBrushFor(tool, W, H, true).strength, 16);
    EXPECT_TRUE(MaskBrushFor(tool, W, H, true).erase);
    tool->SetPressureScalesSize(true);
    EXPECT_EQ(MaskBrushFor(tool, W, H, false).radius, 10);
    // Whole-picture tools and no tool: a medium brush.
    const CTool* global = tools.Find(1090);
    ASSERT_TRUE(global->IsGlobal());
    EXPECT_EQ(MaskBrushFor(global, W, H, false).radius, 274 * 12 / 100);
    EXPECT_EQ(MaskBrushFor(nullptr, W, H, false).radius, 274 * 12 / 100);
}
