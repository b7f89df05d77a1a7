#include "app/AppState.h"
#include "controls/SkinArithmetic.h"
#include "controls/ui/Art.h"
#include "controls/ui/MyButton.h"
#include "controls/ui/MySlider.h"
#include "controls/ui/MyStatic.h"
#include "controls/ui/PbHelpDlg.h"
#include "res/StringTable.h"

#include <QCursor>
#include <QApplication>
#include <QEnterEvent>
#include <QToolTip>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage TestPicture()
{
    QImage img(12, 10, QImage::Format_RGB32);
    img.fill(qRgb(0xEF, 0xE2, 0xC6));
    for (int y = 2; y < 8; ++y)
        for (int x = 2; x < 10; ++x)
            img.setPixel(x, y, qRgb(40, 120, 200));
    return img;
}

// Restores the two settings the controls read.
class SettingsGuard {
public:
    SettingsGuard(bool animation, bool tips) : m_animation(App().m_bShowAnimation), m_tips(App().m_bShowTips)
    {
        App().m_bShowAnimation = animation;
        App().m_bShowTips = tips;
    }
    ~SettingsGuard()
    {
        App().m_bShowAnimation = m_animation;
        App().m_bShowTips = m_tips;
    }

private:
    bool m_animation;
    bool m_tips;
};

void Enter(QWidget& w)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(&w, &enter);
}

void Leave(QWidget& w)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&w, &leave);
}

}  // namespace

TEST(MyButton, WithoutAnimationEveryLookChangeIsOneBuild)
{
    SettingsGuard settings(false, true);
    CMyButton button(1005);
    ASSERT_TRUE(button.SetPicture(TestPicture()));
    EXPECT_EQ(button.size(), QSize(12, 10));
    button.show();
    int builds = button.DisplayBuildCount();
    Enter(button);
    EXPECT_EQ(button.Level(), ButtonLevel::Hover);
    EXPECT_EQ(button.DisplayBuildCount(), ++builds);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(button.Level(), ButtonLevel::Pressed);
    EXPECT_EQ(button.DisplayBuildCount(), ++builds);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(button.DisplayBuildCount(), ++builds);
    Leave(button);
    EXPECT_EQ(button.Level(), ButtonLevel::Normal);
    EXPECT_EQ(button.DisplayBuildCount(), ++builds);
}

TEST(MyButton, AnimationRunsElevenStepsOnATimerAndEndsInTheLookOfItsLevel)
{
    CMyButton still(1005);
    ASSERT_TRUE(still.SetPicture(TestPicture()));
    {
        SettingsGuard settings(false, true);
        Enter(still);
    }
    SettingsGuard settings(true, true);
    CMyButton button(1005);
    ASSERT_TRUE(button.SetPicture(TestPicture()));
    const int before = button.DisplayBuildCount();
    Enter(button);
    // The event comes back at once, with the first look; the rest follow on the timer.
    EXPECT_EQ(button.Level(), ButtonLevel::Hover);
    EXPECT_EQ(button.DisplayBuildCount(), before + 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return button.DisplayBuildCount() == before + 11; }, 60000));
    EXPECT_EQ(button.Display(), still.Display());
    // From the disabled look the change is direct.
    button.setEnabled(false);
    const int disabled = button.DisplayBuildCount();
    EXPECT_EQ(button.Level(), ButtonLevel::Disabled);
    button.setEnabled(true);
    EXPECT_EQ(button.DisplayBuildCount(), disabled + 1);
    EXPECT_EQ(button.Level(), ButtonLevel::Normal);
    // While the loop plays, look changes are direct too.
    button.SetAnimationAllowed(false);
    const int playing = button.DisplayBuildCount();
    Enter(button);
    EXPECT_EQ(button.DisplayBuildCount(), playing + 1);
    EXPECT_EQ(button.Level(), ButtonLevel::Hover);
}

TEST(MyButton, DisabledButtonIgnoresHoverAndPress)
{
    SettingsGuard settings(false, true);
    CMyButton button(1005);
    ASSERT_TRUE(button.SetPicture(TestPicture()));
    QSignalSpy clicks(&button, &CMyButton::commandIssued);
    button.setEnabled(false);
    const QImage pale = button.Display();
    Enter(button);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(button.Level(), ButtonLevel::Disabled);
    EXPECT_EQ(button.Display(), pale);
    EXPECT_EQ(clicks.count(), 0);
    button.setEnabled(true);
    EXPECT_EQ(button.Level(), ButtonLevel::Normal);
}

