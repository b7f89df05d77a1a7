// Printing: where a frame lands on the page, the orientation, and chosen frames
// printed as one PDF document with a page each.

#include "export/BigPicture.h"
#include "export/ExportTestSupport.h"
#include "export/PrintFrames.h"
#include "io/FileError.h"
#include "project/ProjectTestSupport.h"
#include "support/PdfContents.h"

#include <QBuffer>
#include <QFile>
#include <QPdfWriter>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using projecttest::Folder;
using projecttest::NewProject;

// Pages of a PDF file: its page objects, not the page tree.
int PdfPages(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QString text = QString::fromLatin1(file.readAll());
    return int(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
}

PdfDocument A4(QPageLayout::Orientation orientation = QPageLayout::Landscape, const std::string& title = "x")
{
    return {PdfPageLayout(false, orientation), title, "Warplet 4"};
}

class CancelAfter : public ExportObserver {
public:
    explicit CancelAfter(int pages) : m_nPages(pages) {}
    bool CheckCancel() override { return ++m_nChecks >= m_nPages; }
    void Progress(int done, int total) override { last = {done, total}; }
    std::pair<int, int> last;

private:
    int m_nPages;
    int m_nChecks = 0;
};

}  // namespace

TEST(PrintRect, OnePixelPerDotWhenItFitsOtherwiseScaledToFitAndCentred)
{
    EXPECT_EQ(PrintRect(400, 300, 1000, 800), QRect(300, 250, 400, 300));
    EXPECT_EQ(PrintRect(1000, 800, 1000, 800), QRect(0, 0, 1000, 800));
    // Wider than the area: fills the width, centred vertically.
    EXPECT_EQ(PrintRect(2000, 500, 1000, 800), QRect(0, 275, 1000, 250));
    // Taller in proportion: fills the height, centred horizontally.
    EXPECT_EQ(PrintRect(500, 2000, 1000, 800), QRect(400, 0, 200, 800));
    // Large sides do not overflow.
    EXPECT_EQ(PrintRect(60000, 40000, 4000, 6000), QRect(0, 1667, 4000, 2666));
    EXPECT_TRUE(PrintRect(0, 10, 100, 100).isEmpty());
}

TEST(PrintRect, PortraitOnlyForPicturesNarrowerThanHigh)
{
    EXPECT_EQ(PrintOrientation(274, 412), QPageLayout::Portrait);
    EXPECT_EQ(PrintOrientation(412, 274), QPageLayout::Landscape);
    EXPECT_EQ(PrintOrientation(300, 300), QPageLayout::Landscape);
}

TEST(PrintFrames, OneDocumentWithAPagePerChosenFrame)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "pic.bmp", 60, 40);
    for (Displacement& e : project.Keys().Key(1).Map())
        e = Displacement{3 * 64, 64};
    const Displacement* edited = project.Keys().Key(project.Keys().Active()).Map().data();

    CBigPicture big(exporttest::AnimationOf(project));
    big.SetSource(project.Work().Path(), CBigPicture::kPicture);
    const std::string pdf = folder.Path("out.pdf");
    const PrintResult result = PrintFramesToPdf(big, pdf, {0, 5, 17}, A4());
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.pages, 3);
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(PdfPages(pdf), 3);
    // The project's work picture was not used.
    EXPECT_EQ(project.Picture().Map().data, edited);

    // Letter pages, one frame.
    EXPECT_EQ(PrintFramesToPdf(big, folder.Path("one.pdf"), {3}, {PdfPageLayout(true, QPageLayout::Portrait), "x", "y"})
                  .pages,
              1);
    EXPECT_EQ(PdfPages(folder.Path("one.pdf")), 1);
}

