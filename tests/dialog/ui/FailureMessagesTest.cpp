// The main window's messages for files it cannot open or save name the file and
// the cause, in the user's language.

#include "dialog/ui/Kib3Dlg.h"

#include "dialog/ui/DialogFixture.h"

#include "app/AppState.h"
#include "res/StringTable.h"
#include "support/PictureFiles.h"
#include "support/ScriptedPrompts.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class FailureMessagesTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        ShowDialog();
    }

    QString File(const char* name) const { return Path(name); }
    QString WriteText(const char* name)
    {
        QFile file(File(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("These are my notes, not a picture.\n");
        return File(name);
    }
    // The one message the last command showed.
    QString Shown()
    {
        EXPECT_EQ(prompts.messages.size(), 1u);
        const QString text = prompts.messages.empty() ? QString() : prompts.messages.back().text;
        prompts.messages.clear();
        return text;
    }
};

}  // namespace

TEST_F(FailureMessagesTest, OpeningATextFileOrAPictureAsAProjectSaysWhatIsWrong)
{
    App().m_language = UiLanguage::English;
    prompts.pictures.push_back(WriteText("notes.jpg"));
    dlg->OnCommand(Cmd::OpenPicture);
    EXPECT_EQ(Shown(), "Cannot read the file\n" + File("notes.jpg") + "\nIt is not a picture this program can read");

    prompts.openProjects.push_back(testsupport::WritePicture(dir.path(), "photo.png", 30, 20));
    dlg->OnCommand(Cmd::OpenProject);
    EXPECT_EQ(Shown(), "Cannot read the file\n" + File("photo.png") + "\nIt is not a project file (a PNG picture)");

    App().m_language = UiLanguage::Chinese;
    prompts.pictures.push_back(File("notes.jpg"));
    dlg->OnCommand(Cmd::OpenPicture);
    EXPECT_EQ(Shown(), AppString(StrId::CannotReadFile) + "\n" + File("notes.jpg") + "\n这不是本程序能读取的图片");
    prompts.openProjects.push_back(File("missing.kib"));
    dlg->OnCommand(Cmd::OpenProject);
    EXPECT_EQ(Shown(),
              AppString(StrId::CannotReadFile) + "\n" + File("missing.kib") + "\n文件或其路径上的文件夹不存在");
    prompts.openProjects.push_back(File("photo.png"));
    dlg->OnCommand(Cmd::OpenProject);
    EXPECT_EQ(Shown(), AppString(StrId::CannotReadFile) + "\n" + File("photo.png") + "\n这不是项目文件");
}

TEST_F(FailureMessagesTest, SavingWhereNoFolderIsSaysSo)
{
    App().m_language = UiLanguage::English;
    prompts.pictures.push_back(testsupport::WritePicture(dir.path(), "photo.png", 30, 20));
    dlg->OnCommand(Cmd::OpenPicture);
    ASSERT_TRUE(prompts.messages.empty());
    prompts.saveProjects.push_back(File("no/such/folder/a.kib"));
    dlg->OnCommand(Cmd::SaveProject);
    EXPECT_EQ(Shown(), "Cannot write the file\n" + File("no/such/folder/a.kib") +
                           "\nThe file or a folder on its path does not exist");
}

TEST_F(FailureMessagesTest, APictureCutShortOpensAndIsSaidToBeIncomplete)
{
    App().m_language = UiLanguage::English;
    const QString whole = testsupport::WritePicture(dir.path(), "whole.jpg", 200, 150);
    QFile in(whole);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    QFile out(File("half.jpg"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes.left(bytes.size() / 2));
    out.close();
    prompts.pictures.push_back(File("half.jpg"));
    dlg->OnCommand(Cmd::OpenPicture);
    EXPECT_EQ(dlg->GetProject().Picture().Width(), 412);
    EXPECT_EQ(Shown(), AppString(StrId::PictureIncomplete) + "\n" + File("half.jpg"));
}

TEST_F(FailureMessagesTest, SavingWhileThePictureIsMissingWarnsThatItsPathIsKept)
{
    App().m_language = UiLanguage::English;
    prompts.pictures.push_back(testsupport::WritePicture(dir.path(), "photo.png", 30, 20));
    dlg->OnCommand(Cmd::OpenPicture);
    prompts.saveProjects.push_back(File("a.kib"));
    dlg->OnCommand(Cmd::SaveProject);
    ASSERT_TRUE(prompts.messages.empty());
    ASSERT_TRUE(QFile::remove(File("photo.png")));
    prompts.openProjects.push_back(File("a.kib"));
    dlg->OnCommand(Cmd::OpenProject);
    ASSERT_TRUE(prompts.messages.empty());
    dlg->OnCommand(Cmd::Save);
    EXPECT_EQ(Shown(), "The picture file is missing (a stand-in is shown); saving keeps its path\n" +
                           File("photo.png") +
                           "\nThe keyframes are saved as they are and fit the picture again when the file is back");
    EXPECT_TRUE(QFile::exists(File("a.kib")));
}