// Mean difference per colour component between two equal-sized pictures
// in the rows [top, bottom).
double MeanDifference(const QImage& a, const QImage& b, int top, int bottom)
{
    double sum = 0;
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
            count += 3;
        }
    return count ? sum / count : 0;
}

// The darkest component in the rows [top, bottom).
int Darkest(const QImage& img, int top, int bottom)
{
    int darkest = 255;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < img.width(); ++x)
            darkest = std::min({darkest, qRed(img.pixel(x, y)), qGreen(img.pixel(x, y)), qBlue(img.pixel(x, y))});
    return darkest;
}

TEST(MyButton, ADisabledButtonFadesIntoWhatItStandsOnAndGreysItsCaption)
{
    // The start screen's insert button: its pale disabled tint once read as a
    // bright yellow button that does nothing.
    SettingsGuard settings(false, true);
    const QImage art = ArtImage(1084);
    ASSERT_FALSE(art.isNull());
    QImage blank(art.size(), QImage::Format_RGB32);
    blank.fill(KeyColour(art));
    auto shown = [](const QImage& picture, bool enabled) {
        CMyButton button(1084);
        button.SetShowCaption(true);
        button.SetWindowText(QStringLiteral("Insert file"));
        button.SetPicture(picture);
        button.setEnabled(enabled);
        return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QImage background = shown(blank, true);
    const QImage enabled = shown(art, true);
    const QImage disabled = shown(art, false);
    ASSERT_EQ(enabled.size(), background.size());
    const int pictureRows = art.height();
    const double normalContrast = MeanDifference(enabled, background, 0, pictureRows);
    const double disabledContrast = MeanDifference(disabled, background, 0, pictureRows);
    EXPECT_LT(disabledContrast, normalContrast / 2) << disabledContrast << " against " << normalContrast;
    EXPECT_GT(disabledContrast, 0.0);  // still there, only faint
    // The caption: black when enabled, a soft grey when not.
    EXPECT_LT(Darkest(enabled, pictureRows, enabled.height()), 40);
    EXPECT_GT(Darkest(disabled, pictureRows, disabled.height()), 90);
}

TEST(MyButton, ClickReportsTheControlIdentifier)
{
    SettingsGuard settings(false, true);
    CMyButton button(1091);
    ASSERT_TRUE(button.SetPicture(TestPicture()));
    QSignalSpy clicks(&button, &CMyButton::commandIssued);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 1091);
    // Released outside the button: no command.
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button.Level(), ButtonLevel::Normal);
}

TEST(MyButton, LatchedKeepsThePressedLook)
{
    SettingsGuard settings(false, true);
    CMyButton button(1019);
    ASSERT_TRUE(button.SetPicture(TestPicture()));
    button.SetLatched(true);
    EXPECT_EQ(button.Level(), ButtonLevel::Pressed);
    Leave(button);
    Enter(button);
    EXPECT_EQ(button.Level(), ButtonLevel::Pressed);
    button.SetLatched(false);
    EXPECT_EQ(button.Level(), ButtonLevel::Normal);
}

TEST(MyButton, PictureIsLoadedOnceAndCaptionAddsAStrip)
{
    SettingsGuard settings(false, true);
    CMyButton button(1000);
    ASSERT_TRUE(button.SetPicture(TestPicture()));
    QImage other(30, 30, QImage::Format_RGB32);
    other.fill(Qt::red);
    EXPECT_TRUE(button.SetPicture(other));
    EXPECT_EQ(button.size(), QSize(12, 10));
    button.move(5, 7);
    button.SetShowCaption(true);
    EXPECT_GT(button.CaptionHeight(), 0);
    EXPECT_EQ(button.geometry(), QRect(5, 7, 12, 10 + button.CaptionHeight()));
    EXPECT_EQ(button.Display().height(), 10 + button.CaptionHeight());
    EXPECT_FALSE(CMyButton(1000).SetPicture(QImage()));
}

TEST(MyButton, TooltipIsTheStringWithTheControlIdentifier)
{
    EXPECT_TRUE(CMyButton(99999).toolTip().isEmpty());
    ASSERT_TRUE(HasAppString(1019));
    EXPECT_EQ(CMyButton(1019).toolTip(), AppString(1019));
}

TEST(MyRadioBtn, CheckStateIsItsOwn)
{
    SettingsGuard settings(false, true);
    CMyRadioBtn radio(32781);
    ASSERT_TRUE(radio.SetPicture(TestPicture()));
    radio.SetCheck(true);
    EXPECT_TRUE(radio.GetCheck());
    EXPECT_EQ(radio.Level(), ButtonLevel::Normal);  // the look follows SetLatched only
}

