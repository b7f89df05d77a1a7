// The keyframe strip on a real project: slots made by double-clicks, the
// context commands and the selection they move, the work picture following
// the selected keyframe, scrolling limits, menu items and tooltips.

#include "animation/ui/KeysWnd.h"
#include "animation/ui/ThumbWnd.h"
#include "app/AppState.h"
#include "controls/ui/MyButton.h"
#include "project/Project.h"
#include "res/StringTable.h"
#include "support/TestPictures.h"
#include "support/UiTestMain.h"

#include "export/PictureFile.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class KeysWndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const std::string picture = dir.filePath(QStringLiteral("pic.bmp")).toStdString();
        ASSERT_TRUE(SavePicture(picture, testpics::Gradient(60, 40)));
        project.SetDefaultPicture(picture);
        project.NewFromPicture(picture);
        // The strip's place in the dialog is 640 x 84: six slots.
        host.resize(700, 100);
        strip = new CKeysWnd(project.Keys(), &host);
        strip->setGeometry(0, 0, 640, 84);
        strip->CreateSlots();
        strip->KeysChanged();
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }

    // Keyframe k's map with every element set to `value`, so keyframes can be told apart.
    void Mark(int k, int value)
    {
        for (Displacement& e : project.Keys().Key(k).Map())
            e = Displacement{value, value};
    }
    int MarkOf(int k) { return project.Keys().Key(k).Map()[0].dx; }
    // The map the work picture shows and edits.
    const Displacement* Shown() { return project.Picture().Map().data; }
    const Displacement* MapOf(int k) { return project.Keys().Key(k).Map().data(); }
    void DoubleClick(int s) { QTest::mouseDClick(strip->Slot(s), Qt::LeftButton, {}, QPoint(40, 40)); }
    void Click(int s) { QTest::mouseClick(strip->Slot(s), Qt::LeftButton, {}, QPoint(40, 40)); }
    // Keyframes 0 .. n - 1 marked with their index, keyframe `selected` selected.
    void MakeKeys(int n, int selected)
    {
        while (project.Keys().Count() < n)
            project.AddKey();
        for (int k = 0; k < n; ++k)
            Mark(k, k);
        project.SelectKey(selected);
        strip->KeysChanged();
    }

    QTemporaryDir dir;
    Project project;
    QWidget host;
    CKeysWnd* strip = nullptr;
};

}  // namespace

TEST_F(KeysWndTest, LayoutGivesSixSlotsBetweenTheButtonsAndSelectsKeyframeOne)
{
    ASSERT_EQ(strip->SlotCount(), 6);
    const int bw = strip->ScrollButton(Cmd::KeysLeft)->width();
    // 90 x 6 + 2 bw wide, centred in the 640 it had.
    EXPECT_EQ(strip->width(), 540 + 2 * bw);
    EXPECT_EQ(strip->x(), (640 - strip->width()) / 2);
    EXPECT_EQ(strip->Slot(0)->geometry(), QRect(bw, 0, 84, 84));
    EXPECT_EQ(strip->Slot(5)->geometry(), QRect(strip->width() - bw - 84, 0, 84, 84));
    EXPECT_TRUE(strip->Slot(1)->IsSelected());
    EXPECT_FALSE(strip->Slot(0)->IsSelected());
    EXPECT_EQ(strip->ScrollButton(Cmd::KeysLeft)->y(), CKeysWnd::kButtonTop);
}

TEST_F(KeysWndTest, DoubleClicksMakeKeyframesZeroAndOneAndTheEmptySlotIgnoresClicks)
{
    project.Picture().DetachMap();
    strip->ResetKeys();
    ASSERT_EQ(project.Keys().Count(), 0);
    QSignalSpy edited(strip, &CKeysWnd::keysEdited);

    Click(0);  // the empty slot's single click does nothing
    EXPECT_EQ(project.Keys().Count(), 0);
    DoubleClick(1);  // a blank slot beyond the empty one
    EXPECT_EQ(project.Keys().Count(), 0);

    DoubleClick(0);
    ASSERT_EQ(project.Keys().Count(), 1);
    EXPECT_EQ(project.Keys().Key(0).Duration(), 10);
    EXPECT_EQ(MarkOf(0), 0);
    EXPECT_EQ(project.Keys().Selected(), 0);
    EXPECT_TRUE(strip->Slot(0)->IsSelected());
    EXPECT_EQ(Shown(), MapOf(0));

    Mark(0, 77);
    DoubleClick(1);
    ASSERT_EQ(project.Keys().Count(), 2);
    EXPECT_EQ(MarkOf(1), 77);  // a copy of keyframe 0
    EXPECT_EQ(project.Keys().Selected(), 1);
    EXPECT_EQ(Shown(), MapOf(1));
    EXPECT_EQ(strip->Slot(1)->Key(), &project.Keys().Key(1));
    EXPECT_EQ(strip->Slot(2)->Key(), nullptr);
    EXPECT_EQ(edited.count(), 2);
}

