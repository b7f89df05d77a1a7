// The animation in the main window: playback from the play button, and the
// finish screen's exports compared with warplet-cli's, cancelled by a key,
// printed as one PDF, and guarded against exit and a second export.

#include "dialog/ui/Kib3Dlg.h"

#include "dialog/ui/DialogFixture.h"

#include "animation/ui/KeysWnd.h"
#include "animation/ui/Player.h"
#include "animation/ui/ThumbWnd.h"
#include "app/AppState.h"
#include "cli/CliRunner.h"
#include "controls/ui/MyButton.h"
#include "controls/ui/MySlider.h"
#include "controls/ui/ProgressWnd.h"
#include "export/VideoTestSupport.h"
#include "export/ui/ExportCommands.h"
#include "res/StringTable.h"
#include "support/ExportWaits.h"
#include "support/ScriptedExportPrompts.h"
#include "support/ScriptedPrompts.h"
#include "work/ui/WorkWnd.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>

#include "support/PictureFiles.h"

#include <gtest/gtest.h>

using testsupport::WritePicture;

namespace {

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int PdfPages(const QString& path)
{
    return int(QString::fromLatin1(Bytes(path)).count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
}

class AnimationCommandsTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        App().m_bShowTips = true;
        App().m_nSaveMode = 1;
        App().m_bInterpVideo = true;
        picture = WritePicture(dir.path(), "photo.png", 120, 80);
        ShowDialog();
        dlg->Exports()->SetPrompts(&exports);
        OpenPicture(picture);
        // Keyframe 1 moves everything right and down; a third keyframe like it.
        for (Displacement& e : Keys().Key(1).Map())
            e = Displacement{5 * 64, 2 * 64};
        dlg->KeysWnd()->OnSlotDoubleClick(2);
        ASSERT_EQ(Keys().Count(), 3);
        dlg->KeysWnd()->OnSlotClick(1);
    }

    KeyframeStore& Keys() { return dlg->GetProject().Keys(); }
    // Starts a video export whose encoder holds on to frame 2 until it sees a
    // stop: only a stop can end it.
    void StartHeldVideo(const char* name, videotest::EncoderLog& log)
    {
        videotest::StandInEncoder::Options options;
        options.hold = videotest::StandInEncoder::Hold::Frame;
        options.holdFrame = 2;
        options.onHold = [this] { holding = true; };
        dlg->Exports()->SetVideoWriterFactory(videotest::StandInFactory(options, log));
        exports.files = {Path(name)};
        dlg->OnCommand(Cmd::SaveVideo);
        ASSERT_TRUE(QTest::qWaitFor([this] { return holding.load(); }, 60000));
    }
    const Displacement* Shown() { return dlg->GetProject().Picture().Map().data; }
    // The dialog's project saved where the command line can read it.
    std::string SaveProject()
    {
        const std::string path = Path("a.kib").toStdString();
        EXPECT_TRUE(dlg->GetProject().Save(path));
        return path;
    }

    QString picture;
    std::atomic<bool> holding{false};  // a held encoder has reached its frame
};

}  // namespace

