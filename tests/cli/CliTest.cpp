// warplet-cli end to end: the built executable run in a temporary folder.

#include "cli/CliRunner.h"
#include "project/ProjectTestSupport.h"

#include "engine/ToolTable.h"
#include "io/Archive.h"
#include "res/StringTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cstring>

using namespace projecttest;
using namespace clitest;

namespace {

QJsonObject Info(const std::string& project)
{
    const CliRun run = Cli({"info", project});
    EXPECT_EQ(run.status, 0) << run.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
}

std::vector<Displacement> MapFile(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadBytes(path);
    std::vector<Displacement> map(bytes.size() / 8);
    std::memcpy(map.data(), bytes.data(), map.size() * 8);
    return map;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        picture = folder.Picture("pic.bmp", 40, 20);
        project = folder.Path("a.kib");
        ASSERT_EQ(Cli({"new", picture, "-o", project}).status, 0);
    }
    Folder folder;
    std::string picture;
    std::string project;
};

}  // namespace

TEST_F(CliTest, NewAndInfo)
{
    const QJsonObject info = Info(project);
    EXPECT_EQ(info["format"].toInt(), 2);
    EXPECT_EQ(info["picture"]["stored"].toString().toStdString(), "pic.bmp");
    EXPECT_EQ(info["picture"]["resolved"].toString().toStdString(), picture);
    EXPECT_EQ(info["workPicture"]["width"].toInt(), 412);
    EXPECT_EQ(info["workPicture"]["height"].toInt(), 206);
    EXPECT_EQ(info["selected"].toInt(), 1);
    EXPECT_EQ(info["active"].toInt(), 1);
    EXPECT_EQ(info["firstVisible"].toInt(), 0);
    EXPECT_EQ(info["thumbnail"]["width"].toInt(), 84);
    EXPECT_EQ(info["thumbnail"]["height"].toInt(), 42);
    EXPECT_EQ(info["keyframes"].toArray().size(), 2);
    EXPECT_EQ(info["keyframes"][1]["duration"].toInt(), 10);
    EXPECT_EQ(info["totalFrames"].toInt(), 20);
    EXPECT_EQ(info["tool"]["id"].toInt(), 1019);
    EXPECT_EQ(info["tool"]["strength"].toInt(), 64);
}

TEST_F(CliTest, StrokeMapAndRender)
{
    const std::string out = folder.Path("b.kib");
    const CliRun stroke = Cli({"stroke", project, "-o", out, "--key", "1", "--tool", "1031", "--strength", "40",
                               "--seed", "9", "--points", "200,100 220,110 240,100", "--ticks", "2 0 3"});
    ASSERT_EQ(stroke.status, 0) << stroke.err;
    const QJsonObject info = Info(out);
    EXPECT_EQ(info["tool"]["id"].toInt(), 1031);
    EXPECT_EQ(info["tool"]["strength"].toInt(), 40);

    ASSERT_EQ(Cli({"map", out, "--key", "0", "-o", folder.Path("k0.bin")}).status, 0);
    ASSERT_EQ(Cli({"map", out, "--key", "1", "-o", folder.Path("k1.bin")}).status, 0);
    ASSERT_EQ(Cli({"map", out, "--time", "320", "-o", folder.Path("t.bin")}).status, 0);
    const auto k0 = MapFile(folder.Path("k0.bin")), k1 = MapFile(folder.Path("k1.bin")),
               t = MapFile(folder.Path("t.bin"));
    ASSERT_EQ(k1.size(), 412u * 206u);
    EXPECT_EQ(k0, std::vector<Displacement>(412 * 206));
    EXPECT_NE(k1, k0);
    for (size_t i = 0; i < k1.size(); ++i)
        ASSERT_EQ(t[i], (Displacement{k1[i].dx / 2, k1[i].dy / 2})) << i;

    // The same seed replays the same stroke.
    const std::string again = folder.Path("c.kib");
    ASSERT_EQ(Cli({"stroke", project, "-o", again, "--key", "1", "--tool", "1031", "--strength", "40", "--seed", "9",
                   "--points", "200,100 220,110 240,100", "--ticks", "2 0 3"})
                  .status,
              0);
    ASSERT_EQ(Cli({"map", again, "--key", "1", "-o", folder.Path("again.bin")}).status, 0);
    EXPECT_EQ(MapFile(folder.Path("again.bin")), k1);
    // The right button turns the other way.
    ASSERT_EQ(Cli({"stroke", project, "-o", again, "--key", "1", "--tool", "1031", "--strength", "40", "--right",
                   "--points", "200,100 220,110 240,100", "--ticks", "2 0 3"})
                  .status,
              0);
    ASSERT_EQ(Cli({"map", again, "--key", "1", "-o", folder.Path("right.bin")}).status, 0);
    EXPECT_NE(MapFile(folder.Path("right.bin")), k1);

    for (const char* name : {"f.png", "f.bmp"}) {
        const CliRun render = Cli({"render", out, "--frame", "10", "-o", folder.Path(name)});
        ASSERT_EQ(render.status, 0) << render.err;
        EXPECT_GT(ReadBytes(folder.Path(name)).size(), 1000u);
    }
    EXPECT_EQ(Cli({"render", out, "--frame", "3", "--quick", "-o", folder.Path("q.jpg")}).status, 0);
}