TEST_F(KeysWndTest, RepeatAndDeleteKeepTheSelectionOnItsKeyframe)
{
    MakeKeys(5, 3);
    strip->OnContextCommand(2, Cmd::KeyRepeat);
    ASSERT_EQ(project.Keys().Count(), 6);
    EXPECT_EQ(MarkOf(2), 2);
    EXPECT_EQ(MarkOf(3), 2);
    EXPECT_EQ(project.Keys().Selected(), 4);  // still the keyframe marked 3
    EXPECT_EQ(MarkOf(4), 3);
    EXPECT_TRUE(strip->Slot(4)->IsSelected());
    EXPECT_EQ(project.Keys().Active(), project.Keys().Selected());

    strip->OnContextCommand(0, Cmd::KeyDelete);
    EXPECT_EQ(project.Keys().Count(), 5);
    EXPECT_EQ(project.Keys().Selected(), 3);
    EXPECT_EQ(MarkOf(3), 3);
    EXPECT_EQ(Shown(), MapOf(3));
    // Deleting the selected keyframe: the work picture shows the one taking its place.
    strip->OnContextCommand(3, Cmd::KeyDelete);
    EXPECT_EQ(project.Keys().Selected(), 2);
    EXPECT_EQ(Shown(), MapOf(2));
}

TEST_F(KeysWndTest, MovingFollowsWithTheWorkPictureOnlyWhenTheSelectionIsInvolved)
{
    MakeKeys(5, 1);
    project.MakeActiveKeyCurrent();
    // Two places right of the selection: nothing changes for the work picture.
    strip->OnContextCommand(3, Cmd::KeyMoveLeft);
    EXPECT_EQ(MarkOf(2), 3);
    EXPECT_EQ(MarkOf(3), 2);
    EXPECT_EQ(project.Keys().Selected(), 1);
    EXPECT_EQ(Shown(), MapOf(1));
    EXPECT_EQ(MarkOf(1), 1);
    // Moving the selected keyframe right: the selection stays at its index and the
    // work picture shows the keyframe now standing there.
    strip->OnContextCommand(1, Cmd::KeyMoveRight);
    EXPECT_EQ(project.Keys().Selected(), 1);
    EXPECT_EQ(MarkOf(1), 3);
    EXPECT_EQ(Shown(), MapOf(1));
    EXPECT_EQ(project.Picture().Map().data[0].dx, 3);
}

TEST_F(KeysWndTest, CopiesAndDurationThroughTheMenu)
{
    MakeKeys(3, 1);
    strip->OnContextCommand(2, Cmd::KeyCopyToScreen);
    EXPECT_EQ(MarkOf(1), 2);
    EXPECT_EQ(Shown(), MapOf(1));
    Mark(1, 9);
    strip->OnContextCommand(0, Cmd::KeyCopyFromScreen);
    EXPECT_EQ(MarkOf(0), 9);

    std::vector<int> asked;
    strip->SetDurationQuery([&asked](QWidget*, int duration) -> std::optional<int> {
        asked.push_back(duration);
        return asked.size() == 1 ? std::optional<int>(25) : std::nullopt;
    });
    strip->OnContextCommand(2, Cmd::KeyDuration);
    strip->OnContextCommand(2, Cmd::KeyDuration);  // cancelled
    EXPECT_EQ(asked, (std::vector<int>{10, 25}));
    EXPECT_EQ(project.Keys().Key(2).Duration(), 25);
    EXPECT_EQ(project.Keys().GetTotalFrames(), 45);
}

TEST_F(KeysWndTest, MenuLeavesOutWhatCannotApply)
{
    // Two keyframes, keyframe 1 selected.
    EXPECT_EQ(strip->ContextMenuItems(1), (std::vector<int>{Cmd::KeyRepeat, Cmd::KeyMoveLeft, 0, Cmd::KeyDuration}));
    EXPECT_EQ(strip->ContextMenuItems(0),
              (std::vector<int>{Cmd::KeyActivate, Cmd::KeyRepeat, Cmd::KeyMoveRight, Cmd::KeyCopyToScreen,
                                Cmd::KeyCopyFromScreen, 0, Cmd::KeyDuration}));
    // The empty slot offers only to make the keyframe.
    EXPECT_EQ(strip->ContextMenuItems(2), std::vector<int>{Cmd::KeyActivate});
    MakeKeys(3, 1);
    const std::vector<int> middle = strip->ContextMenuItems(1);
    EXPECT_NE(std::find(middle.begin(), middle.end(), Cmd::KeyDelete), middle.end());

    // A right-click shows the menu for its keyframe; a command no longer offered is ignored.
    std::vector<int> shown;
    strip->SetMenuRunner([&shown](const std::vector<int>& items, QPoint) { shown = items; });
    QTest::mouseClick(strip->Slot(3), Qt::RightButton, {}, QPoint(40, 40));
    EXPECT_EQ(shown, std::vector<int>{Cmd::KeyActivate});
    QTest::mouseClick(strip->Slot(4), Qt::RightButton, {}, QPoint(40, 40));
    EXPECT_EQ(shown, std::vector<int>{Cmd::KeyActivate});  // a blank slot shows nothing
    strip->OnContextCommand(0, Cmd::KeyMoveLeft);
    EXPECT_EQ(MarkOf(0), 0);
}

