#include "dialog/ui/Kib3Dlg.h"

#include "dialog/ui/DialogFixture.h"

#include "app/AppState.h"
#include "controls/ui/MyButton.h"
#include "controls/ui/MySlider.h"
#include "dialog/ui/ToolIndicator.h"
#include "res/StringTable.h"
#include "support/ScriptedPrompts.h"
#include "support/UiTestMain.h"
#include "work/ui/WorkWnd.h"

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

#include "support/PictureFiles.h"

#include <gtest/gtest.h>

using testsupport::WritePicture;

namespace {

bool IsIdentity(MapRef map)
{
    for (size_t i = 0; i < map.Count(); ++i) {
        if (map.data[i].dx != 0 || map.data[i].dy != 0)
            return false;
    }
    return true;
}

std::vector<Displacement> Copy(MapRef map)
{
    return std::vector<Displacement>(map.data, map.data + map.Count());
}

class Kib3DlgTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        App().m_bShowTips = true;
        App().m_nSaveMode = 1;
        picture = WritePicture(dir.path(), "photo.png", 300, 200);
        ShowDialog();
    }

    void OpenPicture() { DialogTest::OpenPicture(picture); }
    MapRef Map() { return dlg->GetProject().Picture().Map(); }
    bool Visible(int id) { return dlg->Control(id) && dlg->Control(id)->isVisible(); }

    QString picture;
};

}  // namespace

TEST_F(Kib3DlgTest, StartsOnTheStartScreenWithTheAnimationCommandsOff)
{
    EXPECT_EQ(dlg->CurrentScreen(), Screen::Start);
    EXPECT_EQ(dlg->size(), QSize(800, 600));
    for (int id : {Cmd::OpenPicture, Cmd::OpenProject, Cmd::Acquire, Cmd::InsertPicture, Cmd::BackFromStart,
                   Cmd::HomePage, Cmd::Options})
        EXPECT_TRUE(Visible(id)) << id;
    for (int id : {Cmd::Start, Cmd::Play, Cmd::StrengthSlider, Cmd::WorkWindow, Cmd::SaveProject, Cmd::Indicator})
        EXPECT_FALSE(Visible(id)) << id;
    for (int id : {Cmd::Reset, Cmd::LoadDeformations, Cmd::Play, Cmd::InsertPicture, Cmd::SaveProject, Cmd::SaveVideo,
                   Cmd::SaveAnimation, Cmd::Print, Cmd::SavePictures})
        EXPECT_FALSE(dlg->Button(id)->isEnabled()) << id;
    // Without a picture these do nothing and ask nothing.
    dlg->OnCommand(Cmd::Reset);
    dlg->OnCommand(Cmd::SaveProject);
    dlg->OnCommand(Cmd::InsertPicture);
    dlg->OnCommand(Cmd::LoadDeformations);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(prompts.fileDialogs, 0);
}

TEST_F(Kib3DlgTest, OpeningAPictureEntersEditingAndEnablesTheCommands)
{
    OpenPicture();
    EXPECT_TRUE(Visible(Cmd::WorkWindow));
    EXPECT_TRUE(Visible(Cmd::Play));
    EXPECT_FALSE(Visible(Cmd::OpenPicture));
    EXPECT_TRUE(dlg->Button(Cmd::Reset)->isEnabled());
    EXPECT_TRUE(dlg->Button(Cmd::SaveProject)->isEnabled());
    EXPECT_EQ(App().m_strPictDir, dir.path());
    EXPECT_FALSE(dlg->GetProject().m_bModified);
    ASSERT_TRUE(dlg->GetProject().Picture().HasMap());
    EXPECT_EQ(dlg->GetProject().Keys().Count(), 2);
    // 300 x 200 becomes 412 x 274, centred in the square at (363, 21).
    const QPoint client = dlg->WorkClientOrigin();
    EXPECT_EQ(client.x(), 363);
    // Window 278 high: top = 21 - (278 - 412 + 1) / 2 = 87, client two pixels lower.
    EXPECT_EQ(client.y(), 89);
}

