#include "controls/SplashAnimation.h"
#include "controls/ui/AboutDlg.h"
#include "controls/ui/Art.h"
#include "controls/ui/BMenu.h"
#include "controls/ui/LayeredWindowHelper.h"
#include "controls/ui/MyButton.h"
#include "controls/ui/ProgressWnd.h"
#include "controls/ui/SizeDlg.h"
#include "controls/ui/SplashWnd.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

std::vector<BMenuItem> FourItems()
{
    return {{QStringLiteral("Help"), false, 57670},
            {QString(), false, 0},
            {QStringLiteral("About"), true, 57664},
            {QStringLiteral("Other"), false, 32781}};
}

void Flush()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

}  // namespace

TEST(BMenu, KeyboardWrapsAroundAndSkipsSeparators)
{
    CBMenu menu(FourItems());
    menu.Track(QPoint(10, 10));
    EXPECT_EQ(menu.HotItem(), -1);
    QTest::keyClick(&menu, Qt::Key_Down);
    EXPECT_EQ(menu.HotItem(), 0);
    QTest::keyClick(&menu, Qt::Key_Down);
    EXPECT_EQ(menu.HotItem(), 2);
    QTest::keyClick(&menu, Qt::Key_Down);
    QTest::keyClick(&menu, Qt::Key_Down);
    EXPECT_EQ(menu.HotItem(), 0);
    QTest::keyClick(&menu, Qt::Key_Up);
    EXPECT_EQ(menu.HotItem(), 3);
}

TEST(BMenu, EnterIssuesTheHotCommandAndCloses)
{
    CBMenu menu(FourItems());
    QSignalSpy chosen(&menu, &CBMenu::commandIssued);
    menu.Track(QPoint(10, 10));
    QTest::keyClick(&menu, Qt::Key_Up);
    QTest::keyClick(&menu, Qt::Key_Up);
    QTest::keyClick(&menu, Qt::Key_Return);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), 57664);
    EXPECT_FALSE(menu.isVisible());
}

TEST(BMenu, NoHotItemOrEscapeOnlyCloses)
{
    CBMenu menu(FourItems());
    QSignalSpy chosen(&menu, &CBMenu::commandIssued);
    menu.Track(QPoint(10, 10));
    QTest::keyClick(&menu, Qt::Key_Return);
    EXPECT_FALSE(menu.isVisible());
    menu.Track(QPoint(10, 10));
    QTest::keyClick(&menu, Qt::Key_Down);
    QTest::keyClick(&menu, Qt::Key_Escape);
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(chosen.count(), 0);
}

TEST(BMenu, MouseChoosesTheItemUnderIt)
{
    CBMenu menu(FourItems());
    QSignalSpy chosen(&menu, &CBMenu::commandIssued);
    QSignalSpy help(&menu, &CBMenu::helpRequested);
    menu.Track(QPoint(10, 10), 300);
    EXPECT_EQ(menu.width(), 300);
    EXPECT_EQ(menu.height(), CBMenu::kTopMargin + 4 * menu.ItemHeight());
    EXPECT_EQ(menu.ItemAt(menu.ItemRect(1).center()), 1);
    EXPECT_EQ(menu.ItemAt(QPoint(5, 2)), -1);
    QTest::keyClick(&menu, Qt::Key_Down);
    QTest::keyClick(&menu, Qt::Key_F1);
    ASSERT_EQ(help.count(), 1);
    EXPECT_EQ(help.at(0).at(0).toInt(), 0x10000 + 57670);
    QTest::mouseMove(&menu, menu.ItemRect(3).center());
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.ItemRect(3).center());
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), 32781);
}

TEST(ProgressWnd, BarAlongTheBottomOfTheHost)
{
    QWidget host;
    host.resize(800, 600);
    CProgressWnd bar(&host);
    bar.SetHostRect(QRect(0, 0, 800, 600));
    bar.SetRange(0, 50);
    bar.SetPos(0);
    EXPECT_EQ(bar.geometry(), QRect(8, 585, 6, 10));
    bar.SetPos(50);
    EXPECT_EQ(bar.width(), 790);
    bar.SetRange(3, 3);
    bar.SetPos(3);
    EXPECT_EQ(bar.width(), 6);
}

