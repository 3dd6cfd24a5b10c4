#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "settings/settings.h"
#include "tests/cli/cli_runner.h"
#include "tests/settings/file_builder.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using json = nlohmann::ordered_json;
using test::RunCli;

TEST(CliSettings, ShowPrintsEveryFieldByNameFromAFileOfAnotherProgram) {
    test::TempDir dir;
    test::FileBuilder b;  // a version-3 file, as an old setup program wrote it
    b.Raw("MSUP").U32(3).U8(1).U8(1).Str("ftp.example.org").Str("anna").Str("pw").Str("/in/");
    b.U8(1).Zeros(8).U8(0).Str("mp2");
    test::WriteFileBytes(dir.File("MoraIni.sup"), b.bytes);
    auto r = RunCli({"settings", "show", "--ini", dir.File("MoraIni.sup"), "--last-state",
                     dir.File("none.sup")});
    ASSERT_EQ(r.status, 0) << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j.begin().key(), "version");
    EXPECT_EQ(j["version"], 3);
    EXPECT_EQ(j["FtpServer"], "ftp.example.org");
    EXPECT_EQ(j["PublishFileExt"], "mp2");
    EXPECT_EQ(j["Mp2BitrateIndex"], 3);
    EXPECT_EQ(j["FtpProfiles"].size(), 25u);
    EXPECT_EQ(j["FtpProfiles"][0]["Server"], "ftp.example.org");
    EXPECT_EQ(j["FtpProfiles"][0]["Passive"], 1);
    EXPECT_EQ(j["SmtpProfiles"].size(), 5u);
    EXPECT_EQ(j["EqProfiles"][4]["Bands"].size(), 3u);
    EXPECT_EQ(j["EqBands"][1]["Frequency"], 1000);
    EXPECT_EQ(j["UmidCountry"], json::array({0, 0, 0, 0}));
    EXPECT_EQ(j["LastState"]["PlayVolume"], 20);
}

TEST(CliSettings, ShowReportsAMissingFileButStillPrintsDefaults) {
    test::TempDir dir;
    auto r = RunCli({"settings", "show", "--ini", dir.File("MoraIni.sup"), "--last-state",
                     dir.File("MoraSet.sup")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No ini-file found"), std::string::npos);
    EXPECT_EQ(json::parse(r.out)["OutboxAccount"], "ActiveSync");
}

TEST(CliSettings, ShowGivesTheProfileNamesOfTheLastRun) {
    test::TempDir dir;
    Settings written;
    written.FtpProfileName = "Studio";
    written.EqProfileName = "Voice";
    ASSERT_TRUE(SaveLastState(LastState{}, written, "", "", dir.File("MoraSet.sup")));
    auto r = RunCli({"settings", "show", "--ini", dir.File("none.sup"), "--last-state",
                     dir.File("MoraSet.sup")});
    const json last = json::parse(r.out)["LastState"];
    EXPECT_EQ(last["FtpProfileName"], "Studio");
    EXPECT_EQ(last["EqProfileName"], "Voice");
}

// smtp and bwf once read past a --ini that could not be read.
TEST(CliSettings, EveryCommandRefusesAnUnreadableIniAndEveryGroupAnswersHelp) {
    test::TempDir dir;
    const std::string missing = dir.File("missing.sup");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"smtp", "test", "--ini", missing},
             {"bwf", "News", dir.File("a.wav"), "--ini", missing},
             {"ftp", "test", "--ini", missing},
             {"process", dir.File("a.wav"), dir.File("b.wav"), "--ini", missing}}) {
        auto r = RunCli(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_NE(r.err.find("No ini-file found"), std::string::npos) << args[0] << r.err;
    }
    auto r = RunCli({"ftp", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("ftp put"), std::string::npos);
    EXPECT_EQ(r.out.find("smtp"), std::string::npos);
    EXPECT_EQ(RunCli({"levels"}).status, 2);
    r = RunCli({"smtp", "test", "--timeout", "0"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("mora-cli smtp test: --timeout takes milliseconds from 1 to 600000"),
              std::string::npos);
}

TEST(CliSettings, SetChangesNamedFieldsOrRefusesAndLeavesTheFile) {
    test::TempDir dir;
    const std::string ini = dir.File("MoraIni.sup");
    auto r =
        RunCli({"settings", "set", "FtpServer=ftp.radio.example:2121", "FtpProfiles[3].Server=host",
                "EqBands[0].Gain=-30", "UmidOrg[1]=65", "--ini", ini});
    ASSERT_EQ(r.status, 0) << r.err;
    Settings s;
    ASSERT_TRUE(LoadSettings(s, ini));
    EXPECT_EQ(s.FtpServer, "ftp.radio.example:2121");
    EXPECT_EQ(s.FtpProfiles[3].Server, "host");
    EXPECT_EQ(s.EqBands[0].Gain, -30);
    EXPECT_EQ(s.UmidOrg[1], 65);

    const auto before = test::ReadFileBytes(ini);
    for (auto bad : {"NoSuchField=1", "Mp2BitrateIndex=300", "EqOn=x", "FtpProfiles[25].Server=a",
                     "justtext"}) {
        r = RunCli({"settings", "set", "FtpUser=changed", bad, "--ini", ini});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_FALSE(r.err.empty()) << bad;
        EXPECT_EQ(test::ReadFileBytes(ini), before) << bad;
    }
    EXPECT_EQ(RunCli({"settings", "set", "--help"}).status, 0);
    EXPECT_EQ(RunCli({"settings", "show", "--bogus"}).status, 2);
}

}  // namespace
}  // namespace mora
