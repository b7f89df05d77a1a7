#include "work/OutlineRegion.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// The outline as the work window draws it: an inverting one-pixel pen on the
// ellipse inside `bounds`.
QImage DrawnOutline(const QRect& bounds, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.setPen(QPen(Qt::white, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(bounds.adjusted(0, 0, -1, -1));
    return image;
}

int64_t Area(const QRegion& region)
{
    int64_t area = 0;
    for (const QRect& r : region)
        area += int64_t(r.width()) * r.height();
    return area;
}

}  // namespace

TEST(OutlineRegionTest, TheRingHoldsEveryPixelOfTheOutlineAndLittleElse)
{
    // Small, round, wide, tall, odd and even sides, and one reaching past the
    // image's corner (the window clips it).
    const QSize size(420, 300);
    for (const QRect bounds : {QRect(10, 10, 6, 6), QRect(40, 30, 17, 17), QRect(50, 40, 240, 240),
                               QRect(5, 100, 401, 61), QRect(200, 3, 33, 290), QRect(-100, -80, 331, 331)}) {
        const QImage drawn = DrawnOutline(bounds, size);
        const QRegion ring = EllipseOutlineRegion(bounds);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                if (drawn.pixel(x, y) != qRgb(0, 0, 0)) {
                    ASSERT_TRUE(ring.contains(QPoint(x, y))) << bounds.x() << "," << bounds.y() << " " << bounds.width()
                                                             << "x" << bounds.height() << " at " << x << "," << y;
                }
            }
        }
        EXPECT_TRUE(QRegion(bounds.adjusted(-1, -1, 1, 1)).contains(ring.boundingRect()));
    }
    // A large outline leaves most of its rectangle out.
    const QRect large(50, 40, 240, 240);
    EXPECT_LT(Area(EllipseOutlineRegion(large)), int64_t(large.width()) * large.height() / 3);
}
