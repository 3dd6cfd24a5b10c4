#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "settings/settings.h"
#include "tests/cli/cli_runner.h"
#include "tests/settings/file_builder.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using json = nlohmann::ordered_json;
using test::RunCli;

TEST(CliLevels, ShowConvertsAnOldFileAndWritesItBack) {
    test::TempDir dir;
    const std::string path = dir.File("Rec001.jvu");
    test::FileBuilder b;
    b.Raw("UVMJ").U32(1).U32(1).U32(3).U32(3).U8(10).U8(20).U8(30);
    test::WriteFileBytes(path, b.bytes);
    auto r = RunCli({"levels", "show", path});
    ASSERT_EQ(r.status, 0) << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j["version"], 1);
    EXPECT_EQ(j["cropBegin"], 4);
    EXPECT_EQ(j["cropEnd"], 12);
    EXPECT_EQ(j["levelCount"], 12);
    EXPECT_EQ(j["levels"], json({10, 10, 10, 10, 20, 20, 20, 20, 30, 30, 30, 30}));
    EXPECT_EQ(j["shift"], 2);
    EXPECT_EQ(test::ReadFileBytes(path).size(), 28u + 12 + 4);
    // Read again: now version 3 at the same resolution, nothing more to convert.
    r = RunCli({"levels", "show", path});
    EXPECT_EQ(json::parse(r.out)["version"], 3);
    EXPECT_EQ(json::parse(r.out)["levelCount"], 12);
}

TEST(CliLevels, ShowListsMarkersCutsAndEffectiveLength) {
    test::TempDir dir;
    const std::string path = dir.File("Rec002.jvu");
    test::FileBuilder b;
    b.Raw("UVMJ").U32(3).U32(2).U32(40).U32(40).U32(2).U32(2);
    b.U32(5).U32(30).U32(10).U32(20).U32(0).U32(15).U32(25).U32(0);
    b.Zeros(40).U32(2);
    test::WriteFileBytes(path, b.bytes);
    auto r = RunCli({"levels", "show", path, "--shift", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j["markers"], json({5, 30}));
    EXPECT_EQ(j["cuts"], json({{10, 20}, {15, 25}}));
    EXPECT_EQ(j["effectiveLength"], 38 - 15);
    EXPECT_EQ(j["levels"].size(), 40u);
}

TEST(CliLevels, ShowRefusesBadFilesAndArguments) {
    test::TempDir dir;
    test::WriteFileBytes(dir.File("bad.jvu"), {'R', 'I', 'F', 'F', 0, 0, 0, 0});
    auto r = RunCli({"levels", "show", dir.File("bad.jvu")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("WavStartLoading Read Vu File header"), std::string::npos);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(RunCli({"levels", "show", dir.File("none.jvu")}).status, 1);
    EXPECT_EQ(RunCli({"levels", "show", dir.File("bad.jvu"), "--shift", "99"}).status, 2);
    EXPECT_EQ(RunCli({"levels", "show"}).status, 2);
}

// 16-bit samples of a WAV file written by this command (a 44-byte header).
std::vector<int16_t> Samples(const std::string& path) {
    auto bytes = test::ReadFileBytes(path);
    std::vector<int16_t> out;
    for (size_t i = 44; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<int16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return out;
}

int Peak(const std::vector<int16_t>& s, size_t from = 0) {
    int peak = 0;
    for (size_t i = from; i < s.size(); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(s[i])));
    return peak;
}

class CliProcess : public ::testing::Test {
  protected:
    void SetUp() override { setenv("MORA_HOME", dir.Path().c_str(), 1); }
    void TearDown() override { unsetenv("MORA_HOME"); }
    std::string Sox(const std::string& name, const std::string& synth) {
        const std::string path = dir.File(name);
        const std::string command = "sox -n -r 44100 -b 16 " + synth.substr(0, synth.find('|')) +
                                    " '" + path + "' synth " + synth.substr(synth.find('|') + 1);
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    }
    test::TempDir dir;
};

TEST_F(CliProcess, GainAndLevelsPerBuffer) {
    const std::string in = Sox("in.wav", "-c 1|1 sine 1000 vol 0.25");
    const std::string out = dir.File("out.wav");
    auto r = RunCli({"process", in, out, "--gain", "6", "--levels"});
    ASSERT_EQ(r.status, 0) << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j["sampleRate"], 44100);
    ASSERT_EQ(j["levels"].size(), 20u);
    // -12 dB raised by 6 dB: -6 dB, level 18.
    for (const auto& level : j["levels"]) EXPECT_EQ(level, 18);
    auto samples = Samples(out);
    EXPECT_EQ(samples.size(), 44100u);
    EXPECT_NEAR(Peak(samples, 4410), 2 * 0.25 * 32767, 400);

    r = RunCli({"process", in, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NEAR(Peak(Samples(out), 4410), 0.25 * 32767, 200);
}

TEST_F(CliProcess, EqualiserProfileFromTheSettings) {
    Settings settings;
    settings.EqProfiles[0].Name = "Voice";
    settings.EqProfiles[0].EqOn = 1;
    settings.EqProfiles[0].Bands[1] = {1000, 60, 20, 1};
    settings.EqProfiles[0].OverallGain = -6;
    ASSERT_TRUE(SaveSettings(settings, dir.File("MoraIni.sup")));
    const std::string in = Sox("in.wav", "-c 2|1 sine 1000 vol 0.25");
    const std::string out = dir.File("out.wav");
    // +6 dB at the band's centre and -6 dB of make-up gain cancel.
    auto r = RunCli({"process", in, out, "--eq-profile", "Voice"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto samples = Samples(out);
    EXPECT_EQ(samples.size(), 2 * 44100u);
    EXPECT_NEAR(Peak(samples, 8820), 0.25 * 32767, 300);

    const std::string low = Sox("low.wav", "-c 2|1 sine 200 vol 0.25");
    r = RunCli({"process", low, out, "--eq-profile", "Voice", "--levels"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NEAR(Peak(Samples(out), 8820), 0.125 * 32767, 300);
    EXPECT_EQ(json::parse(r.out)["levels"][10], 42);  // -18 dB
}

TEST_F(CliProcess, RefusesWhatItCannotProcess) {
    const std::string in = Sox("in.wav", "-c 1|0.1 sine 1000");
    const std::string out = dir.File("out.wav");
    EXPECT_EQ(RunCli({"process", in, out, "--eq-profile", "Nope"}).status, 2);
    EXPECT_EQ(RunCli({"process", in, out, "--gain", "41"}).status, 2);
    EXPECT_EQ(RunCli({"process", in}).status, 2);
    test::WriteFileText(dir.File("text.wav"), "not audio at all");
    auto r = RunCli({"process", dir.File("text.wav"), out});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a WAV file"), std::string::npos);
    const std::string eight = dir.File("eight.wav");
    ASSERT_EQ(std::system(("sox -n -r 8000 -b 8 -c 1 '" + eight + "' synth 0.1 sine 440").c_str()),
              0);
    EXPECT_EQ(RunCli({"process", eight, out}).status, 1);
    EXPECT_FALSE(test::FileExists(out));
}

}  // namespace
}  // namespace mora
