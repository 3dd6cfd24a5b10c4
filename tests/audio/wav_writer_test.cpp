#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cmath>
#include <numbers>

#include "audio/audio_reader.h"
#include "audio/mp2_file_writer.h"
#include "audio/wav_file_writer.h"
#include "tests/audio/riff_walk.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::Le32;

std::vector<uint8_t> SineBytes(uint32_t frames, int channels, uint32_t rate) {
    std::vector<uint8_t> out;
    for (uint32_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            auto v = static_cast<int16_t>(
                10000 * std::sin(2 * std::numbers::pi * 440 * (c + 1) * i / rate));
            out.push_back(static_cast<uint8_t>(v));
            out.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
        }
    return out;
}

TEST(WavWriter, EmptyRecordingIsAValid44ByteFile) {
    test::TempDir dir;
    AudioWriteFormat format;
    JStreamAudioWriteWavFile w(format, dir.Path());
    w.Open("Interview01");
    ASSERT_TRUE(w.IsReady());
    w.Close();
    auto b = test::ReadFileBytes(dir.File("Interview01.wav"));
    ASSERT_EQ(b.size(), 44u);
    EXPECT_EQ(Le32(b, 4), 36u);
    EXPECT_EQ(Le32(b, 40), 0u);
    EXPECT_TRUE(test::WalkRiff(b).ok);
}

TEST(WavWriter, StereoRecordingKeepsEveryByteAndPatchesTheSizes) {
    test::TempDir dir;
    AudioWriteFormat format;
    format.stereo = true;
    JStreamAudioWriteWavFile w(format, dir.Path());
    w.Open("Storm02");
    const auto pcm = SineBytes(44100, 2, 44100);
    // Uneven buffers fill the write-behind buffer more than once per call.
    for (size_t at = 0; at < pcm.size();) {
        uint32_t n =
            std::min<uint32_t>(static_cast<uint32_t>(pcm.size() - at), at % 3 ? 17640 : 70000);
        w.WriteSamples(pcm.data() + at, n);
        at += n;
    }
    w.Close();
    auto b = test::ReadFileBytes(dir.File("Storm02.wav"));
    ASSERT_EQ(b.size(), 44 + pcm.size());
    EXPECT_EQ(Le32(b, 28), 176400u);  // bytes per second
    EXPECT_EQ(b[32], 4);              // block align
    EXPECT_EQ(Le32(b, 40), pcm.size());
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), b.begin() + 44));
    std::string probe = test::CaptureCommand(
        "ffprobe -v error -show_entries stream=sample_rate,channels "
        "-of default=nw=1 " +
        dir.File("Storm02.wav"));
    EXPECT_EQ(probe, "sample_rate=44100\nchannels=2\n");
}

TEST(WavWriter, OpeningTwiceReportsAndClosesAndSizeLimitStopsCleanly) {
    test::ScriptedUi ui;
    test::TempDir dir;
    AudioWriteFormat format;
    JStreamAudioWriteWavFile w(format, dir.Path());
    w.Open("A");
    w.Open("B");
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{dir.File("B.wav") + " : File is open"});
    EXPECT_FALSE(w.IsOpen());

    JStreamAudioWriteWavFile limited(format, dir.Path());
    limited.sizeLimit = 44 + 100000;
    limited.Open("C");
    const auto pcm = SineBytes(20000, 1, 44100);  // 40000 bytes a buffer
    int accepted = 0;
    for (int i = 0; i < 5 && limited.IsReady(); ++i, ++accepted)
        limited.WriteSamples(pcm.data(), 40000);
    EXPECT_FALSE(limited.IsReady());
    EXPECT_EQ(accepted, 3);  // the third buffer would have passed the limit
    limited.Close();
    auto b = test::ReadFileBytes(dir.File("C.wav"));
    EXPECT_EQ(b.size(), 44u + 80000u);
    EXPECT_TRUE(test::WalkRiff(b).ok);
}

// Records `seconds` of mono 44.1 kHz in 0.05 s buffers in a child process, which `end` then
// stops: killed by the parent once the audio is written, or left to finish and close.
void RecordInChild(const std::string& folder, int seconds, bool kill, rlim_t sizeLimit) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (sizeLimit) {
            std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
            const rlimit limit{sizeLimit, sizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        AudioWriteFormat format;
        JStreamAudioWriteWavFile w(format, folder);
        w.Open("Rec");
        const auto pcm = SineBytes(2205, 1, 44100);
        for (int i = 0; i < seconds * 20 && w.IsReady(); ++i) w.WriteSamples(pcm.data(), 4410);
        if (kill) {
            (void)!::write(ready[1], "x", 1);
            ::pause();
        }
        w.Close();
        ::_exit(w.IsReady() ? 0 : 3);
    }
    char c;
    if (kill) {
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(WavWriter, ARecordingSurvivesAKillAndAFullDisk) {
    test::TempDir dir;
    test::ScriptedUi ui;
    EngineFormat format;
    JStreamAudioReadWavFile reader(format);
    const std::string path = dir.File("Rec.wav");

    // Killed after 10 s of audio (the last 64 KiB still in memory): the header counts all but
    // the last few seconds on disk, and that much plays.
    RecordInChild(dir.Path(), 10, true, 0);
    auto b = test::ReadFileBytes(path);
    ASSERT_GE(b.size(), 44u + 10 * 88200 - 65536);
    const uint32_t counted = test::Le32(b, 40);
    EXPECT_GE(counted + 5 * 88200, b.size() - 44);
    EXPECT_EQ(reader.ReadLength(path), counted / 4410);
    EXPECT_GT(counted, 0u);

    // A full file system (a file size limit) 1.5 s in: what was written is a valid WAV.
    RecordInChild(dir.Path(), 10, false, 44 + 132300);
    b = test::ReadFileBytes(path);
    EXPECT_LE(b.size(), 44u + 132300);
    EXPECT_GE(b.size(), 44u + 65536);
    EXPECT_TRUE(test::WalkRiff(b).ok) << test::WalkRiff(b).problem;
    EXPECT_EQ(reader.ReadLength(path), (b.size() - 44) / 4410);
}

TEST(Mp2FileWriter, RecordingDecodesCleanlyInBothFileModes) {
    test::TempDir dir;
    AudioWriteFormat format;
    for (bool append : {false, true}) {
        JStreamAudioWriteMP2File w(format, dir.Path(), append);
        w.Open(append ? "Append" : "Plain");
        ASSERT_TRUE(w.IsReady());
        const auto pcm = SineBytes(44100, 1, 44100);
        for (size_t at = 0; at < pcm.size(); at += 4410) w.WriteSamples(pcm.data() + at, 4410);
        w.Close();
        const std::string path = dir.File(append ? "Append.mp2" : "Plain.mp2");
        EXPECT_EQ(test::ReadFileBytes(path).size() % 192, 0u);
        EXPECT_EQ(test::CaptureCommand("ffmpeg -v error -xerror -i " + path + " -f null - 2>&1"),
                  "");
        EXPECT_NE(
            test::CaptureCommand("ffprobe -v error -show_entries stream=codec_name,sample_rate "
                                 "-of default=nw=1 " +
                                 path)
                .find("codec_name=mp2\nsample_rate=48000"),
            std::string::npos);
    }
}

}  // namespace
}  // namespace mora
