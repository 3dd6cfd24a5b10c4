// The playback rate converter: gain, pitch, how much input it takes, and the rate it aims at.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "audio/engine_format.h"
#include "audio/playback_converter.h"

namespace mora::test {
namespace {

std::vector<int16_t> Tone(double hz, uint32_t rate, uint32_t frames, double amplitude) {
    std::vector<int16_t> v(frames);
    for (uint32_t i = 0; i < frames; ++i)
        v[i] = static_cast<int16_t>(
            std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate)));
    return v;
}

// Converts `in` (mono) completely and returns the output.
std::vector<int16_t> Convert(const std::vector<int16_t>& in, uint32_t from, uint32_t to) {
    PlaybackConverter c;
    c.Reset(from, to, 1);
    c.Push(in.data(), static_cast<uint32_t>(in.size()));
    std::vector<int16_t> out(in.size() * to / from + 8);
    out.resize(c.Produce(out.data(), static_cast<uint32_t>(out.size()), 1));
    return out;
}

double Peak(const std::vector<int16_t>& v, size_t from) {
    double p = 0;
    for (size_t i = from; i < v.size() - 40; ++i)
        p = std::max(p, std::abs(static_cast<double>(v[i])));
    return p;
}

TEST(PlaybackConverter, KeepsLevelAndPitchAtEverySourceRate) {
    for (uint32_t from : {48000u, 88200u, 96000u}) {
        for (uint32_t to : {44100u, 44150u}) {
            const auto out = Convert(Tone(1000, from, from, 16000), from, to);
            EXPECT_NEAR(static_cast<double>(out.size()), to, 30) << from << "->" << to;
            EXPECT_NEAR(Peak(out, 100), 16000, 160) << from << "->" << to;
            int crossings = 0;
            for (size_t i = 101; i < out.size() - 40; ++i)
                crossings += (out[i - 1] < 0) != (out[i] < 0);
            // 1000 Hz: two crossings per period over the measured part.
            const double seconds = (out.size() - 141.0) / to;
            EXPECT_NEAR(crossings / seconds, 2000, 10) << from << "->" << to;
        }
    }
}

TEST(PlaybackConverter, ToneAboveTheOutputBandIsSuppressed) {
    // 30 kHz would fold down to 14.1 kHz at 44100 Hz.
    for (uint32_t from : {88200u, 96000u}) {
        const auto out = Convert(Tone(30000, from, from / 2, 16000), from, 44100);
        EXPECT_LT(Peak(out, 100), 16000 * 0.1) << from;
    }
}

TEST(PlaybackConverter, AsksForExactlyTheInputItConsumes) {
    PlaybackConverter c;
    c.Reset(48000, 44100, 2);
    const auto tone = Tone(440, 48000, 48000, 8000);
    std::vector<int16_t> stereo;
    for (int16_t s : tone) stereo.insert(stereo.end(), {s, static_cast<int16_t>(-s)});
    size_t fed = 0;
    std::vector<int16_t> out(2205 * 2);
    for (int unit = 0; unit < 19; ++unit) {
        const uint32_t need = c.InputNeeded(2205);
        c.Push(stereo.data() + fed * 2, need);
        fed += need;
        ASSERT_EQ(c.Produce(out.data(), 2205, 2), 2205u) << unit;
        EXPECT_EQ(c.InputNeeded(0), 0u);
        ASSERT_NEAR(out[1000], -out[1001], 1);
    }
    // 19 units of 0.05 s take 19 * 2400 frames plus the filter's look-ahead.
    EXPECT_GE(fed, 19u * 2400u);
    EXPECT_LE(fed, 19u * 2400u + 20u);
    EXPECT_LE(c.CarriedFrames(), 22u);
}

TEST(PlaybackConverter, CopiesAndMapsChannelsWhenRatesAreEqual) {
    PlaybackConverter c;
    c.Reset(44100, 44100, 2);
    const std::vector<int16_t> in{100, 300, -5, -7, 32767, 32767};
    c.Push(in.data(), 3);
    EXPECT_EQ(c.InputNeeded(3), 0u);
    std::vector<int16_t> mono(3);
    ASSERT_EQ(c.Produce(mono.data(), 5, 1), 3u);
    EXPECT_EQ(mono, (std::vector<int16_t>{200, -6, 32767}));
}

TEST(EngineFormat, OnlyAPlausibleMeasuredRateIsUsed) {
    EngineFormat f;
    f.measuredSampleRate = 44180;
    EXPECT_EQ(CompensatedRate(f), 44100u);  // not compensating
    f.compensateInCodecs = true;
    EXPECT_EQ(CompensatedRate(f), 44180u);
    for (uint32_t broken : {0u, 1u, 22050u, 96000u}) {
        f.measuredSampleRate = broken;
        EXPECT_EQ(CompensatedRate(f), 44100u) << broken;
    }
    f.levelShift = 3;
    EXPECT_EQ(OutputFramesPerUnit(f), 1102u);
    f.externalInterface = true;
    f.levelShift = 2;
    EXPECT_EQ(OutputFramesPerUnit(f), 2400u);
}

}  // namespace
}  // namespace mora::test
