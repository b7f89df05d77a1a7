// The finish screen's messages quote file names, which may come from a
// project file: their control characters and stray bytes show escaped.

#include "app/AppState.h"
#include "controls/ui/ProgressWnd.h"
#include "io/FileError.h"
#include "export/ui/ExportCommands.h"
#include "project/Project.h"
#include "res/StringTable.h"
#include "support/ScriptedPrompts.h"
#include "work/ui/WorkWnd.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class IdleHost : public ExportHost {
public:
    QWidget* HostWindow() override { return nullptr; }
    void ReturnToEditing() override {}
    void SetBusy(bool) override {}
    int Speed() const override { return 30; }
    void MakeActiveKeyCurrent() override {}
};

}  // namespace

TEST(ExportMessages, FileNamesAndCausesAreShownEscaped)
{
    Project project;
    CWorkWnd work(project.Picture());
    CProgressWnd progress;
    IdleHost host;
    ScriptedPrompts prompts;
    CExportCommands commands(project, work, progress, host, prompts);

    const UiLanguage language = App().m_language;
    App().m_language = UiLanguage::English;
    commands.ReportFileError(
        FileError(FileError::Cause::Generic, "/pictures/pic\x1b]0;owned\x07\xff.png", "not a picture"));
    commands.ReportFileError(std::runtime_error("too large: \xe2\x80\xae\n"), "/videos/a\x1b.mp4");
    App().m_language = language;
    ASSERT_EQ(prompts.messages.size(), 2u);
    // The file on the second line, the cause on the third.
    EXPECT_EQ(prompts.messages[0].text,
              "Cannot read the file\n/pictures/pic\\x1b]0;owned\\x07\\xff.png\n"
              "It is not a picture this program can read");
    EXPECT_EQ(prompts.messages[1].text, "Cannot write the file\n/videos/a\\x1b.mp4\nToo large: \\u202e");
}
