// Undo and redo from the main window's keys and menu: strokes, reset, the
// power slider and the strip's commands come back byte for byte, the strip and
// the work window follow at once, and the title's modified marker follows
// saving and undoing.

#include "dialog/ui/Kib3Dlg.h"

#include "dialog/ui/DialogFixture.h"

#include "animation/ui/KeysWnd.h"
#include "animation/ui/ThumbWnd.h"
#include "app/AppState.h"
#include "controls/ui/MySlider.h"
#include "dialog/ui/UndoCommands.h"
#include "res/StringTable.h"
#include "support/ScriptedPrompts.h"
#include "work/ui/WorkWnd.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using MapBytes = std::vector<std::vector<Displacement>>;

class UndoWindowTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        QImage img(120, 80, QImage::Format_RGB32);
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 120; ++x)
                img.setPixel(x, y, qRgb((x * 7) & 255, (y * 11) & 255, ((x ^ y) * 13) & 255));
        picture = dir.filePath(QStringLiteral("photo.png"));
        img.save(picture);
        App().m_strDefaultPicture = picture;
        ShowDialog();
        OpenPicture(picture);
        dlg->OnCommand(1019);  // the largest enlarging brush
    }

    Project& Doc() { return dlg->GetProject(); }
    MapBytes Maps()
    {
        MapBytes maps;
        for (int i = 0; i < Doc().Keys().Count(); ++i)
            maps.push_back(Doc().Keys().Key(i).Map());
        return maps;
    }
    void Stroke(int x0, int x1)
    {
        const Project::StrokePoint points[] = {{x0, 60, 2}, {(x0 + x1) / 2, 70, 2}, {x1, 80, 2}};
        Doc().PerformStroke(points, false);
    }
    // Keys of the active main window.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        QTest::keyClick(dlg.get(), key, modifiers);
    }
    void CtrlZ() { Key(Qt::Key_Z, Qt::ControlModifier); }
    void CtrlShiftZ() { Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }
    void CtrlY() { Key(Qt::Key_Y, Qt::ControlModifier); }
    // The work window shows the active keyframe's map.
    bool ShowsActive() { return Doc().Picture().Map().data == Doc().Keys().Key(Doc().Keys().Active()).Map().data(); }

    QString picture;
};

}  // namespace

TEST_F(UndoWindowTest, StrokesAreUndoneAndRedoneFromTheKeyboardWithTheExactMapAndPicture)
{
    const MapBytes start = Maps();
    const PackedPicture startPicture = Doc().Picture().Display();
    Stroke(100, 250);
    const MapBytes one = Maps();
    const PackedPicture onePicture = Doc().Picture().Display();
    Stroke(150, 300);
    const MapBytes two = Maps();
    ASSERT_NE(one, start);
    ASSERT_NE(two, one);

    CtrlZ();
    EXPECT_EQ(Maps(), one);
    EXPECT_EQ(Doc().Picture().Display(), onePicture);
    CtrlZ();
    EXPECT_EQ(Maps(), start);
    EXPECT_EQ(Doc().Picture().Display(), startPicture);
    EXPECT_TRUE(ShowsActive());
    CtrlShiftZ();
    EXPECT_EQ(Maps(), one);
    CtrlY();
    EXPECT_EQ(Maps(), two);

    // A new change after an undo: what could be redone is gone.
    CtrlZ();
    Stroke(20, 60);
    CtrlY();
    EXPECT_NE(Maps(), two);
    EXPECT_FALSE(Doc().History().CanRedo());
}