TEST_F(CliTest, KeyCommands)
{
    const std::string out = folder.Path("k.kib");
    ASSERT_EQ(Cli({"key", project, "-o", out, "--add"}).status, 0);
    QJsonObject info = Info(out);
    EXPECT_EQ(std::as_const(info)["keyframes"].toArray().size(), 3);
    EXPECT_EQ(std::as_const(info)["selected"].toInt(), 2);
    ASSERT_EQ(Cli({"key", out, "-o", out, "--duration", "2", "33"}).status, 0);
    ASSERT_EQ(Cli({"key", out, "-o", out, "--move-left", "2"}).status, 0);
    info = Info(out);
    EXPECT_EQ(info["keyframes"][1]["duration"].toInt(), 33);
    EXPECT_EQ(info["totalFrames"].toInt(), 53);
    ASSERT_EQ(Cli({"key", out, "-o", out, "--repeat", "1"}).status, 0);
    const QJsonObject repeated = Info(out);
    EXPECT_EQ(repeated["keyframes"].toArray().size(), 4);
    EXPECT_EQ(repeated["keyframes"][2]["duration"].toInt(), 33);
    ASSERT_EQ(Cli({"key", out, "-o", out, "--delete", "0"}).status, 0);
    ASSERT_EQ(Cli({"key", out, "-o", out, "--move-right", "0"}).status, 0);
    info = Info(out);
    EXPECT_EQ(info["keyframes"].toArray().size(), 3);
    EXPECT_EQ(info["totalFrames"].toInt(), 76);

    // Refused requests change nothing and say why.
    const std::vector<uint8_t> before = ReadBytes(out);
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"key", out, "-o", out, "--move-left", "0"},
             {"key", out, "-o", out, "--move-right", "2"},
             {"key", out, "-o", out, "--duration", "0", "0"},
             {"key", out, "-o", out, "--duration", "0", "1025"},
             {"key", out, "-o", out, "--repeat", "3"},
             {"key", out, "-o", out},
             {"key", out, "-o", out, "--add", "--repeat", "1"},
         }) {
        const CliRun run = Cli(bad);
        EXPECT_EQ(run.status, 1) << bad.back();
        EXPECT_FALSE(run.err.empty());
    }
    ASSERT_EQ(Cli({"key", out, "-o", out, "--delete", "0"}).status, 0);
    EXPECT_EQ(Cli({"key", out, "-o", out, "--delete", "0"}).status, 1);  // only two left
    EXPECT_NE(ReadBytes(out), before);
}

