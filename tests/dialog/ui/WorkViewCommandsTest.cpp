// The work window's view in the main dialog: the onion-skin option of the
// options menu ghosts the active keyframe's neighbours (and switching it
// repaints the whole work area), the photograph's own detail reaches the
// magnified view, and the view's keys work from the dialog.

#include "dialog/ui/DialogFixture.h"

#include "animation/ui/KeysWnd.h"
#include "controls/ui/CommandRegistry.h"
#include "res/CommandIds.h"
#include "work/OnionSkin.h"
#include "work/ui/WorkWnd.h"

#include <QAction>
#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

class WorkViewCommandsTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        ShowDialog();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        OpenPicture(testsupport::WritePicture(dir.path(), "photo.png", 1236, 824));
    }
    Project& Doc() { return dlg->GetProject(); }
    void StrokeKey(int x0, int x1)
    {
        const Project::StrokePoint points[] = {{x0, 60, 2}, {(x0 + x1) / 2, 90, 2}, {x1, 120, 2}};
        Doc().PerformStroke(points, false);
    }
    // Three keyframes, the middle one active and painted whole.
    void MakeThreeKeys()
    {
        StrokeKey(100, 250);
        dlg->KeysWnd()->OnSlotDoubleClick(1);
        StrokeKey(300, 120);
        dlg->KeysWnd()->OnSlotDoubleClick(2);
        ASSERT_EQ(Doc().Keys().Count(), 3);
        dlg->KeysWnd()->OnContextCommand(1, Cmd::KeyActivate);
        dlg->WorkWnd()->repaint();
    }
    // Paints what is waiting to be painted, as the event loop does.
    static void PaintPending()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        QCoreApplication::processEvents();
    }
};

}  // namespace

TEST_F(WorkViewCommandsTest, TheOnionSkinOptionGhostsTheNeighboursOfTheActiveKeyframe)
{
    CWorkWnd* work = dlg->WorkWnd();
    CKeysWnd* strip = dlg->KeysWnd();
    App().m_bOnionSkin = false;
    MakeThreeKeys();
    EXPECT_EQ(work->Onion().RenderCount(), 0);  // off: nothing rendered

    dlg->OnCommand(Cmd::ToggleOnionSkin);
    EXPECT_TRUE(App().m_bOnionSkin);
    EXPECT_TRUE(dlg->Commands().Action(Cmd::ToggleOnionSkin)->isChecked());
    work->repaint();
    EXPECT_EQ(work->Onion().RenderCount(), 2);
    EXPECT_FALSE(work->Onion().Previous().isNull());
    EXPECT_FALSE(work->Onion().Next().isNull());

    // Another keyframe becomes active: its neighbours are ghosted instead.
    strip->OnContextCommand(0, Cmd::KeyActivate);
    work->repaint();
    EXPECT_GT(work->Onion().RenderCount(), 2);
    dlg->OnCommand(Cmd::ToggleOnionSkin);
    EXPECT_FALSE(App().m_bOnionSkin);
}

TEST_F(WorkViewCommandsTest, ThePhotographsDetailIsKeptForTheMagnifiedView)
{
    // 1236 x 824 is three times the 412 x 274 work picture: kept as it is.
    const std::shared_ptr<const PackedPicture> detail = Doc().Work().Detail();
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->Width(), 1236);
    EXPECT_EQ(detail->Height(), 824);

    CWorkWnd* work = dlg->WorkWnd();
    dlg->activateWindow();
    QTest::keyClick(dlg.get(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(work->View().Percent(), 200);
    QTest::keyClick(dlg.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(work->View().IsFit());
}

TEST_F(WorkViewCommandsTest, SwitchingTheOnionSkinRepaintsTheWholeWorkAreaAtOnce)
{
    App().m_bOnionSkin = false;
    MakeThreeKeys();
    CWorkWnd* work = dlg->WorkWnd();
    const QImage plain = work->DisplayedFrame();

    // On: every pixel shows the ghosts at once, with no other repaint asked for.
    dlg->OnCommand(Cmd::ToggleOnionSkin);
    PaintPending();
    ASSERT_FALSE(work->Onion().Previous().isNull());
    ASSERT_FALSE(work->Onion().Next().isNull());
    QImage ghosted = plain;
    work->Onion().DrawOver(ghosted, ghosted.rect(), work->View());
    ASSERT_NE(ghosted, plain);
    EXPECT_EQ(work->DisplayedFrame(), ghosted);
    // The edited keyframe keeps 70 %, each neighbour 15 %.
    const QPoint at(200, 137);
    const QRgb ghosts[] = {work->Onion().Previous().pixel(at), work->Onion().Next().pixel(at)};
    EXPECT_EQ(work->DisplayedFrame().pixel(at), BlendOnionPixel(plain.pixel(at), ghosts));

    // Off: no ghost is left anywhere.
    dlg->OnCommand(Cmd::ToggleOnionSkin);
    PaintPending();
    EXPECT_EQ(work->DisplayedFrame(), plain);
}
