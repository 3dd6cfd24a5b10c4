// The setup program's audio tools: EQ presets, the sample-rate measurement on a device whose
// clock the test moves, and the looped file playback.

#include <gtest/gtest.h>

#include <vector>

#include "audio/eq_audition.h"
#include "audio/eq_preset_file.h"
#include "audio/rate_measurement.h"
#include "platform/audio/audio_system.h"
#include "platform/audio/wav_io.h"
#include "platform/event_loop.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {

TEST(EqPresetFile, WrittenAndReadBackRestoresTheBandsExactly) {
    test::TempDir dir;
    EqBandSet bands = {EqBand{19890, -200, 101, 1}, EqBand{250, 35, 1, 0},
                       EqBand{65535, 200, 65535, 1}};
    std::string error;
    ASSERT_TRUE(SaveEqPresetFile(dir.File("Voice.eqp"), bands, error)) << error;
    EXPECT_EQ(test::ReadFileBytes(dir.File("Voice.eqp")).size(), kEqPresetBytes);
    EqBandSet back = DefaultEqBands();
    ASSERT_TRUE(LoadEqPresetFile(dir.File("Voice.eqp"), back, error)) << error;
    for (int b = 0; b < kEqBandCount; ++b) {
        EXPECT_EQ(back[b].Frequency, bands[b].Frequency);
        EXPECT_EQ(back[b].Gain, bands[b].Gain);
        EXPECT_EQ(back[b].Q, bands[b].Q);
        EXPECT_EQ(back[b].Enabled, bands[b].Enabled);
    }
    EXPECT_EQ(EqPresetName(dir.File("Voice.eqp")), "Voice");

    // Any other file is refused and leaves the bands as they were.
    test::WriteFileBytes(dir.File("short.eqp"), std::vector<uint8_t>(29, 1));
    EXPECT_FALSE(LoadEqPresetFile(dir.File("short.eqp"), back, error));
    EXPECT_EQ(back[0].Frequency, 19890);
}

TEST(RateMeasurement, CountsDownFrom100To1AndConvergesOnTheDeviceRate) {
    RateMeasurement m;
    StartRateMeasurement(m, 40000);
    std::vector<int> countdown;
    RateReport last;
    // A device that plays exactly 8192 samples every 8192000 / 44100 ms.
    for (uint32_t i = 1; i <= kMeasureBuffers; ++i) {
        const auto now = static_cast<uint32_t>(1000 + i * 8192000ull / 44100);
        RateReport r = CountRateBuffer(m, now);
        if (r.show) {
            countdown.push_back(r.countdown);
            last = r;
        }
    }
    ASSERT_EQ(countdown.size(), 100u);
    EXPECT_EQ(countdown.front(), 100);
    EXPECT_EQ(countdown.back(), 1);
    EXPECT_NEAR(last.rate, 44100, 200);
    EXPECT_EQ(CountdownText(7), "Wait...   7");

    // A clock that stands still tells nothing; the estimate stays finite.
    StartRateMeasurement(m, 44100);
    for (int i = 0; i < 12; ++i) CountRateBuffer(m, 5);
    EXPECT_EQ(m.estimate, 44100);
}

TEST(SampleRateMeter, OnTheNullDeviceEndsNear44100) {
    ManualEventLoop loop;
    auto system = MakeNullAudioSystem(loop, Pace::kRealTime);
    SampleRateMeter meter(*system, [&] { return static_cast<uint32_t>(loop.NowMs()); });
    std::vector<uint32_t> rates;
    bool finished = false;
    ASSERT_EQ(meter.Start(
                  30000, 45, [&](const RateReport& r) { rates.push_back(r.rate); },
                  [&] { finished = true; }),
              kAudioOk);
    for (int i = 0; i < 2000 && !finished; ++i) loop.Advance(10);
    EXPECT_TRUE(finished);
    EXPECT_FALSE(meter.Running());
    ASSERT_EQ(rates.size(), 10u);
    EXPECT_NEAR(rates.back(), 44100, 400);
}

