#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/audio/audio_system.h"
#include "platform/audio/pulse_system.h"
#include "platform/event_loop.h"
#include "tests/platform/audio/audio_test_util.h"
#include "tests/platform/audio/pulse_daemon.h"

namespace mora {
namespace {
using test::BufferSet;
using Clock = std::chrono::steady_clock;

constexpr PcmFormat kStereo{44100, 2, 16};
constexpr uint32_t kTwentieth = 8820;  // 0.05 s of stereo 16-bit at 44100 Hz
constexpr int kQuitTimer = 77;

class SoundServer : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { daemon_ = new test::PulseDaemon(); }
    static void TearDownTestSuite() {
        delete daemon_;
        daemon_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(daemon_->Ready()) << daemon_->Error();
        std::string error;
        system_ = ConnectSoundServer(loop_, 5000, error);
        ASSERT_TRUE(system_) << error;
    }

    // Runs the loop until done() holds or `ms` have passed; every wait is bounded.
    bool RunUntil(const std::function<bool()>& done, int ms) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        loop_.StartTimer(kQuitTimer, 5, [&] {
            if (done() || Clock::now() >= deadline) loop_.Quit();
        });
        loop_.Run();
        loop_.StopTimer(kQuitTimer);
        return done();
    }
    void RunFor(int ms) {
        RunUntil([] { return false; }, ms);
    }

    // Fills buffers with a running 1 kHz tone.
    struct ToneWriter {
        std::vector<int16_t> tone = test::Sine(44100, 2, 1000, 0.5, 44100);
        size_t next = 0;
        void Fill(AudioBuffer& b) {
            const size_t samples = b.length / 2;
            for (size_t i = 0; i < samples; ++i) {
                const int16_t s = tone[(next + i) % tone.size()];
                b.data[2 * i] = static_cast<uint8_t>(s);
                b.data[2 * i + 1] = static_cast<uint8_t>(s >> 8);
            }
            next = (next + samples) % tone.size();
        }
    };

    // Plays `seconds` of the tone through the default output while the default input (the
    // sink's monitor) records; gives what was recorded.
    std::vector<int16_t> Loopback(double seconds, std::vector<int>* inputOrder = nullptr) {
        BufferSet in(16, kTwentieth);
        std::unique_ptr<AudioInput> input;
        BufferDone inDone = [&](AudioBuffer& b) {
            in.returned.push_back(static_cast<int>(b.user));
            in.collected.insert(in.collected.end(), b.data, b.data + b.bytesRecorded);
            input->AddBuffer(b);
        };
        EXPECT_EQ(system_->OpenInput(kDefaultDevice, kStereo, inDone, input), kAudioOk);
        if (!input) return {};
        in.PrepareAll(*input);
        for (auto& b : in.buffers) input->AddBuffer(b);
        input->Start();

        ToneWriter writer;
        BufferSet out(4, kTwentieth);
        std::unique_ptr<AudioOutput> output;
        int toWrite = static_cast<int>(seconds * 20);
        int playing = 0;
        BufferDone outDone = [&](AudioBuffer& b) {
            --playing;
            if (toWrite > 0) {
                writer.Fill(b);
                output->Write(b);
                --toWrite;
                ++playing;
            }
        };
        EXPECT_EQ(system_->OpenOutput(kDefaultDevice, kStereo, outDone, output), kAudioOk);
        if (!output) return {};
        out.PrepareAll(*output);
        for (auto& b : out.buffers) {
            writer.Fill(b);
            output->Write(b);
            --toWrite;
            ++playing;
        }
        EXPECT_TRUE(
            RunUntil([&] { return playing == 0; }, static_cast<int>(seconds * 1000) + 5000));
        RunFor(300);  // the tail reaches the monitor
        input->Reset();
        input->Close();
        output->Close();
        RunFor(20);
        if (inputOrder) *inputOrder = in.returned;
        return test::Samples16(in.collected);
    }