TEST_F(Kib3DlgTest, ScreensSwitchAndComeBack)
{
    OpenPicture();
    dlg->OnCommand(Cmd::PanelEnlarge);
    EXPECT_EQ(dlg->CurrentScreen(), Screen::Enlarge);
    EXPECT_TRUE(Visible(1019));
    EXPECT_TRUE(Visible(1052));
    EXPECT_TRUE(Visible(Cmd::Indicator));
    EXPECT_FALSE(Visible(Cmd::WorkWindow));
    EXPECT_FALSE(Visible(1022));
    dlg->OnCommand(Cmd::BackEnlarge);
    EXPECT_EQ(dlg->CurrentScreen(), Screen::Editing);
    EXPECT_FALSE(Visible(1019));

    dlg->OnCommand(Cmd::Finish);
    EXPECT_EQ(dlg->CurrentScreen(), Screen::Finish);
    EXPECT_TRUE(Visible(Cmd::Exit));
    EXPECT_TRUE(Visible(Cmd::SaveModePicture));
    dlg->OnCommand(Cmd::BackFromFinish);
    dlg->OnCommand(Cmd::Start);
    EXPECT_EQ(dlg->CurrentScreen(), Screen::Start);
    // Back from the start screen returns to editing when a picture is open.
    dlg->OnCommand(Cmd::BackFromStart);
    EXPECT_EQ(dlg->CurrentScreen(), Screen::Editing);
    EXPECT_FALSE(dlg->Ended());
}

TEST_F(Kib3DlgTest, ChoosingAToolInAPanelReturnsToEditingWithItActive)
{
    OpenPicture();
    dlg->OnCommand(Cmd::PanelDisaster);
    CMyButton* pinch = dlg->Button(1075);
    ASSERT_TRUE(pinch && pinch->isVisible());
    QTest::mouseClick(pinch, Qt::LeftButton, {}, pinch->rect().center());
    EXPECT_EQ(dlg->CurrentScreen(), Screen::Editing);
    const CTool* tool = dlg->GetProject().Picture().ActiveTool();
    ASSERT_TRUE(tool);
    EXPECT_EQ(tool->CommandId(), 1075);
    EXPECT_TRUE(pinch->IsLatched());
    EXPECT_FALSE(dlg->Button(1019)->IsLatched());
    EXPECT_TRUE(dlg->Indicator()->Text().endsWith(AppString(1075)));
    EXPECT_EQ(dlg->Slider(Cmd::StrengthSlider)->GetPos(), tool->Strength());
    // The strength slider edits the active tool.
    emit dlg->Slider(Cmd::StrengthSlider)->hScroll(4, 20);
    EXPECT_EQ(tool->Strength(), 20);
    EXPECT_EQ(dlg->GetProject().ActiveToolStrength(), 20);
}

TEST_F(Kib3DlgTest, StrokeMarksTheProjectModifiedAndPowerIsAppliedOnce)
{
    OpenPicture();
    Stroke(1038, {150, 130}, {200, 140});  // medium move brush
    ASSERT_FALSE(IsIdentity(Map()));
    EXPECT_TRUE(dlg->GetProject().m_bModified);

    const std::vector<Displacement> before = Copy(Map());
    emit dlg->Slider(Cmd::PowerSlider)->hScroll(4, 32);
    dlg->Slider(Cmd::PowerSlider)->SetPos(32);
    EXPECT_EQ(Copy(Map()), before);  // moving the slider only shows a weaker version
    emit dlg->WorkWnd()->powerRequested();
    std::vector<Displacement> scaled = before;
    ScaleMap(MapRef{scaled.data(), Map().width, Map().height}, 32);
    EXPECT_EQ(Copy(Map()), scaled);
    EXPECT_EQ(dlg->Slider(Cmd::PowerSlider)->GetPos(), 64);

    // Leaving the editing screen hides the work window, which applies the power too.
    dlg->Slider(Cmd::PowerSlider)->SetPos(16);
    dlg->OnCommand(Cmd::Finish);
    ScaleMap(MapRef{scaled.data(), Map().width, Map().height}, 16);
    EXPECT_EQ(Copy(Map()), scaled);
    EXPECT_EQ(dlg->Slider(Cmd::PowerSlider)->GetPos(), 64);
}