TEST_F(AnimationCommandsTest, PlayLatchesTheButtonTicksAtTheSpeedAndStopReturnsToTheStartKeyframe)
{
    const Displacement* keyOne = Keys().Key(1).Map().data();
    ASSERT_EQ(Shown(), keyOne);
    // A weaker power goes into the keyframe before playing.
    dlg->Slider(Cmd::PowerSlider)->SetPos(32);
    dlg->OnCommand(Cmd::Play);
    ASSERT_TRUE(dlg->Player()->Playing());
    EXPECT_FALSE(dlg->Button(Cmd::Finish)->AnimationAllowed());  // the loop keeps its pace
    EXPECT_EQ(Keys().Key(1).Map()[0], (Displacement{5 * 32, 2 * 32}));
    EXPECT_EQ(dlg->Slider(Cmd::PowerSlider)->GetPos(), 64);

    CMyButton* play = dlg->Button(Cmd::Play);
    EXPECT_TRUE(play->IsLatched());
    EXPECT_EQ(play->GetWindowText(), AppString(StrId::StopCaption));
    EXPECT_EQ(play->toolTip(), AppString(StrId::StopTooltip));
    EXPECT_TRUE(play->isEnabled());
    EXPECT_TRUE(dlg->Slider(Cmd::SpeedSlider)->isEnabled());
    for (int id : {Cmd::Finish, Cmd::Reset, Cmd::PanelEnlarge, Cmd::StrengthSlider, Cmd::PowerSlider, Cmd::Options})
        EXPECT_FALSE(dlg->Control(id)->isEnabled()) << id;
    EXPECT_FALSE(dlg->KeysWnd()->ScrollButton(Cmd::KeysRight)->isEnabled());

    dlg->Slider(Cmd::SpeedSlider)->SetPos(60);
    dlg->Player()->PlayStep();
    dlg->Slider(Cmd::SpeedSlider)->SetPos(1);  // read again at every tick
    dlg->Player()->PlayStep();
    EXPECT_EQ(dlg->Player()->State().Position(), 65);
    EXPECT_NE(Shown(), keyOne);  // the interpolation buffer

    // Playing leaves the project unchanged and the exit command does nothing.
    dlg->OnCommand(Cmd::Exit);
    EXPECT_FALSE(dlg->Ended());

    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    EXPECT_FALSE(dlg->Player()->Playing());
    EXPECT_TRUE(dlg->Button(Cmd::Finish)->AnimationAllowed());
    EXPECT_EQ(Shown(), keyOne);
    EXPECT_TRUE(dlg->KeysWnd()->Slot(1)->IsSelected());
    EXPECT_FALSE(play->IsLatched());
    EXPECT_EQ(play->GetWindowText(), AppString(StrId::PlayCaption));
    EXPECT_EQ(play->toolTip(), AppString(1005));
    for (int id : {Cmd::Finish, Cmd::Reset, Cmd::PanelEnlarge, Cmd::StrengthSlider, Cmd::Options})
        EXPECT_TRUE(dlg->Control(id)->isEnabled()) << id;

    // Enter stops too; with no playback Enter and Escape change nothing.
    dlg->OnCommand(Cmd::Play);
    QTest::keyClick(dlg.get(), Qt::Key_Return);
    EXPECT_FALSE(dlg->Player()->Playing());
    QTest::keyClick(dlg.get(), Qt::Key_Return);
    EXPECT_FALSE(dlg->Player()->Playing());
    EXPECT_FALSE(dlg->Ended());
}

TEST_F(AnimationCommandsTest, AnOptionChangedWhilePlayingStaysAfterTheStop)
{
    const bool saved = App().m_bShowAnimation;
    App().m_bShowAnimation = false;
    dlg->OnCommand(Cmd::Play);
    ASSERT_TRUE(dlg->Player()->Playing());
    dlg->OnCommand(Cmd::ToggleAnimation);
    EXPECT_TRUE(App().m_bShowAnimation);
    dlg->OnCommand(Cmd::Play);
    ASSERT_FALSE(dlg->Player()->Playing());
    EXPECT_TRUE(App().m_bShowAnimation);
    App().m_bShowAnimation = saved;
}

TEST_F(AnimationCommandsTest, ExportsFromTheFinishScreenMatchTheCommandLine)
{
    const std::string project = SaveProject();
    App().m_strGifDir = QStringLiteral("/nowhere");
    dlg->OnCommand(Cmd::Finish);
    exports.files = {Path("w.gif")};
    dlg->OnCommand(Cmd::SaveAnimation);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    EXPECT_EQ(dlg->CurrentScreen(), Screen::Editing);
    EXPECT_EQ(exports.proposed.back(), QStringLiteral("/nowhere/a.gif"));  // the project's name
    EXPECT_EQ(App().m_strGifDir, dir.path());
    // The work window edits the active keyframe again, unlocked.
    EXPECT_EQ(Shown(), Keys().Key(1).Map().data());
    EXPECT_FALSE(dlg->UserInterfaceLocked());
    EXPECT_FALSE(dlg->Progress()->isVisible());

    exports.frameLists = {{0, 7, 22}};
    exports.files = {Path("p.png")};
    App().m_strSequenceDir = QStringLiteral("/frames");
    dlg->OnCommand(Cmd::SavePictures);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    EXPECT_EQ(exports.proposed.back(), QStringLiteral("/frames/photo_wrpl"));  // named after the picture
    EXPECT_EQ(App().m_strSequenceDir, dir.path());
    EXPECT_EQ(exports.previews, 1);

    const clitest::CliRun gif =
        clitest::Cli({"export", project, "-o", Path("c.gif").toStdString(), "--size", "picture"});
    ASSERT_EQ(gif.status, 0) << gif.err;
    EXPECT_EQ(Bytes(Path("w.gif")), Bytes(Path("c.gif")));
    const clitest::CliRun pictures =
        clitest::Cli({"export", project, "-o", Path("c.png").toStdString(), "--size", "picture", "--frames", "0 7 22"});
    ASSERT_EQ(pictures.status, 0) << pictures.err;
    for (const char* name : {"p0.png", "p7.png", "p22.png"}) {
        const QString cli = Path(name).replace(QStringLiteral("/p"), QStringLiteral("/c"));
        ASSERT_FALSE(Bytes(Path(name)).isEmpty()) << name;
        EXPECT_EQ(Bytes(Path(name)), Bytes(cli)) << name;
    }
    EXPECT_EQ(Shown(), Keys().Key(1).Map().data());
}

