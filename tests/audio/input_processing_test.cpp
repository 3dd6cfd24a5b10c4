#include "audio/input_processing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "audio/eq_presets.h"
#include "audio/output_volume.h"
#include "platform/program_dir.h"
#include "platform/system_facts.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {

using Samples = std::vector<int16_t>;

// The buffers are little-endian, as is every host this runs on.
Samples Process(InputDsp& dsp, Samples s) {
    ProcessInputBuffer(dsp, reinterpret_cast<uint8_t*>(s.data()),
                       static_cast<uint32_t>(2 * s.size()));
    return s;
}

Samples Sine(double freq, double amplitude, int frames) {
    Samples out(frames);
    for (int i = 0; i < frames; ++i)
        out[i] = static_cast<int16_t>(
            std::lround(amplitude * std::sin(2 * std::numbers::pi * freq * i / 44100)));
    return out;
}

int Peak(const Samples& s, size_t from) {
    int peak = 0;
    for (size_t i = from; i < s.size(); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(s[i])));
    return peak;
}

Settings EqSettings(EqBand high, EqBand mid, EqBand low) {
    Settings s;
    s.EqOn = 1;
    s.EqBands = {high, mid, low};
    return s;
}

// Expected values come from the textbook bilinear peaking filter (boost and cut forms written
// separately), truncated to Q28 in the order a2, -b1, -b2, a1, a0.
TEST(EqCoefficients, MatchIndependentlyComputedValues) {
    InputDsp dsp;
    Settings s = EqSettings({5000, 60, 20, 1}, {1000, -30, 20, 1}, {250, 40, 7, 1});
    ComputeAllSections(dsp, s, 0);
    EXPECT_EQ(dsp.sections[0].c,
              (std::array<int32_t, 5>{155503082, 349239710, -193028121, -349239710, 305960495}));
    EXPECT_EQ(dsp.sections[1].c,
              (std::array<int32_t, 5>{246543908, 506055855, -242800511, -506055855, 264692059}));
    dsp.sampleRate = 48000;
    ComputeSection(dsp, s, 0, 2);
    EXPECT_EQ(dsp.sections[2].c,
              (std::array<int32_t, 5>{252589349, 524329479, -256174906, -524329479, 272021012}));
}

TEST(EqCoefficients, DisabledAndUnusableBandsPassThrough) {
    InputDsp dsp;
    // Disabled; 0 Hz; above half the sample rate; Q of 0.
    for (EqBand band : {EqBand{5000, 60, 20, 0}, EqBand{0, 60, 20, 1}, EqBand{30000, 60, 20, 1},
                        EqBand{1000, 60, 0, 1}}) {
        ComputeAllSections(dsp, EqSettings(band, band, band), 0);
        for (const auto& section : dsp.sections)
            EXPECT_EQ(section.c, (std::array<int32_t, 5>{0, 0, 0, 0, kQ28One}));
    }
}

TEST(GainMultiplier, InputGainMakeUpGainAndSteps) {
    EXPECT_EQ(GainMultiplier(40), 25600u);
    EXPECT_EQ(GainMultiplier(-6), 128u);
    EXPECT_EQ(GainMultiplier(-32768), 0u);  // absurd make-up gains stay finite
    InputDsp dsp;
    Settings s;
    s.EqOverallGain = 6;  // counts only with the equaliser on
    ComputeAllSections(dsp, s, 0);
    EXPECT_EQ(dsp.multiplier, 510u);
    s.EqOn = 0;
    uint32_t gain = 38;
    GainStep(dsp, s, gain, 5);
    EXPECT_EQ(gain, 40u);
    EXPECT_EQ(dsp.multiplier, 25600u);
    GainStep(dsp, s, gain, -100);
    EXPECT_EQ(gain, 0u);
    EXPECT_EQ(dsp.multiplier, 256u);
}

