// mora-cli record and play over a project, on the file devices; a recording killed mid-way.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "tests/cli/cli_runner.h"
#include "tests/engine/engine_rig.h"

namespace mora::test {
namespace {

using Json = nlohmann::json;

class CliEngineTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("MORA_HOME", home.Path().c_str(), 1); }
    void TearDown() override { unsetenv("MORA_AUDIO"); }
    TempDir home;
    TempDir dir;
};

TEST_F(CliEngineTest, RecordsIntoTheProjectAndPlaysWhatWasRecorded) {
    WriteWav(dir.File("in.wav"), TestSignal(44100 * 3, 1), 1);
    setenv("MORA_AUDIO", ("file:" + dir.File("in.wav") + ",,fast").c_str(), 1);
    const std::string project = dir.File("Flood.mpr");
    CliResult r = RunCli({"record", project, "--seconds", "1.5", "--mark-at", "0.5", "--mark-at",
                          "1", "--wav", "--mono"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Json json = Json::parse(r.out);
    EXPECT_EQ(json["recording"], dir.File("Flood00.wav"));
    EXPECT_EQ(json["levelFile"], dir.File("Flood00.jvu"));
    EXPECT_EQ(json["levelCount"], 30);
    EXPECT_EQ(json["markers"], Json::array({10, 20}));
    EXPECT_EQ(json["dropped"], false);
    EXPECT_TRUE(FileExists(project));

    r = RunCli({"record", project, "--seconds", "0.5", "--wav", "--mono"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Json::parse(r.out)["dropped"], true);
    EXPECT_FALSE(FileExists(dir.File("Flood01.wav")));

    setenv("MORA_AUDIO", ("file:," + dir.File("out.wav") + ",fast").c_str(), 1);
    r = RunCli({"play", project});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Json::parse(r.out)["position"], 30);
    auto heard = WavSamples(dir.File("out.wav"));
    const auto recorded = WavSamples(dir.File("Flood00.wav"));
    ASSERT_EQ(heard.size(), recorded.size() + 256);  // and the closing buffer's silence
    heard.resize(recorded.size());
    EXPECT_EQ(heard, recorded);

    // A new project in a missing folder is named as such, not as a full medium.
    r = RunCli({"record", dir.File("gone/Flood.mpr"), "--seconds", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;
}

TEST_F(CliEngineTest, ARecordingKilledMidWayIsRecoveredByTheNextStart) {
    WriteWav(dir.File("in.wav"), TestSignal(44100 * 12, 1), 1);
    setenv("MORA_AUDIO", ("file:" + dir.File("in.wav")).c_str(), 1);  // real time
    const std::string project = dir.File("Storm.mpr");
    ASSERT_EQ(RunCli({"record", project, "--seconds", "1", "--wav"}).status, 0);
    const pid_t child = fork();
    if (child == 0) {
        const char* cli = std::getenv("MORA_CLI");
        freopen("/dev/null", "w", stdout);
        execl(cli, cli, "record", project.c_str(), "--seconds", "10", "--mark-at", "2", "--wav",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    ::usleep(7'000'000);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(FileExists(dir.File("Storm01.wav")));

    setenv("MORA_AUDIO", ("file:" + dir.File("in.wav") + ",,fast").c_str(), 1);
    const CliResult r = RunCli({"record", project, "--seconds", "1", "--wav"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Recovered recording Storm01, 0:0"), std::string::npos) << r.err;
    EXPECT_EQ(Json::parse(r.out)["recording"], dir.File("Storm02.wav"));
    RecordingEdit edit;
    ASSERT_TRUE(LoadVuFile(edit, dir.File("Storm01.jvu")));
    EXPECT_GT(edit.levelCount, 100u);  // about seven seconds
    ASSERT_GE(edit.markerCount, 1u);
    EXPECT_EQ(edit.markers[0], 40u);
    const Json shown = Json::parse(RunCli({"project", "show", project}).out);
    EXPECT_EQ(shown["clips"].size(), 3u);
}

}  // namespace
}  // namespace mora::test