TEST_F(UndoWindowTest, ResetAndAppliedPowerAreSteps)
{
    Stroke(100, 250);
    const MapBytes stroked = Maps();
    Doc().History().SetSaved();  // as after saving: the title shows no change
    EXPECT_FALSE(dlg->isWindowModified());
    prompts.answers = {MsgAnswer::Yes};
    dlg->OnCommand(Cmd::Reset);
    const MapBytes reset = Maps();
    ASSERT_NE(reset, stroked);
    EXPECT_TRUE(dlg->isWindowModified());
    CtrlZ();
    EXPECT_EQ(Maps(), stroked);
    EXPECT_FALSE(dlg->isWindowModified());
    CtrlY();
    EXPECT_EQ(Maps(), reset);
    EXPECT_TRUE(dlg->isWindowModified());
    CtrlZ();

    // A power moved on the slider but not applied is what undo takes back first.
    CMySlider* power = dlg->Slider(Cmd::PowerSlider);
    power->SetPos(20);
    const int steps = Doc().History().Count();
    CtrlZ();
    EXPECT_EQ(power->GetPos(), CKib3Dlg::kNeutralPower);
    EXPECT_EQ(Maps(), stroked);
    EXPECT_EQ(Doc().History().Count(), steps);

    // Applied, it is one step of its own.
    power->SetPos(20);
    emit dlg->WorkWnd()->powerRequested();
    ASSERT_NE(Maps(), stroked);
    EXPECT_TRUE(dlg->isWindowModified());
    CtrlZ();
    EXPECT_EQ(Maps(), stroked);
    EXPECT_FALSE(dlg->isWindowModified());
}

TEST_F(UndoWindowTest, StripCommandsAreUndoneAndTheStripFollowsAtOnce)
{
    CKeysWnd* strip = dlg->KeysWnd();
    Stroke(100, 250);
    strip->OnSlotDoubleClick(2);  // a third keyframe
    ASSERT_EQ(Doc().Keys().Count(), 3);
    const MapBytes three = Maps();
    strip->OnContextCommand(1, Cmd::KeyDelete);
    ASSERT_EQ(Doc().Keys().Count(), 2);
    EXPECT_EQ(strip->Slot(2)->Key(), nullptr);

    CtrlZ();
    EXPECT_EQ(Maps(), three);
    EXPECT_EQ(strip->Slot(2)->Key(), &Doc().Keys().Key(2));
    EXPECT_TRUE(ShowsActive());
    CtrlZ();  // the new keyframe goes again
    EXPECT_EQ(Doc().Keys().Count(), 2);
    EXPECT_EQ(strip->Slot(2)->Key(), nullptr);
    CtrlY();
    CtrlY();
    EXPECT_EQ(Doc().Keys().Count(), 2);
    EXPECT_EQ(Maps()[1], three[2]);

    // Moving a keyframe and activating one: only the move is a step.
    strip->OnSlotDoubleClick(2);
    Stroke(20, 80);  // the new keyframe differs from its neighbour
    const int steps = Doc().History().Count();
    strip->OnContextCommand(1, Cmd::KeyActivate);
    EXPECT_EQ(Doc().History().Count(), steps);
    strip->OnContextCommand(1, Cmd::KeyMoveRight);
    EXPECT_EQ(Doc().History().Count(), steps + 1);

    // A cancelled duration is neither a step nor an unsaved change; a new one is both.
    Doc().History().SetSaved();
    std::optional<int> answer;
    strip->SetDurationQuery([&answer](QWidget*, int) { return answer; });
    strip->OnContextCommand(1, Cmd::KeyDuration);
    EXPECT_EQ(Doc().History().Count(), steps + 1);
    EXPECT_FALSE(Doc().m_bModified);
    answer = 40;
    strip->OnContextCommand(1, Cmd::KeyDuration);
    EXPECT_EQ(Doc().History().Count(), steps + 2);
    EXPECT_TRUE(Doc().m_bModified);
    CtrlZ();
    EXPECT_NE(Doc().Keys().Key(1).Duration(), 40);
}

