// The work window's view in the main dialog: the onion-skin option of the
// options menu ghosts the active keyframe's neighbours, the photograph's own
// detail reaches the magnified view, and the view's keys work from the dialog.

#include "dialog/ui/DialogFixture.h"

#include "animation/ui/KeysWnd.h"
#include "controls/ui/CommandRegistry.h"
#include "res/CommandIds.h"
#include "work/ui/WorkWnd.h"

#include <QAction>

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
};

}  // namespace

TEST_F(WorkViewCommandsTest, TheOnionSkinOptionGhostsTheNeighboursOfTheActiveKeyframe)
{
    CWorkWnd* work = dlg->WorkWnd();
    CKeysWnd* strip = dlg->KeysWnd();
    App().m_bOnionSkin = false;
    StrokeKey(100, 250);
    strip->OnSlotDoubleClick(1);
    StrokeKey(300, 120);
    strip->OnSlotDoubleClick(2);
    ASSERT_EQ(Doc().Keys().Count(), 3);
    strip->OnContextCommand(1, Cmd::KeyActivate);
    work->repaint();
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
