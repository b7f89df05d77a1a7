// The freeze mask's commands in the main dialog: mask mode from its key and
// the options menu, a mask stroke as one step that Ctrl+Z takes back, tool
// strokes that leave frozen pixels where they are, the overlay shown and
// hidden, clearing the mask, reconstruct through its dialog's answer, and the
// tool indicator naming what a mask stroke does.

#include "dialog/ui/DialogFixture.h"

#include "controls/ui/CommandRegistry.h"
#include "controls/ui/MySlider.h"
#include "dialog/ui/MaskCommands.h"
#include "dialog/ui/ReconstructDlg.h"
#include "dialog/ui/ToolIndicator.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"
#include "work/OnionSkin.h"

#include <QAction>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QImage ImageOf(const PackedPicture& picture)
{
    QImage image(picture.Width(), picture.Height(), QImage::Format_RGB32);
    CopyPackedToImage(picture, 0, 0, picture.Width(), picture.Height(), image);
    return image;
}

class MaskCommandsTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        ShowDialog();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        OpenPicture(testsupport::WritePicture(dir.path(), "photo.png", 412, 274));
        dlg->MaskCommands()->SetPercentQuery([this](QWidget*, int percent) {
            asked.push_back(percent);
            return answer;
        });
    }
    Project& Doc() { return dlg->GetProject(); }
    QAction* Action(int id) { return dlg->Commands().Action(id); }
    const std::vector<Displacement>& ActiveMap() { return Doc().Keys().Key(Doc().Keys().Active()).Map(); }
    static bool Identity(const std::vector<Displacement>& map)
    {
        return std::all_of(map.begin(), map.end(), [](Displacement d) { return d == Displacement{}; });
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        QTest::keyClick(dlg.get(), key, modifiers);
    }
    // A drag in the work window, from `from` to `to` in client pixels.
    void Drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton)
    {
        CWorkWnd* w = dlg->WorkWnd();
        const QPoint e(CWorkWnd::kEdge, CWorkWnd::kEdge);
        QTest::mousePress(w, button, {}, from + e);
        for (int i = 1; i <= 4; ++i)
            QTest::mouseMove(w, from + (to - from) * i / 4 + e);
        QTest::mouseRelease(w, button, {}, to + e);
    }
    void StrokeKey()
    {
        const Project::StrokePoint points[] = {{80, 137, 3}, {206, 137, 3}, {330, 137, 3}};
        Doc().PerformStroke(points, false);
    }
    // Freezes the left half of the picture.
    void FreezeLeftHalf()
    {
        FreezeMask mask(412, 274);
        for (int y = 0; y < 274; ++y)
            for (int x = 0; x < 206; ++x)
                mask.At(x, y) = FreezeMask::kFrozen;
        Doc().SetMask(mask);
    }

    std::vector<int> asked;
    std::optional<int> answer = 100;
};

}  // namespace