TEST_F(UndoWindowTest, AStripCommandShowingAnotherMapTakesThePowerIntoTheMapLeftInItsStep)
{
    CKeysWnd* strip = dlg->KeysWnd();
    Stroke(100, 250);
    strip->OnSlotDoubleClick(2);
    Stroke(20, 80);  // keyframe 2 differs from keyframe 1
    strip->OnSlotClick(1);
    const MapBytes before = Maps();
    std::vector<Displacement> halved = before[1];
    for (Displacement& e : halved)
        e = Displacement{e.dx * 32 / 64, e.dy * 32 / 64};
    ASSERT_NE(halved, before[1]);

    // Keyframe 1, shown at half power, moves right: it keeps that power, and
    // keyframe 2, shown at its index now, comes at full power with the slider
    // back at 64 (a stroke would otherwise bake the half power into it).
    CMySlider* power = dlg->Slider(Cmd::PowerSlider);
    power->SetPos(32);
    const int steps = Doc().History().Count();
    strip->OnContextCommand(1, Cmd::KeyMoveRight);
    EXPECT_EQ(power->GetPos(), CKib3Dlg::kNeutralPower);
    EXPECT_EQ(Maps()[2], halved);
    EXPECT_EQ(Maps()[1], before[2]);
    EXPECT_TRUE(ShowsActive());
    EXPECT_EQ(Doc().History().Count(), steps + 1);
    CtrlZ();
    EXPECT_EQ(Maps(), before);

    // Copy to screen: the copy replaces the map the power was set on.
    power->SetPos(32);
    strip->OnContextCommand(2, Cmd::KeyCopyToScreen);
    EXPECT_EQ(power->GetPos(), CKib3Dlg::kNeutralPower);
    EXPECT_EQ(Maps()[1], before[2]);
    EXPECT_EQ(Maps()[2], before[2]);
}

TEST_F(UndoWindowTest, TheTitleNamesTheProjectAndFollowsSavesAndUndos)
{
    const QString product = AppString(StrId::ProductName);
    EXPECT_EQ(dlg->windowTitle(), AppString(StrId::Untitled) + QStringLiteral("[*] - ") + product);
    EXPECT_FALSE(dlg->isWindowModified());
    Stroke(100, 250);
    EXPECT_TRUE(dlg->isWindowModified());

    prompts.saveProjects.push_back(dir.filePath(QStringLiteral("a.kib")));
    dlg->OnCommand(Cmd::SaveProject);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("a.kib[*] - ") + product);
    EXPECT_FALSE(dlg->isWindowModified());

    Stroke(150, 300);
    EXPECT_TRUE(dlg->isWindowModified());
    CtrlZ();  // back to the saved state
    EXPECT_FALSE(dlg->isWindowModified());
    EXPECT_FALSE(Doc().m_bModified);
    CtrlZ();  // before it
    EXPECT_TRUE(dlg->isWindowModified());
    CtrlY();
    EXPECT_FALSE(dlg->isWindowModified());

    // Another picture: a new untitled project with nothing to undo.
    prompts.pictures.push_back(picture);
    dlg->OnCommand(Cmd::OpenPicture);
    EXPECT_TRUE(dlg->windowTitle().startsWith(AppString(StrId::Untitled)));
    EXPECT_FALSE(Doc().History().CanUndo());
}

TEST_F(UndoWindowTest, TheMenuGreysWhatCannotBeDoneAndPlayingRefusesUndo)
{
    auto items = dlg->UndoCommands()->MenuItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_FALSE(items[0].enabled);
    EXPECT_FALSE(items[1].enabled);
    EXPECT_EQ(items[0].shortcut, QKeySequence(Qt::CTRL | Qt::Key_Z).toString(QKeySequence::NativeText));
    EXPECT_FALSE(items[1].shortcut.isEmpty());

    Stroke(100, 250);
    items = dlg->UndoCommands()->MenuItems();
    EXPECT_TRUE(items[0].enabled);
    EXPECT_FALSE(items[1].enabled);
    const MapBytes stroked = Maps();

    dlg->OnCommand(Cmd::Play);
    ASSERT_TRUE(dlg->Playing());
    CtrlZ();
    EXPECT_FALSE(dlg->UndoCommands()->MenuItems()[0].enabled);
    dlg->OnCommand(Cmd::Play);
    ASSERT_FALSE(dlg->Playing());
    EXPECT_EQ(Maps(), stroked);
    dlg->OnCommand(Cmd::Undo);
    EXPECT_NE(Maps(), stroked);
}