TEST(PrintFrames, CancelOrNothingChosenLeavesNoFileAndAnUnwritablePathThrows)
{
    Folder folder;
    Project project;
    NewProject(project, folder);
    CancelAfter cancel(2);
    CBigPicture big(exporttest::AnimationOf(project), &cancel);
    big.SetSource(project.Work().Path(), CBigPicture::kScreen);

    const std::string pdf = folder.Path("cancelled.pdf");
    const PrintResult result = PrintFramesToPdf(big, pdf, {0, 1, 2, 3}, A4());
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.pages, 2);
    EXPECT_EQ(cancel.last, std::make_pair(2, 4));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));

    EXPECT_EQ(PrintFramesToPdf(big, pdf, {}, A4()).pages, 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));

    CBigPicture plain(exporttest::AnimationOf(project));
    plain.SetSource(project.Work().Path(), CBigPicture::kScreen);
    EXPECT_THROW(PrintFramesToPdf(plain, folder.Path("missing/x.pdf"), {0}, A4()), FileError);

    // A stop asked after the last page stops nothing: every page is printed and written.
    CancelAfter late(3);
    CBigPicture last(exporttest::AnimationOf(project), &late);
    last.SetSource(project.Work().Path(), CBigPicture::kScreen);
    const PrintResult whole = PrintFramesToPdf(last, pdf, {0, 1, 2}, A4());
    EXPECT_FALSE(whole.cancelled);
    EXPECT_EQ(whole.pages, 3);
    EXPECT_EQ(testsupport::ReadPdf(QString::fromStdString(pdf)).pages.size(), 3u);
}

TEST(PrintRect, AtThreeHundredPixelsPerInchWhateverTheDevicesResolution)
{
    // 1600 x 1200 at 1200 dots per inch covers 6400 x 4800 dots.
    EXPECT_EQ(PrintRect(1600, 1200, 13000, 9000, 1200, 1200), QRect(3300, 2100, 6400, 4800));
    EXPECT_EQ(PrintRect(1600, 1200, 3250, 2250, 300, 300), QRect(825, 525, 1600, 1200));
    // At 150 dots per inch a frame takes half as many dots.
    EXPECT_EQ(PrintRect(1600, 1200, 3250, 2250, 150, 150), QRect(1225, 825, 800, 600));
    // 4000 x 3000 is larger than 3250 x 2250 at 300: it fills the height.
    EXPECT_EQ(PrintRect(4000, 3000, 3250, 2250, 300, 300), QRect(125, 0, 3000, 2250));
    EXPECT_TRUE(PrintRect(10, 10, 100, 100, 0, 300).isEmpty());
}

TEST(PrintRect, FitToPageScalesEveryFrameToFillTheAreasWidthOrHeight)
{
    constexpr PrintPlacement fit = PrintPlacement::FitToPage;
    // 120 x 80 (a 0.4-inch stamp at the actual size) fills 3300 x 2000 dots' height:
    // 3000 wide, 150 dots from either side.
    EXPECT_EQ(PrintRect(120, 80, 3300, 2000, 300, 300), QRect(1590, 960, 120, 80));
    EXPECT_EQ(PrintRect(120, 80, 3300, 2000, 300, 300, fit), QRect(150, 0, 3000, 2000));
    // A wide one fills the width: 3300 x 1100, 450 dots from the top and bottom.
    EXPECT_EQ(PrintRect(300, 100, 3300, 2000, 300, 300, fit), QRect(0, 450, 3300, 1100));
    // The device's resolution does not change where a fitted frame lands.
    EXPECT_EQ(PrintRect(120, 80, 3300, 2000, 1200, 1200, fit), QRect(150, 0, 3000, 2000));
    // A larger frame is scaled down as at the actual size.
    EXPECT_EQ(PrintRect(4000, 3000, 3250, 2250, 300, 300, fit), QRect(125, 0, 3000, 2250));
    EXPECT_EQ(FitPrintRect(2, 1, 10, 10), QRect(0, 2, 10, 5));
    EXPECT_TRUE(FitPrintRect(0, 1, 10, 10).isEmpty());
}

namespace {

// A project on a W x H picture whose keyframe 1 moves everything.
class Printing : public ::testing::Test {
protected:
    void Open(int w, int h)
    {
        NewProject(project, folder, "photo.png", w, h);
        for (Displacement& e : project.Keys().Key(1).Map())
            e = Displacement{3 * 64, 64};
    }

    // The frames printed on a PDF writer of `dpi` dots per inch, read back.
    testsupport::PdfContents PrintAt(int dpi, const std::vector<int>& frames,
                                     const FrameImage& image = PackedPictureImage)
    {
        CBigPicture big(exporttest::AnimationOf(project));
        big.SetSource(project.Work().Path(), CBigPicture::kPicture);
        const std::string path = folder.Path("at" + std::to_string(dpi) + ".pdf");
        {
            QPdfWriter writer(QString::fromStdString(path));
            writer.setResolution(dpi);
            writer.setPageLayout(PdfPageLayout(false, QPageLayout::Landscape));
            result = PrintFrames(big, writer, frames, image);
        }
        return testsupport::ReadPdf(QString::fromStdString(path));
    }

