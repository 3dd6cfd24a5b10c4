// mora-cli encode and bwf on recordings made by sox, checked with ffmpeg and ffprobe.

#include <gtest/gtest.h>

#include <cmath>

#include "audio/level_file.h"
#include "settings/settings.h"
#include "tests/audio/audio_fixtures.h"
#include "tests/audio/riff_walk.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::Q;
using test::RunCli;
using test::Shell;

// A settings file with the defaults, so that the program folder's does not count.
std::string DefaultSettingsFile(const test::TempDir& dir) {
    const std::string path = dir.File("MoraIni.sup");
    EXPECT_TRUE(SaveSettings(Settings{}, path));
    return path;
}

std::string Probe(const std::string& path, const std::string& entries) {
    return test::CaptureCommand("ffprobe -v error -show_entries " + entries + " -of default=nw=1 " +
                                Q(path));
}

// Zero crossings per second of the first channel, decoded by ffmpeg at 48 kHz.
double Frequency(const std::string& path, const std::string& raw) {
    EXPECT_TRUE(Shell("ffmpeg -v error -y -i " + Q(path) + " -f s16le -ac 1 -ar 48000 " + Q(raw)));
    auto s = test::ReadRaw16(raw);
    int crossings = 0;
    for (size_t i = 4800; i + 1 < s.size() - 4800; ++i) crossings += (s[i] < 0) != (s[i + 1] < 0);
    return crossings / 2.0 / ((s.size() - 9600) / 48000.0);
}

