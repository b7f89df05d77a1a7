#include "work/ZoomedView.h"

#include "export/BigPictureRender.h"
#include "work/OnionSkin.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

namespace {

QImage ImageOf(const PackedPicture& picture)
{
    QImage image(picture.Width(), picture.Height(), QImage::Format_RGB32);
    CopyPackedToImage(picture, 0, 0, picture.Width(), picture.Height(), image);
    return image;
}

// The export's full-size frame of the magnified source.
QImage ExportFrame(const PackedPicture& source, const DisplacementMap& map)
{
    PackedPicture frame = source;
    DisplacementMap copy = map;
    reference::RenderFullSize(source, frame, copy.Ref());
    return ImageOf(frame);
}

}  // namespace

TEST(ZoomedViewTest, DetailPictureIsBoundedByTheLargestZoom)
{
    // 4000 x 3000 for a 412 x 309 work picture: more than 8 x, fitted to 3296 x 2472.
    const PackedPicture big = testpics::Gradient(4000, 3000);
    const PackedPicture detail = DetailPicture(big, 412, 309);
    EXPECT_EQ(detail.Width(), 3296);
    EXPECT_EQ(detail.Height(), 2472);
    // A smaller photograph is kept as it is.
    const PackedPicture small = testpics::Noise(1000, 750, 3);
    EXPECT_EQ(DetailPicture(small, 412, 309), small);
}

TEST(ZoomedViewTest, AnyPieceIsThePieceOfTheExportsFrameAtThatSize)
{
    // The work picture 40 x 30, the photograph 200 x 150; at 400 % the view
    // renders the photograph fitted to 160 x 120 through the map as the export
    // renders a frame of that size.
    const int W = 40, H = 30;
    auto detail = std::make_shared<const PackedPicture>(testpics::Noise(200, 150, 7));
    DisplacementMap map = testpics::RandomMap(W, H, 6 * 64, 11);
    ZoomedView zoomed;
    zoomed.SetDetail(detail, W, H);
    const PackedPicture& source = zoomed.SourceAt(4);
    ASSERT_EQ(source.Width(), 160);
    ASSERT_EQ(source.Height(), 120);
    EXPECT_EQ(source, FitPicture(*detail, 160, 120));
    const QImage expected = ExportFrame(source, map);

    // Pieces: one inside, one over the last column and bottom row (which keep
    // the source, as in the export), the whole picture.
    for (const Rect area : {Rect{13, 7, 61, 40}, Rect{120, 90, 160, 120}, Rect{0, 0, 160, 120}}) {
        QImage into(area.right - area.left + 4, area.bottom - area.top + 4, QImage::Format_RGB32);
        into.fill(Qt::magenta);
        zoomed.Render(map.Ref(), 4, 64, area, into, 2, 3);
        EXPECT_EQ(into.copy(2, 3, area.right - area.left, area.bottom - area.top),
                  expected.copy(area.left, area.top, area.right - area.left, area.bottom - area.top))
            << area.left << "," << area.top;
        EXPECT_EQ(into.pixel(0, 0), QColor(Qt::magenta).rgb());  // nothing outside the piece
        EXPECT_EQ(into.pixel(into.width() - 1, into.height() - 1), QColor(Qt::magenta).rgb());
    }
}

TEST(ZoomedViewTest, PiecesBeyondThePictureOrTheTargetWriteNothingOutside)
{
    const int W = 20, H = 10;
    ZoomedView zoomed;
    zoomed.SetDetail(std::make_shared<const PackedPicture>(testpics::Gradient(W, H)), W, H);
    DisplacementMap map = testpics::RandomMap(W, H, 30 * 64, 5);
    QImage into(30, 30, QImage::Format_RGB32);
    into.fill(Qt::black);
    // Starting left of and above the magnified picture, reaching past its end
    // and past the target's.
    zoomed.Render(map.Ref(), 2, 64, Rect{-10, -10, 100, 100}, into, 5, 5);
    // Magnified (0, 0) lands at (15, 15); everything before it stays black.
    EXPECT_EQ(into.pixel(14, 14), qRgb(0, 0, 0));
    EXPECT_EQ(into.pixel(14, 29), qRgb(0, 0, 0));
    EXPECT_NE(into.pixel(15, 15), qRgb(0, 0, 0));
    // A map of another size renders nothing.
    DisplacementMap other(W + 1, H);
    QImage untouched(10, 10, QImage::Format_RGB32);
    untouched.fill(Qt::black);
    zoomed.Render(other.Ref(), 2, 64, Rect{0, 0, 10, 10}, untouched, 0, 0);
    EXPECT_EQ(untouched.pixel(3, 3), qRgb(0, 0, 0));
}