TEST_F(Kib3DlgTest, ResetAsksClearsOnlyOnYesAndUndoes)
{
    OpenPicture();
    Stroke(1038, {150, 130}, {200, 140});
    const std::vector<Displacement> before = Copy(Map());
    prompts.answers.push_back(MsgAnswer::No);
    dlg->OnCommand(Cmd::Reset);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, AppString(StrId::ResetQuestion));
    EXPECT_EQ(Copy(Map()), before);
    prompts.answers.push_back(MsgAnswer::Yes);
    dlg->OnCommand(Cmd::Reset);
    EXPECT_TRUE(IsIdentity(Map()));
    // As the question says, undo brings the deformations back.
    dlg->OnCommand(Cmd::Undo);
    EXPECT_EQ(Copy(Map()), before);
    for (const UiLanguage language : {UiLanguage::English, UiLanguage::Chinese}) {
        const QString question = AppString(StrId::ResetQuestion, language);
        EXPECT_TRUE(question.contains(QStringLiteral("Ctrl+Z"))) << question.toStdString();
        EXPECT_FALSE(question.contains(QStringLiteral("cannot be undone"))) << question.toStdString();
        EXPECT_FALSE(question.contains(QString::fromUtf8("无法撤消"))) << question.toStdString();
    }
}

TEST_F(Kib3DlgTest, SaveAndReopenGiveTheSameProject)
{
    OpenPicture();
    Stroke(1038, {120, 100}, {180, 130});
    dlg->OnCommand(1090);  // a whole-picture tool becomes the project's tool
    const std::vector<Displacement> saved = Copy(Map());
    const QString file = dir.path() + "/work.kib";
    prompts.saveProjects.push_back(file);
    dlg->OnCommand(Cmd::Finish);
    dlg->OnCommand(Cmd::SaveProject);
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_FALSE(dlg->GetProject().m_bModified);
    EXPECT_EQ(App().m_strProjectDir, dir.path());
    EXPECT_EQ(dlg->CurrentScreen(), Screen::Editing);  // saving leaves the finish screen

    // A fresh window opens it.
    DialogOptions options;
    options.fades = false;
    CKib3Dlg other(QStringList(), QString(), prompts, options);
    other.show();
    prompts.openProjects.push_back(file);
    other.OnCommand(Cmd::OpenProject);
    EXPECT_EQ(other.CurrentScreen(), Screen::Editing);
    const MapRef map = other.GetProject().Picture().Map();
    EXPECT_EQ(Copy(map), saved);
    ASSERT_TRUE(other.GetProject().Picture().ActiveTool());
    EXPECT_EQ(other.GetProject().Picture().ActiveTool()->CommandId(), 1090);
    EXPECT_FALSE(dlg->GetProject().m_bModified);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(Kib3DlgTest, AnsweringYesButNotSavingAbandonsTheOperation)
{
    OpenPicture();
    Stroke(1038, {120, 100}, {180, 130});
    const std::vector<Displacement> work = Copy(Map());
    const QString other = WritePicture(dir.path(), "other.png", 100, 300);

    // Yes, then the save dialog is cancelled: nothing is opened, the work stays.
    prompts.answers.push_back(MsgAnswer::Yes);
    prompts.pictures.push_back(other);
    dlg->OnCommand(Cmd::OpenPicture);
    EXPECT_EQ(prompts.pictures.size(), 1u);  // the picture dialog never came
    EXPECT_EQ(Copy(Map()), work);
    EXPECT_TRUE(dlg->GetProject().m_bModified);

    // Yes, and the save fails: an error, and again nothing is opened.
    prompts.answers.push_back(MsgAnswer::Yes);
    prompts.saveProjects.push_back(dir.path() + "/no/such/folder/x.kib");
    dlg->OnCommand(Cmd::OpenPicture);
    EXPECT_TRUE(prompts.Texts().last().startsWith(AppString(StrId::CannotWriteFile) + "\n"));
    EXPECT_EQ(Copy(Map()), work);
    EXPECT_TRUE(dlg->GetProject().m_bModified);

    // Cancel stops too; exit does not end the dialog.
    prompts.answers.push_back(MsgAnswer::Cancel);
    dlg->OnCommand(Cmd::Exit);
    EXPECT_FALSE(dlg->Ended());

    // No discards the changes and goes on.
    prompts.answers.push_back(MsgAnswer::No);
    dlg->OnCommand(Cmd::OpenPicture);
    EXPECT_EQ(dlg->GetProject().Picture().Height(), 412);
    EXPECT_FALSE(dlg->GetProject().m_bModified);
}

TEST_F(Kib3DlgTest, ModifiedFlagSurvivesACancelledFileDialog)
{
    OpenPicture();
    Stroke(1038, {120, 100}, {180, 130});
    const int dialogs = prompts.fileDialogs;
    prompts.answers.push_back(MsgAnswer::No);  // don't save
    dlg->OnCommand(Cmd::OpenProject);          // ... and then cancel the file dialog
    EXPECT_EQ(prompts.fileDialogs, dialogs + 1);
    EXPECT_TRUE(dlg->GetProject().m_bModified);
}

TEST_F(Kib3DlgTest, AFailedProjectOpenKeepsThePreviousProject)
{
    OpenPicture();
    Stroke(1038, {120, 100}, {180, 130});
    dlg->GetProject().History().SetSaved();
    const std::vector<Displacement> work = Copy(Map());
    const std::string path = dlg->GetProject().Work().Path();
    const QString broken = dir.path() + "/broken.kib";
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Ver20\0garbage", 13);
    f.close();
    prompts.openProjects.push_back(broken);
    dlg->OnCommand(Cmd::OpenProject);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(AppString(StrId::CannotReadFile) + "\n" + broken + "\n"));
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(dlg->GetProject().Work().Path(), path);
    EXPECT_EQ(Copy(Map()), work);
    EXPECT_EQ(dlg->CurrentScreen(), Screen::Editing);

    // An unreadable picture as a new project: message 1045, nothing replaced.
    const QString notPicture = dir.path() + "/fake.png";
    QFile g(notPicture);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("not a picture");
    g.close();
    prompts.pictures.push_back(notPicture);
    dlg->OnCommand(Cmd::OpenPicture);
    EXPECT_TRUE(prompts.messages.back().text.startsWith(AppString(StrId::CannotReadFile) + "\n" + notPicture + "\n"));
    EXPECT_EQ(Copy(Map()), work);
}