TEST_F(MaskCommandsTest, MaskModePaintsTheMaskAsOneStepAndToolStrokesLeaveFrozenPixels)
{
    dlg->OnCommand(1019);  // the largest enlarging brush
    EXPECT_FALSE(Action(Cmd::ClearMask)->isEnabled());
    Key(Qt::Key_M);
    ASSERT_TRUE(Action(Cmd::PaintMask)->isChecked());
    EXPECT_TRUE(dlg->WorkWnd()->MaskPaint().Painting());
    const int steps = Doc().History().Count();
    Drag({100, 120}, {160, 120});
    EXPECT_EQ(Doc().History().Count(), steps + 1);
    ASSERT_TRUE(Doc().HasMask());
    EXPECT_EQ(Doc().Mask().At(130, 120), FreezeMask::kFrozen);
    EXPECT_EQ(Doc().Mask().At(350, 120), 0);
    EXPECT_TRUE(Identity(ActiveMap()));
    EXPECT_TRUE(Action(Cmd::ClearMask)->isEnabled());
    const FreezeMask painted = Doc().Mask();

    // Out of mask mode a tool stroke over the frozen strip moves only free pixels.
    Key(Qt::Key_M);
    EXPECT_FALSE(Action(Cmd::PaintMask)->isChecked());
    Drag({60, 120}, {330, 120});
    const std::vector<Displacement>& map = ActiveMap();
    ASSERT_FALSE(Identity(map));
    for (int y = 0; y < 274; ++y) {
        for (int x = 0; x < 412; ++x) {
            if (painted.At(x, y) == FreezeMask::kFrozen) {
                ASSERT_TRUE(map[size_t(y) * 412 + x] == Displacement{}) << x << "," << y;
            }
        }
    }

    // Ctrl+Z takes back the stroke, then the mask stroke; Ctrl+Y brings the mask back.
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Identity(ActiveMap()));
    EXPECT_TRUE(Doc().HasMask());
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(Doc().HasMask());
    EXPECT_FALSE(Action(Cmd::ClearMask)->isEnabled());
    Key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Doc().Mask(), painted);
    EXPECT_TRUE(Action(Cmd::ClearMask)->isEnabled());
}

TEST_F(MaskCommandsTest, TheOverlayShowsAndHidesAndClearingIsOneStep)
{
    CWorkWnd* work = dlg->WorkWnd();
    work->repaint();
    const QRgb plain = work->DisplayedFrame().pixel(100, 100);
    // A mask set on the project is painted by the window by itself.
    FreezeLeftHalf();
    EXPECT_TRUE(QTest::qWaitFor([&] { return work->DisplayedFrame().pixel(100, 100) != plain; }, 10000));
    const QRgb tinted = work->DisplayedFrame().pixel(100, 100);
    EXPECT_GT(qRed(tinted), qGreen(tinted));
    EXPECT_EQ(work->DisplayedFrame().pixel(300, 100), ImageOf(Doc().Picture().Display()).pixel(300, 100));

    EXPECT_TRUE(Action(Cmd::ShowMask)->isChecked());
    dlg->OnCommand(Cmd::ShowMask);
    EXPECT_FALSE(Action(Cmd::ShowMask)->isChecked());
    work->repaint();
    EXPECT_EQ(work->DisplayedFrame().pixel(100, 100), plain);
    dlg->OnCommand(Cmd::PaintMask);  // painting shows the mask anyway
    work->repaint();
    EXPECT_EQ(work->DisplayedFrame().pixel(100, 100), tinted);
    dlg->OnCommand(Cmd::PaintMask);
    dlg->OnCommand(Cmd::ShowMask);

    const int steps = Doc().History().Count();
    dlg->OnCommand(Cmd::ClearMask);
    EXPECT_FALSE(Doc().HasMask());
    EXPECT_EQ(Doc().History().Count(), steps + 1);
    EXPECT_FALSE(Action(Cmd::ClearMask)->isEnabled());
    work->repaint();
    EXPECT_EQ(work->DisplayedFrame().pixel(100, 100), plain);
    // Undone, the mask comes back and the window paints its overlay by itself.
    dlg->OnCommand(Cmd::Undo);
    EXPECT_TRUE(Doc().HasMask());
    EXPECT_TRUE(QTest::qWaitFor([&] { return work->DisplayedFrame().pixel(100, 100) == tinted; }, 10000));
}

