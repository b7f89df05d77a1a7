// warplet-cli stroke with a brush size, pen pressure and the reverse modifier:
// each reaches the steps as the core performs them, bad values are refused
// before anything is written, and a stroke replays to the same bytes.

#include "cli/CliRunner.h"
#include "project/ProjectTestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace projecttest;
using namespace clitest;

namespace {

class StrokeOptionsCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        project = folder.Path("a.kib");
        ASSERT_EQ(Cli({"new", folder.Picture("pic.bmp", 40, 20), "-o", project}).status, 0);  // 412 x 206
    }

    // The bytes of keyframe 1's map after a stroke with `tool` and `extra` options.
    std::vector<uint8_t> KeyMap(const std::string& tool, std::vector<std::string> extra,
                                const std::string& points = "150,100 170,90 190,120")
    {
        const std::string out = folder.Path("out" + std::to_string(++m_nRuns) + ".kib");
        std::vector<std::string> args = {"stroke", project,  "-o", out,        "--key", "1",       "--tool",
                                         tool,     "--seed", "5",  "--points", points,  "--ticks", "2 1 3"};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 0) << run.err;
        const std::string map = out + ".bin";
        EXPECT_EQ(Cli({"map", out, "--key", "1", "-o", map}).status, 0);
        return ReadBytes(map);
    }

    Folder folder;
    std::string project;

private:
    int m_nRuns = 0;
};

}  // namespace

TEST_F(StrokeOptionsCli, SizeAndPressureActAsTheSizeAndStrengthTheyStandFor)
{
    // 12 % of 206 is 24: the small brush at radius 24 is the medium brush.
    EXPECT_EQ(KeyMap("1019", {"--size", "24"}), KeyMap("1020", {}));
    // Strength 40 at pressure 0.5 (32/64) is strength 20; values outside 0..1 are taken as 0 or 1.
    EXPECT_EQ(KeyMap("1020", {"--strength", "40", "--pressure", "0.5 0.5 0.5"}), KeyMap("1020", {"--strength", "20"}));
    EXPECT_EQ(KeyMap("1020", {"--pressure", "1.7 -3 0.25"}), KeyMap("1020", {"--pressure", "1 0 0.25"}));
    EXPECT_NE(KeyMap("1020", {"--pressure", "1 0 0.25"}), KeyMap("1020", {}));
    EXPECT_NE(KeyMap("1020", {"--pressure", "0.5 0.5 0.5", "--pressure-size"}),
              KeyMap("1020", {"--pressure", "0.5 0.5 0.5"}));
    // Positions within a pixel act at the pixel (floored, also below zero).
    EXPECT_EQ(KeyMap("1020", {}, "150.9,100.2 170.5,90 190,120.99"), KeyMap("1020", {}));
    EXPECT_EQ(KeyMap("1021", {}, "-0.5,100 170,90 190,120"), KeyMap("1021", {}, "-1,100 170,90 190,120"));
}

TEST_F(StrokeOptionsCli, ReverseSwapsThePartnerAndKeepsTheChosenTool)
{
    const std::vector<uint8_t> reversed = KeyMap("1020", {"--reverse", "--strength", "30"});  // out1.kib
    EXPECT_EQ(reversed, KeyMap("1023", {"--strength", "30"}));
    EXPECT_EQ(KeyMap("1070", {"--reverse"}), KeyMap("1073", {}));  // collapse -> explosion, same seed
    EXPECT_EQ(KeyMap("1032", {"--reverse"}), KeyMap("1032", {"--right"}));
    const CliRun info = Cli({"info", folder.Path("out1.kib")});
    const QJsonObject tool = QJsonDocument::fromJson(QByteArray::fromStdString(info.out)).object()["tool"].toObject();
    EXPECT_EQ(tool["id"].toInt(), 1020);
}

TEST_F(StrokeOptionsCli, StrokesReplayToTheSameBytes)
{
    const std::vector<std::string> args = {"--size", "57", "--pressure", "0.3 1 0.71", "--reverse", "--pressure-size"};
    for (const char* tool : {"1075", "1019", "1031"}) {
        SCOPED_TRACE(tool);
        const std::string a = folder.Path(std::string("r1-") + tool + ".kib"),
                          b = folder.Path(std::string("r2-") + tool + ".kib");
        for (const std::string& out : {a, b}) {
            std::vector<std::string> run = {"stroke", project, "-o",     out,  "--key",    "1",
                                            "--tool", tool,    "--seed", "77", "--points", "100,50 140,80 300,150"};
            run.insert(run.end(), args.begin(), args.end());
            ASSERT_EQ(Cli(run).status, 0);
        }
        EXPECT_EQ(ReadBytes(a), ReadBytes(b));
        EXPECT_NE(ReadBytes(a), ReadBytes(project));
    }
}

TEST_F(StrokeOptionsCli, BadSizesAndPressuresAreRefusedWritingNothing)
{
    const std::string out = folder.Path("x.kib");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--size", "0"}, "--size"},
        {{"--size", "413"}, "412"},
        {{"--size", "12", "--tool", "1105"}, "whole picture"},
        {{"--pressure", "0.5 0.5"}, "--pressure"},
        {{"--pressure", "0.5 x"}, "--pressure"},
        {{"--pressure", "nan 1 1"}, "not a number"},
        {{"--pressure", "1 inf 1"}, "not a number"},
    };
    for (const auto& [extra, message] : cases) {
        std::vector<std::string> args = {"stroke", project, "-o", out, "--key", "1"};
        args.insert(args.end(), extra.begin(), extra.end());
        if (std::find(extra.begin(), extra.end(), "--tool") == extra.end())
            args.insert(args.end(), {"--tool", "1019"});
        args.insert(args.end(), {"--points", "1,1 2,2 3,3"});
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 1) << extra.front() << " " << extra[1];
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(out)));
}
