// mora-cli info, decode and levels build on recordings made by sox and ffmpeg.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "audio/level_file.h"
#include "stream/jstream_file.h"
#include "tests/audio/audio_fixtures.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"

namespace mora::test {
namespace {

class RecordingCommandsTest : public ::testing::Test {
  protected:
    std::string Sox(const std::string& name, const std::string& options, const std::string& synth) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(Shell("sox -n " + options + " " + Q(path) + " synth " + synth));
        return path;
    }
    std::string Mp2(const std::string& name, const std::string& from, int channels, int kbps) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(Shell("ffmpeg -v error -y -i " + Q(from) + " -ac " + std::to_string(channels) +
                          " -c:a mp2 -b:a " + std::to_string(kbps) + "k -f mp2 " + Q(path)));
        return path;
    }
    TempDir dir;
};

TEST_F(RecordingCommandsTest, InfoDescribesWavAndMp2Recordings) {
    const std::string wav = Sox("deep.wav", "-r 88200 -c 2 -b 24", "2 sine 440");
    auto r = RunCli({"info", wav});
    ASSERT_EQ(r.status, 0) << r.err;
    auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["format"], "wav");
    EXPECT_EQ(json["rate"], 88200);
    EXPECT_EQ(json["channels"], 2);
    EXPECT_EQ(json["bits"], 24);
    EXPECT_EQ(json["length"], 40);
    EXPECT_GE(json["dataStart"], 44);

    // 128 kbit/s stereo differs from the default settings (64 kbit/s mono): adopted first.
    const std::string source = Sox("src.wav", "-r 48000 -c 2 -b 16", "3 sine 300-900");
    r = RunCli({"info", Mp2("s.mp2", source, 2, 128)});
    ASSERT_EQ(r.status, 0) << r.err;
    json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["format"], "mp2");
    EXPECT_EQ(json["rate"], 48000);
    EXPECT_EQ(json["channels"], 2);
    EXPECT_EQ(json["bits"], 16);
    EXPECT_EQ(json["length"], 59);
    EXPECT_EQ(json["dataStart"], 0);
    // Ten level units a second at shift 1.
    r = RunCli({"info", "--shift", "1", dir.File("s.mp2")});
    EXPECT_EQ(nlohmann::json::parse(r.out)["length"], 29);
}

TEST_F(RecordingCommandsTest, RefusalsAndMistakesHaveTheirStatus) {
    auto r = RunCli({"info", Sox("three.wav", "-r 44100 -c 3 -b 16", "1 sine 440")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Only mono or stereo allowed."), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    r = RunCli({"decode", Sox("slow.wav", "-r 22050 -c 1 -b 16", "1 sine 440"), dir.File("o.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Wrong sample-rate"), std::string::npos) << r.err;
    EXPECT_FALSE(FileExists(dir.File("o.wav")));
    EXPECT_EQ(RunCli({"info", dir.File("missing.wav")}).status, 1);
    EXPECT_EQ(RunCli({"info"}).status, 2);
    EXPECT_EQ(RunCli({"decode", "only-one.wav"}).status, 2);
    EXPECT_EQ(RunCli({"levels", "build", "x.wav", "--shift", "9"}).status, 2);
}

TEST_F(RecordingCommandsTest, DecodeWritesWhatThePlayerHears) {
    const std::string source = Sox("src.wav", "-r 48000 -c 1 -b 16", "2 sine 200-2000 vol 0.5");
    const std::string mp2 = Mp2("m.mp2", source, 1, 64), out = dir.File("out.wav");
    auto r = RunCli({"decode", mp2, out});
    ASSERT_EQ(r.status, 0) << r.err;
    ScriptedUi ui;
    EngineFormat format;
    JStreamAudioReadWavFile check(format);
    EXPECT_EQ(check.ReadLength(out), 39u);
    EXPECT_EQ(format.recordingRate, 44100u);
    EXPECT_EQ(format.channels, 1);
    EXPECT_EQ(check.DataSize(), 39u * 2205 * 2);
}

TEST_F(RecordingCommandsTest, LevelsBuildWritesTheLevelFileBesideTheRecording) {
    // One second of silence, then one second of a tone at half scale.
    const std::string wav = dir.File("take 1.wav");
    ASSERT_TRUE(Shell("sox -n -r 44100 -c 1 -b 16 " + Q(dir.File("a.wav")) + " trim 0 1"));
    ASSERT_TRUE(
        Shell("sox -n -r 44100 -c 1 -b 16 " + Q(dir.File("b.wav")) + " synth 1 sine 440 vol 0.5"));
    ASSERT_TRUE(Shell("sox " + Q(dir.File("a.wav")) + " " + Q(dir.File("b.wav")) + " " + Q(wav)));
    auto r = RunCli({"levels", "build", wav});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, dir.File("take 1.jvu") + "\n");

    ScriptedUi ui;
    RecordingEdit edit;
    ASSERT_TRUE(LoadVuFile(edit, dir.File("take 1.jvu")));
    ASSERT_EQ(edit.levelCount, 40u);
    EXPECT_EQ(edit.cropBegin, 0u);
    EXPECT_EQ(edit.cropEnd, 40u);
    EXPECT_EQ(edit.markerCount, 0u);
    EXPECT_EQ(edit.levels[0], 79);
    EXPECT_EQ(edit.levels[19], 79);
    EXPECT_EQ(edit.levels[25], 18);  // -6 dB
    EXPECT_EQ(edit.levels[39], 18);
}

}  // namespace
}  // namespace mora::test