TEST(SizeDlg, TextsFollowThePercentage)
{
    CSizeDlg dlg(640, 480);
    EXPECT_EQ(dlg.WidthText(), QStringLiteral("640"));
    EXPECT_EQ(dlg.HeightText(), QStringLiteral("480"));
    dlg.PercentEdit()->setText(QStringLiteral("50"));
    EXPECT_EQ(dlg.WidthText(), QStringLiteral("320"));
    EXPECT_EQ(dlg.HeightText(), QStringLiteral("240"));
    dlg.PercentEdit()->setText(QStringLiteral("10000"));
    EXPECT_EQ(dlg.WidthText(), QStringLiteral("64000"));
    EXPECT_EQ(dlg.HeightText(), QStringLiteral("48000"));
}

TEST(SizeDlg, SpinStaysInRangeWhileTypedValuesAreLeftToTheEdit)
{
    CSizeDlg dlg(640, 480);
    dlg.PercentEdit()->setText(QStringLiteral("10000"));
    dlg.Spin(+1);
    EXPECT_EQ(dlg.PercentEdit()->text(), QStringLiteral("10000"));
    dlg.PercentEdit()->setText(QStringLiteral("20000"));
    EXPECT_EQ(dlg.WidthText(), QStringLiteral("128000"));
    dlg.Spin(-1);
    EXPECT_EQ(dlg.PercentEdit()->text(), QStringLiteral("9999"));
    dlg.PercentEdit()->setText(QStringLiteral("1"));
    dlg.Spin(-1);
    EXPECT_EQ(dlg.PercentEdit()->text(), QStringLiteral("1"));
    EXPECT_EQ(dlg.WidthText(), QStringLiteral("6"));
}

TEST(SizeDlg, OkAcceptsTheTypedPercentage)
{
    CSizeDlg dlg(640, 480);
    dlg.show();
    dlg.PercentEdit()->setText(QStringLiteral("250"));
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Percent(), 250);
}