    Folder folder;
    Project project;
    PrintResult result;
};

}  // namespace

TEST_F(Printing, PagesLookTheSameWhateverTheDevicesResolution)
{
    // 600 x 450 pixels print 2 x 1.5 inches (144 x 108 points), centred on the
    // landscape A4 page's printable area (277 x 190 mm inside 10 mm margins).
    Open(600, 450);
    const testsupport::PdfContents at300 = PrintAt(300, {0, 4});
    const testsupport::PdfContents at1200 = PrintAt(1200, {0, 4});
    ASSERT_EQ(at300.pages.size(), 2u);
    const testsupport::PdfPicture& picture = at300.pages[0].pictures.at(0);
    EXPECT_EQ(picture.pixels, QSize(600, 450));
    EXPECT_NEAR(picture.placed.width(), 144, 0.5);
    EXPECT_NEAR(picture.placed.height(), 108, 0.5);
    EXPECT_NEAR(picture.placed.center().x(), 842 / 2.0, 0.5);
    EXPECT_NEAR(picture.placed.center().y(), 595 / 2.0, 0.5);
    testsupport::ExpectSamePages(at300, at1200);
}

TEST_F(Printing, ALargerFrameIsRenderedAtTheSizeItTakesOnThePage)
{
    // 4000 x 3000 is larger than the 3272 x 2244 pixels the printable area
    // holds at 300 pixels per inch: it is rendered at 2992 x 2244 (give or take
    // the page's rounding to whole points) and fills the area's height (190 mm,
    // 538.6 points).
    Open(4000, 3000);
    const testsupport::PdfContents at300 = PrintAt(300, {2});
    ASSERT_EQ(at300.pages.size(), 1u);
    const testsupport::PdfPicture& picture = at300.pages[0].pictures.at(0);
    EXPECT_NEAR(picture.pixels.width(), 2992, 2);
    EXPECT_NEAR(picture.pixels.height(), 2244, 1);
    EXPECT_NEAR(picture.placed.height(), 190 / 25.4 * 72, 0.5);
    EXPECT_NEAR(picture.placed.center().x(), 842 / 2.0, 0.5);
    testsupport::ExpectSamePages(at300, PrintAt(1200, {2}));
}

TEST_F(Printing, AFrameThatCannotBeDrawnIsAFailureAndWritesNothing)
{
    Open(60, 40);
    CBigPicture big(exporttest::AnimationOf(project));
    big.SetSource(project.Work().Path(), CBigPicture::kPicture);
    // The second frame's picture cannot be made, as when memory runs out.
    int drawn = 0;
    const FrameImage failing = [&drawn](const PackedPicture& frame) {
        return ++drawn == 2 ? QImage() : PackedPictureImage(frame);
    };
    const std::string pdf = folder.Path("out.pdf");
    const PrintResult failed = PrintFramesToPdf(big, pdf, {0, 1, 2}, A4(), failing);
    EXPECT_TRUE(failed.Failed());
    EXPECT_NE(failed.error.find("frame 1 cannot be drawn"), std::string::npos) << failed.error;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
}

TEST_F(Printing, ThePdfCarriesTheProjectsNameAsItsTitle)
{
    Open(60, 40);
    ASSERT_TRUE(project.Save(folder.Path("Summer 2024.kib")));
    EXPECT_EQ(project.Name(), "Summer 2024");
    CBigPicture big(exporttest::AnimationOf(project));
    big.SetSource(project.Work().Path(), CBigPicture::kScreen);
    const std::string pdf = folder.Path("out.pdf");
    ASSERT_EQ(PrintFramesToPdf(big, pdf, {0}, A4(QPageLayout::Landscape, project.Name())).pages, 1);
    EXPECT_EQ(testsupport::ReadPdf(QString::fromStdString(pdf)).title, QStringLiteral("Summer 2024"));
    // A project never saved goes by its picture's name.
    project.NewFromPicture(folder.Picture("beach.day.bmp", 20, 10));
    EXPECT_EQ(project.Name(), "beach.day");
}