TEST(LoopingSampleReader, AFileShorterThanOneBufferRepeatsToFillIt) {
    test::TempDir dir;
    std::vector<uint8_t> file(44, 0);
    for (uint8_t v : {1, 2, 3, 4, 5, 6}) file.push_back(v);
    test::WriteFileBytes(dir.File("short.wav"), file);
    LoopingSampleReader reader;
    std::string error;
    ASSERT_TRUE(reader.Open(dir.File("short.wav"), error)) << error;
    std::vector<uint8_t> buffer(kToolBufferBytes);
    for (int round = 0; round < 2; ++round) {
        reader.Fill(buffer.data(), static_cast<uint32_t>(buffer.size()));
        for (size_t i = 0; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], ((round * buffer.size() + i) % 6) + 1) << i;
    }

    // A header without samples could never fill a buffer.
    test::WriteFileBytes(dir.File("empty.wav"), std::vector<uint8_t>(44, 0));
    EXPECT_FALSE(reader.Open(dir.File("empty.wav"), error));
}

TEST(EqAudition, PlaysAFileLoopedThroughTheEqualiser) {
    test::TempDir dir;
    std::vector<uint8_t> file(44, 0);
    for (int i = 0; i < 100; ++i) file.push_back(static_cast<uint8_t>(i));
    test::WriteFileBytes(dir.File("in.wav"), file);
    ManualEventLoop loop;
    auto system = MakeFileAudioSystem(loop, "", dir.File("out.wav"), Pace::kRealTime);
    Settings settings;
    settings.EqOn = 0;  // passes unchanged
    InputDsp dsp;
    ComputeAllSections(dsp, settings, 0);
    EqAudition audition(*system);
    auto reader = std::make_unique<LoopingSampleReader>();
    std::string error;
    ASSERT_TRUE(reader->Open(dir.File("in.wav"), error));
    ASSERT_EQ(audition.StartFile(std::move(reader), dsp), kAudioOk);
    loop.Advance(1000);  // more than four buffers' time
    audition.Stop();
    loop.RunPending();
    const auto out = test::ReadFileBytes(dir.File("out.wav"));
    ASSERT_GE(out.size(), 44u + 4 * kToolBufferBytes);
    for (size_t i = 0; i < 4 * kToolBufferBytes; ++i) ASSERT_EQ(out[44 + i], i % 100) << i;
}

TEST(EqAudition, MonitorsTheInputThroughTheEqualiserToTheOutput) {
    test::TempDir dir;
    const uint32_t samples = 3 * kToolBufferSamples;
    std::vector<uint8_t> in = WavHeader(ToolFormat(), 2ull * samples);
    for (uint32_t i = 0; i < samples; ++i) {
        const auto v = static_cast<int16_t>((i % 200) * 100 - 10000);
        in.push_back(static_cast<uint8_t>(v));
        in.push_back(static_cast<uint8_t>(v >> 8));
    }
    test::WriteFileBytes(dir.File("in.wav"), in);
    ManualEventLoop loop;
    auto system =
        MakeFileAudioSystem(loop, dir.File("in.wav"), dir.File("out.wav"), Pace::kRealTime);
    Settings settings;
    settings.EqOn = 1;
    settings.EqOverallGain = -6;  // all bands off: only the make-up gain acts
    InputDsp dsp;
    ComputeAllSections(dsp, settings, 0);
    EqAudition audition(*system);
    ASSERT_EQ(audition.StartMonitor(dsp), kAudioOk);
    loop.Advance(2000);
    audition.Stop();
    loop.RunPending();
    const auto out = test::ReadFileBytes(dir.File("out.wav"));
    ASSERT_GE(out.size(), 44u + 2 * kToolBufferBytes);
    for (size_t i = 0; i < 2 * kToolBufferSamples; ++i) {
        const auto x = static_cast<int16_t>(in[44 + 2 * i] | (in[45 + 2 * i] << 8));
        const auto y = static_cast<int16_t>(out[44 + 2 * i] | (out[45 + 2 * i] << 8));
        ASSERT_EQ(y, (static_cast<int64_t>(dsp.multiplier) * x * 4) >> 10) << i;
    }
}

}  // namespace
}  // namespace mora
