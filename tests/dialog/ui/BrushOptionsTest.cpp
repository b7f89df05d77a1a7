// The brush's options in the main dialog: the pressure choice and the reverse
// key in the options menu, kept in the settings; a tool button gives back its
// fixed size; the reverse key's partner acts in the dialog's work window.

#include "dialog/ui/DialogFixture.h"

#include "controls/ui/CommandRegistry.h"
#include "res/CommandIds.h"
#include "work/ui/WorkWnd.h"

#include <QAction>

#include <gtest/gtest.h>

namespace {

class BrushOptionsTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        App().m_bPressureSize = false;
        App().m_reverseKey = ReverseKey::Alt;
        ShowDialog();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        OpenPicture(testsupport::WritePicture(dir.path(), "photo.png", 1236, 824));
    }
    QAction* Action(int id) { return dlg->Commands().Action(id); }
    CTool* Active() { return dlg->GetProject().Picture().ActiveTool(); }
};

}  // namespace

TEST_F(BrushOptionsTest, ThePressureChoiceAndTheReverseKeyAreOptionsKeptInTheSettings)
{
    EXPECT_FALSE(Action(Cmd::TogglePressureSize)->isChecked());
    EXPECT_TRUE(Action(Cmd::ReverseKeyAlt)->isChecked());
    dlg->OnCommand(Cmd::TogglePressureSize);
    dlg->OnCommand(Cmd::ReverseKeyShift);
    EXPECT_TRUE(App().m_bPressureSize);
    EXPECT_EQ(App().m_reverseKey, ReverseKey::Shift);
    EXPECT_TRUE(Action(Cmd::TogglePressureSize)->isChecked());
    EXPECT_TRUE(Action(Cmd::ReverseKeyShift)->isChecked());
    EXPECT_FALSE(Action(Cmd::ReverseKeyAlt)->isChecked());

    ASSERT_TRUE(App().SaveSettings());
    AppState loaded;
    loaded.LoadSettings();
    EXPECT_TRUE(loaded.m_bPressureSize);
    EXPECT_EQ(loaded.m_reverseKey, ReverseKey::Shift);

    dlg->OnCommand(Cmd::TogglePressureSize);
    dlg->OnCommand(Cmd::ReverseKeyMeta);
    ASSERT_TRUE(App().SaveSettings());
    loaded.LoadSettings();
    EXPECT_FALSE(loaded.m_bPressureSize);
    EXPECT_EQ(loaded.m_reverseKey, ReverseKey::Meta);
}

TEST_F(BrushOptionsTest, AToolButtonGivesBackTheFixedSizeAndTheReverseKeyActsInTheWindow)
{
    dlg->OnCommand(1019);  // small enlarge
    CTool* enlarge = Active();
    ASSERT_EQ(enlarge->Radius(), 16);  // 6 % of 274
    dlg->activateWindow();
    QTest::keyClick(dlg.get(), Qt::Key_BracketRight);
    EXPECT_EQ(enlarge->FreeRadius(), 17);
    dlg->OnCommand(1019);
    EXPECT_EQ(enlarge->FreeRadius(), 0);
    EXPECT_EQ(enlarge->Radius(), 16);

    // Alt at the press: the small shrink acts; the chosen tool stays chosen.
    CWorkWnd* work = dlg->WorkWnd();
    const QPoint at = QPoint(120, 100) + QPoint(CWorkWnd::kEdge, CWorkWnd::kEdge);
    QTest::mousePress(work, Qt::LeftButton, Qt::AltModifier, at);
    ASSERT_TRUE(dlg->GetProject().Picture().StrokeActive());
    EXPECT_EQ(Active()->CommandId(), 1022);
    EXPECT_TRUE(Action(1019)->isChecked());
    QTest::mouseRelease(work, Qt::LeftButton, Qt::AltModifier, at);
    EXPECT_EQ(Active(), enlarge);
}