TEST_F(AnimationCommandsTest, PrintingMakesOnePdfWithAPagePerChosenFrame)
{
    exports.frameLists = {{0, 4, 9}};
    exports.printToPdf = Path("print.pdf");
    dlg->OnCommand(Cmd::Print);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    EXPECT_EQ(PdfPages(Path("print.pdf")), 3);
    EXPECT_EQ(Shown(), Keys().Key(1).Map().data());

    // Cancelled at the frames or at the printer: nothing printed, the keyframe current again.
    exports.printToPdf = Path("none.pdf");
    dlg->OnCommand(Cmd::Print);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    exports.frameLists = {{1}};
    exports.printToPdf.clear();
    dlg->OnCommand(Cmd::Print);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    EXPECT_FALSE(QFile::exists(Path("none.pdf")));
    EXPECT_EQ(Shown(), Keys().Key(1).Map().data());
}

TEST_F(AnimationCommandsTest, AKeyCancelsTheGifAndStopsThePictures)
{
    exports.files = {Path("cancelled.gif")};
    ASSERT_TRUE(testsupport::StopWithAKeyAfterStep(*dlg->Exports(), dlg.get(), 1,
                                                   [this] { dlg->OnCommand(Cmd::SaveAnimation); }));
    EXPECT_FALSE(QFile::exists(Path("cancelled.gif")));
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("cancelled*")}), QStringList());
    EXPECT_TRUE(prompts.messages.empty());  // a cancel is no failure

    exports.frameLists = {{0, 1, 2, 3}};
    exports.files = {Path("s.png")};
    ASSERT_TRUE(testsupport::StopWithAKeyAfterStep(*dlg->Exports(), dlg.get(), 1,
                                                   [this] { dlg->OnCommand(Cmd::SavePictures); }));
    // The picture written before the key stays; the rest are not written.
    EXPECT_TRUE(QFile::exists(Path("s0.png")));
    EXPECT_FALSE(QFile::exists(Path("s3.png")));
    EXPECT_FALSE(dlg->UserInterfaceLocked());
    EXPECT_EQ(Shown(), Keys().Key(1).Map().data());
}

