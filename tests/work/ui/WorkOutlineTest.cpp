// The work window's repaints around the moving brush outline: a move without
// a stroke repaints a ring around the old and new outline, not the picture
// under it, and what the window shows stays what a full paint shows.

#include "work/ui/WorkWnd.h"

#include "engine/ToolTable.h"
#include "support/TestPictures.h"

#include <QApplication>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

QPoint Widget(int x, int y)
{
    return QPoint(x + CWorkWnd::kEdge, y + CWorkWnd::kEdge);
}

// The area of every paint of a widget, in pixels.
class PaintedArea : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                area += int64_t(r.width()) * r.height();
        }
        return false;
    }
    int64_t area = 0;
};

void Settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    QCoreApplication::processEvents();
}

}  // namespace

TEST(WorkOutlineTest, HoveringRepaintsARingAroundTheOutlineAndTheWindowStaysWhole)
{
    WorkPicture picture;
    const PackedPicture photo = testpics::Noise(600, 400, 5);
    picture.SetLoadedPicture(photo);
    const int W = picture.Width(), H = picture.Height();
    DisplacementMap map = testpics::RandomMap(W, H, 3 * 64, 8);
    picture.AttachMap(map.Ref());
    ToolTable tools;
    CTool* tool = tools.Find(1021);  // the large enlarging brush
    tool->SetPictureSize(W, H);
    auto detail = std::make_shared<const PackedPicture>(photo);
    CWorkWnd wnd(picture);
    wnd.SetDetailSource([&] { return detail; });
    wnd.PictureChanged();
    wnd.SetActiveTool(&*tool);
    wnd.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
    wnd.RenderMap(64, true);
    wnd.ZoomIn(QPoint(W / 2, H / 2));
    ASSERT_EQ(wnd.View().Percent(), 200);
    QTest::mouseMove(&wnd, Widget(150, 120));
    wnd.repaint();
    Settle();

    PaintedArea painted;
    wnd.installEventFilter(&painted);
    for (int i = 1; i <= 5; ++i) {
        QTest::mouseMove(&wnd, Widget(150 + 9 * i, 120 + 4 * i));
        Settle();
    }
    wnd.removeEventFilter(&painted);
    // Each move before repainted the rectangles of both outlines: at least
    // the brush's own rectangle, magnified twice.
    const Rect brush = tool->GetBrushRect(0, 0);
    const int64_t side = 2 * int64_t(brush.right - brush.left);
    ASSERT_GT(painted.area, 0);
    EXPECT_LT(painted.area, 5 * side * side / 2);

    // What the window shows (its backing store, outline included) is what a
    // whole paint shows.
    const QPixmap shown = wnd.screen()->grabWindow(wnd.winId());
    const QPixmap whole = wnd.grab();
    ASSERT_EQ(shown.size(), whole.size());
    EXPECT_EQ(shown.toImage().convertToFormat(QImage::Format_RGB32),
              whole.toImage().convertToFormat(QImage::Format_RGB32));
}
