#include <gtest/gtest.h>

#include <cstring>

#include "platform/audio/audio_system.h"
#include "platform/event_loop.h"
#include "tests/platform/audio/audio_test_util.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::BufferSet;

constexpr PcmFormat kMono{44100, 1, 16};
constexpr uint32_t kTwentieth = 4410;  // 0.05 s of mono 16-bit at 44100 Hz

TEST(NullInput, DeliversAtRealTimePaceInQueueOrderAndNeverInsideACall) {
    ManualEventLoop loop;
    auto system = MakeNullAudioSystem(loop, Pace::kRealTime);
    BufferSet set(16, kTwentieth);
    std::unique_ptr<AudioInput> input;
    ASSERT_EQ(system->OpenInput(kDefaultDevice, kMono, set.Callback(), input), kAudioOk);
    set.buffers[0].data[0] = 0x55;  // silence must overwrite it
    ASSERT_EQ(set.PrepareAll(*input), kAudioOk);
    for (auto& b : set.buffers) ASSERT_EQ(input->AddBuffer(b), kAudioOk);

    ASSERT_EQ(input->Start(), kAudioOk);
    loop.Advance(49);
    EXPECT_TRUE(set.returned.empty());
    loop.Advance(1);
    ASSERT_EQ(set.returned, std::vector<int>{0});
    EXPECT_EQ(set.recorded[0], kTwentieth);
    EXPECT_EQ(set.memory[0][0], 0);
    loop.Advance(950);
    ASSERT_EQ(set.returned.size(), 16u);  // nothing was queued again
    for (int i = 0; i < 16; ++i) EXPECT_EQ(set.returned[i], i);
    for (auto& b : set.buffers) EXPECT_EQ(b.flags, kBufferPrepared | kBufferDone);

    // Reset returns nothing twice and posts, never calls.
    EXPECT_EQ(input->Reset(), kAudioOk);
    EXPECT_EQ(loop.PendingCount(), 0u);
}

TEST(NullInput, KeepsRunningWhenBuffersAreQueuedAgainFromTheHandler) {
    ManualEventLoop loop;
    auto system = MakeNullAudioSystem(loop, Pace::kRealTime);
    BufferSet set(4, kTwentieth);
    std::unique_ptr<AudioInput> input;
    AudioInput* raw = nullptr;
    BufferDone done = [&](AudioBuffer& b) {
        set.returned.push_back(static_cast<int>(b.user));
        EXPECT_EQ(raw->AddBuffer(b), kAudioOk);
    };
    ASSERT_EQ(system->OpenInput(0, kMono, done, input), kAudioOk);
    raw = input.get();
    set.PrepareAll(*input);
    for (auto& b : set.buffers) input->AddBuffer(b);
    input->Start();
    loop.Advance(1000);
    ASSERT_EQ(set.returned.size(), 20u);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(set.returned[i], i % 4);
}

TEST(BufferRules, PrepareQueueAndReleaseAreCheckedAndCloseReturnsWhatIsQueued) {
    ManualEventLoop loop;
    auto system = MakeNullAudioSystem(loop, Pace::kRealTime);
    BufferSet set(3, kTwentieth);
    std::unique_ptr<AudioInput> input;
    ASSERT_EQ(system->OpenInput(kDefaultDevice, kMono, set.Callback(), input), kAudioOk);
    EXPECT_EQ(input->AddBuffer(set.buffers[0]), kAudioUnprepared);
    AudioBuffer empty;
    EXPECT_EQ(input->Prepare(empty), kAudioInvalidParam);
    ASSERT_EQ(set.PrepareAll(*input), kAudioOk);
    ASSERT_EQ(input->AddBuffer(set.buffers[0]), kAudioOk);
    EXPECT_EQ(input->AddBuffer(set.buffers[0]), kAudioStillPlaying);
    EXPECT_EQ(input->Unprepare(set.buffers[0]), kAudioStillPlaying);
    ASSERT_EQ(input->AddBuffer(set.buffers[1]), kAudioOk);

    EXPECT_EQ(input->Close(), kAudioOk);
    EXPECT_TRUE(set.returned.empty());  // posted, not called
    input.reset();                      // the device may be gone before its returns run
    loop.RunPending();
    EXPECT_EQ(set.returned, (std::vector<int>{0, 1}));
    EXPECT_EQ(set.buffers[0].flags, kBufferPrepared | kBufferDone);
    EXPECT_EQ(system->OpenInput(1, kMono, set.Callback(), input), kAudioBadDevice);
    EXPECT_EQ(system->OpenInput(kDefaultDevice, PcmFormat{44100, 1, 8}, set.Callback(), input),
              kAudioBadFormat);
}

