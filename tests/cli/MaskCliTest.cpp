// warplet-cli mask, reconstruct and what info says of the mask.

#include "cli/CliRunner.h"
#include "project/ProjectTestSupport.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

using namespace projecttest;
using namespace clitest;

namespace {

class MaskCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        picture = folder.Picture("pic.bmp", 40, 20);  // a 412 x 206 work picture
        project = folder.Path("a.kib");
        ASSERT_EQ(Cli({"new", picture, "-o", project}).status, 0);
    }

    bool InfoSaysMask(const std::string& path)
    {
        const CliRun run = Cli({"info", path});
        EXPECT_EQ(run.status, 0) << run.err;
        const QJsonObject info = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
        EXPECT_TRUE(info.contains("mask"));
        return info["mask"].toBool();
    }
    FreezeMask MaskOf(const std::string& path)
    {
        Project opened;
        opened.SetDefaultPicture(picture);
        opened.Load(path);
        return opened.Mask();
    }
    std::vector<Displacement> KeyMap(const std::string& path, int key)
    {
        const std::string out = folder.Path("map.bin");
        EXPECT_EQ(Cli({"map", path, "--key", std::to_string(key), "-o", out}).status, 0);
        const std::vector<uint8_t> bytes = ReadBytes(out);
        std::vector<Displacement> map(bytes.size() / 8);
        std::memcpy(map.data(), bytes.data(), map.size() * 8);
        return map;
    }

    Folder folder;
    std::string picture;
    std::string project;
};

}  // namespace

TEST_F(MaskCli, AMaskFromGreyOrAlphaIsScaledToTheWorkPictureAndClearingGivesTheFileBack)
{
    EXPECT_FALSE(InfoSaysMask(project));
    // Grey: the left half white, the right half black, 20 x 10 pixels.
    QImage grey(20, 10, QImage::Format_RGB32);
    grey.fill(Qt::black);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            grey.setPixel(x, y, qRgb(255, 255, 255));
    ASSERT_TRUE(grey.save(QString::fromStdString(folder.Path("grey.png"))));
    const std::string masked = folder.Path("masked.kib");
    const CliRun run = Cli({"mask", project, "-o", masked, "--from", folder.Path("grey.png")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(InfoSaysMask(masked));
    const FreezeMask mask = MaskOf(masked);
    ASSERT_EQ(mask.Width(), 412);
    ASSERT_EQ(mask.Height(), 206);
    EXPECT_EQ(mask.At(0, 0), 64);
    EXPECT_EQ(mask.At(150, 100), 64);
    EXPECT_EQ(mask.At(260, 100), 0);

    // Alpha decides where there is one: opaque black is frozen, transparent white free.
    QImage alpha(4, 4, QImage::Format_ARGB32);
    alpha.fill(qRgba(255, 255, 255, 0));
    for (int x = 0; x < 4; ++x)
        alpha.setPixel(x, 3, qRgba(0, 0, 0, 255));
    ASSERT_TRUE(alpha.save(QString::fromStdString(folder.Path("alpha.png"))));
    ASSERT_EQ(Cli({"mask", project, "-o", masked, "--from", folder.Path("alpha.png")}).status, 0);
    const FreezeMask fromAlpha = MaskOf(masked);
    EXPECT_EQ(fromAlpha.At(200, 205), 64);
    EXPECT_EQ(fromAlpha.At(200, 10), 0);

    // A stroke leaves the frozen bottom alone.
    const std::string stroked = folder.Path("stroked.kib");
    ASSERT_EQ(Cli({"stroke", masked, "-o", stroked, "--key", "1", "--tool", "1019", "--points", "200,170 230,180",
                   "--ticks", "30 30"})
                  .status,
              0);
    const std::vector<Displacement> map = KeyMap(stroked, 1);
    int moved = 0, movedFrozen = 0;
    for (int y = 0; y < 206; ++y)
        for (int x = 0; x < 412; ++x) {
            const int changed = map[size_t(y) * 412 + size_t(x)] != Displacement{} ? 1 : 0;
            moved += changed;
            movedFrozen += fromAlpha.At(x, y) == 64 ? changed : 0;
        }
    EXPECT_GT(moved, 100);
    EXPECT_EQ(movedFrozen, 0) << moved;

    const std::string cleared = folder.Path("cleared.kib");
    ASSERT_EQ(Cli({"mask", masked, "-o", cleared, "--clear"}).status, 0);
    EXPECT_FALSE(InfoSaysMask(cleared));
    EXPECT_EQ(ReadBytes(cleared), ReadBytes(project));
}

TEST_F(MaskCli, BadMaskArgumentsAreRefusedAndWriteNothing)
{
    const std::string out = folder.Path("out.kib");
    WriteBytes(folder.Path("broken.png"), {0x89, 'P', 'N', 'G', 1, 2, 3});
    const CliRun broken = Cli({"mask", project, "-o", out, "--from", folder.Path("broken.png")});
    EXPECT_NE(broken.status, 0);
    EXPECT_NE(broken.err.find("broken.png"), std::string::npos) << broken.err;
    const CliRun both = Cli({"mask", project, "-o", out, "--from", picture, "--clear"});
    EXPECT_NE(both.status, 0);
    EXPECT_NE(both.err.find("give one of --from PICTURE or --clear"), std::string::npos) << both.err;
    EXPECT_NE(Cli({"mask", project, "-o", out}).status, 0);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(out)));
}

TEST_F(MaskCli, ReconstructTakesBackThePercentageOfOneKeyframe)
{
    const std::string stroked = folder.Path("stroked.kib");
    ASSERT_EQ(
        Cli({"stroke", project, "-o", stroked, "--key", "1", "--tool", "1019", "--points", "150,100 250,100"}).status,
        0);
    const std::vector<Displacement> before = KeyMap(stroked, 1);
    ASSERT_NE(before, std::vector<Displacement>(before.size()));

    const std::string half = folder.Path("half.kib");
    const CliRun run = Cli({"reconstruct", stroked, "-o", half, "--key", "1", "--percent", "50"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Displacement> after = KeyMap(half, 1);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        const Displacement& v = before[i];
        ASSERT_EQ(after[i], (Displacement{v.dx - v.dx * 50 / 100, v.dy - v.dy * 50 / 100})) << i;
    }
    const std::string all = folder.Path("all.kib");
    ASSERT_EQ(Cli({"reconstruct", stroked, "-o", all, "--key", "1", "--percent", "100"}).status, 0);
    EXPECT_EQ(KeyMap(all, 1), std::vector<Displacement>(before.size()));

    const CliRun over = Cli({"reconstruct", stroked, "-o", all, "--key", "1", "--percent", "101"});
    EXPECT_NE(over.status, 0);
    EXPECT_NE(over.err.find("--percent: 101 is outside 0 to 100"), std::string::npos) << over.err;
    const CliRun noKey = Cli({"reconstruct", stroked, "-o", all, "--key", "2", "--percent", "10"});
    EXPECT_NE(noKey.status, 0);
    EXPECT_NE(noKey.err.find("--key: the project has no keyframe 2"), std::string::npos) << noKey.err;
}