TEST(ProcessInputBuffer, DcRemovalAndClipping) {
    InputDsp dsp;
    Settings s;
    s.EqOn = 0;
    ComputeAllSections(dsp, s, 0);
    EXPECT_EQ(Process(dsp, {0, 0, -32768}), (Samples{0, 0, -32767}));
    ResetInputState(dsp);
    Samples out = Process(dsp, Samples(20000, 1000));  // a constant offset dies away
    EXPECT_EQ(out[0], 1000);
    EXPECT_LT(out[2000], 200);
    EXPECT_LE(std::abs(out.back()), 1);
    ResetInputState(dsp);
    ComputeAllSections(dsp, s, 40);
    EXPECT_EQ(Process(dsp, {1000, -2000}), (Samples{32767, -32767}));
}

TEST(ProcessInputBuffer, DisabledEqualiserMatchesNoEqualiser) {
    Settings off;
    off.EqOn = 0;
    InputDsp a, b;
    ComputeAllSections(a, off, 12);
    ComputeAllSections(b, EqSettings({5000, 60, 20, 0}, {1000, -30, 20, 0}, {250, 40, 20, 0}), 12);
    const Samples in = Sine(440, 3000, 4410);
    EXPECT_EQ(Process(a, in), Process(b, in));
}

TEST(ProcessInputBuffer, PeakingBandBoostsOrCutsItsCentreOnly) {
    Settings s = EqSettings({5000, 60, 20, 1}, {1000, -60, 20, 0}, {250, 0, 20, 0});
    auto gainAt = [&](double freq) {
        InputDsp dsp;
        ComputeAllSections(dsp, s, 0);
        return Peak(Process(dsp, Sine(freq, 4000, 44100)), 22050) / 4000.0;
    };
    EXPECT_NEAR(gainAt(5000), std::pow(10.0, 6.0 / 20.0), 0.03);
    EXPECT_NEAR(gainAt(300), 1.0, 0.03);
    s.EqBands[0].Gain = -60;
    EXPECT_NEAR(gainAt(5000), std::pow(10.0, -6.0 / 20.0), 0.03);
}

TEST(ProcessInputBuffer, StereoChannelsKeepTheirOwnState) {
    Settings s = EqSettings({5000, 60, 20, 1}, {1000, -30, 20, 1}, {250, 40, 20, 1});
    InputDsp mono, stereo;
    stereo.channels = 2;
    ComputeAllSections(mono, s, 6);
    ComputeAllSections(stereo, s, 6);
    const Samples right = Sine(5000, 8000, 2000);
    Samples interleaved;
    for (int16_t r : right) interleaved.insert(interleaved.end(), {0, r});
    const Samples outStereo = Process(stereo, interleaved);
    const Samples outMono = Process(mono, right);
    for (size_t i = 0; i < right.size(); ++i) {
        ASSERT_EQ(outStereo[2 * i], 0) << i;
        ASSERT_EQ(outStereo[2 * i + 1], outMono[i]) << i;
    }
}

// The processing written out plainly, one sample at a time, for comparison.
struct Reference {
    InputDsp dsp;
    std::array<int32_t, 2> dc{};
    std::array<std::array<std::array<int32_t, 2>, 3>, 2> w{};

    static int64_t Q28(int64_t c, int64_t x) { return c * x / kQ28One; }
    static int32_t Sat(int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    }

    Samples Run(Samples s, bool removeDc) {
        for (size_t i = 0; i < s.size(); ++i) {
            const int ch = dsp.channels == 2 ? static_cast<int>(i % 2) : 0;
            int32_t d = s[i];
            if (removeDc) {
                d -= dc[ch] >> 10;
                dc[ch] += d;
            }
            int64_t y = (int64_t{dsp.multiplier} * d) >> 8;
            if (dsp.eqOn) {
                int32_t v = d * 4;
                for (int k = 0; k < 3; ++k) {
                    const auto& c = dsp.sections[k].c;
                    auto& [w1, w2] = w[ch][k];
                    const int32_t x = Sat(v + Q28(c[1], w1) + Q28(c[2], w2));
                    v = Sat(Q28(c[4], x) + Q28(c[3], w1) + Q28(c[0], w2));
                    w2 = std::exchange(w1, x);
                }
                y = (int64_t{dsp.multiplier} * v) >> 10;
            }
            s[i] = static_cast<int16_t>(std::clamp<int64_t>(y, -32767, 32767));
        }
        return s;
    }
};