TEST_F(KeysWndTest, ScrollingStopsWhenTheEmptySlotIsTheLastVisible)
{
    strip->setGeometry(0, 0, 540, 84);  // room for five slots
    strip->CreateSlots();
    ASSERT_EQ(strip->SlotCount(), 5);
    MakeKeys(7, 1);
    ASSERT_EQ(project.Keys().Count(), 7);
    CMyButton* left = strip->ScrollButton(Cmd::KeysLeft);
    CMyButton* right = strip->ScrollButton(Cmd::KeysRight);
    EXPECT_FALSE(left->isVisible());
    for (int i = 0; i < 6; ++i)
        strip->OnCommand(Cmd::KeysRight);
    EXPECT_EQ(project.Keys().FirstVisible(), 3);
    EXPECT_FALSE(right->isVisible());
    EXPECT_TRUE(left->isVisible());
    EXPECT_EQ(strip->Slot(4)->Key(), nullptr);  // keyframe 7: the empty slot
    EXPECT_EQ(strip->Slot(0)->Index(), 3);
    // The selection (keyframe 1) is scrolled out of sight.
    for (int s = 0; s < 5; ++s)
        EXPECT_FALSE(strip->Slot(s)->IsSelected());
    for (int i = 0; i < 5; ++i)
        strip->OnCommand(Cmd::KeysLeft);
    EXPECT_EQ(project.Keys().FirstVisible(), 0);
    EXPECT_TRUE(strip->Slot(1)->IsSelected());
    // A click acts on the keyframe the slot shows.
    strip->OnCommand(Cmd::KeysRight);
    Click(2);
    EXPECT_EQ(project.Keys().Selected(), 3);
    EXPECT_EQ(Shown(), MapOf(3));
}

TEST_F(KeysWndTest, TooltipsAndThePictureRequest)
{
    EXPECT_EQ(strip->Slot(0)->toolTip(), AppString(StrId::InitialFrame));
    EXPECT_EQ(strip->Slot(2)->toolTip(), AppString(StrId::NextKeyframe));
    EXPECT_EQ(strip->Slot(3)->toolTip(), AppString(StrId::EmptyKeyframe));
    QString keyframe = AppString(StrId::KeyframeTooltip);
    keyframe.replace(keyframe.indexOf(QLatin1String("%d")), 2, QStringLiteral("1"));
    keyframe.replace(keyframe.indexOf(QLatin1String("%d")), 2, QStringLiteral("10"));
    EXPECT_EQ(strip->Slot(1)->toolTip(), keyframe);

    QSignalSpy wanted(strip, &CKeysWnd::thumbnailWanted);
    strip->RequestPicture(1);
    strip->RequestPicture(9);  // not visible: nothing
    EXPECT_TRUE(strip->Slot(1)->NeedsPicture());
    strip->Slot(1)->repaint();
    EXPECT_FALSE(strip->Slot(1)->NeedsPicture());
    EXPECT_EQ(wanted.count(), 1);
}

TEST_F(KeysWndTest, BalloonHelpNamesTheTextUnderThePointerWhereItIsDrawn)
{
    App().m_bShowDuration = true;
    App().m_bShowNumber = true;
    // "10 frames" stands at the bottom centre of the 84 x 84 slot, " 1 " at the top left.
    CThumbWnd* slot = strip->Slot(1);
    const QRect duration = slot->DurationArea(), number = slot->NumberArea();
    // Drawn 1 and 2 pixels right of the centre, the shadow 1 pixel above the bottom edge.
    EXPECT_EQ(duration.bottom(), 82);
    EXPECT_NEAR(duration.center().x(), 43, 1);
    EXPECT_EQ(number.topLeft(), QPoint(1, 1));
    EXPECT_EQ(slot->GetHelpText(QPoint(42, 80)), AppString(StrId::TransitionPeriod));
    EXPECT_EQ(slot->GetHelpText(QPoint(4, 4)), AppString(StrId::KeyframeIndex));
    // Nothing is drawn at the other corners or in the middle.
    for (QPoint elsewhere : {QPoint(82, 2), QPoint(2, 82), QPoint(42, 42)})
        EXPECT_EQ(slot->GetHelpText(elsewhere), AppString(StrId::Keyframe)) << elsewhere.x() << "," << elsewhere.y();
    App().m_bShowDuration = false;
    EXPECT_EQ(slot->GetHelpText(QPoint(42, 80)), AppString(StrId::Keyframe));
    App().m_bShowDuration = true;
    // The initial frame draws neither text, and a slot without a keyframe none.
    EXPECT_EQ(strip->Slot(0)->GetHelpText(QPoint(42, 80)), AppString(StrId::Keyframe));
    for (QPoint anywhere : {QPoint(4, 4), QPoint(82, 2), QPoint(2, 82)})
        EXPECT_EQ(strip->Slot(0)->GetHelpText(anywhere), AppString(StrId::Keyframe));
    EXPECT_TRUE(strip->Slot(0)->DurationArea().isEmpty());
    EXPECT_EQ(strip->Slot(3)->GetHelpText(QPoint(42, 80)), AppString(StrId::Keyframe));
}