TEST(NullInput, StopReturnsThePartlyFilledBufferAndResetReturnsTheRest) {
    ManualEventLoop loop;
    auto system = MakeNullAudioSystem(loop, Pace::kRealTime);
    BufferSet set(4, kTwentieth);
    std::unique_ptr<AudioInput> input;
    ASSERT_EQ(system->OpenInput(kDefaultDevice, kMono, set.Callback(), input), kAudioOk);
    set.PrepareAll(*input);
    for (auto& b : set.buffers) input->AddBuffer(b);
    input->Start();
    loop.Advance(70);  // one full buffer and 20 ms of the next
    ASSERT_EQ(input->Stop(), kAudioOk);
    loop.Advance(200);  // stopped: nothing more fills
    ASSERT_EQ(set.returned, (std::vector<int>{0, 1}));
    EXPECT_EQ(set.recorded[1], 2 * 882u);

    input->Start();
    loop.Advance(30);
    ASSERT_EQ(input->Reset(), kAudioOk);
    loop.RunPending();
    ASSERT_EQ(set.returned, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(set.recorded[2], 3 * 882u);
    EXPECT_EQ(set.recorded[3], 0u);
    loop.Advance(500);
    EXPECT_EQ(set.returned.size(), 4u);
}

TEST(FileInput, FastPaceDeliversTheWholeFileAndEndsWithAShortBuffer) {
    test::TempDir dir;
    const auto tone = test::Sine(44100, 2, 1000, 0.5, 44100 / 4 + 100);  // 0.25 s and 100 frames
    test::WriteWav16(dir.File("in.wav"), 44100, 2, tone);
    ManualEventLoop loop;
    auto system = MakeFileAudioSystem(loop, dir.File("in.wav"), "", Pace::kFast);
    const PcmFormat stereo{44100, 2, 16};
    BufferSet set(16, 2 * kTwentieth);
    std::unique_ptr<AudioInput> input;
    ASSERT_EQ(system->OpenInput(kDefaultDevice, stereo, set.Callback(), input), kAudioOk);
    set.PrepareAll(*input);
    for (auto& b : set.buffers) input->AddBuffer(b);
    input->Start();
    loop.RunPending();
    ASSERT_EQ(set.returned.size(), 6u);
    EXPECT_EQ(set.recorded[4], 2 * kTwentieth);
    EXPECT_EQ(set.recorded[5], 400u);  // the last 100 frames
    EXPECT_EQ(test::Samples16(set.collected), tone);
    loop.Advance(1000);  // the buffers after the end stay queued
    EXPECT_EQ(set.returned.size(), 6u);
    input->Reset();
    loop.RunPending();
    EXPECT_EQ(set.returned.size(), 16u);
    for (size_t i = 6; i < 16; ++i) EXPECT_EQ(set.returned[i], static_cast<int>(i));

    // A file that ends exactly at a buffer's end: the next buffer comes back empty.
    test::WriteWav16(dir.File("even.wav"), 44100, 1,
                     test::Sine(44100, 1, 440, 0.1, kTwentieth / 2));
    auto even = MakeFileAudioSystem(loop, dir.File("even.wav"), "", Pace::kFast);
    BufferSet two(2, kTwentieth);
    ASSERT_EQ(even->OpenInput(kDefaultDevice, kMono, two.Callback(), input), kAudioOk);
    two.PrepareAll(*input);
    for (auto& b : two.buffers) input->AddBuffer(b);
    input->Start();
    loop.RunPending();
    EXPECT_EQ(two.recorded, (std::vector<uint32_t>{kTwentieth, 0}));
}

TEST(FileInput, RefusesAMissingFileAndOneInAnotherFormat) {
    test::TempDir dir;
    test::WriteWav16(dir.File("in.wav"), 48000, 1, test::Sine(48000, 1, 1000, 0.5, 480));
    ManualEventLoop loop;
    BufferSet set(1, 100);
    std::unique_ptr<AudioInput> input;
    auto missing = MakeFileAudioSystem(loop, dir.File("none.wav"), "", Pace::kFast);
    EXPECT_EQ(missing->OpenInput(kDefaultDevice, kMono, set.Callback(), input), kAudioBadDevice);
    auto other = MakeFileAudioSystem(loop, dir.File("in.wav"), "", Pace::kFast);
    EXPECT_EQ(other->OpenInput(kDefaultDevice, kMono, set.Callback(), input), kAudioBadFormat);
    EXPECT_EQ(other->OpenInput(kDefaultDevice, PcmFormat{48000, 1, 16}, set.Callback(), input),
              kAudioOk);
    test::WriteFileText(dir.File("junk.wav"), "RIFF....WAVEjunk");
    auto junk = MakeFileAudioSystem(loop, dir.File("junk.wav"), "", Pace::kFast);
    EXPECT_EQ(junk->OpenInput(kDefaultDevice, kMono, set.Callback(), input), kAudioError);
}

TEST(FileOutput, PlaysAtRealTimePaceWritesAWavFileAndFollowsTheVolume) {
    test::TempDir dir;
    ManualEventLoop loop;
    auto system = MakeFileAudioSystem(loop, "", dir.File("out.wav"), Pace::kRealTime);
    const auto tone = test::Sine(44100, 1, 1000, 0.5, 4 * kTwentieth / 2);
    BufferSet set(4, kTwentieth);
    for (size_t i = 0; i < 4; ++i)
        std::memcpy(set.memory[i].data(), tone.data() + i * kTwentieth / 2, kTwentieth);
    std::unique_ptr<AudioOutput> output;
    ASSERT_EQ(system->OpenOutput(kDefaultDevice, kMono, set.Callback(), output), kAudioOk);
    set.PrepareAll(*output);
    for (auto& b : set.buffers) ASSERT_EQ(output->Write(b), kAudioOk);
    loop.Advance(40);
    EXPECT_TRUE(set.returned.empty());
    loop.Advance(60);
    EXPECT_EQ(set.returned, (std::vector<int>{0, 1}));
    ASSERT_EQ(output->Pause(), kAudioOk);
    loop.Advance(500);
    EXPECT_EQ(set.returned.size(), 2u);
    ASSERT_EQ(system->SetOutputVolume(0x80008000u), kAudioOk);  // half on both channels
    ASSERT_EQ(output->Restart(), kAudioOk);
    loop.Advance(100);
    EXPECT_EQ(set.returned, (std::vector<int>{0, 1, 2, 3}));
    uint32_t volume = 0;
    EXPECT_EQ(system->GetOutputVolume(volume), kAudioOk);
    EXPECT_EQ(volume, 0x80008000u);
    output->Close();

    auto bytes = test::ReadFileBytes(dir.File("out.wav"));
    ASSERT_EQ(bytes.size(), 44u + 4 * kTwentieth);
    EXPECT_EQ(bytes[40] | (bytes[41] << 8) | (bytes[42] << 16), 4 * kTwentieth);
    auto written = test::Samples16(std::vector<uint8_t>(bytes.begin() + 44, bytes.end()));
    const size_t half = 2 * kTwentieth / 2;
    for (size_t i = 0; i < written.size(); ++i) {
        const int expected = i < half ? tone[i] : tone[i] * 0x8000 / 65535;
        ASSERT_EQ(written[i], expected) << "sample " << i;
    }
}

TEST(FileOutput, ResetReturnsEveryBufferAtOnceAndStopsTheSound) {
    test::TempDir dir;
    ManualEventLoop loop;
    auto system = MakeFileAudioSystem(loop, "", dir.File("out.wav"), Pace::kRealTime);
    BufferSet set(4, kTwentieth);
    std::unique_ptr<AudioOutput> output;
    ASSERT_EQ(system->OpenOutput(kDefaultDevice, kMono, set.Callback(), output), kAudioOk);
    set.PrepareAll(*output);
    for (auto& b : set.buffers) output->Write(b);
    loop.Advance(60);
    ASSERT_EQ(output->Reset(), kAudioOk);
    loop.RunPending();
    EXPECT_EQ(set.returned, (std::vector<int>{0, 1, 2, 3}));
    loop.Advance(500);
    output->Close();
    // 50 ms played whole and 10 ms of the second buffer before the reset.
    EXPECT_EQ(test::ReadFileBytes(dir.File("out.wav")).size(), 44u + kTwentieth + 882u);
}

TEST(AudioSystemChoice, ReadsBackendsAndSimulatedDevicesFromTheValue) {
    ManualEventLoop loop;
    auto null = OpenAudioSystem(loop, "null:fast");
    ASSERT_TRUE(null.system);
    EXPECT_EQ(null.system->Name(), "null");
    EXPECT_TRUE(null.notice.empty());

    auto files = OpenAudioSystem(loop, "file:/a/in.wav,/b/out.wav,fast");
    ASSERT_TRUE(files.system);
    EXPECT_EQ(files.system->InputDevices(), std::vector<std::string>{"File /a/in.wav"});
    EXPECT_EQ(files.system->OutputDevices(), std::vector<std::string>{"File /b/out.wav"});
    auto outOnly = OpenAudioSystem(loop, "file:,/b/out.wav");
    ASSERT_TRUE(outOnly.system);
    EXPECT_EQ(outOnly.system->InputDevices(), std::vector<std::string>{"Silence"});

    auto both = OpenAudioSystem(loop, "null+maycom+pdaudio:96000,nosignal");
    ASSERT_TRUE(both.system) << both.error;
    EXPECT_EQ(both.system->InputDevices().back().substr(0, 6), "MAYCOM");
    ASSERT_NE(both.system->DigitalCard(), nullptr);

    for (const char* bad :
         {"alsa", "null:slow", "file:", "file:a,b,c", "null+maycomm", "null+pdaudio:fast"}) {
        auto choice = OpenAudioSystem(loop, bad);
        EXPECT_FALSE(choice.system) << bad;
        EXPECT_FALSE(choice.error.empty()) << bad;
    }
}

}  // namespace
}  // namespace mora