TEST_F(AnimationCommandsTest, AStoppedExportSaysSoOverTheWorkAreaForAMoment)
{
    CWorkWnd* work = dlg->WorkWnd();
    exports.files = {Path("whole.gif")};
    dlg->OnCommand(Cmd::SaveAnimation);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    ASSERT_TRUE(QFile::exists(Path("whole.gif")));
    EXPECT_TRUE(work->Notice().isEmpty());  // a finished export needs no word

    exports.files = {Path("stopped.gif")};
    ASSERT_TRUE(testsupport::StopWithAKeyAfterStep(*dlg->Exports(), dlg.get(), 1,
                                                   [this] { dlg->OnCommand(Cmd::SaveAnimation); }));
    EXPECT_EQ(work->Notice(), AppCaption(CapId::ExportStopped));
    EXPECT_FALSE(work->NoticeRect().isEmpty());
    EXPECT_FALSE(dlg->UserInterfaceLocked());  // the window is back to editing meanwhile
    // Then it goes by itself.
    EXPECT_TRUE(QTest::qWaitFor([work] { return work->Notice().isEmpty(); }, 60000));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(AnimationCommandsTest, KeysForAMessageBoxOpenedDuringAnExportReachItAndCancelNothing)
{
    exports.files = {Path("kept.gif")};
    bool running = false, closedByEnter = false, closedByEscape = false;
    QTimer::singleShot(0, dlg.get(), [&] {
        running = dlg->Exports()->Running();
        QMessageBox enter(QMessageBox::Warning, QStringLiteral("t"), QStringLiteral("Enter"), QMessageBox::Ok,
                          dlg.get());
        enter.show();
        QTest::keyClick(&enter, Qt::Key_Return);
        closedByEnter = !enter.isVisible() && enter.result() == QMessageBox::Ok;
        QMessageBox escape(QMessageBox::Warning, QStringLiteral("t"), QStringLiteral("Escape"),
                           QMessageBox::Ok | QMessageBox::Cancel, dlg.get());
        escape.show();
        QTest::keyClick(&escape, Qt::Key_Escape);
        closedByEscape = !escape.isVisible() && escape.result() == QMessageBox::Cancel;
    });
    dlg->OnCommand(Cmd::SaveAnimation);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    ASSERT_TRUE(running);
    EXPECT_TRUE(closedByEnter);
    EXPECT_TRUE(closedByEscape);
    EXPECT_TRUE(QFile::exists(Path("kept.gif")));  // the export went on to the end
}

TEST_F(AnimationCommandsTest, CloseDuringAnExportAnsweredNoLetsItGoOnAndASecondExportCannotStart)
{
    dlg->GetProject().History().SetSaved();
    exports.files = {Path("busy.gif"), Path("second.gif")};
    prompts.answers = {MsgAnswer::No};
    const int askedBefore = exports.asked;
    QTimer::singleShot(0, dlg.get(), [this] {
        dlg->OnCommand(Cmd::Exit);
        dlg->close();
        dlg->OnCommand(Cmd::SaveAnimation);
        dlg->OnCommand(Cmd::Play);
    });
    dlg->OnCommand(Cmd::SaveAnimation);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    EXPECT_TRUE(QFile::exists(Path("busy.gif")));  // No: the export went on to its end
    EXPECT_FALSE(QFile::exists(Path("second.gif")));
    EXPECT_EQ(exports.asked, askedBefore + 1);
    EXPECT_FALSE(dlg->Ended());
    EXPECT_FALSE(dlg->Player()->Playing());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages.front().text, AppString(StrId::StopExportAndExit));
    EXPECT_EQ(prompts.messages.front().buttons, MsgButtons::YesNo);
}

TEST_F(AnimationCommandsTest, TheCloseBoxAnsweredYesStopsTheExportRemovesItsFileAndExits)
{
    videotest::EncoderLog log;
    StartHeldVideo("closed.wmv", log);
    dlg->GetProject().History().SetSaved();
    prompts.answers = {MsgAnswer::Yes};
    dlg->close();
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    EXPECT_TRUE(log.stopped);
    EXPECT_FALSE(QFile::exists(Path("closed.wmv")));
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*closed*")}, QDir::Files | QDir::Hidden), QStringList());
    EXPECT_FALSE(dlg->Exports()->Worker().Running());  // its thread was waited for
    EXPECT_TRUE(dlg->Ended());
    // One question, and no word saying that the program cannot exit.
    EXPECT_EQ(prompts.Texts(), QStringList{AppString(StrId::StopExportAndExit)});
}

TEST_F(AnimationCommandsTest, AfterTheCloseBoxStoppedAnExportUnsavedChangesAreStillAskedAbout)
{
    videotest::EncoderLog log;
    StartHeldVideo("unsaved.wmv", log);
    ASSERT_TRUE(dlg->GetProject().m_bModified);
    // Yes, stop and exit; then Cancel to the unsaved changes: the window stays.
    prompts.answers = {MsgAnswer::Yes, MsgAnswer::Cancel};
    dlg->close();
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    EXPECT_TRUE(log.stopped);
    EXPECT_FALSE(QFile::exists(Path("unsaved.wmv")));
    EXPECT_FALSE(dlg->Ended());
    EXPECT_FALSE(dlg->UserInterfaceLocked());
    EXPECT_EQ(prompts.Texts(), (QStringList{AppString(StrId::StopExportAndExit), AppString(StrId::ProjectNotSaved)}));

    // The next close asks only about the changes.
    prompts.answers = {MsgAnswer::No};
    dlg->close();
    EXPECT_TRUE(dlg->Ended());
    EXPECT_EQ(prompts.Texts().size(), 3);
    EXPECT_EQ(prompts.Texts().back(), AppString(StrId::ProjectNotSaved));
}

