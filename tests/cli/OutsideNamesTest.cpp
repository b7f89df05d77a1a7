// Names read from a project file reach the terminal with their control
// characters escaped, in the data warplet-cli prints and in its messages.

#include "cli/CliRunner.h"
#include "project/ProjectTestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace projecttest;
using namespace clitest;

TEST(CliOutsideNames, APictureNameFromAProjectIsShownEscaped)
{
    Folder folder;
    // A name that would retitle the terminal, break the line and turn the text around.
    const std::string name = "pic\x1b]0;owned\x07\n\xe2\x80\xae.bmp";
    const std::string shown = "pic\\x1b]0;owned\\x07\\n\\u202e.bmp";
    Project p;
    NewProject(p, folder, name, 40, 20);
    const std::string project = folder.Path("a.kib");
    ASSERT_TRUE(p.Save(project));

    const CliRun info = Cli({"info", project});
    ASSERT_EQ(info.status, 0) << info.err;
    for (const char* raw : {"\x1b", "\x07", "\xe2\x80\xae"})
        EXPECT_EQ(info.out.find(raw), std::string::npos) << info.out;
    const QJsonObject picture =
        QJsonDocument::fromJson(QByteArray::fromStdString(info.out)).object()["picture"].toObject();
    EXPECT_EQ(picture["stored"].toString().toStdString(), shown);

    // The picture is no longer one: the message quotes its name.
    WriteBytes(folder.Path(name), {'n', 'o', 't'});
    const CliRun broken = Cli({"info", project});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find(shown), std::string::npos) << broken.err;
    for (const char* raw : {"\x1b", "\x07", "\xe2\x80\xae"})
        EXPECT_EQ(broken.err.find(raw), std::string::npos) << broken.err;
    EXPECT_EQ(broken.err.find('\n'), broken.err.size() - 1) << broken.err;  // one line
}