TEST_F(CliTest, FailuresAreReportedNotCrashed)
{
    std::vector<uint8_t> bytes = ReadBytes(project);
    bytes.resize(bytes.size() / 2);
    WriteBytes(folder.Path("cut.kib"), bytes);
    WriteBytes(folder.Path("junk.png"), {1, 2, 3});
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"explode"},
        {"info"},
        {"info", folder.Path("cut.kib")},
        {"info", folder.Path("none.kib")},
        {"new", folder.Path("junk.png"), "-o", folder.Path("x.kib")},
        {"new", folder.Path("none.png"), "-o", folder.Path("x.kib")},
        {"new", picture, "-o", folder.Path("no/such/folder/x.kib")},
        {"stroke", project, "-o", folder.Path("x.kib"), "--key", "5", "--tool", "1019", "--points", "1,1"},
        {"stroke", project, "-o", folder.Path("x.kib"), "--key", "1", "--tool", "7", "--points", "1,1"},
        {"stroke", project, "-o", folder.Path("x.kib"), "--key", "1", "--tool", "1019", "--points", "1;1"},
        {"stroke", project, "-o", folder.Path("x.kib"), "--key", "1", "--tool", "1019", "--points", "1,1", "--ticks",
         "1 2"},
        {"map", project, "-o", folder.Path("m.bin")},
        {"map", project, "--key", "2", "-o", folder.Path("m.bin")},
        {"map", project, "--time", "-1", "-o", folder.Path("m.bin")},
        {"render", project, "--frame", "1", "-o", folder.Path("x.xyz")},
        {"render", project, "--frame", "x", "-o", folder.Path("x.png")},
        {"info", project, "--bogus"},
    };
    for (const auto& args : cases) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 1) << (args.empty() ? "" : args.front()) << " " << run.err;
        EXPECT_NE(run.err.find("warplet-cli"), std::string::npos);
        ASSERT_FALSE(run.err.empty());
        EXPECT_EQ(run.err.back(), '\n') << run.err;
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder.Path("x.kib"))));
    EXPECT_EQ(Cli({"--help"}).status, 0);
}

TEST_F(CliTest, EveryCommandExplainsItselfAndMessagesFollowTheLocale)
{
    for (const char* command : {"new", "info", "stroke", "key", "map", "render", "export"}) {
        const CliRun run = Cli({command, "--help"});
        EXPECT_EQ(run.status, 0) << command;
        EXPECT_EQ(run.out.rfind(std::string("usage: warplet-cli ") + command, 0), 0u) << run.out;
    }

    const auto messageUnder = [&](const char* lang, std::vector<std::string> args) {
        QProcess process;
        QProcessEnvironment env = CliEnvironment();
        env.remove(QStringLiteral("LC_ALL"));
        env.remove(QStringLiteral("LC_MESSAGES"));
        env.insert(QStringLiteral("LANG"), QString::fromLatin1(lang));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(WARPLET_CLI_PATH), Arguments(args));
        EXPECT_TRUE(process.waitForFinished(60000));
        return process.readAllStandardError().toStdString();
    };
    const std::vector<std::string> missing = {"info", folder.Path("none.kib")};
    // The message names the file and the cause, in the locale's language.
    const std::string english = messageUnder("C.UTF-8", missing);
    EXPECT_NE(english.find("Cannot read the file"), std::string::npos) << english;
    EXPECT_NE(english.find(folder.Path("none.kib")), std::string::npos) << english;
    EXPECT_NE(english.find(": the file or a folder on its path does not exist\n"), std::string::npos) << english;
    EXPECT_EQ(messageUnder("zh_CN.UTF-8", missing).find("Cannot read the file"), std::string::npos);
    std::vector<std::string> chosen = {"--lang", "en"};
    chosen.insert(chosen.end(), missing.begin(), missing.end());
    EXPECT_NE(messageUnder("zh_CN.UTF-8", chosen).find("Cannot read the file"), std::string::npos);
}

TEST_F(CliTest, FrameNumbersBeyondThirtyTwoBitTimesAreRefused)
{
    // 33554431 x 64 still fits 32 bits; one more does not, nor does 2^61.
    EXPECT_EQ(Cli({"render", project, "--frame", "33554431", "-o", folder.Path("f.png")}).status, 0);
    for (const char* frame : {"33554432", "2305843009213693952"}) {
        const CliRun run = Cli({"render", project, "--frame", frame, "-o", folder.Path("g.png")});
        EXPECT_EQ(run.status, 1) << frame;
        EXPECT_NE(run.err.find("--frame"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder.Path("g.png"))));
}