TEST(CliEncode, WavBecomes48kMp2AndKeepsItsPitch) {
    test::TempDir dir;
    for (auto [rate, channels] : {std::pair{44100, 1}, {48000, 2}}) {
        const std::string wav = dir.File("in" + std::to_string(rate) + ".wav");
        ASSERT_TRUE(Shell("sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
                          " -b 16 " + Q(wav) + " synth 4 sine 1000 vol 0.5"));
        const std::string mp2 = dir.File("out" + std::to_string(rate) + ".mp2");
        auto r = RunCli({"encode", wav, mp2, "--bitrate-index", channels == 2 ? "7" : "3"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(test::CaptureCommand("ffmpeg -v error -xerror -i " + Q(mp2) + " -f null - 2>&1"),
                  "");
        const std::string probe = Probe(mp2, "stream=sample_rate,channels,bit_rate");
        EXPECT_NE(probe.find("sample_rate=48000"), std::string::npos) << probe;
        EXPECT_NE(probe.find("channels=" + std::to_string(channels)), std::string::npos) << probe;
        EXPECT_NE(probe.find(channels == 2 ? "bit_rate=128000" : "bit_rate=64000"),
                  std::string::npos);
        EXPECT_NEAR(Frequency(mp2, dir.File("raw")), 1000, 5) << rate;
    }
    EXPECT_EQ(
        RunCli({"encode", dir.File("in44100.wav"), dir.File("x.mp2"), "--bitrate-index", "12"})
            .status,
        2);
    ASSERT_TRUE(
        Shell("sox -n -r 22050 -c 1 -b 16 " + Q(dir.File("low.wav")) + " synth 1 sine 500"));
    auto refused = RunCli({"encode", dir.File("low.wav"), dir.File("low.mp2")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_FALSE(refused.err.empty());
}

TEST(CliBwf, WavRecordingsPublishWithTheirCutsAndMarkers) {
    test::TempDir dir;
    ASSERT_TRUE(Shell("sox -n -r 44100 -c 1 -b 16 " + Q(dir.File("Rec01.wav")) +
                      " synth 3 sine 440 vol 0.5"));
    ASSERT_TRUE(Shell("sox -n -r 44100 -c 2 -b 16 " + Q(dir.File("Rec02.wav")) +
                      " synth 2 sine 880 vol 0.5"));
    // Rec01: crop to [10, 60), cut [20, 30), markers at 15 (kept) and 25 (cut away).
    RecordingEdit edit;
    edit.levelCount = 60;
    std::fill(edit.levels.begin(), edit.levels.begin() + 60, 12);
    edit.cropBegin = 10;
    edit.cropEnd = 60;
    edit.markers[0] = 15;
    edit.markers[1] = 25;
    edit.markerCount = 2;
    edit.cuts[0] = {20, 30, 0};
    edit.cutCount = 1;
    ASSERT_TRUE(SaveVuFile(edit, dir.File("Rec01.jvu")));

    auto r = RunCli({"bwf", "Story", dir.File("Rec01.wav"), dir.File("Rec02.wav"), "--description",
                     "Flood", "--ini", DefaultSettingsFile(dir)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, dir.File("pub_Story.wav") + "\n");
    EXPECT_TRUE(test::FileExists(dir.File("Rec02.jvu")));  // built from the audio
    auto bytes = test::ReadFileBytes(dir.File("pub_Story.wav"));
    auto walk = test::WalkRiff(bytes);
    ASSERT_TRUE(walk.ok) << walk.problem;
    // 40 units of Rec01 and 40 of Rec02: 4 s at 48 kHz, stereo, padded to whole 1152-frame blocks.
    const auto* data = walk.Find("data");
    EXPECT_EQ(data->size, 167u * 1152 * 4);
    const auto* qlty = walk.Find("qlty");
    const std::string report(bytes.begin() + qlty->offset + 16,
                             bytes.begin() + qlty->offset + qlty->size);
    EXPECT_NE(report.find("C=N000, TS=00:00:00:2, T=Rec01.wavM0\r\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("M1"), std::string::npos) << report;
    EXPECT_NE(report.find("C=N001, TS=00:00:02:0, T=Rec02.wav\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("C=N002, TS=00:00:04:0, T=End\r\n"), std::string::npos) << report;
    const std::string probe =
        Probe(dir.File("pub_Story.wav"), "stream=sample_rate,channels:format_tags=comment");
    EXPECT_NE(probe.find("sample_rate=48000\nchannels=2"), std::string::npos) << probe;
    EXPECT_NE(probe.find("TAG:comment=Flood"), std::string::npos) << probe;
}

TEST(CliBwf, Mp2RecordingsAreCopiedOrReencodedInMono) {
    test::TempDir dir;
    ASSERT_TRUE(Shell("sox -n -r 44100 -c 2 -b 16 " + Q(dir.File("src.wav")) +
                      " synth 3 sine 1000 vol 0.5"));
    ASSERT_EQ(RunCli({"encode", dir.File("src.wav"), dir.File("Rec01.mp2"), "--bitrate-index", "7"})
                  .status,
              0);
    for (bool fast : {false, true}) {
        std::vector<std::string> args = {"bwf", fast ? "Fast" : "Copy", dir.File("Rec01.mp2"),
                                         "--ini", DefaultSettingsFile(dir)};
        if (fast) args.push_back("--fast");
        auto r = RunCli(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string out = dir.File(fast ? "pub_Fast.wav" : "pub_Copy.wav");
        auto bytes = test::ReadFileBytes(out);
        auto walk = test::WalkRiff(bytes);
        ASSERT_TRUE(walk.ok) << walk.problem;
        EXPECT_EQ(test::CaptureCommand("ffmpeg -v error -i " + Q(out) + " -f null - 2>&1"), "");
        const std::string probe = Probe(out, "stream=codec_name,channels,bit_rate");
        EXPECT_NE(probe.find("codec_name=mp2"), std::string::npos) << probe;
        EXPECT_NE(probe.find(fast ? "channels=1" : "channels=2"), std::string::npos) << probe;
        EXPECT_NE(probe.find(fast ? "bit_rate=48000" : "bit_rate=128000"), std::string::npos)
            << probe;
        EXPECT_NEAR(Frequency(out, dir.File("raw")), 1000, 5);
    }
}

}  // namespace
}  // namespace mora