TEST_F(Kib3DlgTest, ExitWritesTheToolAndIsRefusedWhileLocked)
{
    OpenPicture();
    dlg->OnCommand(1033);
    emit dlg->Slider(Cmd::StrengthSlider)->hScroll(4, 40);
    dlg->LockUserInterface(true);
    EXPECT_FALSE(dlg->Button(Cmd::Play)->isEnabled());
    EXPECT_FALSE(dlg->Button(Cmd::Exit)->isEnabled());
    EXPECT_TRUE(dlg->WorkWnd()->Busy());
    dlg->close();  // the close box still asks
    EXPECT_FALSE(dlg->Ended());
    EXPECT_EQ(prompts.messages.back().text, AppString(StrId::CannotExitWhileWriting));
    dlg->LockUserInterface(false);
    EXPECT_TRUE(dlg->Button(Cmd::Play)->isEnabled());
    EXPECT_TRUE(dlg->Button(Cmd::Start)->isEnabled());

    dlg->OnCommand(Cmd::Exit);
    EXPECT_TRUE(dlg->Ended());
    EXPECT_EQ(ReadToolId(), 1033);
    EXPECT_EQ(ReadToolPower(), 40);

    // The next window starts with that tool and strength.
    DialogOptions options;
    options.fades = false;
    CKib3Dlg next(QStringList(), QString(), prompts, options);
    ASSERT_TRUE(next.GetProject().Picture().ActiveTool());
    EXPECT_EQ(next.GetProject().Picture().ActiveTool()->CommandId(), 1033);
    EXPECT_EQ(next.Slider(Cmd::StrengthSlider)->GetPos(), 40);
}

