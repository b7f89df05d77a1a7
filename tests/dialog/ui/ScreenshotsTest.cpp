// The documentation's screenshots of the main window.

#include "dialog/ui/DialogFixture.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

class ScreenshotsTest : public DialogTest {
protected:
    // The six screens' pictures of a window opened on a picture, with the
    // buttons' animation option as given (so latched buttons start changing
    // their look as the window opens).
    std::vector<QImage> Shots(const char* folder, bool animation)
    {
        App().m_bShowAnimation = animation;
        App().m_nSaveMode = 1;  // the output size "picture" is latched
        ShowDialog();
        OpenPicture(testsupport::WritePicture(dir.path(), "photo.png", 120, 80));
        EXPECT_TRUE(dlg->SaveScreenshots(Path(folder)));
        EXPECT_EQ(App().m_bShowAnimation, animation);  // the option is given back
        std::vector<QImage> shots;
        for (const char* name : {"start", "editing", "finish", "enlarge", "disaster", "global"})
            shots.emplace_back(Path(folder) + QStringLiteral("/screen-%1.png").arg(QLatin1String(name)));
        dlg.reset();
        return shots;
    }
};

TEST_F(ScreenshotsTest, ButtonsShowTheirFinalLooksWhateverTheAnimationOption)
{
    const std::vector<QImage> still = Shots("still", false);
    const std::vector<QImage> animated = Shots("animated", true);
    ASSERT_EQ(still.size(), animated.size());
    for (size_t i = 0; i < still.size(); ++i) {
        ASSERT_FALSE(still[i].isNull()) << i;
        EXPECT_TRUE(still[i] == animated[i]) << "screen " << i;
    }
}

}  // namespace
