// Printing: where a frame lands on the page, the orientation, and chosen frames
// printed as one PDF document with a page each.

#include "export/BigPicture.h"
#include "export/FileError.h"
#include "export/PrintFrames.h"
#include "project/ProjectTestSupport.h"

#include <QFile>
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

    CBigPicture big(project);
    big.SetSource(project.Work().Path(), CBigPicture::kPicture);
    const std::string pdf = folder.Path("out.pdf");
    const PrintResult result = PrintFramesToPdf(big, pdf, {0, 5, 17}, false, QPageLayout::Landscape, "Warplet 4");
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.pages, 3);
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(PdfPages(pdf), 3);
    // The work picture edits the active keyframe again.
    EXPECT_EQ(project.Picture().Map().data, edited);

    // Letter pages, one frame.
    EXPECT_EQ(PrintFramesToPdf(big, folder.Path("one.pdf"), {3}, true, QPageLayout::Portrait, "x").pages, 1);
    EXPECT_EQ(PdfPages(folder.Path("one.pdf")), 1);
}

TEST(PrintFrames, CancelOrNothingChosenLeavesNoFileAndAnUnwritablePathThrows)
{
    Folder folder;
    Project project;
    NewProject(project, folder);
    CancelAfter cancel(2);
    CBigPicture big(project, &cancel);
    big.SetSource(project.Work().Path(), CBigPicture::kScreen);

    const std::string pdf = folder.Path("cancelled.pdf");
    const PrintResult result = PrintFramesToPdf(big, pdf, {0, 1, 2, 3}, false, QPageLayout::Landscape, "x");
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.pages, 2);
    EXPECT_EQ(cancel.last, std::make_pair(2, 4));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));

    EXPECT_EQ(PrintFramesToPdf(big, pdf, {}, false, QPageLayout::Landscape, "x").pages, 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));

    CBigPicture plain(project);
    plain.SetSource(project.Work().Path(), CBigPicture::kScreen);
    EXPECT_THROW(PrintFramesToPdf(plain, folder.Path("missing/x.pdf"), {0}, false, QPageLayout::Landscape, "x"),
                 FileError);
}