    static test::PulseDaemon* daemon_;
    BlockingEventLoop loop_;
    std::unique_ptr<AudioSystem> system_;
};

test::PulseDaemon* SoundServer::daemon_ = nullptr;

// The part of a recording that carries the tone, without the ramps at its edges.
std::vector<int16_t> Heard(const std::vector<int16_t>& recorded) {
    size_t first = recorded.size(), last = 0;
    for (size_t i = 0; i < recorded.size(); ++i) {
        if (std::abs(recorded[i]) > 2000) {
            first = std::min(first, i);
            last = i;
        }
    }
    if (first >= last) return {};
    const size_t margin = 4410;  // 50 ms of stereo frames
    if (last - first <= 2 * margin) return {};
    return std::vector<int16_t>(recorded.begin() + static_cast<long>(first + margin),
                                recorded.begin() + static_cast<long>(last - margin));
}

TEST_F(SoundServer, ListsTheNullSinkAndItsMonitor) {
    const auto outputs = system_->OutputDevices();
    const auto inputs = system_->InputDevices();
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_NE(outputs[0].find("Null"), std::string::npos);
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_NE(inputs[0].find("Monitor"), std::string::npos);
    EXPECT_EQ(system_->Name(), "sound server");
}

TEST_F(SoundServer, AToneComesBackAtItsFrequencyAndLevelWithInputBuffersInOrder) {
    std::vector<int> order;
    const auto heard = Heard(Loopback(1.0, &order));
    ASSERT_GT(heard.size(), 44100u) << "less than half a second of the tone came back";
    EXPECT_NEAR(test::ZeroCrossingHz(heard, 2, 44100), 1000.0, 5.0);
    EXPECT_NEAR(test::PeakOf(heard), 16384, 300);
    ASSERT_GE(order.size(), 16u);
    for (size_t i = 0; i < order.size(); ++i) ASSERT_EQ(order[i], static_cast<int>(i % 16)) << i;
}

TEST_F(SoundServer, OutputVolumeScalesWhatIsPlayed) {
    ASSERT_EQ(system_->SetOutputVolume(0x80008000u), kAudioOk);
    const auto heard = Heard(Loopback(0.5));
    ASSERT_GT(heard.size(), 4410u);
    EXPECT_NEAR(test::PeakOf(heard), 16384 / 2, 300);
}

TEST_F(SoundServer, OutputBuffersComeBackInQueueOrderOnlyOncePlayed) {
    BufferSet set(8, kTwentieth);
    std::unique_ptr<AudioOutput> output;
    ASSERT_EQ(system_->OpenOutput(kDefaultDevice, kStereo, set.Callback(), output), kAudioOk);
    set.PrepareAll(*output);
    const auto start = Clock::now();
    for (auto& b : set.buffers) ASSERT_EQ(output->Write(b), kAudioOk);
    EXPECT_TRUE(set.returned.empty());
    ASSERT_TRUE(RunUntil([&] { return set.returned.size() == 8; }, 5000));
    // 0.4 s of sound cannot have been played much faster (the server holds 40 ms ahead).
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(300));
    EXPECT_EQ(set.returned, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    for (auto& b : set.buffers) EXPECT_EQ(b.flags, kBufferPrepared | kBufferDone);

    // A last buffer shorter than the rest (the player's closing buffer) comes back as well.
    AudioBuffer closing{set.memory[0].data(), 512, 0, 4, 0};
    std::memset(closing.data, 0, 512);
    output->Prepare(closing);
    ASSERT_EQ(output->Write(closing), kAudioOk);
    EXPECT_TRUE(RunUntil([&] { return set.returned.size() == 9; }, 3000));
}

