// The recorder and the player through a real PulseAudio daemon: its null sink's monitor is the
// input, its null sink the output.

#include <gtest/gtest.h>

#include <chrono>

#include "platform/audio/pulse_system.h"
#include "tests/engine/engine_rig.h"
#include "tests/platform/audio/pulse_daemon.h"

namespace mora::test {
namespace {

using Clock = std::chrono::steady_clock;

TEST(EngineOnTheSoundServer, RecordsAndPlaysThroughTheNullSink) {
    PulseDaemon daemon;
    ASSERT_TRUE(daemon.Ready()) << daemon.Error();
    ScriptedUi ui;
    TempDir dir;
    BlockingEventLoop loop;
    std::string error;
    auto audio = ConnectSoundServer(loop, 5000, error);
    ASSERT_TRUE(audio) << error;
    Settings settings;
    LastState lastState;
    EngineFormat format;
    InputDsp dsp;
    RecordingEdit edit;
    std::unique_ptr<JStreamAudioReadFile> reader;
    FolderProject project(dir.Path());
    InternetState internet;
    Engine engine({loop,
                   *audio,
                   settings,
                   lastState,
                   format,
                   dsp,
                   edit,
                   reader,
                   project,
                   internet,
                   -1,
                   {},
                   {}});

    // Runs the loop until done() holds, for at most `ms`.
    auto runUntil = [&loop](const std::function<bool()>& done, int ms) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        loop.StartTimer(1, 5, [&] {
            if (done() || Clock::now() > deadline) loop.Quit();
        });
        loop.Run();
        loop.StopTimer(1);
        return done();
    };

    ASSERT_EQ(engine.StartInput(), 0);
    engine.RequestSaving();
    ASSERT_TRUE(runUntil([&] { return engine.SavedBuffers() >= 30; }, 10000));
    engine.StopInput();
    ASSERT_TRUE(runUntil([&] { return !engine.Saving() && !engine.InputRunning(); }, 5000));
    ASSERT_EQ(project.list.size(), 1u);
    EXPECT_GE(edit.levelCount, 30u);
    EXPECT_EQ(WavSamples(project.list[0].path).size(), edit.levelCount * 2205u);

    engine.RestartPlaying(0);
    const auto start = Clock::now();
    ASSERT_EQ(engine.StartPlaying(2), 0);
    ASSERT_TRUE(runUntil([&] { return !engine.Playing() && !engine.OutputOpen(); }, 10000));
    // Played at the pace of the sound card, to the end.
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(edit.levelCount * 50 - 300));
    EXPECT_EQ(engine.ShownPosition(), static_cast<int32_t>(edit.levelCount));
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace mora::test