TEST_F(Kib3DlgTest, EscapeAndEnterNeverCloseAndBackWithoutPictureExits)
{
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    QTest::keyClick(dlg.get(), Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(dlg->Ended());
    dlg->OnCommand(Cmd::BackFromStart);
    EXPECT_TRUE(dlg->Ended());
}

TEST_F(Kib3DlgTest, OptionsOutputSizeHelpAndHomePage)
{
    const bool tips = App().m_bShowTips;
    dlg->OnCommand(Cmd::ToggleTips);
    EXPECT_EQ(App().m_bShowTips, !tips);
    dlg->OnCommand(Cmd::ToggleTips);
    EXPECT_EQ(App().m_bShowTips, tips);

    dlg->OnCommand(Cmd::SaveModeScreen);
    EXPECT_EQ(App().m_nSaveMode, 0);
    EXPECT_TRUE(dlg->SaveModeButton(Cmd::SaveModeScreen)->GetCheck());
    EXPECT_FALSE(dlg->SaveModeButton(Cmd::SaveModePicture)->GetCheck());
    dlg->OnCommand(Cmd::SaveModeCustom);
    EXPECT_EQ(App().m_nSaveMode, 2);

    dlg->OnCommand(Cmd::HomePage);
    ASSERT_EQ(prompts.urls.size(), 1u);
    EXPECT_TRUE(prompts.urls[0].scheme().startsWith("http"));

    // With no scanner or camera configured, acquisition says there is no device.
    QTemporaryDir saneConfig;
    qputenv("SANE_CONFIG_DIR", saneConfig.path().toLocal8Bit());
    dlg->OnCommand(Cmd::Acquire);
    EXPECT_EQ(prompts.messages.back().text, AppString(StrId::NoInputDevice));
}

TEST_F(Kib3DlgTest, ShortScreenShowsTheDialogWithoutFrame)
{
    DialogOptions options;
    options.fades = false;
    options.screenHeight = 600;
    CKib3Dlg small(QStringList(), QString(), prompts, options);
    EXPECT_TRUE(small.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(dlg->windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(Kib3DlgTest, ScreenChangesFadeThroughTheOverlay)
{
    DialogOptions options;
    options.screenHeight = 1080;
    CKib3Dlg again(QStringList(), QString(), prompts, options);
    again.show();
    prompts.pictures.push_back(picture);
    again.OnCommand(Cmd::OpenPicture);
    QWidget* overlay = again.findChild<QWidget*>("Buffer");
    ASSERT_TRUE(overlay);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !overlay->isVisible(); }, 5000));
    again.OnCommand(Cmd::Finish);
    EXPECT_TRUE(overlay->isVisible());                                          // the snapshot covers the change ...
    EXPECT_TRUE(QTest::qWaitFor([&] { return !overlay->isVisible(); }, 5000));  // ... and fades away

    // The editing screen comes back at once, from a panel too, without a fade.
    again.OnCommand(Cmd::BackFromFinish);
    EXPECT_FALSE(overlay->isVisible());
    again.OnCommand(Cmd::PanelEnlarge);
    EXPECT_TRUE(overlay->isVisible());
    again.OnCommand(Cmd::BackEnlarge);  // while the panel's fade still runs
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(again.CurrentScreen(), Screen::Editing);
}

TEST_F(Kib3DlgTest, ADroppedFileIsOpenedOnlyAfterTheDropHasFinished)
{
    OpenPicture();
    Stroke(1038, {120, 100}, {180, 130});
    const QString other = WritePicture(dir.path(), "dropped.png", 100, 300);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(other)});
    QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(dlg.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    prompts.answers.push_back(MsgAnswer::No);
    QCoreApplication::sendEvent(dlg.get(), &drop);
    ASSERT_TRUE(drop.isAccepted());
    // Nothing is asked or loaded while the other program waits for the drop's end ...
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(dlg->GetProject().Picture().Height(), 274);
    // ... then the unsaved-changes question comes and the picture opens.
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->GetProject().Picture().Height() == 412; }, 2000));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, AppString(StrId::ProjectNotSaved));
    EXPECT_FALSE(dlg->GetProject().m_bModified);
}

TEST_F(Kib3DlgTest, ADroppedPictureOfAnyDecodedTypeOpensAsAPicture)
{
    QStringList names{QStringLiteral("shot.jpeg"), QStringLiteral("SCAN.TIFF")};
    if (QImageReader::supportedImageFormats().contains("webp"))
        names << QStringLiteral("web.WebP");
    for (const QString& name : names) {
        QImage img(150, 100, QImage::Format_RGB32);
        img.fill(Qt::darkGreen);
        const QString path = dir.filePath(name);
        ASSERT_TRUE(img.save(path, QFileInfo(name).suffix().toLower().toLatin1().constData())) << name.toStdString();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(dlg.get(), &enter);
        QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(dlg.get(), &drop);
        EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->GetProject().Work().Path() == path.toStdString(); }, 5000))
            << name.toStdString();
        EXPECT_EQ(dlg->GetProject().Picture().Width(), 412);
    }
    EXPECT_TRUE(prompts.messages.empty());  // none was taken for a project it could not read
}