TEST_F(CliTest, HelpListsEveryOptionWithItsRangeAndDefault)
{
    const auto help = [](const char* command) {
        const CliRun run = Cli({command, "--help"});
        EXPECT_EQ(run.status, 0) << command;
        return run.out;
    };
    const auto has = [](const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    };
    // Each option on a line of its own, with what it takes, its range and its default.
    const std::string exportHelp = help("export");
    for (const char* line : {"  -o OUT ", "  --speed S ", "  --size SIZE ", "  --frames FRAMES "})
        EXPECT_TRUE(has(exportHelp, line)) << line << "\n" << exportHelp;
    EXPECT_TRUE(has(exportHelp, "1 to 60 (default 30)")) << exportHelp;
    EXPECT_TRUE(has(exportHelp, "1 to 10000")) << exportHelp;
    EXPECT_TRUE(has(exportHelp, "(default picture)")) << exportHelp;
    EXPECT_TRUE(has(help("render"), "(default screen)"));
    EXPECT_TRUE(has(help("key"), "1 to 1024"));
    EXPECT_TRUE(has(help("map"), "0 to 2147483647"));
    EXPECT_TRUE(has(help("print"), "(default A4)"));
    for (const char* command : {"new", "info", "key", "map", "render", "print", "check-update", "acquire"})
        EXPECT_TRUE(has(help(command), "usage: warplet-cli " + std::string(command))) << command;

    // The stroke's help names every tool by its identifier.
    const std::string strokeHelp = help("stroke");
    EXPECT_TRUE(has(strokeHelp, "0 to 64")) << strokeHelp;
    EXPECT_TRUE(has(strokeHelp, "0 to 1000 (default 0)")) << strokeHelp;
    // ... in the language chosen.
    const std::string english = Cli({"--lang", "en", "stroke", "--help"}).out;
    const std::string chinese = Cli({"--lang", "zh", "stroke", "--help"}).out;
    for (const int id : ToolTable().CommandIds()) {
        const std::string line = "  " + std::to_string(id) + "  ";
        EXPECT_TRUE(has(english, line + AppString(id, UiLanguage::English).toStdString() + "\n")) << id;
        EXPECT_TRUE(has(chinese, line + AppString(id, UiLanguage::Chinese).toStdString() + "\n")) << id;
    }
    // The help lists what a command accepts, and a range it lists is the one checked.
    EXPECT_NE(Cli({"stroke", project, "-o", folder.Path("s.kib"), "--key", "1", "--tool", "1019", "--points", "1,1",
                   "--strength", "65"})
                  .err.find("--strength: 65 is outside 0 to 64"),
              std::string::npos);
}

TEST_F(CliTest, VersionAndFilesThatAreNoProjects)
{
    const CliRun version = Cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "warplet-cli " + std::to_string(WARPLET_VERSION_MAJOR) + "." +
                               std::to_string(WARPLET_VERSION_MINOR) + "." + std::to_string(WARPLET_VERSION_PATCH) +
                               "." + std::to_string(WARPLET_VERSION_TWEAK) + "\n");

    // A picture or a text given as a project is named for what it is, not read as an old project.
    WriteBytes(folder.Path("notes.kib"), {'m', 'y', ' ', 'n', 'o', 't', 'e', 's', '\n'});
    const std::string jpeg = folder.Picture("photo.jpg", 300, 200);
    const std::string png = folder.Picture("photo.png", 300, 200);
    const std::pair<std::string, std::string> files[] = {
        {jpeg, ": it is not a project file (a JPEG picture)\n"},
        {png, ": it is not a project file (a PNG picture)\n"},
        {folder.Path("notes.kib"), ": it is not a project file (its start fits neither format)\n"},
    };
    for (const auto& [file, cause] : files) {
        const CliRun run = Cli({"--lang", "en", "info", file});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "warplet-cli: Cannot read the file: " + file + cause);
    }
    // In Chinese, the cause too.
    const CliRun chinese = Cli({"--lang", "zh", "info", png});
    EXPECT_EQ(chinese.err, "warplet-cli: \u65e0\u6cd5\u8bfb\u53d6\u6587\u4ef6: " + png +
                               ": \u8fd9\u4e0d\u662f\u9879\u76ee\u6587\u4ef6\n");
    const CliRun missing = Cli({"--lang", "zh", "info", folder.Path("none.kib")});
    EXPECT_NE(missing.err.find(folder.Path("none.kib") + ": \u6587\u4ef6\u6216"), std::string::npos) << missing.err;
    const CliRun noPicture = Cli({"--lang", "zh", "new", folder.Path("notes.kib"), "-o", folder.Path("x.kib")});
    EXPECT_EQ(noPicture.err.find("not a picture"), std::string::npos) << noPicture.err;
    EXPECT_NE(noPicture.err.find("\u56fe\u7247"), std::string::npos) << noPicture.err;  // "picture"
}
