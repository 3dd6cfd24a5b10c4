#include "audio/input_processing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "audio/eq_presets.h"
#include "audio/output_volume.h"
#include "platform/program_dir.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {

std::vector<uint8_t> ToBytes(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> bytes;
    for (int16_t s : samples) {
        bytes.push_back(static_cast<uint8_t>(s & 0xff));
        bytes.push_back(static_cast<uint8_t>((s >> 8) & 0xff));
    }
    return bytes;
}

std::vector<int16_t> ToSamples(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> samples;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        samples.push_back(static_cast<int16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return samples;
}

std::vector<int16_t> Process(InputDsp& dsp, const std::vector<int16_t>& in) {
    auto bytes = ToBytes(in);
    ProcessInputBuffer(dsp, bytes.data(), static_cast<uint32_t>(bytes.size()));
    return ToSamples(bytes);
}

std::vector<int16_t> Sine(double freq, double amplitude, int frames, double rate = 44100) {
    std::vector<int16_t> out(frames);
    for (int i = 0; i < frames; ++i)
        out[i] = static_cast<int16_t>(
            std::lround(amplitude * std::sin(2 * std::numbers::pi * freq * i / rate)));
    return out;
}

int Peak(const std::vector<int16_t>& s, size_t from) {
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
    const std::array<int32_t, 5> boost{155503082, 349239710, -193028121, -349239710, 305960495};
    const std::array<int32_t, 5> cut{246543908, 506055855, -242800511, -506055855, 264692059};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(dsp.sections[0].c[i], boost[i]) << i;
        EXPECT_EQ(dsp.sections[1].c[i], cut[i]) << i;
    }
    dsp.sampleRate = 48000;
    ComputeSection(dsp, s, 0, 2);
    const std::array<int32_t, 5> low48k{252589349, 524329479, -256174906, -524329479, 272021012};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(dsp.sections[2].c[i], low48k[i]) << i;
}

TEST(EqCoefficients, DisabledAndUnusableBandsPassThrough) {
    InputDsp dsp;
    // Disabled; 0 Hz; above half the sample rate; Q of 0.
    for (EqBand band : {EqBand{5000, 60, 20, 0}, EqBand{0, 60, 20, 1}, EqBand{30000, 60, 20, 1},
                        EqBand{1000, 60, 0, 1}}) {
        Settings s = EqSettings(band, band, band);
        ComputeAllSections(dsp, s, 0);
        for (const auto& section : dsp.sections) {
            EXPECT_EQ(section.c, (std::array<int32_t, 5>{0, 0, 0, 0, kQ28One}));
        }
    }
}

TEST(GainMultiplier, InputGainAndMakeUpGain) {
    EXPECT_EQ(GainMultiplier(0), 256u);
    EXPECT_EQ(GainMultiplier(40), 25600u);
    EXPECT_EQ(GainMultiplier(6), 510u);
    EXPECT_EQ(GainMultiplier(-6), 128u);
    // Absurd make-up gains stay finite.
    EXPECT_EQ(GainMultiplier(-32768), 0u);
    EXPECT_GT(GainMultiplier(32767), 0u);

    InputDsp dsp;
    Settings s;
    s.EqOn = 1;
    s.EqOverallGain = 6;
    ComputeAllSections(dsp, s, 0);
    EXPECT_EQ(dsp.multiplier, 510u);
    s.EqOn = 0;
    ComputeAllSections(dsp, s, 0);
    EXPECT_EQ(dsp.multiplier, 256u);

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
    // Full-scale negative sample after silence: -32768 becomes -32767.
    auto out = Process(dsp, {0, 0, 0, -32768});
    EXPECT_EQ(out, (std::vector<int16_t>{0, 0, 0, -32767}));

    // A constant offset is removed over time.
    ResetInputState(dsp);
    out = Process(dsp, std::vector<int16_t>(20000, 1000));
    EXPECT_EQ(out[0], 1000);
    EXPECT_LT(out[2000], 200);
    EXPECT_LE(std::abs(out.back()), 1);

    // 40 dB of gain clips at both rails.
    ResetInputState(dsp);
    uint32_t gain = 40;
    GainStep(dsp, s, gain, 0);
    out = Process(dsp, {1000, -2000});
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], -32767);
}

TEST(ProcessInputBuffer, DisabledEqualiserMatchesNoEqualiser) {
    Settings off;
    off.EqOn = 0;
    Settings on = EqSettings({5000, 60, 20, 0}, {1000, -30, 20, 0}, {250, 40, 20, 0});
    InputDsp a, b;
    ComputeAllSections(a, off, 12);
    ComputeAllSections(b, on, 12);
    auto in = Sine(440, 3000, 4410);
    EXPECT_EQ(Process(a, in), Process(b, in));
}

TEST(ProcessInputBuffer, PeakingBandBoostsItsCentreOnly) {
    Settings s = EqSettings({5000, 60, 20, 1}, {1000, -60, 20, 0}, {250, 0, 20, 0});
    auto gainAt = [&](double freq) {
        InputDsp dsp;
        ComputeAllSections(dsp, s, 0);
        auto out = Process(dsp, Sine(freq, 4000, 44100));
        return Peak(out, 22050) / 4000.0;
    };
    EXPECT_NEAR(gainAt(5000), std::pow(10.0, 6.0 / 20.0), 0.03);
    EXPECT_NEAR(gainAt(300), 1.0, 0.03);

    s.EqBands[0].Gain = -60;  // the same band as a cut
    EXPECT_NEAR(gainAt(5000), std::pow(10.0, -6.0 / 20.0), 0.03);
}

