// The main dialog's commands are actions of its registry: the screens'
// buttons, the keys, the options menu and the strip's menu all trigger them,
// and switching a group off (an export, the loop playing) leaves each command
// as its own condition says once the group is back on.

#include "dialog/ui/Kib3Dlg.h"

#include "dialog/ui/DialogFixture.h"

#include "animation/ui/KeysWnd.h"
#include "animation/ui/ThumbWnd.h"
#include "controls/ui/BMenu.h"
#include "controls/ui/CommandRegistry.h"
#include "controls/ui/MyButton.h"

#include <QAction>
#include <QApplication>

#include <gtest/gtest.h>

namespace {

// The skinned popup menu on the screen, if one is open.
CBMenu* OpenMenu()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* menu = qobject_cast<CBMenu*>(w); menu && menu->isVisible())
            return menu;
    }
    return nullptr;
}

std::vector<QAction*> MenuActions(const CBMenu& menu)
{
    std::vector<QAction*> actions;
    for (const BMenuItem& item : menu.Items())
        actions.push_back(item.action);
    return actions;
}

}  // namespace

class CommandActionsTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        ShowDialog();
    }
    QAction* Action(int id) { return dlg->Commands().Action(id); }
    // Chooses a menu's item with the keyboard: `downs` presses of the down key, then Enter.
    void Choose(CBMenu* menu, int downs)
    {
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QTest::qWait(0);
    }
};

TEST_F(CommandActionsTest, EveryControlKeyAndScrollButtonTriggersItsCommandsAction)
{
    for (int screen = 0; screen < Screen::Count; ++screen) {
        std::vector<int> ids = ScreenGroup(screen);
        ids.push_back(Cmd::Options);
        for (int id : ids) {
            QAction* action = Action(id);
            ASSERT_NE(action, nullptr) << id;
            if (CMyButton* button = dlg->Button(id)) {
                EXPECT_EQ(button->Action(), action) << id;
            }
        }
    }
    for (int id : {Cmd::KeysLeft, Cmd::KeysRight})
        EXPECT_EQ(dlg->KeysWnd()->ScrollButton(id)->Action(), Action(id));

    const auto keys = [this](int id) { return Action(id)->shortcuts(); };
    EXPECT_EQ(keys(Cmd::Undo), QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Z)});
    EXPECT_EQ(keys(Cmd::Redo), (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                                    QKeySequence(Qt::CTRL | Qt::Key_Y)}));
    EXPECT_EQ(keys(Cmd::Save), QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_S)});
    EXPECT_TRUE(keys(Cmd::Help).contains(QKeySequence(QKeySequence::HelpContents)));
    for (int id : {Cmd::Undo, Cmd::Redo, Cmd::Save, Cmd::Help})
        EXPECT_TRUE(dlg->actions().contains(Action(id))) << id;
}

TEST_F(CommandActionsTest, TheMenusOfferTheRegistrysActionsAndChoosingOneRunsIt)
{
    OpenPicture(testsupport::WritePicture(dir.path(), "photo.png", 120, 80));
    App().m_bShowTips = true;
    dlg->OnCommand(Cmd::Options);
    CBMenu* options = OpenMenu();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(MenuActions(*options), (std::vector<QAction*>{Action(Cmd::Undo),
                                                            Action(Cmd::Redo),
                                                            nullptr,
                                                            Action(Cmd::Help),
                                                            Action(Cmd::About),
                                                            nullptr,
                                                            Action(Cmd::ToggleDuration),
                                                            Action(Cmd::ToggleNumber),
                                                            Action(Cmd::ToggleTips),
                                                            Action(Cmd::ToggleAnimation),
                                                            Action(Cmd::ToggleInterpVideo),
                                                            Action(Cmd::ToggleOnionSkin),
                                                            Action(Cmd::TogglePressureSize),
                                                            nullptr,
                                                            Action(Cmd::ReverseKeyAlt),
                                                            Action(Cmd::ReverseKeyCtrl),
                                                            Action(Cmd::ReverseKeyShift),
                                                            Action(Cmd::ReverseKeyMeta),
                                                            nullptr,
                                                            Action(Cmd::PaintMask),
                                                            Action(Cmd::ShowMask),
                                                            Action(Cmd::ClearMask),
                                                            Action(Cmd::Reconstruct)}));
    // Undo and redo are greyed (nothing done yet): the third choosable item is the tips.
    Choose(options, 5);
    EXPECT_TRUE(QTest::qWaitFor([] { return !App().m_bShowTips; }, 5000));
    EXPECT_FALSE(Action(Cmd::ToggleTips)->isChecked());

    // The strip's menu for keyframe 0: its items are the registry's, and they
    // act on the keyframe the menu was opened for.
    CKeysWnd* strip = dlg->KeysWnd();
    strip->OnSlotRightClick(0, strip->Slot(0)->mapToGlobal(QPoint(40, 40)));
    CBMenu* menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    std::vector<QAction*> expected;
    for (int id : strip->ContextMenuItems(0))
        expected.push_back(id ? Action(id) : nullptr);
    EXPECT_EQ(MenuActions(*menu), expected);
    ASSERT_EQ(expected.at(1), Action(Cmd::KeyRepeat));
    Choose(menu, 2);
    EXPECT_TRUE(QTest::qWaitFor([this] { return dlg->GetProject().Keys().Count() == 3; }, 5000));
}

TEST_F(CommandActionsTest, AGroupSwitchedBackOnLeavesEachCommandAsItsOwnConditionSays)
{
    // Nothing open: the commands that need an animation are off.
    ASSERT_FALSE(Action(Cmd::Play)->isEnabled());
    ASSERT_TRUE(Action(Cmd::OpenPicture)->isEnabled());
    dlg->LockUserInterface(true);
    for (int id : {Cmd::OpenPicture, Cmd::Options, Cmd::Exit, Cmd::Start})
        EXPECT_FALSE(Action(id)->isEnabled()) << id;
    EXPECT_FALSE(dlg->Button(Cmd::OpenPicture)->isEnabled());
    EXPECT_TRUE(Action(Cmd::WorkWindow)->isEnabled());  // it shows busy instead
    dlg->LockUserInterface(false);
    EXPECT_TRUE(Action(Cmd::OpenPicture)->isEnabled());
    EXPECT_TRUE(dlg->Button(Cmd::OpenPicture)->isEnabled());
    EXPECT_FALSE(Action(Cmd::Play)->isEnabled());
    EXPECT_FALSE(dlg->Button(Cmd::Play)->isEnabled());

    // A picture opened while the controls are locked: once unlocked, the
    // animation's commands are on as they would have been without the lock.
    dlg->LockUserInterface(true);
    ASSERT_TRUE(dlg->OpenPictureFile(testsupport::WritePicture(dir.path(), "photo.png", 120, 80)));
    EXPECT_FALSE(dlg->Button(Cmd::Play)->isEnabled());
    dlg->LockUserInterface(false);
    ASSERT_TRUE(Action(Cmd::Play)->isEnabled());
    EXPECT_TRUE(dlg->Button(Cmd::Play)->isEnabled());
    EXPECT_TRUE(dlg->Button(Cmd::SaveVideo)->isEnabled());

    // The lock takes them off again and gives them back.
    dlg->LockUserInterface(true);
    EXPECT_FALSE(dlg->Button(Cmd::Play)->isEnabled());
    EXPECT_FALSE(dlg->Commands().Trigger(Cmd::Play));
    dlg->LockUserInterface(false);
    EXPECT_TRUE(dlg->Button(Cmd::Play)->isEnabled());
}
