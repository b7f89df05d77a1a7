// The duration and frame-choice dialogs as a person fills them in.

#include "animation/ui/ChooseFrameDlg.h"
#include "animation/ui/DurationDlg.h"
#include "res/StringTable.h"

#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

TEST(DurationDlg, AcceptsOneTo1024AndExplainsAnythingElse)
{
    CDurationDlg dlg(10);
    dlg.SetQuiet(true);
    dlg.Edit()->setValue(0);
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);  // still open
    EXPECT_EQ(dlg.LastMessage(), AppString(StrId::EnterIntegerBetween)
                                     .replace(QLatin1String("%1"), QStringLiteral("1"))
                                     .replace(QLatin1String("%2"), QStringLiteral("1024")));
    dlg.Edit()->setValue(1025);
    dlg.accept();
    EXPECT_FALSE(dlg.LastMessage().isEmpty());
    EXPECT_EQ(dlg.Duration(), 10);
    dlg.Edit()->clear();
    dlg.accept();
    EXPECT_EQ(dlg.LastMessage(), AppString(StrId::EnterInteger));
    dlg.Edit()->setValue(1024);
    dlg.accept();
    EXPECT_TRUE(dlg.LastMessage().isEmpty());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Duration(), 1024);
}

TEST(DurationDlg, ArrowsStepOnlyWithinOneTo1024)
{
    CDurationDlg dlg(1024);
    dlg.show();
    QSpinBox* spin = dlg.Edit();
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(spin->value(), 1024);
    spin->stepBy(10);
    EXPECT_EQ(spin->value(), 1024);
    spin->setValue(2);
    QTest::keyClick(spin, Qt::Key_PageDown);
    EXPECT_EQ(spin->value(), 1);
    QTest::keyClick(spin, Qt::Key_Down);
    EXPECT_EQ(spin->value(), 1);
    EXPECT_EQ(spin->text(), QStringLiteral("1"));
    // A number typed outside the range steps back into it.
    spin->setValue(-7);
    spin->stepUp();
    EXPECT_EQ(spin->value(), 1);
}

TEST(FrameDialogs, EnterIsOkAndEscapeIsCancel)
{
    {
        CDurationDlg dlg(10);
        dlg.SetQuiet(true);
        dlg.show();
        dlg.Edit()->selectAll();
        QTest::keyClicks(dlg.Edit(), QStringLiteral("25"));
        QTest::keyClick(dlg.Edit(), Qt::Key_Return);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.Duration(), 25);
    }
    {
        // A wrong number typed: Enter explains it and the dialog stays; Escape cancels.
        CDurationDlg dlg(10);
        dlg.SetQuiet(true);
        dlg.show();
        dlg.Edit()->selectAll();
        QTest::keyClicks(dlg.Edit(), QStringLiteral("2000"));
        QTest::keyClick(dlg.Edit(), Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_FALSE(dlg.LastMessage().isEmpty());
        QTest::keyClick(dlg.Edit(), Qt::Key_Escape);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
        EXPECT_EQ(dlg.Duration(), 10);
    }
    {
        CChooseFrameDlg dlg(40, 12, {});
        dlg.show();
        dlg.ChooseMode(FrameChoice::kRange);
        dlg.FromEdit()->setText(QStringLiteral("30"));
        QTest::keyClick(dlg.FromEdit(), Qt::Key_Return);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        ASSERT_EQ(dlg.Frames().size(), 10u);  // 30 .. 39
        EXPECT_EQ(dlg.Frames().front(), 30);
    }
    {
        CChooseFrameDlg dlg(40, 12, {});
        dlg.show();
        QTest::keyClick(dlg.CurrentEdit(), Qt::Key_Escape);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
        EXPECT_TRUE(dlg.Frames().empty());
    }
}

TEST(ChooseFrameDlg, CurrentFrameIsHeldToTheLoopAndRendersThePreview)
{
    std::vector<int> rendered;
    CChooseFrameDlg dlg(40, 12, [&rendered](int f) {
        rendered.push_back(f);
        return QImage(300, 100, QImage::Format_RGB32);
    });
    EXPECT_EQ(rendered, std::vector<int>{12});
    EXPECT_EQ(dlg.CurrentEdit()->text(), QStringLiteral("12"));
    dlg.SetCurrentText(QStringLiteral("9999"));
    EXPECT_EQ(dlg.Choice().Current(), 39);
    EXPECT_EQ(dlg.CurrentEdit()->text(), QStringLiteral("39"));
    EXPECT_EQ(rendered.back(), 39);
    // A wide picture fills the preview's width, centred in its height.
    const QRect area = dlg.PreviewArea(), shown = dlg.PreviewRect();
    EXPECT_EQ(shown.left(), area.left());
    EXPECT_EQ(shown.width(), area.width());
    EXPECT_EQ(shown.height(), area.width() / 3);
    EXPECT_EQ(shown.center().y(), area.center().y());

    dlg.accept();
    EXPECT_EQ(dlg.Frames(), std::vector<int>{39});
}

TEST(ChooseFrameDlg, ModesShowTheirControlsAndTheListStaysSorted)
{
    CChooseFrameDlg dlg(40, 0, {});
    dlg.show();
    EXPECT_FALSE(dlg.List()->isVisible());
    EXPECT_FALSE(dlg.FromEdit()->isVisible());
    dlg.ChooseMode(FrameChoice::kRange);
    EXPECT_TRUE(dlg.FromEdit()->isVisible());
    EXPECT_FALSE(dlg.List()->isVisible());
    dlg.SetRangeTexts(QStringLiteral("30"), QStringLiteral("99"));
    EXPECT_EQ(dlg.ToEdit()->text(), QStringLiteral("40"));  // one past the last frame

    dlg.ChooseMode(FrameChoice::kList);
    EXPECT_TRUE(dlg.List()->isVisible());
    EXPECT_FALSE(dlg.FromEdit()->isVisible());
    for (const char* f : {"17", "5", "17", "30"}) {
        dlg.SetCurrentText(QString::fromLatin1(f));
        dlg.Add();
    }
    ASSERT_EQ(dlg.List()->count(), 3);
    EXPECT_EQ(dlg.List()->item(0)->text(), QStringLiteral("5"));
    EXPECT_EQ(dlg.List()->item(2)->text(), QStringLiteral("30"));
    dlg.List()->setCurrentRow(1);
    dlg.RemoveSelected();
    dlg.accept();
    EXPECT_EQ(dlg.Frames(), (std::vector<int>{5, 30}));
}
