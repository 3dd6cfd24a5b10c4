#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "audio/audio_reader.h"
#include "audio/engine_format.h"
#include "audio/mp2_encoder.h"
#include "audio/mp2_file_writer.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {

class CollectingWriter : public JStreamWrMP2 {
  public:
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> blocks;

  protected:
    void WriteEncoded(const uint8_t* data, uint32_t count) override {
        blocks.push_back(count);
        bytes.insert(bytes.end(), data, data + count);
    }
};

std::vector<int16_t> Sine(uint32_t rate, uint32_t frames, int channels, double hz) {
    std::vector<int16_t> pcm(frames * static_cast<uint32_t>(channels));
    for (uint32_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            pcm[i * static_cast<uint32_t>(channels) + static_cast<uint32_t>(c)] =
                static_cast<int16_t>(12000 *
                                     std::sin(2 * std::numbers::pi * hz * (c + 1) * i / rate));
    return pcm;
}

// Counts frames by walking the headers: every frame must start with a sync word.
int CountFrames(const std::vector<uint8_t>& bytes, uint32_t frameLength) {
    int frames = 0;
    for (size_t pos = 0; pos + 4 <= bytes.size(); pos += frameLength, ++frames) {
        if (bytes[pos] != 0xFF || (bytes[pos + 1] & 0xF0) != 0xF0) return -1;
    }
    return frames;
}

TEST(Mp2Encoder, BitrateTableAndRefusal) {
    test::ScriptedUi ui;
    CollectingWriter w;
    EXPECT_TRUE(w.SetBitrate(11));
    EXPECT_EQ(w.Bitrate().bitsPerSecond, 256000u);
    EXPECT_EQ(w.Bitrate().frameLength, 768u);
    EXPECT_FALSE(w.SetBitrate(12));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Illegal bitrate"});
    EXPECT_EQ(w.Bitrate().index, 11);
    EXPECT_TRUE(w.SetBitrate(3));
    EXPECT_EQ(w.Bitrate().frameLength, 192u);
    EXPECT_EQ(w.Bitrate().bytesPerLevelUnit, 400u);
}

TEST(Mp2Encoder, MeasuredRateIsUsedOnlyWhenCompensatingAndPlausible) {
    EXPECT_EQ(EncoderInputRate(44150, true, true), 44150u);
    EXPECT_EQ(EncoderInputRate(44150, false, true), 44100u);
    EXPECT_EQ(EncoderInputRate(44150, true, false), 44100u);
    EXPECT_EQ(EncoderInputRate(0, true, true), 44100u);
    // A measured rate a little above 48 kHz still consumes input and never stalls the staging.
    CollectingWriter w;
    ASSERT_TRUE(w.StartEncoder({false, 44100, EncoderInputRate(48400, true, true)}));
    auto pcm = Sine(44100, 44100, 1, 300);
    w.EncodeSamples(pcm.data(), 44100);
    w.FinishEncoder();
    EXPECT_GT(w.bytes.size(), 30u * 192u);
}

TEST(Mp2Encoder, EveryPairTheEncoderRefusesIsSaidAndLeavesNoFile) {
    test::TempDir dir;
    const auto pcm = Sine(44100, 4410, 2, 440);
    for (bool stereo : {false, true}) {
        for (int index = 0; index < 12; ++index) {
            test::ScriptedUi ui;
            AudioWriteFormat format;
            format.stereo = stereo;
            JStreamAudioWriteMP2File writer(format, dir.Path());
            ASSERT_TRUE(writer.SetBitrate(index));
            writer.Open("Rec");
            const std::string pair = std::to_string(index) + (stereo ? " stereo" : " mono");
            const bool legal = Mp2ModeAllows(index, stereo);
            ASSERT_EQ(writer.IsReady(), legal) << pair;
            writer.WriteSamples(reinterpret_cast<const uint8_t*>(pcm.data()),
                                static_cast<uint32_t>(pcm.size() / (stereo ? 1 : 2) * 2));
            writer.Close();
            const auto bytes = test::ReadFileBytes(dir.File("Rec.mp2"));
            if (legal) {
                EXPECT_GT(bytes.size(), 0u) << pair;
                EXPECT_TRUE(ui.messages.empty()) << pair;
            } else {
                EXPECT_TRUE(bytes.empty()) << pair;
                ASSERT_EQ(ui.messages.size(), 1u) << pair;
                EXPECT_EQ(ui.messages[0].text.rfind("Illegal bitrate", 0), 0u) << pair;
                // A project with this pair records at the nearest rate the mode has.
                const int recorded = RecordableMp2BitrateIndex(index, stereo);
                EXPECT_TRUE(Mp2ModeAllows(recorded, stereo)) << pair;
                EXPECT_EQ(recorded, stereo ? (index < 3 ? 3 : 5) : 9) << pair;
            }
            std::remove(dir.File("Rec.mp2").c_str());
        }
    }
}

TEST(Mp2Encoder, WritersTakeTheEnginesFormat) {
    EngineFormat engine;
    engine.stereo = true;
    engine.measuredSampleRate = 44150;
    engine.compensateInCodecs = true;
    AudioWriteFormat f = WriterFormat(engine, true);
    EXPECT_EQ(f.bufferBytes, 8820u);  // 0.05 s of stereo 16-bit at 44100 Hz
    EXPECT_EQ(f.levelValuesPerSecond, 20u);
    EXPECT_EQ(f.resampleRate, 44150u);
    EXPECT_EQ(WriterFormat(engine, false).resampleRate, 44100u);
    engine.inputRate = 48000;
    engine.stereo = false;
    engine.levelShift = 3;
    EXPECT_EQ(WriterFormat(engine, true).bufferBytes, 2400u);  // 0.025 s at shift 3
    engine.inputRate = 96000;  // the digital input card at its highest rate
    engine.inputWidth = 24;
    engine.levelShift = 2;
    EXPECT_EQ(WriterFormat(engine, true).bufferBytes, 14400u);

    // Playing a file sets the reader's fields, never the recording's.
    EngineFormat played;
    JStreamAudioReadWavFile reader(played);
    const auto header = PcmWavHeader(2, 88200, 24, 26460 * 3);
    std::vector<uint8_t> wav(header.begin(), header.end());
    wav.resize(wav.size() + 26460 * 3);
    reader.UseMemory(wav);
    ASSERT_GT(reader.Validate(), 0u);
    const AudioWriteFormat recorded = WriterFormat(played, true);
    EXPECT_EQ(recorded.recordingRate, 44100u);
    EXPECT_EQ(recorded.sampleBits, 16);
    EXPECT_EQ(recorded.bufferBytes, 4410u);
}

TEST(Mp2Encoder, At48kNothingStaysStagedAndTheTailIsPadded) {
    CollectingWriter w;
    ASSERT_TRUE(w.SetBitrate(3));
    ASSERT_TRUE(w.StartEncoder({false, 48000, 44100}));
    auto pcm = Sine(48000, 1152 * 10 + 100, 1, 440);
    w.EncodeSamples(pcm.data(), 1152);
    EXPECT_EQ(w.PendingFrames(), 0u);
    w.EncodeSamples(pcm.data() + 1152, 1152 * 9 + 100);
    EXPECT_EQ(w.PendingFrames(), 100u);
    w.FinishEncoder();
    EXPECT_EQ(CountFrames(w.bytes, 192), 11);  // ten full frames and one padded with silence
    ASSERT_FALSE(w.blocks.empty());
    for (size_t i = 0; i + 1 < w.blocks.size(); ++i) EXPECT_EQ(w.blocks[i], 8192u);
    EXPECT_EQ(w.bytes.size(), 11u * 192u);
}

TEST(Mp2Encoder, RecordingAt441kDecodesCleanlyAt48kWithTheRightLength) {
    test::TempDir dir;
    for (bool stereo : {false, true}) {
        CollectingWriter w;
        ASSERT_TRUE(w.SetBitrate(stereo ? 7 : 3));
        ASSERT_TRUE(w.StartEncoder({stereo, 44100, 44100}));
        const uint32_t frames = 44100 * 3;  // three seconds in 0.05 s buffers
        auto pcm = Sine(44100, frames, stereo ? 2 : 1, 1000);
        for (uint32_t at = 0; at < frames; at += 2205)
            w.EncodeSamples(pcm.data() + at * (stereo ? 2 : 1), 2205);
        w.FinishEncoder();
        const std::string path = dir.File(stereo ? "s.mp2" : "m.mp2");
        test::WriteFileBytes(path, w.bytes);
        const int count = CountFrames(w.bytes, w.Bitrate().frameLength);
        // 144000 samples at 48 kHz make 125 frames; the padded tail may add one.
        EXPECT_GE(count, 125) << stereo;
        EXPECT_LE(count, 126) << stereo;

        EXPECT_EQ(test::CaptureCommand("ffmpeg -v error -xerror -i " + path + " -f null - 2>&1"),
                  "")
            << stereo;
        const std::string mpg123 = test::CaptureCommand("mpg123 -t " + path + " 2>&1");
        EXPECT_NE(mpg123.find("finished."), std::string::npos) << mpg123;
        EXPECT_EQ(mpg123.find("rror"), std::string::npos) << mpg123;
        EXPECT_EQ(test::CaptureCommand(
                      "mediainfo --Inform='Audio;%Format_Profile%,%SamplingRate%' " + path),
                  "Layer 2,48000\n");
        std::string probe = test::CaptureCommand(
            "ffprobe -v error -show_entries stream=sample_rate,channels,bit_rate "
            "-of default=nw=1 " +
            path);
        EXPECT_NE(probe.find("sample_rate=48000"), std::string::npos) << probe;
        EXPECT_NE(probe.find(stereo ? "channels=2" : "channels=1"), std::string::npos) << probe;
        EXPECT_NE(probe.find(stereo ? "bit_rate=128000" : "bit_rate=64000"), std::string::npos)
            << probe;
    }
}

}  // namespace
}  // namespace mora
