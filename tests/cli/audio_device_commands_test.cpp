#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "tests/cli/cli_runner.h"
#include "tests/platform/audio/audio_test_util.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using json = nlohmann::ordered_json;
using test::RunCli;

// The data of a WAV file written by the file device (header of 44 bytes).
std::vector<int16_t> DataOf(const std::string& path) {
    auto bytes = test::ReadFileBytes(path);
    if (bytes.size() < 44) return {};
    return test::Samples16(std::vector<uint8_t>(bytes.begin() + 44, bytes.end()));
}

TEST(CliAudio, DevicesListsTheChosenBackendAndRefusesAnUnknownOne) {
    ::setenv("MORA_AUDIO", "null+maycom", 1);
    auto r = RunCli({"devices", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j["backend"], "null");
    EXPECT_EQ(j["inputs"], json::array({"Silence", "MAYCOM USB Audio Interface"}));
    EXPECT_EQ(j["digitalCard"], false);

    ::setenv("MORA_AUDIO", "null+pdaudio", 1);
    r = RunCli({"devices"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Digital input card"), std::string::npos);

    ::setenv("MORA_AUDIO", "oss", 1);
    r = RunCli({"devices"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown audio backend"), std::string::npos);
}

TEST(CliAudio, PlayWritesEverySampleOfTheFileThroughTheOutput) {
    test::TempDir dir;
    // 0.33 s: the last buffer is shorter than 0.05 s.
    const auto tone = test::Sine(44100, 2, 1000, 0.5, 14553);
    test::WriteWav16(dir.File("in.wav"), 44100, 2, tone);
    ::setenv("MORA_AUDIO", ("file:," + dir.File("out.wav") + ",fast").c_str(), 1);
    auto r = RunCli({"play", dir.File("in.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(DataOf(dir.File("out.wav")), tone);

    EXPECT_EQ(RunCli({"play"}).status, 2);
    r = RunCli({"play", dir.File("none.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("none.wav"), std::string::npos);
    test::WriteFileText(dir.File("text.wav"), "not audio at all");
    r = RunCli({"play", dir.File("text.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a RIFF WAVE file"), std::string::npos);
}

TEST(CliAudio, CaptureRecordsTheAskedLengthOrUntilTheInputEnds) {
    test::TempDir dir;
    const auto tone = test::Sine(48000, 2, 1000, 0.5, 48000);
    test::WriteWav16(dir.File("in.wav"), 48000, 2, tone);
    ::setenv("MORA_AUDIO", ("file:" + dir.File("in.wav") + ",fast").c_str(), 1);
    auto r = RunCli({"capture", "0.5", dir.File("half.wav"), "--rate", "48000", "--channels", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(DataOf(dir.File("half.wav")),
              std::vector<int16_t>(tone.begin(), tone.begin() + 48000));

    r = RunCli({"capture", "3", dir.File("all.wav"), "--rate=48000", "--channels=2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(DataOf(dir.File("all.wav")), tone);

    // A full disk (a file size limit of 64 KiB) is a failure, not a success.
    const std::string limited =
        "ulimit -f 64; trap '' XFSZ; " + test::ShellQuote(std::getenv("MORA_CLI")) + " capture 1 " +
        test::ShellQuote(dir.File("full.wav")) + " --rate 48000 --channels 2 2>/dev/null";
    EXPECT_FALSE(test::RunQuietly(limited));

    // The file holds 48000 Hz stereo; 44100 Hz mono cannot come from it.
    r = RunCli({"capture", "1", dir.File("x.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("sample format"), std::string::npos);

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"capture", "0", dir.File("x.wav")},
          {"capture", "abc", dir.File("x.wav")},
          {"capture", "1", dir.File("x.wav"), "--channels", "3"},
          {"capture", "1", dir.File("x.wav"), "--rate", "-5"},
          {"capture", "1"}}) {
        EXPECT_EQ(RunCli(bad).status, 2) << bad[1];
    }
}

}  // namespace
}  // namespace mora