TEST(SizeDlg, EnterClicksOkAndEscapeCancelOnlyWhenTheyCanBeClicked)
{
    {
        CSizeDlg dlg(640, 480);
        dlg.show();
        dlg.PercentEdit()->setText(QStringLiteral("40"));
        QTest::keyClick(dlg.PercentEdit(), Qt::Key_Return);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.Percent(), 40);
    }
    CSizeDlg dlg(640, 480);
    dlg.show();
    QTest::keyClick(dlg.PercentEdit(), Qt::Key_Return, Qt::ControlModifier);  // not Enter alone
    EXPECT_TRUE(dlg.isVisible());
    dlg.Button(CPbHelpDlg::kIdOk)->setEnabled(false);
    QTest::keyClick(dlg.PercentEdit(), Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    dlg.Button(CPbHelpDlg::kIdCancel)->setEnabled(false);
    QTest::keyClick(dlg.PercentEdit(), Qt::Key_Escape);
    EXPECT_TRUE(dlg.isVisible());
    dlg.Button(CPbHelpDlg::kIdCancel)->setEnabled(true);
    QTest::keyClick(dlg.PercentEdit(), Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

TEST(SplashWnd, ClickClosesItAndIsConsumed)
{
    QPointer<CSplashWnd> splash = new CSplashWnd(nullptr, QStringLiteral("/nonexistent/warplet.avi"));
    splash->show();
    EXPECT_FALSE(splash->HasAnimation());
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_FALSE(splash->FilterEvent(&move));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    EXPECT_TRUE(splash->FilterEvent(&press));
    Flush();
    EXPECT_TRUE(splash.isNull());
}

TEST(SplashWnd, KeyClosesItAndOnlyOneIsShown)
{
    QPointer<CSplashWnd> current;
    CSplashWnd* first = CSplashWnd::ShowSplash(nullptr, current);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CSplashWnd::ShowSplash(nullptr, current), first);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    EXPECT_TRUE(current->FilterEvent(&key));
    Flush();
    EXPECT_TRUE(current.isNull());
    QPointer<CSplashWnd> none;
    EXPECT_EQ(CSplashWnd::ShowSplash(nullptr, none, false), nullptr);
}

TEST(SplashAnimation, FileBesideTheProgram)
{
    EXPECT_EQ(SplashAnimationPath(QStringLiteral("/usr/bin/warplet")), QStringLiteral("/usr/bin/warplet.avi"));
    EXPECT_EQ(SplashAnimationPath(QStringLiteral("/opt/w/kib3.exe")), QStringLiteral("/opt/w/kib3.avi"));
    SplashAnimation anim;
    EXPECT_FALSE(anim.Open(QStringLiteral("/nonexistent/warplet.avi")));
    EXPECT_TRUE(anim.NextFrame().isNull());
}

TEST(AboutDlg, VersionTextFromTheCompiledVersion)
{
    const QString expected = QStringLiteral("Tavmor Warplet v. %1.%2.%3.%4")
                                 .arg(WARPLET_VERSION_MAJOR)
                                 .arg(WARPLET_VERSION_MINOR)
                                 .arg(WARPLET_VERSION_PATCH)
                                 .arg(WARPLET_VERSION_TWEAK);
    EXPECT_EQ(AboutVersionText(QStringLiteral("Tavmor Warplet v. %d.%d.%d.%d")), expected);
    EXPECT_EQ(AboutVersionText(QString()), expected);
    EXPECT_EQ(CAboutDlg().VersionText(), expected);
}

TEST(LayeredWindowHelper, AlphaBecomesTheWindowOpacity)
{
    QWidget w;
    CLayeredWindowHelperST helper;
    helper.AddLayeredStyle(&w);
    EXPECT_TRUE(helper.SetLayeredWindowAttributes(&w, 0, 51, CLayeredWindowHelperST::kAlpha));
    EXPECT_NEAR(w.windowOpacity(), 0.2, 0.01);
    helper.RemoveLayeredStyle(&w);
    EXPECT_DOUBLE_EQ(w.windowOpacity(), 1.0);
    EXPECT_FALSE(helper.SetLayeredWindowAttributes(nullptr, 0, 10, CLayeredWindowHelperST::kAlpha));
}

TEST(Art, EveryToolPictureIsThereOnTheKeyColour)
{
    const int tools[] = {272, 273, 274, 275, 276, 277, 278, 279, 280, 281, 282, 283, 284, 285, 286, 287, 288, 289, 290,
                         291, 292, 293, 294, 295, 296, 297, 298, 299, 300, 301, 302, 303, 304, 305, 306, 307, 308, 309,
                         310, 320, 321, 322, 323, 324, 325, 326, 327, 328, 329, 330, 331, 332, 333, 334, 346};
    const QRgb key = ArtImage(ArtId::Skin).pixel(0, 0);
    for (int id : tools) {
        const QImage img = ArtImage(id);
        ASSERT_FALSE(img.isNull()) << id;
        // All four corners show the background, so the rounded tile sits on the skin.
        const QRgb corner = img.pixel(0, img.height() - 1);
        EXPECT_EQ(img.pixel(0, 0), corner) << id;
        EXPECT_EQ(img.pixel(img.width() - 1, 0), corner) << id;
        EXPECT_LE(std::abs(qRed(corner) - qRed(key)), 2) << id;
    }
}

TEST(Art, ScreensDialogsAndCursorsHaveTheirPictures)
{
    for (int id : {138,  139,  197,  352,  353,  360,  363,  366,  367,  368,  369,  1000, 1001, 1002,
                   1003, 1004, 1005, 1009, 1010, 1011, 1012, 1013, 1014, 1015, 1016, 1017, 1018, 1041,
                   1042, 1059, 1061, 1063, 1065, 1066, 1067, 1068, 1077, 1084, 1087, 1091, 1119, 1123})
        EXPECT_TRUE(HasArt(id)) << id;
    EXPECT_EQ(ArtImage(ArtId::Skin).size(), QSize(80, 80));
    for (int set :
         {ArtId::BackgroundEditing, ArtId::BackgroundStart, ArtId::BackgroundFinish, ArtId::BackgroundPanels}) {
        EXPECT_EQ(ArtImage(set).size(), QSize(800, 600)) << set;
        EXPECT_EQ(ArtBackgroundTile(set, 0, 0).size(), QSize(80, 80));
        EXPECT_EQ(ArtBackgroundTile(set, 720, 560).size(), QSize(80, 40));
    }
    EXPECT_FALSE(ArtCursor(ArtId::CursorTool).pixmap().isNull());
    EXPECT_FALSE(ArtCursor(ArtId::CursorBusy).pixmap().isNull());
    EXPECT_FALSE(AppIcon().isNull());
    EXPECT_TRUE(ArtImage(99999).isNull());
}

TEST(Art, EveryPictureHasATwinOfTwiceTheSize)
{
    ASSERT_TRUE(HasArt(ArtId::Skin));  // loads the resources
    const QDir art(QStringLiteral(":/art"));
    int pictures = 0;
    for (const QString& name : art.entryList({QStringLiteral("*.png")}, QDir::Files)) {
        if (name.endsWith(QLatin1String("@2x.png")) || name == QLatin1String("icon.png"))
            continue;
        ++pictures;
        const QImage single(art.filePath(name));
        const QImage twin(art.filePath(name.chopped(4) + QStringLiteral("@2x.png")));
        ASSERT_FALSE(twin.isNull()) << qPrintable(name);
        EXPECT_EQ(twin.size(), single.size() * 2) << qPrintable(name);
        // Drawn anew, not enlarged: a pixel-doubled twin would repeat every
        // even column in the odd one after it.
        bool detail = false;
        for (int y = 0; y < twin.height() && !detail; ++y)
            for (int x = 0; x + 1 < twin.width() && !detail; x += 2)
                detail = twin.pixel(x, y) != twin.pixel(x + 1, y);
        EXPECT_TRUE(detail) << qPrintable(name);
    }
    EXPECT_GT(pictures, 80);
}

TEST(Art, ScaledScreenGetsTheTwinAtTheSameLogicalSize)
{
    for (int id : {ArtId::Skin, ArtId::Splash, ArtId::BackgroundStart, 1003, 293}) {
        EXPECT_FALSE(ArtPathFor(id, 1).endsWith(QLatin1String("@2x.png"))) << id;
        EXPECT_TRUE(ArtPathFor(id, 2).endsWith(QLatin1String("@2x.png"))) << id;
        EXPECT_TRUE(ArtPathFor(id, 1.25).endsWith(QLatin1String("@2x.png"))) << id;
        const QImage single = ArtImage(id, 1);
        const QImage twin = ArtImage(id, 2);
        EXPECT_EQ(single.devicePixelRatio(), 1) << id;
        EXPECT_EQ(twin.devicePixelRatio(), 2) << id;
        EXPECT_EQ(LogicalSize(twin), single.size()) << id;
    }
    EXPECT_TRUE(ArtImage(99999, 2).isNull());
    // The test application's screen is not scaled: callers get the 1x pictures.
    EXPECT_EQ(ArtRatio(), 1);
    EXPECT_EQ(ArtImage(ArtId::Skin).devicePixelRatio(), 1);
    EXPECT_EQ(ArtPixmap(ArtId::Skin).devicePixelRatio(), 1);
}

TEST(SplashWnd, AClickOrKeyMeantForAnotherWindowClosesItAndGoesNoFurther)
{
    QPushButton below(QStringLiteral("below"));
    below.show();
    int clicks = 0;
    QObject::connect(&below, &QPushButton::clicked, [&clicks] { ++clicks; });
    QPointer<CSplashWnd> splash = new CSplashWnd(nullptr, QStringLiteral("/nonexistent/warplet.avi"));
    splash->show();
    QTest::mouseClick(&below, Qt::LeftButton);
    Flush();
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(splash.isNull());
    // Gone, the splash filters nothing any more.
    QTest::mouseClick(&below, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);

    QLineEdit edit;
    edit.show();
    splash = new CSplashWnd(nullptr, QStringLiteral("/nonexistent/warplet.avi"));
    splash->show();
    QTest::keyClick(&edit, Qt::Key_Escape);
    QTest::keyClick(&edit, Qt::Key_A);  // the splash is closing: this one arrives
    Flush();
    EXPECT_TRUE(splash.isNull());
    EXPECT_EQ(edit.text(), QStringLiteral("a"));
}