TEST(ProcessInputBuffer, StereoChannelsKeepTheirOwnState) {
    Settings s = EqSettings({5000, 60, 20, 1}, {1000, -30, 20, 1}, {250, 40, 20, 1});
    InputDsp mono, stereo;
    stereo.channels = 2;
    ComputeAllSections(mono, s, 6);
    ComputeAllSections(stereo, s, 6);
    auto right = Sine(5000, 8000, 2000);
    std::vector<int16_t> interleaved;
    for (int16_t r : right) {
        interleaved.push_back(0);
        interleaved.push_back(r);
    }
    auto outStereo = Process(stereo, interleaved);
    auto outMono = Process(mono, right);
    for (size_t i = 0; i < right.size(); ++i) {
        ASSERT_EQ(outStereo[2 * i], 0) << i;
        ASSERT_EQ(outStereo[2 * i + 1], outMono[i]) << i;
    }
}

class FakeVolume : public OutputVolumeDevice {
  public:
    bool SetOutputVolume(uint32_t volume) override {
        calls.push_back(volume);
        return accept;
    }
    bool accept = true;
    std::vector<uint32_t> calls;
};

TEST(VolumeStep, SetsBothChannelsAndKeepsStepOnlyWhenAccepted) {
    EXPECT_EQ(VolumeLevel(20), 65535u);
    EXPECT_EQ(VolumeLevel(0), 6553u);
    Settings s;
    s.OutputVolumeControl = 1;
    FakeVolume device;
    uint32_t step = 3;
    EXPECT_TRUE(VolumeStep(device, s, step, -5));
    EXPECT_EQ(step, 0u);
    EXPECT_EQ(device.calls.back(), 6553u | (6553u << 16));
    EXPECT_TRUE(VolumeStep(device, s, step, 30));
    EXPECT_EQ(step, 20u);
    EXPECT_EQ(device.calls.back(), 0xFFFFFFFFu);

    device.accept = false;
    EXPECT_FALSE(VolumeStep(device, s, step, -1));
    EXPECT_EQ(step, 20u);

    s.OutputVolumeControl = 0;
    device.calls.clear();
    EXPECT_FALSE(VolumeStep(device, s, step, -1));
    EXPECT_TRUE(device.calls.empty());
}

Settings PresetSettings() {
    Settings s;
    s.EqProfiles[0] = {"Studio_int", {EqBand{5000, 30, 20, 1}, EqBand{}, EqBand{}}, 1, 2};
    s.EqProfiles[1] = {"Studio_ext", {EqBand{5000, -30, 20, 1}, EqBand{}, EqBand{}}, 1, -3};
    s.EqProfiles[2] = {"", {}, 1, 0};
    s.EqProfiles[3] = {"Hidden", {}, 1, 0};  // after an empty name: never found
    return s;
}

TEST(EqPresets, SelectAndApplyAtStartUp) {
    Settings s = PresetSettings();
    InputDsp dsp;
    SelectPreset(dsp, s, 0, 1);
    EXPECT_EQ(s.EqBands[0].Gain, -30);
    EXPECT_EQ(s.EqOverallGain, -3);
    EXPECT_EQ(dsp.multiplier, GainMultiplier(-3));
    EXPECT_NE(dsp.sections[0].c[EqSection::A0], kQ28One);

    s.EqProfileName = "Hidden";
    EXPECT_FALSE(ApplyStartupPreset(dsp, s, 0));
    EXPECT_EQ(s.EqOn, 0u);
    EXPECT_FALSE(dsp.eqOn);
    s.EqProfileName = "Studio_int";
    EXPECT_TRUE(ApplyStartupPreset(dsp, s, 10));
    EXPECT_EQ(s.EqOverallGain, 2);
    EXPECT_EQ(dsp.multiplier, GainMultiplier(12));
}

TEST(EqPresets, FollowHeadset) {
    test::TempDir dir;
    SetProgramDir(dir.Path());
    EXPECT_EQ(ReadHeadsetState(), -1);
    test::WriteFileText(dir.File("state.txt"), "[Hardware]\r\nHeadset=1\r\n");
    EXPECT_EQ(ReadHeadsetState(), 1);
    SetProgramDir("");

    Settings s = PresetSettings();
    InputDsp dsp;
    s.EqProfileName = "Studio_int";
    EXPECT_FALSE(FollowHeadset(dsp, s, 0, -1));
    EXPECT_TRUE(FollowHeadset(dsp, s, 0, 1));
    EXPECT_EQ(s.EqProfileName, "Studio_ext");
    EXPECT_EQ(s.EqOverallGain, -3);
    EXPECT_TRUE(FollowHeadset(dsp, s, 0, 0));
    EXPECT_EQ(s.EqProfileName, "Studio_int");

    s.EqProfileName = "Other_int";  // no such preset for the headset
    EXPECT_FALSE(FollowHeadset(dsp, s, 0, 1));
    EXPECT_EQ(s.EqProfileName, "Other_int");
    s.EqProfileName = "_int";  // too short to carry a base name
    EXPECT_FALSE(FollowHeadset(dsp, s, 0, 1));
}

}  // namespace
}  // namespace mora
