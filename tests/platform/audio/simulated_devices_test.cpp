#include <gtest/gtest.h>

#include "platform/audio/audio_system.h"
#include "platform/audio/simulated_devices.h"
#include "platform/event_loop.h"
#include "tests/platform/audio/audio_test_util.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::BufferSet;

constexpr PcmFormat kInterfaceStereo{48000, 2, 16};
constexpr uint32_t kTwentieth = 4800 * 2;  // 0.05 s of stereo 16-bit at 48000 Hz

// A stereo file with a quiet left channel (peak 328) and a silent right one.
std::string QuietLeftFile(const test::TempDir& dir) {
    auto mono = test::Sine(48000, 1, 1000, 0.01, 4800);
    std::vector<int16_t> stereo;
    for (int16_t s : mono) stereo.insert(stereo.end(), {s, 0});
    test::WriteWav16(dir.File("in.wav"), 48000, 2, stereo);
    return dir.File("in.wav");
}

uint32_t Peak(AudioInput& input) {
    uint32_t result = 0;
    EXPECT_EQ(input.Message(kMaycomMessage, kMaycomPeak, 0, result), kAudioOk);
    return result;
}

TEST(SimulatedInterface, IsListedLastAnswersItsCheckAndRunsOnlyAt48kHz) {
    ManualEventLoop loop;
    auto system = AddSimulatedMaycom(MakeNullAudioSystem(loop, Pace::kFast));
    const auto inputs = system->InputDevices();
    const auto outputs = system->OutputDevices();
    ASSERT_EQ(inputs.size(), 2u);
    EXPECT_EQ(inputs[1].compare(0, 6, "MAYCOM"), 0);
    EXPECT_EQ(outputs[1].compare(0, 6, "MAYCOM"), 0);

    uint32_t result = 0;
    EXPECT_EQ(system->DeviceMessage(false, 1, kMaycomCheckMessage, 0, 0, result), kAudioOk);
    EXPECT_EQ(result, 1u);
    EXPECT_EQ(system->DeviceMessage(false, 0, kMaycomCheckMessage, 0, 0, result),
              kAudioNotSupported);

    BufferSet set(1, 100);
    std::unique_ptr<AudioInput> input;
    std::unique_ptr<AudioOutput> output;
    EXPECT_EQ(system->OpenInput(kDefaultDevice, PcmFormat{44100, 2, 16}, set.Callback(), input),
              kAudioBadFormat);
    EXPECT_EQ(system->OpenOutput(1, PcmFormat{44100, 1, 16}, set.Callback(), output),
              kAudioBadFormat);
    ASSERT_EQ(system->OpenOutput(1, PcmFormat{48000, 1, 16}, set.Callback(), output), kAudioOk);
    EXPECT_EQ(output->Message(kMaycomMessage, kMaycomVolume, 127, result), kAudioOk);
    EXPECT_EQ(output->Message(kMaycomMessage, 77, 0, result), kAudioNotSupported);
    EXPECT_EQ(output->Message(1234, 0, 0, result), kAudioNotSupported);
    // The base device keeps its own rules.
    ASSERT_EQ(system->OpenInput(0, PcmFormat{44100, 1, 16}, set.Callback(), input), kAudioOk);
    EXPECT_EQ(input->Message(kMaycomMessage, kMaycomPeak, 0, result), kAudioNotSupported);
}

TEST(SimulatedInterface, GainActsOnTheSamplesAndThePeakFollowsEachChannel) {
    test::TempDir dir;
    ManualEventLoop loop;
    auto system =
        AddSimulatedMaycom(MakeFileAudioSystem(loop, QuietLeftFile(dir), "", Pace::kFast));
    BufferSet set(1, kTwentieth / 4);
    std::unique_ptr<AudioInput> input;
    ASSERT_EQ(system->OpenInput(kDefaultDevice, kInterfaceStereo, set.Callback(), input), kAudioOk);
    set.PrepareAll(*input);
    input->Start();
    auto next = [&] {
        input->AddBuffer(set.buffers[0]);
        loop.RunPending();
        return test::PeakOf(test::Samples16(std::vector<uint8_t>(
            set.memory[0].begin(), set.memory[0].begin() + set.buffers[0].bytesRecorded)));
    };

    EXPECT_EQ(next(), 328);  // unity gain until told otherwise
    EXPECT_EQ(Peak(*input), 328u << 16);

    uint32_t ignored = 0;
    ASSERT_EQ(input->Message(kMaycomMessage, kMaycomGain, 500, ignored),
              kAudioOk);  // clamps to 254
    const int loud = next();
    EXPECT_NEAR(loud, 328 * 35.48, 40);  // +31 dB
    EXPECT_EQ(Peak(*input), static_cast<uint32_t>(loud) << 16);

    MaycomControl control;
    control.gain = 192 - 12;  // -6 dB
    control.channels = 2;
    ASSERT_EQ(input->Message(kMaycomMessage, kMaycomControl, reinterpret_cast<uintptr_t>(&control),
                             ignored),
              kAudioOk);
    EXPECT_NEAR(next(), 328 / 2, 2);
    EXPECT_EQ(input->Message(kMaycomMessage, kMaycomControl, 0, ignored), kAudioInvalidParam);
}