// Loud noise over a tone, in buffers of uneven lengths (odd byte counts, single samples), with
// the equaliser's bands switched on and off between buffers, a 40 dB boost that clips and
// saturates the sections, and the input gain's full range.
// Runs `check` with the vector code of each processor level, the newest last, so the paths an
// older processor takes are tested on a newer one too.
template <typename Check>
void AtEverySimdLevel(Check check) {
    for (SimdLevel level : {SimdLevel::None, SimdLevel::Sse41, SimdLevel::Avx2}) {
        CapSimd(level);
        SCOPED_TRACE(static_cast<int>(level));
        check();
    }
}

void CompareWithPlainProcessing() {
    const std::vector<Settings> settings = {
        EqSettings({5000, 60, 20, 1}, {1000, -30, 20, 1}, {250, 40, 7, 1}),
        EqSettings({5000, 60, 20, 0}, {1000, -30, 20, 1}, {250, 40, 7, 0}),
        EqSettings({15000, 120, 20, 1}, {1000, -30, 5, 0}, {60, 400, 100, 1}),
        EqSettings({5000, 60, 20, 0}, {1000, -30, 20, 0}, {250, 40, 7, 0}),
        [] {
            Settings off;
            off.EqOn = 0;
            return off;
        }(),
    };
    uint32_t seed = 1;
    for (int channels : {1, 2}) {
        for (bool removeDc : {true, false}) {
            InputDsp dsp;
            dsp.channels = channels;
            Reference ref;
            for (int round = 0; round < 24; ++round) {
                ComputeAllSections(dsp, settings[round % 5], round % 3 == 0 ? 40 : 6);
                ref.dsp = dsp;
                Samples in(round % 5 == 4 ? 1 : 300 + 701 * (round % 3));
                for (size_t i = 0; i < in.size(); ++i) {
                    seed = seed * 1664525 + 1013904223;
                    in[i] = static_cast<int16_t>(static_cast<int32_t>(seed >> 17) - 16384 +
                                                 12000 * std::sin(0.01 * (i + 800 * round)));
                }
                Samples out = in;
                auto* bytes = reinterpret_cast<uint8_t*>(out.data());
                const uint32_t length = static_cast<uint32_t>(2 * out.size()) - (round % 2);
                if (removeDc)
                    ProcessInputBuffer(dsp, bytes, length);
                else
                    EqualiseBuffer(dsp, bytes, length);
                // An odd trailing byte is no sample and stays.
                Samples expected = ref.Run({in.begin(), in.end() - round % 2}, removeDc);
                if (!removeDc && !dsp.eqOn) expected = in;
                expected.resize(in.size(), in.back());
                ASSERT_EQ(out, expected) << channels << " " << removeDc << " " << round;
            }
        }
    }
}

TEST(ProcessInputBuffer, EqualsPlainProcessingAcrossBuffersAndSettingChanges) {
    AtEverySimdLevel(CompareWithPlainProcessing);
}

// Stereo buffers of a few frames, shorter than the lead-in of sections that run a few frames
// apart, between loud ones with a steep boost whose chunks leave the fast path's bound.
TEST(ProcessInputBuffer, StereoEqualsPlainProcessingInShortAndLoudBuffers) {
    const Settings steep = EqSettings({15000, 120, 20, 1}, {1000, -30, 5, 1}, {60, 400, 100, 1});
    const Settings mild = EqSettings({5000, 60, 20, 1}, {1000, -30, 20, 0}, {250, 40, 7, 1});
    InputDsp dsp;
    dsp.channels = 2;
    Reference ref;
    uint32_t seed = 5;
    for (int round = 0; round < 30; ++round) {
        ComputeAllSections(dsp, round % 4 < 2 ? steep : mild, 40);
        ref.dsp = dsp;
        Samples in(round % 2 ? 2 * (3 + round % 5) : 1200);
        for (int16_t& sample : in) {
            seed = seed * 1664525 + 1013904223;
            sample = static_cast<int16_t>(seed >> 16);
        }
        Samples out = in;
        ProcessInputBuffer(dsp, reinterpret_cast<uint8_t*>(out.data()),
                           static_cast<uint32_t>(2 * out.size()));
        ASSERT_EQ(out, ref.Run(in, true)) << round;
    }
}

