// What the main window tells a person who tries it: a tip on every button in
// the interface's language, a button that is off looks off and says what it
// needs, the play button shows a stop picture while playing, and the
// thumbnails' texts follow their options at once.

#include "dialog/ui/Kib3Dlg.h"

#include "dialog/ui/DialogFixture.h"

#include "animation/ui/ChooseFrameDlg.h"
#include "animation/ui/DurationDlg.h"
#include "animation/ui/KeysWnd.h"
#include "animation/ui/Player.h"
#include "animation/ui/ThumbWnd.h"
#include "app/AppState.h"
#include "controls/ui/Art.h"
#include "controls/ui/MyButton.h"
#include "controls/SkinArithmetic.h"
#include "controls/ui/SizeDlg.h"
#include "res/StringTable.h"
#include "support/PictureFiles.h"
#include "support/ScriptedPrompts.h"

#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using testsupport::WritePicture;

namespace {

bool HasChinese(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF)
            return true;
    }
    return false;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class ScreenFeedbackTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        App().m_bShowTips = true;
        App().m_bShowDuration = true;
        App().m_bShowNumber = true;
        picture = WritePicture(dir.path(), "photo.png", 120, 80);
    }

    void Show(UiLanguage uiLanguage = UiLanguage::English)
    {
        App().m_language = uiLanguage;
        ShowDialog();
    }
    void OpenPicture() { DialogTest::OpenPicture(picture); }

    QString picture;
};

}  // namespace

TEST_F(ScreenFeedbackTest, EveryButtonHasATipInTheInterfacesLanguage)
{
    for (const UiLanguage uiLanguage : {UiLanguage::English, UiLanguage::Chinese}) {
        Show(uiLanguage);
        OpenPicture();
        const bool chinese = uiLanguage == UiLanguage::Chinese;
        std::vector<QWidget*> buttons;
        for (int screen = 0; screen < Screen::Count; ++screen) {
            std::vector<int> ids = ScreenGroup(screen);
            ids.push_back(Cmd::Options);
            for (int id : ids)
                if (auto* button = qobject_cast<CMyButton*>(dlg->Control(id)))
                    buttons.push_back(button);
        }
        for (CMyButton* button : dlg->KeysWnd()->findChildren<CMyButton*>())
            buttons.push_back(button);
        {
            // The smaller dialogs' buttons too.
            CDurationDlg duration(5);
            CSizeDlg size(412, 274, 100);
            CChooseFrameDlg frames(20, 3, [](int) { return QImage(); });
            for (const QWidget* owner : std::initializer_list<const QWidget*>{&duration, &size, &frames}) {
                for (CMyButton* button : owner->findChildren<CMyButton*>())
                    buttons.push_back(button);
                for (QToolButton* button : owner->findChildren<QToolButton*>())
                    buttons.push_back(button);
            }
            ASSERT_GT(buttons.size(), 80u);
            for (const QWidget* button : buttons) {
                const QString tip = button->toolTip();
                EXPECT_FALSE(tip.isEmpty()) << button->objectName().toStdString();
                // Tool names in Chinese are Chinese; in English no Chinese shows.
                EXPECT_EQ(HasChinese(tip), chinese) << button->objectName().toStdString() << " " << tip.toStdString();
            }
        }
        dlg.reset();
    }
}

TEST_F(ScreenFeedbackTest, InsertFileWithNothingOpenIsOffAndSaysWhatItNeeds)
{
    for (const UiLanguage uiLanguage : {UiLanguage::English, UiLanguage::Chinese}) {
        Show(uiLanguage);
        CMyButton* insert = dlg->Button(Cmd::InsertPicture);
        ASSERT_EQ(dlg->CurrentScreen(), Screen::Start);
        EXPECT_FALSE(insert->isEnabled());
        EXPECT_EQ(insert->Level(), ButtonLevel::Disabled);
        EXPECT_EQ(insert->toolTip(), AppString(Cmd::InsertPicture) + "\n" + AppString(StrId::NeedsDocument));
        EXPECT_TRUE(dlg->Button(Cmd::SaveVideo)->toolTip().endsWith(AppString(StrId::NeedsDocument)));
        OpenPicture();
        EXPECT_TRUE(insert->isEnabled());
        EXPECT_EQ(insert->toolTip(), AppString(Cmd::InsertPicture));
        dlg.reset();
    }
}

TEST_F(ScreenFeedbackTest, PlayShowsAStopPictureWhileItPlays)
{
    Show();
    OpenPicture();
    CMyButton* play = dlg->Button(Cmd::Play);
    const QImage playPicture = play->Picture();
    const QImage stopPicture = ArtImage(ArtId::StopButton).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(stopPicture.isNull());
    EXPECT_EQ(playPicture, ArtImage(Cmd::Play).convertToFormat(QImage::Format_RGB32));
    dlg->OnCommand(Cmd::Play);
    ASSERT_TRUE(dlg->Player()->Playing());
    EXPECT_EQ(play->Picture(), stopPicture);
    EXPECT_EQ(play->GetWindowText(), AppString(StrId::StopCaption));
    EXPECT_EQ(play->size(), play->sizeHint());
    dlg->OnCommand(Cmd::Play);
    ASSERT_FALSE(dlg->Player()->Playing());
    EXPECT_EQ(play->Picture(), playPicture);
    EXPECT_EQ(play->toolTip(), AppString(Cmd::Play));
}

TEST_F(ScreenFeedbackTest, ThumbnailTextsFollowTheirOptionsAtOnce)
{
    Show();
    OpenPicture();
    CThumbWnd* slot = dlg->KeysWnd()->Slot(1);  // keyframe 1 shows its duration and number
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    ASSERT_FALSE(slot->DurationArea().isEmpty());
    PaintCounter counter;
    slot->installEventFilter(&counter);
    for (int option : {Cmd::ToggleDuration, Cmd::ToggleNumber, Cmd::ToggleDuration}) {
        counter.paints = 0;
        dlg->OnCommand(option);
        EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 10000)) << option;  // without a click
    }
    EXPECT_TRUE(App().m_bShowDuration);
    EXPECT_FALSE(App().m_bShowNumber);
    EXPECT_TRUE(slot->NumberArea().isEmpty());
    // The duration's text is in the interface's language.
    EXPECT_EQ(AppString(StrId::FramesCount, UiLanguage::Chinese).arg(10), QString::fromUtf8("10 帧"));
}
