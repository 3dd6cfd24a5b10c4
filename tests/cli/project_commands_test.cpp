// A project built, reordered, edited and saved from the shell, as other tools drive it.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/cli/cli_runner.h"
#include "tests/project/project_fixture.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using json = nlohmann::ordered_json;
using test::RunCli;

TEST(CliProject, BuildReorderRenameEditAndShow) {
    test::TempDir dir;
    const std::string project = dir.File("Flood.mpr");
    for (int n : {0, 1})
        test::WritePcmWav(dir.File("Flood0" + std::to_string(n) + ".wav"), 44100, 1,
                          44100 * (n + 1));

    auto r = RunCli({"project", "new", dir.File("Flood"), "--wav"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, project + "\n");
    EXPECT_FALSE(test::FileExists(project));

    r = RunCli(
        {"project", "add", project, dir.File("Flood00.wav"), dir.File("Flood01.wav"), "--wav"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunCli({"project", "move", project, "1", "up"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunCli({"project", "rename", project, "0", "Mayor"});
    ASSERT_EQ(r.status, 0) << r.err;

    r = RunCli({"edit", project, "--clip", "1", "cursor=4", "crop-begin", "cursor=14", "crop-end",
                "cursor=6", "cut-begin", "select-cut=0", "cursor=8", "cut-end", "cursor=10", "mark",
                "copy-to-clip=Short"});
    ASSERT_EQ(r.status, 0) << r.err;
    json e = json::parse(r.out);
    EXPECT_EQ(e["levelCount"], 20);
    EXPECT_EQ(e["cropBegin"], 4);
    EXPECT_EQ(e["cropEnd"], 14);
    EXPECT_EQ(e["cuts"], json({{6, 8}}));
    EXPECT_EQ(e["markers"], json({10}));
    EXPECT_EQ(e["effectiveLength"], 8);

    r = RunCli({"project", "show", project});
    ASSERT_EQ(r.status, 0) << r.err;
    json p = json::parse(r.out);
    EXPECT_EQ(p["version"], 10);
    EXPECT_EQ(p["mp2"], false);
    ASSERT_EQ(p["clips"].size(), 3u);
    EXPECT_EQ(p["clips"][0]["name"], "Flood01");
    EXPECT_EQ(p["clips"][0]["clipName"], "Mayor");
    EXPECT_EQ(p["clips"][1]["clipName"], "Short");
    EXPECT_EQ(p["clips"][1]["clipNumber"], 1);
    EXPECT_EQ(p["clips"][1]["length"], 8);
    EXPECT_EQ(p["clips"][2]["name"], "Flood00");
    EXPECT_EQ(p["selectedClip"], 2);
    EXPECT_EQ(p["totalLength"], 40 + 8 + 8);
    EXPECT_EQ(p["totalText"], " 0:02s.80");

    r = RunCli({"edit", project, "--clip", "2", "save-selection=" + dir.File("Flood00_S.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFileBytes(dir.File("Flood00_S.wav")).size(), 44u + 10 * 4410);

    test::WriteFileBytes(dir.File("Bad.mpr"), {'J', 'M', 'P', 'R', 11, 0, 0, 0});
    r = RunCli({"project", "show", dir.File("Bad.mpr")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("LoadProject Project Version"), std::string::npos) << r.err;

    r = RunCli({"project", "delete", project});
    EXPECT_EQ(r.status, 1);
    r = RunCli({"project", "delete", project, "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(test::FileExists(dir.File("Flood00.wav")));
    EXPECT_TRUE(test::FileExists(dir.File("Flood00_S.wav")));
}

}  // namespace
}  // namespace mora
