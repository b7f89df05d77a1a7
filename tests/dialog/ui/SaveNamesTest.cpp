// Saving under the names a person expects: Ctrl+S and "save changes?" write
// the project's own file, the save dialogs propose the project's or the
// picture's name, and each kind of file remembers its own folder.

#include "dialog/ui/Kib3Dlg.h"

#include "dialog/ui/DialogFixture.h"

#include "app/AppState.h"
#include "export/ui/ExportCommands.h"
#include "res/StringTable.h"
#include "support/PictureFiles.h"
#include "support/ExportWaits.h"
#include "support/ScriptedExportPrompts.h"
#include "support/ScriptedPrompts.h"
#include "work/ui/WorkWnd.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using testsupport::WritePicture;

namespace {

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SaveNamesTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        App().m_strProjectDir.clear();
        App().m_strAviDir = dir.filePath(QStringLiteral("videos"));
        App().m_strGifDir = dir.filePath(QStringLiteral("animations"));
        picture = WritePicture(dir.path(), "photo.png", 120, 80);
        ShowDialog();
        dlg->Exports()->SetPrompts(&exports);
        OpenPicture(picture);
    }

    // A stroke of the enlarging brush at a point of the picture.
    void Stroke(QPoint at)
    {
        dlg->OnCommand(1021);
        CWorkWnd* w = dlg->WorkWnd();
        const QPoint p = at + QPoint(CWorkWnd::kEdge, CWorkWnd::kEdge);
        QTest::mousePress(w, Qt::LeftButton, {}, p);
        QTest::mouseMove(w, p + QPoint(6, 3));
        QTest::mouseRelease(w, Qt::LeftButton, {}, p + QPoint(6, 3));
        ASSERT_TRUE(dlg->GetProject().m_bModified);
    }
    void PressCtrlS()
    {
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        QTest::keyClick(dlg.get(), Qt::Key_S, Qt::ControlModifier);
    }

    QString picture;
};

}  // namespace

TEST_F(SaveNamesTest, CtrlSAndYesWriteTheProjectsOwnFileWithoutAsking)
{
    Stroke({40, 30});
    // A project never saved: Ctrl+S asks, proposing the picture's name beside it.
    prompts.saveProjects.push_back(Path("work.kib"));
    PressCtrlS();
    ASSERT_EQ(prompts.proposedProjects, std::vector<QString>{Path("photo.kib")});
    ASSERT_TRUE(QFile::exists(Path("work.kib")));
    EXPECT_TRUE(dlg->windowTitle().startsWith(QStringLiteral("work.kib")));

    // Now it has a file of its own: Ctrl+S writes it, asking nothing.
    Stroke({70, 40});
    const QByteArray first = Bytes(Path("work.kib"));
    PressCtrlS();
    EXPECT_EQ(prompts.fileDialogs, 2);  // the picture and the first save
    EXPECT_FALSE(dlg->GetProject().m_bModified);
    EXPECT_NE(Bytes(Path("work.kib")), first);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("work.kib[*] - ") + AppString(StrId::ProductName));
    EXPECT_FALSE(dlg->isWindowModified());

    // "Save changes?" answered Yes does the same before another picture opens.
    Stroke({30, 60});
    const std::vector<Displacement> work(
        dlg->GetProject().Picture().Map().data,
        dlg->GetProject().Picture().Map().data + dlg->GetProject().Picture().Map().Count());
    const QByteArray second = Bytes(Path("work.kib"));
    prompts.answers.push_back(MsgAnswer::Yes);
    prompts.pictures.push_back(WritePicture(dir.path(), "other.png", 90, 90));
    dlg->OnCommand(Cmd::OpenPicture);
    EXPECT_EQ(prompts.proposedProjects.size(), 1u);  // no save dialog
    EXPECT_NE(Bytes(Path("work.kib")), second);
    Project reopened;
    reopened.Load(Path("work.kib").toStdString());
    EXPECT_EQ(reopened.Keys().Key(reopened.Keys().Active()).Map(), work);
}

TEST_F(SaveNamesTest, TheSaveButtonAsksProposingTheProjectsOwnFile)
{
    dlg->OnCommand(Cmd::Finish);
    prompts.saveProjects.push_back(Path("kept.kib"));
    dlg->OnCommand(Cmd::SaveProject);
    prompts.saveProjects.push_back(QString());  // cancelled
    dlg->OnCommand(Cmd::Finish);
    dlg->OnCommand(Cmd::SaveProject);
    EXPECT_EQ(prompts.proposedProjects, (std::vector<QString>{Path("photo.kib"), Path("kept.kib")}));

    // A new picture is proposed in the folder projects were last saved in.
    App().m_strProjectDir = QStringLiteral("/projects");
    prompts.pictures.push_back(WritePicture(dir.path(), "beach.png", 90, 60));
    dlg->OnCommand(Cmd::OpenPicture);
    dlg->OnCommand(Cmd::SaveProject);
    EXPECT_EQ(prompts.proposedProjects.back(), QStringLiteral("/projects/beach.kib"));
}

TEST_F(SaveNamesTest, ExportsProposeTheDocumentsNameInTheFolderOfTheirKind)
{
    dlg->OnCommand(Cmd::Finish);
    dlg->OnCommand(Cmd::SaveVideo);  // cancelled
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    dlg->OnCommand(Cmd::SaveAnimation);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    ASSERT_EQ(exports.proposed.size(), 2u);
    EXPECT_EQ(exports.proposed[0], Path("videos/photo.wmv"));
    EXPECT_EQ(exports.proposed[1], Path("animations/photo.gif"));

    // Saved as a project, it goes by the project's name; an animation saved
    // elsewhere moves the animations' folder only.
    prompts.saveProjects.push_back(Path("loop.kib"));
    dlg->OnCommand(Cmd::SaveProject);
    exports.files = {Path("loop.gif")};
    dlg->OnCommand(Cmd::SaveAnimation);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    ASSERT_TRUE(QFile::exists(Path("loop.gif")));
    EXPECT_EQ(exports.proposed[2], Path("animations/loop.gif"));
    EXPECT_EQ(App().m_strGifDir, dir.path());
    EXPECT_EQ(App().m_strAviDir, Path("videos"));
    dlg->OnCommand(Cmd::SaveVideo);
    ASSERT_TRUE(testsupport::WaitForExport(*dlg->Exports()));
    EXPECT_EQ(exports.proposed[3], Path("videos/loop.wmv"));
}
