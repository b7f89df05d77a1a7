// The quality dialog shows only the rows the chosen files use, in their ranges,
// opens with its first number selected, and gives back what the user set.

#include "app/AppState.h"
#include "export/ui/LoopQualityDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

TEST(LoopQualityDlg, OnlyTheFilesRowsAreShownInTheirRangesAndTheChoicesComeBack)
{
    LoopQuality start;
    start.webpQuality = 55;
    start.SetCrf(VideoCodec::Vp9, 40);
    {
        CLoopQualityDlg dlg({true, false, VideoCodec::Vp9}, start);
        ASSERT_NE(dlg.WebpQualityBox(), nullptr);
        ASSERT_NE(dlg.CrfBox(), nullptr);
        EXPECT_EQ(dlg.AvifQualityBox(), nullptr);
        EXPECT_EQ(dlg.WebpQualityBox()->value(), 55);
        EXPECT_EQ(dlg.CrfBox()->value(), 40);
        EXPECT_EQ(dlg.CrfBox()->maximum(), 63);  // VP9's range, said in the row's label
        bool rangeShown = false;
        for (const QLabel* label : dlg.findChildren<QLabel*>())
            rangeShown = rangeShown || (label->text().contains("0") && label->text().contains("63"));
        EXPECT_TRUE(rangeShown);

        // Lossless has no quality to choose.
        dlg.LosslessBox()->setChecked(true);
        EXPECT_FALSE(dlg.WebpQualityBox()->isEnabled());
        dlg.CrfBox()->setValue(12);
        const LoopQuality chosen = dlg.Quality();
        EXPECT_TRUE(chosen.webpLossless);
        EXPECT_EQ(chosen.Crf(VideoCodec::Vp9), 12);
        EXPECT_EQ(chosen.Crf(VideoCodec::H264), 23);  // another codec's stays
    }
    {
        CLoopQualityDlg dlg({false, true, std::nullopt}, start);
        EXPECT_EQ(dlg.WebpQualityBox(), nullptr);
        EXPECT_EQ(dlg.CrfBox(), nullptr);
        ASSERT_NE(dlg.AvifQualityBox(), nullptr);
        dlg.AvifQualityBox()->setValue(150);  // the box keeps it within 0 to 100
        EXPECT_EQ(dlg.Quality().avifQuality, 100);
        EXPECT_EQ(dlg.Quality().webpQuality, 55);
    }
}

namespace {

// The text selected in a spin box's edit.
QString SelectedText(const QSpinBox* box)
{
    const auto* edit = box->findChild<QLineEdit*>();
    return edit ? edit->selectedText() : QString();
}

}  // namespace

TEST(LoopQualityDlg, TheFirstNumberThatCanBeChangedIsSelectedWhenItOpens)
{
    LoopQuality start;
    start.webpQuality = 55;
    start.avifQuality = 61;
    {
        CLoopQualityDlg dlg({true, true, VideoCodec::H264}, start);
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        EXPECT_EQ(dlg.focusWidget(), dlg.WebpQualityBox());
        EXPECT_EQ(SelectedText(dlg.WebpQualityBox()), QStringLiteral("55"));
    }
    {
        // A lossless WebP has no number to change: the AVIF quality is selected.
        start.webpLossless = true;
        CLoopQualityDlg dlg({true, true, std::nullopt}, start);
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        EXPECT_EQ(dlg.focusWidget(), dlg.AvifQualityBox());
        EXPECT_EQ(SelectedText(dlg.AvifQualityBox()), QStringLiteral("61"));
    }
    {
        CLoopQualityDlg dlg({false, false, VideoCodec::Vp9}, start);
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        EXPECT_EQ(dlg.focusWidget(), dlg.CrfBox());
        EXPECT_EQ(SelectedText(dlg.CrfBox()), QString::number(start.Crf(VideoCodec::Vp9)));
    }
}