TEST(ZoomedViewTest, PowerZeroShowsTheUndeformedSource)
{
    const int W = 30, H = 20;
    ZoomedView zoomed;
    zoomed.SetDetail(std::make_shared<const PackedPicture>(testpics::Noise(90, 60, 2)), W, H);
    DisplacementMap map = testpics::RandomMap(W, H, 8 * 64, 9);
    QImage shown(60, 40, QImage::Format_RGB32);
    zoomed.Render(map.Ref(), 2, 0, Rect{0, 0, 60, 40}, shown, 0, 0);
    EXPECT_EQ(shown, ImageOf(zoomed.SourceAt(2)));
    // Half power on a uniform map shows what full power shows of a map of half
    // its values (the blend of equal elements is that element).
    DisplacementMap uniform(W, H);
    DisplacementMap half(W, H);
    for (Displacement& d : uniform.Elements())
        d = {256, 128};
    for (Displacement& d : half.Elements())
        d = {128, 64};
    QImage atHalf(60, 40, QImage::Format_RGB32), ofHalf(60, 40, QImage::Format_RGB32);
    zoomed.Render(uniform.Ref(), 2, 32, Rect{0, 0, 60, 40}, atHalf, 0, 0);
    zoomed.Render(half.Ref(), 2, 64, Rect{0, 0, 60, 40}, ofHalf, 0, 0);
    EXPECT_EQ(atHalf, ofHalf);
}

TEST(OnionSkinTest, GhostsAreRenderedOnceUntilTheirMapsChange)
{
    const int W = 24, H = 16;
    const PackedPicture source = testpics::Noise(W, H, 4);
    DisplacementMap before = testpics::RandomMap(W, H, 4 * 64, 1);
    DisplacementMap after = testpics::RandomMap(W, H, 4 * 64, 2);
    OnionSkin onion;
    EXPECT_TRUE(onion.Update(source, before.Elements(), after.Elements()));
    EXPECT_EQ(onion.RenderCount(), 2);
    PackedPicture expected = source;
    RenderRect(source, expected, before.Ref(), Rect{0, 0, W, H}, 64, true);
    EXPECT_EQ(onion.Previous(), ImageOf(expected));

    // The same maps again: nothing rendered.
    EXPECT_FALSE(onion.Update(source, before.Elements(), after.Elements()));
    EXPECT_EQ(onion.RenderCount(), 2);
    // One element of the next keyframe changes: only that ghost is rendered.
    after.At(3, 3).dx += 64;
    EXPECT_TRUE(onion.Update(source, before.Elements(), after.Elements()));
    EXPECT_EQ(onion.RenderCount(), 3);
    // No previous keyframe, or a map of another size: no ghost.
    std::vector<Displacement> wrong(size_t(W) * H - 1);
    onion.Update(source, {}, wrong);
    EXPECT_TRUE(onion.Previous().isNull());
    EXPECT_TRUE(onion.Next().isNull());
    // After Clear the same maps are rendered again (a new picture).
    onion.Update(source, before.Elements(), after.Elements());
    const int count = onion.RenderCount();
    onion.Clear();
    onion.Update(source, before.Elements(), after.Elements());
    EXPECT_EQ(onion.RenderCount(), count + 2);
}

TEST(ZoomedViewTest, TheFastRendererAgreesWithThePlainOne)
{
    // Scales 2 and 8, powers 64 and 23, displacements reaching far outside the
    // picture, the largest that the 32-bit arithmetic takes and beyond it, and
    // a source that is not a whole multiple of the map (the plain path).
    const int w = 23, h = 17;
    struct Case {
        int scale;
        int range;
        int p;
        int extraWidth;
    };
    for (const Case& c :
         {Case{2, 6 * 64, 64, 0}, Case{8, 40 * 64, 23, 0}, Case{4, 500000, 64, 0}, Case{2, 1 << 29, 64, 0},
          Case{3, 5 * 64, 64, 1}, Case{8, 3 * 64, 64, 0}, Case{4, 12 * 64, 41, 0}}) {
        const PackedPicture source = testpics::Noise(c.scale * w + c.extraWidth, c.scale * h, uint32_t(c.scale));
        DisplacementMap map = testpics::RandomMap(w, h, c.range, uint32_t(c.range));
        // Pieces starting at odd columns and of widths that leave every tail
        // length of the eight-column lanes, and the whole picture.
        for (const Rect area : {Rect{3, 2, source.Width(), source.Height()}, Rect{5, 1, 5 + 17, 9},
                                Rect{1, 4, source.Width() - 2, source.Height() - 3}}) {
            for (LaneKernel kernel : {LaneKernel::Widest, LaneKernel::Baseline}) {
                QImage fast(source.Width() + 2, source.Height() + 2, QImage::Format_RGB32);
                fast.fill(Qt::black);
                QImage plain = fast;
                RenderZoomedRect(source, map.Ref(), c.p, area, fast, 1, 0, kernel);
                reference::RenderZoomedRect(source, map.Ref(), c.p, area, plain, 1, 0);
                EXPECT_EQ(fast, plain) << "scale " << c.scale << " range " << c.range << " p " << c.p << " piece "
                                       << area.left << "," << area.top << " baseline "
                                       << (kernel == LaneKernel::Baseline);
            }
        }
    }
}