TEST(SimulatedInterface, AMonoPeakFillsBothHalves) {
    test::TempDir dir;
    test::WriteWav16(dir.File("mono.wav"), 48000, 1, test::Sine(48000, 1, 1000, 0.5, 4800));
    ManualEventLoop loop;
    auto system =
        AddSimulatedMaycom(MakeFileAudioSystem(loop, dir.File("mono.wav"), "", Pace::kFast));
    BufferSet set(1, 4800);
    std::unique_ptr<AudioInput> input;
    ASSERT_EQ(system->OpenInput(1, PcmFormat{48000, 1, 16}, set.Callback(), input), kAudioOk);
    set.PrepareAll(*input);
    input->AddBuffer(set.buffers[0]);
    input->Start();
    loop.RunPending();
    ASSERT_EQ(set.returned.size(), 1u);
    EXPECT_EQ(Peak(*input), (16384u << 16) | 16384u);
}

TEST(SimulatedCard, ReportsItsRateCodeSignalAndDriverState) {
    EXPECT_EQ(PdAudioRateOf(4), 88100u);
    EXPECT_EQ(PdAudioRateOf(15), 0u);
    EXPECT_EQ(PdAudioRateOf(-1), 0u);

    ManualEventLoop loop;
    auto card = MakeSimulatedPdAudio(loop, PdAudioSimulation{96000, true, true});
    EXPECT_EQ(card->RateCode(), -1);  // not open
    EXPECT_EQ(card->Open(3), PdAudioStatus::kCardMissing);
    ASSERT_EQ(card->Open(1), PdAudioStatus::kOk);
    EXPECT_EQ(PdAudioRateOf(card->RateCode()), 96000u);
    EXPECT_TRUE(card->SignalPresent());

    auto odd = MakeSimulatedPdAudio(loop, PdAudioSimulation{50000, false, true});
    ASSERT_EQ(odd->Open(2), PdAudioStatus::kOk);
    EXPECT_EQ(PdAudioRateOf(odd->RateCode()), 0u);
    EXPECT_FALSE(odd->SignalPresent());

    auto driverless = MakeSimulatedPdAudio(loop, PdAudioSimulation{48000, true, false});
    EXPECT_EQ(driverless->Open(1), PdAudioStatus::kNoDriver);
}

TEST(SimulatedCard, Records24BitSamplesEveryTenMillisecondsAndStopReturnsThePartlyFilledBuffer) {
    ManualEventLoop loop;
    auto system = OpenAudioSystem(loop, "null+pdaudio:48000");
    ASSERT_TRUE(system.system);
    PdAudioCard* card = system.system->DigitalCard();
    ASSERT_NE(card, nullptr);
    BufferSet set(4, 19200 / 4 * 2 * 24 / 16);  // 0.05 s of stereo 24-bit
    std::unique_ptr<AudioInput> input;
    const PcmFormat format{48000, 2, 24};
    EXPECT_EQ(card->OpenInput(format, set.Callback(), input), kAudioNotEnabled);
    ASSERT_EQ(card->Open(1), PdAudioStatus::kOk);
    EXPECT_EQ(card->OpenInput(PcmFormat{44100, 2, 24}, set.Callback(), input), kAudioBadFormat);
    ASSERT_EQ(card->OpenInput(format, set.Callback(), input), kAudioOk);
    set.PrepareAll(*input);
    for (auto& b : set.buffers) input->AddBuffer(b);
    input->Start();
    loop.Advance(50);
    ASSERT_EQ(set.returned, std::vector<int>{0});
    // The upper 16 bits of the 24-bit samples carry the -12 dB tone.
    int peak = 0;
    for (size_t i = 0; i + 2 < set.collected.size(); i += 3)
        peak = std::max<int>(
            peak, static_cast<int16_t>(set.collected[i + 1] | (set.collected[i + 2] << 8)));
    EXPECT_NEAR(peak, 8192, 20);
    loop.Advance(20);
    input->Stop();
    loop.RunPending();
    ASSERT_EQ(set.returned, (std::vector<int>{0, 1}));
    EXPECT_EQ(set.recorded[1], 2u * 480 * 6);
}

}  // namespace
}  // namespace mora
