// The freeze-mask side of the work window without a window: the brush a tool
// gives, the stroke bookkeeping towards the document, and the tinted overlay.

#include "work/MaskPainter.h"

#include "engine/ToolTable.h"
#include "work/ZoomView.h"

#include <QImage>
#include <QRect>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int W = 412, H = 206;

// A document that records the mask calls it is sent.
class RecordingTarget : public MaskTarget {
public:
    const FreezeMask& Mask() const override { return mask; }
    Rect BeginMaskStroke(const MaskBrush& brush, int x, int y) override
    {
        calls.push_back({'B', brush.radius, brush.strength, brush.erase, x, y});
        return Rect{x, y, x + 1, y + 1};
    }
    Rect ContinueMaskStroke(const MaskBrush& brush, int x, int y) override
    {
        calls.push_back({'C', brush.radius, brush.strength, brush.erase, x, y});
        return Rect{x, y, x + 1, y + 1};
    }
    void EndMaskStroke() override { calls.push_back({'E', 0, 0, false, 0, 0}); }

    struct Call {
        char kind;
        int radius, strength;
        bool erase;
        int x, y;
        bool operator==(const Call&) const = default;
    };
    FreezeMask mask{4, 2};
    std::vector<Call> calls;
};

}  // namespace

TEST(MaskBrushFor, PressureSetsTheStrengthAndTheSizeOnlyWithTheOption)
{
    ToolTable tools;
    CTool* medium = tools.Find(1020);  // 12 % of the shorter side: 24
    MaskBrush brush = MaskBrushFor(medium, W, H, false);
    EXPECT_EQ(brush.radius, 24);
    EXPECT_EQ(brush.strength, 64);
    EXPECT_FALSE(brush.erase);

    // A pen at 44 / 64 paints at strength 44 with the brush's whole size...
    medium->SetPressure(44);
    brush = MaskBrushFor(medium, W, H, true);
    EXPECT_EQ(brush.radius, 24);
    EXPECT_EQ(brush.strength, 44);
    EXPECT_TRUE(brush.erase);
    // ... and, with the size option, at (24 x 44 + 32) / 64 = 17.
    medium->SetPressureScalesSize(true);
    EXPECT_EQ(MaskBrushFor(medium, W, H, false).radius, 17);
    // No pressure: strength 0 and, with the option, the smallest brush.
    medium->SetPressure(0);
    EXPECT_EQ(MaskBrushFor(medium, W, H, false).radius, 1);
    EXPECT_EQ(MaskBrushFor(medium, W, H, false).strength, 0);
    medium->SetPressureScalesSize(false);
    EXPECT_EQ(MaskBrushFor(medium, W, H, false).radius, 24);

    // A free size counts as the tool's size.
    medium->SetPressure(kFullPressure);
    medium->SetFreeRadius(100);
    EXPECT_EQ(MaskBrushFor(medium, W, H, false).radius, 100);

    // A picture too small for a medium brush still gets one pixel.
    EXPECT_EQ(MaskBrushFor(nullptr, 5, 5, false).radius, 1);
    EXPECT_EQ(MaskBrushFor(nullptr, W, H, false).strength, 64);
}

TEST(MaskPainterTest, AStrokeReachesTheDocumentOnceFromBeginToEnd)
{
    MaskPainter painter;
    painter.SetPainting(true);
    EXPECT_FALSE(painter.Painting());  // nothing to paint on yet
    EXPECT_FALSE(painter.OverlayVisible());
    EXPECT_EQ(painter.Mask(), nullptr);
    EXPECT_TRUE(painter.Begin(MaskBrush{}, 1, 1).IsEmpty());
    EXPECT_FALSE(painter.StrokeActive());

    RecordingTarget target;
    painter.SetTarget(&target);
    EXPECT_TRUE(painter.Painting());
    EXPECT_EQ(painter.Mask(), &target.mask);
    EXPECT_TRUE(painter.Continue(MaskBrush{}, 0, 0).IsEmpty());  // no stroke under way
    painter.End();
    EXPECT_TRUE(target.calls.empty());

    const MaskBrush erase{5, 30, true};
    EXPECT_EQ(painter.Begin(erase, 3, 4), (Rect{3, 4, 4, 5}));
    EXPECT_TRUE(painter.StrokeActive());
    EXPECT_TRUE(painter.Erasing());
    EXPECT_TRUE(painter.Begin(MaskBrush{}, 9, 9).IsEmpty());  // a second press joins nothing
    const MaskBrush lighter{4, 12, true};                     // the pen eased off
    EXPECT_EQ(painter.Continue(lighter, 6, 7), (Rect{6, 7, 7, 8}));
    painter.End();
    painter.End();
    EXPECT_FALSE(painter.StrokeActive());
    using Call = RecordingTarget::Call;
    EXPECT_EQ(target.calls,
              (std::vector<Call>{{'B', 5, 30, true, 3, 4}, {'C', 4, 12, true, 6, 7}, {'E', 0, 0, false, 0, 0}}));

    // The overlay shows while painting, and otherwise as the option says.
    painter.SetShown(false);
    EXPECT_TRUE(painter.OverlayVisible());
    painter.SetPainting(false);
    EXPECT_FALSE(painter.OverlayVisible());
    painter.SetShown(true);
    EXPECT_TRUE(painter.OverlayVisible());
}

TEST(MaskOverlayTest, FrozenPixelsAreTintedInProportionThroughTheView)
{
    const QRgb grey = qRgb(100, 50, 200);
    FreezeMask mask(4, 2);
    mask.At(1, 0) = 64;
    mask.At(2, 1) = 32;
    ZoomView view;
    view.SetPictureSize(4, 2);
    QImage plain(4, 2, QImage::Format_RGB32);
    plain.fill(grey);
    QImage frame = plain;
    DrawMaskOverlay(frame, QRect(0, 0, 4, 2), view, mask);
    // Alpha 144 at m = 64: red (100 x 112 + 224 x 144) / 256 = 169, green
    // (50 x 112 + 40 x 144) / 256 = 44, blue (200 x 112 + 40 x 144) / 256 = 110.
    EXPECT_EQ(frame.pixel(1, 0), qRgb(169, 44, 110));
    // Alpha 72 at m = 32: (100 x 184 + 224 x 72) / 256 = 134, 47, 155.
    EXPECT_EQ(frame.pixel(2, 1), qRgb(134, 47, 155));
    EXPECT_EQ(frame.pixel(0, 0), grey);
    EXPECT_EQ(frame.pixel(1, 1), grey);

    // Only the pixels asked for; at 200 % map element (1, 0) covers view
    // pixels (2..3, 0..1), of which the rectangle holds column 2.
    view.SetScale(2, 0, 0);
    frame = plain;
    DrawMaskOverlay(frame, QRect(0, 0, 3, 2), view, mask);
    EXPECT_EQ(frame.pixel(2, 0), qRgb(169, 44, 110));
    EXPECT_EQ(frame.pixel(2, 1), qRgb(169, 44, 110));
    EXPECT_EQ(frame.pixel(3, 0), grey);
    EXPECT_EQ(frame.pixel(1, 0), grey);

    // A mask of another size than the picture's draws nothing.
    frame = plain;
    DrawMaskOverlay(frame, frame.rect(), view, FreezeMask(4, 3));
    FreezeMask other(5, 2);
    other.At(2, 0) = 64;
    DrawMaskOverlay(frame, frame.rect(), view, other);
    EXPECT_EQ(frame, plain);
}