// Mono buffers whose fast part ends in a chunk of one to three frames, fewer than the sections
// the equaliser runs in turn, with three and with two sections.
TEST(ProcessInputBuffer, EqualsPlainProcessingInShortMonoChunks) {
    for (const Settings& settings :
         {EqSettings({5000, 60, 20, 1}, {1000, -30, 20, 1}, {250, 40, 7, 1}),
          EqSettings({5000, 60, 20, 1}, {1000, -30, 20, 0}, {250, 40, 7, 1})}) {
        InputDsp dsp;
        ComputeAllSections(dsp, settings, 6);
        Reference ref{dsp};
        int i = 0;
        for (int frames : {3, 4, 5, 515, 516, 517}) {
            Samples in(frames);
            for (auto& sample : in) sample = static_cast<int16_t>(9000 * std::sin(0.05 * i++));
            ASSERT_EQ(Process(dsp, in), ref.Run(in, true)) << frames;
        }
    }
}

struct FakeVolume : OutputVolumeDevice {
    bool SetOutputVolume(uint32_t volume) override {
        calls.push_back(volume);
        return accept;
    }
    bool accept = true;
    std::vector<uint32_t> calls;
};

TEST(VolumeStep, SetsBothChannelsAndKeepsStepOnlyWhenAccepted) {
    Settings s;
    s.OutputVolumeControl = 1;
    FakeVolume device;
    uint32_t step = 3;
    EXPECT_TRUE(VolumeStep(device, s, step, -5));
    EXPECT_EQ(step, 0u);
    EXPECT_EQ(device.calls.back(), 6553u | (6553u << 16));
    EXPECT_TRUE(VolumeStep(device, s, step, 30));
    EXPECT_EQ(device.calls.back(), 0xFFFFFFFFu);
    device.accept = false;
    EXPECT_FALSE(VolumeStep(device, s, step, -1));
    EXPECT_EQ(step, 20u);
    s.OutputVolumeControl = 0;
    EXPECT_FALSE(VolumeStep(device, s, step, -1));
    EXPECT_EQ(device.calls.size(), 3u);
}

TEST(EqPresets, StartUpSelectionAndHeadset) {
    Settings s;
    s.EqProfiles[0] = {"Studio_int", {EqBand{5000, 30, 20, 1}, EqBand{}, EqBand{}}, 1, 2};
    s.EqProfiles[1] = {"Studio_ext", {EqBand{5000, -30, 20, 1}, EqBand{}, EqBand{}}, 1, -3};
    s.EqProfiles[3] = {"Hidden", {}, 1, 0};  // after an empty name: never found
    InputDsp dsp;
    s.EqProfileName = "Hidden";
    EXPECT_FALSE(ApplyStartupPreset(dsp, s, 0));
    EXPECT_FALSE(dsp.eqOn);
    s.EqProfileName = "Studio_int";
    EXPECT_TRUE(ApplyStartupPreset(dsp, s, 10));
    EXPECT_EQ(dsp.multiplier, GainMultiplier(12));

    test::TempDir dir;
    SetProgramDir(dir.Path());
    EXPECT_EQ(ReadHeadsetState(), -1);
    test::WriteFileText(dir.File("state.txt"), "[Hardware]\r\nHeadset=1\r\n");
    EXPECT_EQ(ReadHeadsetState(), 1);
    SetProgramDir("");
    EXPECT_FALSE(FollowHeadset(dsp, s, 0, -1));
    EXPECT_TRUE(FollowHeadset(dsp, s, 0, 1));
    EXPECT_EQ(s.EqProfileName, "Studio_ext");
    EXPECT_EQ(s.EqBands[0].Gain, -30);
    EXPECT_EQ(dsp.multiplier, GainMultiplier(-3));
    EXPECT_TRUE(FollowHeadset(dsp, s, 0, 0));
    EXPECT_EQ(s.EqProfileName, "Studio_int");
    s.EqProfileName = "Other_int";  // no preset for the headset
    EXPECT_FALSE(FollowHeadset(dsp, s, 0, 1));
    s.EqProfileName = "_int";  // too short to carry a base name
    EXPECT_FALSE(FollowHeadset(dsp, s, 0, 1));
}

}  // namespace
}  // namespace mora
