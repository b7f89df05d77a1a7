#include "controls/ui/BMenu.h"
#include "controls/ui/CommandRegistry.h"
#include "controls/ui/MyButton.h"
#include "res/StringTable.h"

#include <QAction>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

constexpr int kPlay = 1005;
constexpr int kSave = 1012;
constexpr int kTips = 32789;
constexpr int kUndo = 57643;
constexpr int kStrength = 1006;  // two lines, no caption

enum Group { Busy, Playing };

}  // namespace

TEST(CommandRegistry, ACommandIsOnOnlyWhenItsConditionAndEveryGroupAllowIt)
{
    QWidget window;
    CCommandRegistry commands(window);
    int runs = 0;
    commands.Add(kPlay, [&runs] { ++runs; });
    commands.AddToGroup(Busy, {kPlay, kSave});
    commands.AddToGroup(Playing, {kPlay});
    QAction* play = commands.Action(kPlay);
    QAction* save = commands.Action(kSave);

    commands.SetGroupOff(Busy, true);
    commands.SetGroupOff(Playing, true);
    EXPECT_FALSE(play->isEnabled());
    EXPECT_FALSE(commands.Trigger(kPlay));
    commands.SetGroupOff(Busy, false);  // still playing
    EXPECT_FALSE(play->isEnabled());
    EXPECT_TRUE(save->isEnabled());
    commands.SetGroupOff(Playing, false);
    EXPECT_TRUE(play->isEnabled());

    // Its own condition holds it off whatever the groups do.
    commands.SetAvailable(kPlay, false);
    commands.SetGroupOff(Busy, true);
    commands.SetGroupOff(Busy, false);
    EXPECT_FALSE(play->isEnabled());
    EXPECT_FALSE(commands.Trigger(kPlay));
    // ... and a group holds it off when its condition comes back meanwhile.
    commands.SetGroupOff(Playing, true);
    commands.SetAvailable(kPlay, true);
    EXPECT_FALSE(play->isEnabled());
    commands.SetGroupOff(Playing, false);
    EXPECT_TRUE(commands.Trigger(kPlay));
    EXPECT_EQ(runs, 1);
    // An unknown identifier runs nothing.
    EXPECT_FALSE(commands.Trigger(4242));
    EXPECT_EQ(commands.Action(4242), nullptr);
}

TEST(CommandRegistry, HandlersRunInOrderThenTheNoticeAndTheTextsComeFromTheStrings)
{
    QWidget window;
    CCommandRegistry commands(window);
    std::vector<int> order;
    QSignalSpy triggered(&commands, &CCommandRegistry::triggered);
    commands.Add(kSave, [&] {
        order.push_back(1);
        EXPECT_EQ(triggered.count(), 0);
    });
    commands.Add(kSave, [&] { order.push_back(2); });
    commands.Action(kSave)->trigger();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    ASSERT_EQ(triggered.count(), 1);
    EXPECT_EQ(triggered.front().front().toInt(), kSave);

    EXPECT_EQ(commands.Action(kSave)->toolTip(), AppString(kSave));
    EXPECT_EQ(CommandId(commands.Action(kSave)), kSave);
    EXPECT_EQ(CommandId(nullptr), 0);
    // A command is named by its caption, one without by its string's first line.
    EXPECT_EQ(commands.Add(kUndo)->text(), AppCaption(kUndo));
    ASSERT_FALSE(HasAppCaption(kStrength));
    EXPECT_EQ(commands.Add(kStrength)->text(), AppString(kStrength).section(QLatin1Char('\n'), 0, 0));
    EXPECT_NE(commands.Action(kStrength)->text(), AppString(kStrength));

    // A strip's own action joins under its identifier and keeps its own connections.
    auto* own = MakeCommandAction(kTips, &window);
    int ownRuns = 0;
    QObject::connect(own, &QAction::triggered, [&ownRuns] { ++ownRuns; });
    commands.Adopt(own);
    commands.AddToGroup(Busy, {kTips});
    EXPECT_EQ(commands.Action(kTips), own);
    EXPECT_TRUE(commands.Trigger(kTips));
    EXPECT_EQ(ownRuns, 1);
    EXPECT_EQ(triggered.back().front().toInt(), kTips);
    commands.SetGroupOff(Busy, true);
    EXPECT_FALSE(own->isEnabled());
}

TEST(CommandRegistry, BoundButtonsTriggerTheirActionAndShowItsState)
{
    QWidget window;
    CCommandRegistry commands(window);
    int runs = 0;
    commands.Add(kPlay, [&runs] { ++runs; });
    auto* button = new CMyButton(kPlay, &window);
    button->resize(40, 40);
    auto* label = new QLabel(&window);
    commands.Bind(kPlay, button);
    commands.Bind(kPlay, label);
    QSignalSpy issued(button, &CMyButton::commandIssued);
    window.show();

    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(issued.count(), 0);  // the action, not the number, carries the click
    EXPECT_EQ(button->toolTip(), AppString(kPlay));

    commands.SetAvailable(kPlay, false);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(label->isEnabled());
    button->Click();
    EXPECT_EQ(runs, 1);
    commands.SetAvailable(kPlay, true);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_TRUE(label->isEnabled());
    commands.Action(kPlay)->setToolTip(QStringLiteral("Stop"));
    EXPECT_EQ(button->toolTip(), QStringLiteral("Stop"));

    // A checkable command latches a radio button, checked, while it is checked.
    QAction* choice = commands.Add(kTips);
    choice->setCheckable(true);
    auto* radio = new CMyRadioBtn(kTips, &window);
    commands.Bind(kTips, radio);
    choice->setChecked(true);
    EXPECT_TRUE(radio->GetCheck());
    EXPECT_TRUE(radio->IsLatched());
    choice->setChecked(false);
    EXPECT_FALSE(radio->GetCheck());
    EXPECT_FALSE(radio->IsLatched());
}

TEST(CommandRegistry, MenuItemsShowTheirActionAndChoosingOneTriggersIt)
{
    QWidget window;
    CCommandRegistry commands(window);
    int undos = 0;
    QAction* undo = commands.Add(kUndo, [&undos] { ++undos; });
    commands.SetShortcuts(kUndo, {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    QAction* tips = commands.Add(kTips);
    tips->setCheckable(true);
    tips->setChecked(true);
    commands.SetAvailable(kTips, false);
    EXPECT_TRUE(window.actions().contains(undo));  // the key works in the window

    const BMenuItem item = BMenuItem::FromAction(undo);
    EXPECT_EQ(item.id, kUndo);
    EXPECT_EQ(item.text, undo->text());
    EXPECT_EQ(item.shortcut, QKeySequence(Qt::CTRL | Qt::Key_Z).toString(QKeySequence::NativeText));
    const BMenuItem option = BMenuItem::FromAction(tips);
    EXPECT_TRUE(option.checked);
    EXPECT_FALSE(option.enabled);
    EXPECT_TRUE(BMenuItem::FromAction(nullptr).text.isEmpty());  // a separator

    auto* menu = new CBMenu({item, {}, option});
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<CBMenu> alive(menu);
    menu->Track(QPoint(10, 10));
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    // The action runs once the menu has gone.
    EXPECT_TRUE(QTest::qWaitFor([&undos] { return undos == 1; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&alive] { return alive.isNull(); }, 5000));
    EXPECT_EQ(undos, 1);
}