TEST_F(Kib3DlgTest, AWeakerPowerTakenIntoTheMapIsAnUnsavedChange)
{
    OpenPicture();
    Stroke(1038, {120, 100}, {180, 130});
    dlg->GetProject().History().SetSaved();  // as after saving
    // The slider at 64 changes nothing, so nothing is to be saved.
    emit dlg->WorkWnd()->powerRequested();
    EXPECT_FALSE(dlg->GetProject().m_bModified);
    // A weaker power becomes part of the map when the work window hides.
    const std::vector<Displacement> before = Copy(Map());
    emit dlg->Slider(Cmd::PowerSlider)->hScroll(4, 20);
    dlg->Slider(Cmd::PowerSlider)->SetPos(20);
    dlg->OnCommand(Cmd::Finish);
    ASSERT_NE(Copy(Map()), before);
    EXPECT_TRUE(dlg->GetProject().m_bModified);
    // Exit now asks before the change is thrown away.
    prompts.answers.push_back(MsgAnswer::Cancel);
    dlg->OnCommand(Cmd::Exit);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, AppString(StrId::ProjectNotSaved));
    EXPECT_FALSE(dlg->Ended());
}

TEST_F(Kib3DlgTest, SavingFromTheEditingScreenStoresThePowerThatIsShown)
{
    OpenPicture();
    Stroke(1038, {120, 100}, {180, 130});
    std::vector<Displacement> shown = Copy(Map());
    ScaleMap(MapRef{shown.data(), Map().width, Map().height}, 20);
    emit dlg->Slider(Cmd::PowerSlider)->hScroll(4, 20);
    dlg->Slider(Cmd::PowerSlider)->SetPos(20);
    ASSERT_EQ(dlg->CurrentScreen(), Screen::Editing);  // the work window stays shown
    const QString file = dir.path() + "/shown.kib";
    prompts.saveProjects.push_back(file);
    dlg->OnCommand(Cmd::SaveProject);
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(dlg->Slider(Cmd::PowerSlider)->GetPos(), 64);
    EXPECT_FALSE(dlg->GetProject().m_bModified);

    DialogOptions options;
    options.fades = false;
    CKib3Dlg other(QStringList(), QString(), prompts, options);
    prompts.openProjects.push_back(file);
    other.OnCommand(Cmd::OpenProject);
    EXPECT_EQ(Copy(other.GetProject().Picture().Map()), shown);
}

TEST(DialogPlacement, CentredButNeverAboveOrLeftOfTheWorkArea)
{
    // 1920 x 1080 with a 40-pixel panel at the bottom: plainly centred.
    EXPECT_EQ(CentredInArea(QRect(0, 0, 1920, 1040), QSize(800, 600)), QPoint(560, 220));
    // An 800 x 600 screen whose panel leaves 570 pixels: the top stays on the screen.
    EXPECT_EQ(CentredInArea(QRect(0, 0, 800, 570), QSize(800, 600)), QPoint(0, 0));
    EXPECT_EQ(CentredInArea(QRect(0, 30, 800, 570), QSize(800, 600)), QPoint(0, 30));
    // A second screen to the right.
    EXPECT_EQ(CentredInArea(QRect(1920, 0, 1280, 1024), QSize(800, 600)), QPoint(2160, 212));
}

TEST(DialogWindow, FixedSizeWithoutMaximiseAndOnlyADragMovesIt)
{
    ScriptedPrompts prompts;
    DialogOptions options;
    options.fades = false;
    options.screenHeight = 1080;
    CKib3Dlg dlg(QStringList(), QString(), prompts, options);
    dlg.show();
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dlg.windowFlags() & Qt::CustomizeWindowHint);

    // A click on the background without motion: nothing moves, and nothing
    // sticks to the pointer afterwards.
    const QPoint start = dlg.pos();
    const QPoint background(395, 8);
    QTest::mousePress(&dlg, Qt::LeftButton, {}, background);
    QTest::mouseRelease(&dlg, Qt::LeftButton, {}, background);
    QMouseEvent hover(QEvent::MouseMove, QPointF(background + QPoint(60, 40)),
                      QPointF(dlg.mapToGlobal(background + QPoint(60, 40))), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&dlg, &hover);
    EXPECT_EQ(dlg.pos(), start);

    // A drag moves the window with the pointer (here without a system move).
    QTest::mousePress(&dlg, Qt::LeftButton, {}, background);
    const QPoint to = background + QPoint(30, 20);
    QMouseEvent drag(QEvent::MouseMove, QPointF(to), QPointF(dlg.mapToGlobal(to)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&dlg, &drag);
    QTest::mouseRelease(&dlg, Qt::LeftButton, {}, to);
    EXPECT_EQ(dlg.pos(), start + QPoint(30, 20));
}