TEST_F(MaskCommandsTest, ReconstructAtFullTakesBackAllButTheFrozenPixelsAsOneStepAfterThePower)
{
    dlg->OnCommand(1019);
    StrokeKey();
    FreezeLeftHalf();
    // A power on the slider not yet applied is baked in first, as before a stroke.
    dlg->Slider(Cmd::PowerSlider)->SetPos(32);
    std::vector<Displacement> baked = ActiveMap();
    ScaleMap(MapRef{baked.data(), 412, 274}, 32);
    ASSERT_FALSE(Identity(baked));

    const int steps = Doc().History().Count();
    dlg->OnCommand(Cmd::Reconstruct);
    EXPECT_EQ(asked, std::vector<int>{CReconstructDlg::kDefault});
    EXPECT_EQ(dlg->Slider(Cmd::PowerSlider)->GetPos(), CKib3Dlg::kNeutralPower);
    EXPECT_EQ(Doc().History().Count(), steps + 2);  // the power, then reconstruct
    const std::vector<Displacement>& map = ActiveMap();
    for (int y = 0; y < 274; ++y) {
        for (int x = 0; x < 412; ++x) {
            const size_t i = size_t(y) * 412 + x;
            ASSERT_TRUE(map[i] == (x < 206 ? baked[i] : Displacement{})) << x << "," << y;
        }
    }
    // The view shows the reconstructed map: the free half is the picture itself.
    dlg->WorkWnd()->repaint();
    EXPECT_EQ(ImageOf(Doc().Picture().Display()).pixel(300, 137), ImageOf(Doc().Picture().Source()).pixel(300, 137));

    dlg->OnCommand(Cmd::Undo);
    EXPECT_EQ(ActiveMap(), baked);

    // Cancelled, nothing changes; the last answer is offered again.
    answer = std::nullopt;
    dlg->OnCommand(Cmd::Reconstruct);
    EXPECT_EQ(asked.back(), 100);
    EXPECT_EQ(ActiveMap(), baked);
}

TEST_F(MaskCommandsTest, TheReconstructDialogAsksOneToOneHundredPercent)
{
    CReconstructDlg dlg50(CReconstructDlg::kDefault);
    EXPECT_EQ(dlg50.Percent(), 50);
    EXPECT_EQ(dlg50.PercentBox()->minimum(), 1);
    EXPECT_EQ(dlg50.PercentBox()->maximum(), 100);
    CReconstructDlg high(250);
    EXPECT_EQ(high.Percent(), 100);
    high.PercentBox()->setValue(0);
    EXPECT_EQ(high.Percent(), 1);
    EXPECT_FALSE(dlg50.windowTitle().isEmpty());
}

TEST_F(MaskCommandsTest, TheToolIndicatorSaysWhatAMaskStrokeDoes)
{
    dlg->OnCommand(1033);
    CToolIndicator* indicator = dlg->Indicator();
    const QString toolText = indicator->Text();
    const int toolPicture = indicator->BitmapId();
    ASSERT_GT(toolPicture, 0);

    dlg->OnCommand(Cmd::PaintMask);
    EXPECT_EQ(indicator->Text(), AppCaption(Cmd::Indicator) + AppCaption(CapId::FreezeMaskTool));
    EXPECT_EQ(indicator->BitmapId(), 0);  // no tool acts
    // Held down, the right button erases the mask; let go, the brush paints again.
    CWorkWnd* w = dlg->WorkWnd();
    const QPoint at = QPoint(200, 120) + QPoint(CWorkWnd::kEdge, CWorkWnd::kEdge);
    QTest::mousePress(w, Qt::RightButton, {}, at);
    EXPECT_EQ(indicator->Text(), AppCaption(Cmd::Indicator) + AppCaption(CapId::EraseFreezeMaskTool));
    QTest::mouseRelease(w, Qt::RightButton, {}, at);
    EXPECT_EQ(indicator->Text(), AppCaption(Cmd::Indicator) + AppCaption(CapId::FreezeMaskTool));
    QTest::mousePress(w, Qt::LeftButton, {}, at);
    EXPECT_EQ(indicator->Text(), AppCaption(Cmd::Indicator) + AppCaption(CapId::FreezeMaskTool));
    QTest::mouseRelease(w, Qt::LeftButton, {}, at);

    // Back to the tools: the tool is named again.
    dlg->OnCommand(Cmd::PaintMask);
    EXPECT_EQ(indicator->Text(), toolText);
    EXPECT_EQ(indicator->BitmapId(), toolPicture);
}