TEST(MySlider, MaximumPaintsTheWholeShapeInTheDoneColour)
{
    CMySlider slider(1006);
    slider.resize(400, 100);
    slider.SetRange(0, 64);
    slider.SetColors(Qt::red, Qt::green);
    slider.SetPos(64);
    QImage img(slider.size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    slider.render(&img);
    int red = 0, green = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            red += img.pixel(x, y) == QColor(Qt::red).rgb();
            green += img.pixel(x, y) == QColor(Qt::green).rgb();
        }
    EXPECT_GT(red, 1000);
    EXPECT_EQ(green, 0);
    EXPECT_EQ(img.pixel(392, 95), QColor(Qt::red).rgb());  // inside the last bar

    slider.SetPos(0);
    img.fill(Qt::white);
    slider.render(&img);
    EXPECT_EQ(img.pixel(8, 95), QColor(Qt::green).rgb());
}

TEST(MySlider, DisabledColoursAreWindowsColourValues)
{
    CMySlider slider(1006);
    slider.setEnabled(false);
    EXPECT_EQ(slider.DoneColor(), QColor(0xD4, 0xCA, 0xA7));
    EXPECT_EQ(slider.RestColor(), QColor(0xFF, 0xF4, 0xCA));
}

TEST(MySlider, ClickAndDragSetThePositionAndNotify)
{
    CMySlider slider(1007);
    slider.resize(200, 30);
    slider.SetRange(0, 64);
    QSignalSpy scroll(&slider, &CMySlider::hScroll);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_EQ(slider.GetPos(), 32);
    QMouseEvent move(QEvent::MouseMove, QPointF(150, 10), slider.mapToGlobal(QPointF(150, 10)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&slider, &move);
    EXPECT_EQ(slider.GetPos(), 48);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(150, 10));
    ASSERT_EQ(scroll.count(), 2);
    EXPECT_EQ(scroll.at(0).at(0).toInt(), ScrollCode::ThumbPosition);
    EXPECT_EQ(scroll.at(0).at(1).toInt(), 32);
    EXPECT_EQ(scroll.at(1).at(1).toInt(), 48);
    QTest::keyClick(&slider, Qt::Key_End);
    EXPECT_EQ(slider.GetPos(), 64);
    EXPECT_EQ(scroll.last().at(1).toInt(), 64);
}

TEST(MySlider, TooltipIsTheTextAfterTheFirstNewline)
{
    const QString text = AppString(1006);
    ASSERT_TRUE(text.contains(QLatin1Char('\n')));
    EXPECT_EQ(CMySlider(1006).toolTip(), text.mid(text.indexOf(QLatin1Char('\n')) + 1));
    EXPECT_TRUE(CMySlider(99999).toolTip().isEmpty());
}

