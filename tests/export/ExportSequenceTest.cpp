// A sequence of pictures is flushed to disk in groups: a frame that cannot take
// its name is still reported as failed, the others are written.

#include "export/BigPicture.h"
#include "export/ExportSequence.h"
#include "export/ExportTestSupport.h"
#include "project/ProjectTestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

using projecttest::Folder;
using projecttest::NewProject;

TEST(ExportSequence, AFrameThatCannotTakeItsNameIsReportedAndTheOthersAreWritten)
{
    Folder folder;
    Project project;
    NewProject(project, folder, "pic.bmp", 40, 30);
    CBigPicture big(exporttest::AnimationOf(project));
    big.SetSource(project.Work().Path(), CBigPicture::kPicture);
    const std::vector<int> frames = {0, 1, 2};
    const std::string base = folder.Path("s.png");
    const std::string blocked = FrameFileName(base, frames, 1);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(blocked + "/inside")));

    const PictureSequenceResult result = ExportPictureSequence(big, base, frames);
    EXPECT_EQ(result.written,
              (std::vector<std::string>{FrameFileName(base, frames, 0), FrameFileName(base, frames, 2)}));
    ASSERT_EQ(result.failed.size(), 1u);
    EXPECT_EQ(result.failed[0].path, blocked);
    EXPECT_TRUE(result.failed[0].result.ShouldReport());
    EXPECT_NE(result.failed[0].result.detail.find(blocked), std::string::npos) << result.failed[0].result.detail;
    EXPECT_FALSE(result.cancelled);
    for (const std::string& path : result.written)
        EXPECT_TRUE(QFileInfo(QString::fromStdString(path)).isFile()) << path;
}