TEST(ZoomedViewTest, TheFastRendererAgreesOnAWholeViewOfALargePicture)
{
    // A view as the window shows it at 800 % (a piece of 412 x 274 of a
    // 3296 x 2192 magnified photograph) through a smooth brush-like bulge and
    // a patch pushing past the picture's top-left corner, at full and partial power.
    const int w = 412, h = 274, s = 8;
    const PackedPicture source = testpics::Noise(s * w, s * h, 9);
    DisplacementMap map(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int ox = x - 200, oy = y - 130;
            if (ox * ox + oy * oy < 60 * 60)
                map.At(x, y) = {-ox * 40, -oy * 40};
            if (x < 12 && y < 12)
                map.At(x, y) = {-30 * 64, -20 * 64};
        }
    }
    for (const Rect area : {Rect{1400, 900, 1400 + 412, 900 + 274}, Rect{0, 0, 412, 274}}) {
        for (int p : {64, 37}) {
            QImage fast(412, 274, QImage::Format_RGB32);
            QImage plain(412, 274, QImage::Format_RGB32);
            RenderZoomedRect(source, map.Ref(), p, area, fast, 0, 0);
            reference::RenderZoomedRect(source, map.Ref(), p, area, plain, 0, 0);
            EXPECT_EQ(fast, plain) << area.left << " p " << p;
        }
    }
}

TEST(ZoomedViewTest, TheMagnifiedSourcesFollowANewPictureSizeOrANewPhotograph)
{
    auto photo = std::make_shared<const PackedPicture>(testpics::Noise(240, 160, 8));
    ZoomedView zoomed;
    zoomed.SetDetail(photo, 40, 30);
    ASSERT_EQ(zoomed.SourceAt(2).Width(), 80);
    EXPECT_EQ(zoomed.SourceAt(4).Height(), 120);

    // The same photograph for a work picture of another size (a picture of the
    // same file fitted anew): every magnified source is made again at the new size.
    zoomed.SetDetail(photo, 30, 20);
    EXPECT_EQ(zoomed.SourceAt(2), FitPicture(*photo, 60, 40));
    EXPECT_EQ(zoomed.SourceAt(4), FitPicture(*photo, 120, 80));
    DisplacementMap map(30, 20);
    QImage into(60, 40, QImage::Format_RGB32);
    zoomed.Render(map.Ref(), 2, 64, Rect{0, 0, 60, 40}, into, 0, 0);
    EXPECT_EQ(into, ImageOf(FitPicture(*photo, 60, 40)));
    // A map of the old size is no longer the work picture's.
    DisplacementMap old(40, 30);
    into.fill(Qt::black);
    zoomed.Render(old.Ref(), 2, 64, Rect{0, 0, 60, 40}, into, 0, 0);
    EXPECT_EQ(into.pixel(10, 10), qRgb(0, 0, 0));

    // Another photograph of the same size replaces the sources too.
    auto other = std::make_shared<const PackedPicture>(testpics::Gradient(240, 160));
    zoomed.SetDetail(other, 30, 20);
    EXPECT_EQ(zoomed.SourceAt(2), FitPicture(*other, 60, 40));
    // A photograph exactly at a magnified size is taken as it is.
    EXPECT_EQ(zoomed.SourceAt(8), *other);

    // Only whole magnifications that are powers of two, and nothing without a photograph.
    EXPECT_TRUE(zoomed.SourceAt(3).Empty());
    EXPECT_TRUE(zoomed.SourceAt(16).Empty());
    EXPECT_TRUE(zoomed.SourceAt(0).Empty());
    zoomed.SetDetail(nullptr, 30, 20);
    EXPECT_FALSE(zoomed.HasDetail());
    EXPECT_TRUE(zoomed.SourceAt(2).Empty());
}