TEST(MyStatic, FittedPictureKeepsItsAspectCentred)
{
    QImage wide(40, 20, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    wide.setPixel(0, 0, qRgb(9, 9, 9));
    const QImage fitted = FitPictureCentred(wide, 93, 93);
    ASSERT_EQ(fitted.size(), QSize(93, 93));
    EXPECT_EQ(fitted.pixel(46, 5), qRgb(9, 9, 9));  // filled with the top-left colour above the picture
    EXPECT_EQ(fitted.pixel(46, 60), QColor(Qt::blue).rgb());

    CMyStatic label(1083);
    EXPECT_TRUE(label.SetPictureFitted(wide, 93, 93));
    EXPECT_EQ(label.size(), QSize(93, 93));
    EXPECT_FALSE(label.SetPictureFitted(QImage(), 93, 93));
}

TEST(MyStatic, DoubleResolutionPictureIsFittedAtItsOwnResolution)
{
    QImage wide(80, 40, QImage::Format_RGB32);  // 40 x 20 logical pixels
    wide.setDevicePixelRatio(2);
    wide.fill(Qt::blue);
    const QImage fitted = FitPictureCentred(wide, 93, 93);
    EXPECT_EQ(fitted.devicePixelRatio(), 2);
    EXPECT_EQ(fitted.size(), QSize(186, 186));

    CMyStatic label(1083);
    EXPECT_TRUE(label.SetPictureFitted(wide, 93, 93));
    EXPECT_EQ(label.size(), QSize(93, 93));
    EXPECT_TRUE(label.SetPicture(wide));
    EXPECT_EQ(label.size(), QSize(40, 20));
}

TEST(PbHelpDlg, ClientSizeBecomesWholeTilesAndTenGroupBoxesAtMost)
{
    CPbHelpDlg dlg(133);
    const QSize tile = dlg.TileSize();
    ASSERT_FALSE(tile.isEmpty());
    dlg.resize(tile.width() * 3 + 1, tile.height() * 2 - 5);
    dlg.show();
    EXPECT_EQ(dlg.size(), QSize(tile.width() * 4, tile.height() * 2));
    for (int i = 0; i < CPbHelpDlg::kMaxGroupBoxes; ++i)
        EXPECT_NE(dlg.AddGroupBox(QStringLiteral("box"), QRect(0, 0, 50, 50)), nullptr);
    EXPECT_EQ(dlg.AddGroupBox(QStringLiteral("box"), QRect(0, 0, 50, 50)), nullptr);
    EXPECT_EQ(dlg.HelpContext(), 0x20000 + 133);
}

TEST(MyButton, AHoverLookEndsWhenTheDialogItOpenedTookThePointerAway)
{
    SettingsGuard settings(false, true);
    CMyButton button(1091);
    ASSERT_TRUE(button.SetPicture(TestPicture()));
    button.show();
    QCursor::setPos(button.mapToGlobal(QPoint(3, 3)));
    // The command runs a "modal dialog" during which the pointer leaves.
    QObject::connect(&button, &CMyButton::commandIssued,
                     [&button] { QCursor::setPos(button.mapToGlobal(QPoint(300, 300))); });
    Enter(button);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(button.Level(), ButtonLevel::Normal);

    // Still over it, it keeps the hover look; once the pointer has gone, a refresh drops it.
    QObject::disconnect(&button, &CMyButton::commandIssued, nullptr, nullptr);
    QCursor::setPos(button.mapToGlobal(QPoint(3, 3)));
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(button.Level(), ButtonLevel::Hover);
    button.RefreshHover();
    EXPECT_EQ(button.Level(), ButtonLevel::Hover);
    QCursor::setPos(button.mapToGlobal(QPoint(300, 300)));
    button.RefreshHover();
    EXPECT_EQ(button.Level(), ButtonLevel::Normal);
}

TEST(MyButton, ALongCaptionWrapsAndTheBackdropReplacesTheSkin)
{
    SettingsGuard settings(false, true);
    CMyButton button(1010);
    button.SetShowCaption(true);
    ASSERT_TRUE(button.SetPicture(TestPicture()));
    button.SetWindowText(QStringLiteral("Ab"));
    const int oneLine = button.CaptionHeight();
    button.SetWindowText(QStringLiteral("Scanner or camera"));
    EXPECT_GT(button.CaptionHeight(), oneLine);
    EXPECT_EQ(button.height(), TestPicture().height() + button.CaptionHeight());

    // The key-coloured corner and the caption strip show what lies under the button.
    QImage backdrop(button.size(), QImage::Format_RGB32);
    backdrop.fill(qRgb(10, 200, 30));
    button.SetBackdrop(backdrop);
    EXPECT_EQ(button.Display().pixel(0, 0), qRgb(10, 200, 30));
    EXPECT_EQ(button.Display().pixel(0, button.height() - 1), qRgb(10, 200, 30));
    button.SetBackdrop(QImage());
    EXPECT_EQ(button.Display().pixel(0, 0), CMyButton::SkinBitmap().pixel(0, 0));
}

TEST(MyButton, TheTooltipShowsBelowTheCaptionAndOnlyWhenTipsAreOn)
{
    SettingsGuard settings(false, false);
    CMyButton button(1005);  // Play: a caption and a tooltip
    button.SetShowCaption(true);
    ASSERT_TRUE(button.SetPicture(TestPicture()));
    button.show();
    const auto tipShown = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->inherits("QTipLabel") && w->isVisible())
                return w;
        return static_cast<QWidget*>(nullptr);
    };
    QHelpEvent help(QEvent::ToolTip, QPoint(3, 3), button.mapToGlobal(QPoint(3, 3)));
    QCoreApplication::sendEvent(&button, &help);
    EXPECT_EQ(tipShown(), nullptr);

    App().m_bShowTips = true;
    QCoreApplication::sendEvent(&button, &help);
    QWidget* tip = tipShown();
    ASSERT_NE(tip, nullptr);
    EXPECT_GE(tip->geometry().top(), button.mapToGlobal(QPoint(0, button.height())).y());
    QToolTip::hideText();
}