TEST_F(AnimationCommandsTest, CustomSizeAsksAndACancelledSizeEndsSilently)
{
    App().m_nSaveMode = 2;
    exports.frameLists = {{3}, {3}};
    exports.files = {Path("half.bmp"), Path("never.bmp")};
    exports.percent = 50;
    dlg->OnCommand(Cmd::SavePictures);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    EXPECT_EQ(QImage(Path("half.bmp")).size(), QSize(60, 40));
    exports.percent.reset();
    dlg->OnCommand(Cmd::SavePictures);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    EXPECT_FALSE(QFile::exists(Path("never.bmp")));
    EXPECT_TRUE(prompts.messages.empty());
    App().m_nSaveMode = 1;
}

TEST_F(AnimationCommandsTest, StripEditsMarkTheProjectModifiedAndAMissingPictureIsReported)
{
    dlg->GetProject().History().SetSaved();
    dlg->KeysWnd()->OnContextCommand(2, Cmd::KeyRepeat);
    EXPECT_TRUE(dlg->GetProject().m_bModified);

    // The picture file is gone when the export reads it at its own size.
    ASSERT_TRUE(QFile::remove(picture));
    exports.files = {Path("x.gif")};
    dlg->OnCommand(Cmd::SaveAnimation);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    EXPECT_FALSE(QFile::exists(Path("x.gif")));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages.front().text.startsWith(AppString(StrId::CannotReadFile)));
    EXPECT_FALSE(dlg->UserInterfaceLocked());
}

TEST_F(AnimationCommandsTest, AProjectWithManyKeyframesShowsThemAllInTheStrip)
{
    {
        Project many;
        many.SetDefaultPicture(App().m_strDefaultPicture.toStdString());
        many.NewFromPicture(picture.toStdString());
        while (many.Keys().Count() < 9)
            many.AddKey();
        many.Keys().Key(8).SetDuration(33);
        ASSERT_TRUE(many.Save(Path("many.kib").toStdString()));
    }
    prompts.openProjects.push_back(Path("many.kib"));
    dlg->GetProject().History().SetSaved();
    dlg->OnCommand(Cmd::OpenProject);
    ASSERT_EQ(Keys().Count(), 9);
    CKeysWnd* strip = dlg->KeysWnd();
    ASSERT_EQ(strip->SlotCount(), 6);
    EXPECT_TRUE(strip->ScrollButton(Cmd::KeysRight)->isVisible());
    EXPECT_EQ(strip->Slot(5)->Index(), 5);
    int scrolls = 0;
    while (strip->ScrollButton(Cmd::KeysRight)->isVisible() && scrolls < 20) {
        QTest::mouseClick(strip->ScrollButton(Cmd::KeysRight), Qt::LeftButton);
        ++scrolls;
    }
    EXPECT_EQ(scrolls, 4);  // keyframes 4 to 8 and the empty slot
    EXPECT_EQ(strip->Slot(4)->Index(), 8);
    EXPECT_EQ(strip->Slot(4)->Key()->Duration(), 33);
    EXPECT_EQ(strip->Slot(5)->Key(), nullptr);
    EXPECT_TRUE(strip->ScrollButton(Cmd::KeysLeft)->isVisible());
}

TEST_F(AnimationCommandsTest, FramesShownByExportsLeaveTheKeyframeThumbnailAlone)
{
    // Keyframe 1's thumbnail shows its deformation.
    dlg->GetProject().MakeActiveKeyCurrent();
    QCoreApplication::processEvents();
    dlg->KeysWnd()->Slot(1)->repaint();
    const std::vector<uint8_t> before = Keys().Key(1).Thumbnail();

    dlg->Exports()->ShowFrameAt(0);  // the undeformed first frame, as the frame dialog shows it
    EXPECT_FALSE(dlg->KeysWnd()->Slot(1)->NeedsPicture());
    emit dlg->KeysWnd()->thumbnailWanted();  // a late request changes nothing either
    dlg->KeysWnd()->Slot(1)->repaint();
    EXPECT_EQ(Keys().Key(1).Thumbnail(), before);

    // A stroke on the keyframe does renew it.
    dlg->GetProject().MakeActiveKeyCurrent();
    dlg->OnCommand(1039);
    CWorkWnd* w = dlg->WorkWnd();
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(40, 40));
    QTest::mouseMove(w, QPoint(90, 60));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(90, 60));
    dlg->KeysWnd()->Slot(1)->repaint();
    EXPECT_NE(Keys().Key(1).Thumbnail(), before);
}