TEST_F(SoundServer, PauseHoldsOutputBuffersAndRestartGoesOn) {
    BufferSet set(4, kTwentieth);
    std::unique_ptr<AudioOutput> output;
    ASSERT_EQ(system_->OpenOutput(kDefaultDevice, kStereo, set.Callback(), output), kAudioOk);
    set.PrepareAll(*output);
    ASSERT_EQ(output->Pause(), kAudioOk);
    for (auto& b : set.buffers) output->Write(b);
    RunFor(400);
    EXPECT_TRUE(set.returned.empty());
    ASSERT_EQ(output->Restart(), kAudioOk);
    EXPECT_TRUE(RunUntil([&] { return set.returned.size() == 4; }, 3000));
}

TEST_F(SoundServer, ResetDuringPlaybackReturnsEveryBufferAndTheOutputPlaysOn) {
    BufferSet set(6, kTwentieth * 10);  // 0.5 s each, 3 s in all
    std::unique_ptr<AudioOutput> output;
    ASSERT_EQ(system_->OpenOutput(kDefaultDevice, kStereo, set.Callback(), output), kAudioOk);
    set.PrepareAll(*output);
    for (auto& b : set.buffers) output->Write(b);
    RunFor(150);
    EXPECT_TRUE(set.returned.empty());
    ASSERT_EQ(output->Reset(), kAudioOk);
    ASSERT_TRUE(RunUntil([&] { return set.returned.size() == 6; }, 1000));
    EXPECT_EQ(set.returned, (std::vector<int>{0, 1, 2, 3, 4, 5}));

    // After the reset the stream goes on with new buffers.
    ASSERT_EQ(output->Unprepare(set.buffers[0]), kAudioOk);
    set.buffers[0].length = kTwentieth;
    ASSERT_EQ(output->Prepare(set.buffers[0]), kAudioOk);
    ASSERT_EQ(output->Write(set.buffers[0]), kAudioOk);
    EXPECT_TRUE(RunUntil([&] { return set.returned.size() == 7; }, 3000));
}

TEST_F(SoundServer, InputResetReturnsEveryBufferWithWhatItHolds) {
    BufferSet set(16, kTwentieth);
    std::unique_ptr<AudioInput> input;
    ASSERT_EQ(system_->OpenInput(kDefaultDevice, kStereo, set.Callback(), input), kAudioOk);
    set.PrepareAll(*input);
    for (auto& b : set.buffers) input->AddBuffer(b);
    ASSERT_EQ(input->Start(), kAudioOk);
    ASSERT_TRUE(RunUntil([&] { return set.returned.size() >= 2; }, 3000));
    ASSERT_EQ(input->Reset(), kAudioOk);
    ASSERT_TRUE(RunUntil([&] { return set.returned.size() == 16; }, 1000));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(set.returned[i], i);
    EXPECT_EQ(set.recorded[0], kTwentieth);
    EXPECT_LT(set.recorded[15], kTwentieth);
    RunFor(200);
    EXPECT_EQ(set.returned.size(), 16u);  // a reset input records nothing more
}

TEST_F(SoundServer, OpenFailuresAreReported) {
    BufferSet set(1, 100);
    std::unique_ptr<AudioInput> input;
    std::unique_ptr<AudioOutput> output;
    EXPECT_EQ(system_->OpenOutput(5, kStereo, set.Callback(), output), kAudioBadDevice);
    EXPECT_EQ(system_->OpenInput(kDefaultDevice, PcmFormat{44100, 2, 8}, set.Callback(), input),
              kAudioBadFormat);
    EXPECT_FALSE(input);
    EXPECT_FALSE(output);

    const std::string server = std::getenv("PULSE_SERVER");
    ::setenv("PULSE_SERVER", "unix:/nonexistent/mora/native", 1);
    std::string error;
    EXPECT_FALSE(ConnectSoundServer(loop_, 2000, error));
    EXPECT_FALSE(error.empty());
    auto fallback = OpenAudioSystem(loop_, "");
    ::setenv("PULSE_SERVER", server.c_str(), 1);
    ASSERT_TRUE(fallback.system);
    EXPECT_EQ(fallback.system->Name(), "null");
    EXPECT_NE(fallback.notice.find("No sound server"), std::string::npos);
}

}  // namespace
}  // namespace mora
