// Clicks at the record screen drive the program's recorder: a recording from the file input
// lands in the project and its clip list.

#include <gtest/gtest.h>

#include <QTest>
#include <cmath>
#include <filesystem>

#include "app/main_window.h"
#include "app/transport.h"
#include "platform/audio/audio_system.h"
#include "platform/audio/wav_io.h"
#include "platform/program_dir.h"
#include "project/project_store.h"
#include "tests/app/tone_wav.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt_test_app.h"
#include "ui/editor_screen.h"
#include "ui/record_screen.h"

namespace mora {
namespace {

class RecordEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::TestApp();
        SetProgramDir(dir.Path());
        test::WriteToneWav(dir.File("in.wav"), 3, 440, 16000);
        state.audio = OpenAudioSystem(loop, "file:" + dir.File("in.wav")).system;
        ASSERT_TRUE(state.audio);
        state.settings.RecordMp2 = 0;
        TakeFormatFromSettings(state.project, state.settings);
        StartNewProject(state.project, state.settings, dir.File("Flood.mpr"));
        StartEngine(state, state.engine, loop);
        window = std::make_unique<MainWindow>(state, loop);
        window->SetClientSize({480, 540});
        window->show();
    }
    void TearDown() override {
        window.reset();
        state.transport.reset();
        StopEngine(state.engine);
        SetProgramDir("");
    }
    void Click(TransportState which) {
        const QPoint at = window->RecordScreen()->Button(which)->Rect().center();
        QTest::mouseClick(window->ScreenWidget(), Qt::LeftButton, {}, at);
    }

    test::ScriptedUi ui;
    test::TempDir dir;
    ManualEventLoop loop;
    AppState state;
    std::unique_ptr<MainWindow> window;
};

TEST_F(RecordEngineTest, ArmRecordMarkStopMakesARecordingInTheProject) {
    Click(TransportState::Armed);
    EXPECT_EQ(state.transportState, TransportState::Armed);
    loop.Advance(300);  // monitoring: levels, nothing saved
    EXPECT_LT(window->RecordScreen()->Meter()->Steps(0), 80);
    EXPECT_GT(window->RecordScreen()->Meter()->Steps(0), 60);  // the tone at -6 dB
    Click(TransportState::Playing);
    EXPECT_EQ(state.transportState, TransportState::Recording);
    loop.Advance(1000);
    Click(TransportState::Armed);  // a marker
    EXPECT_EQ(window->RecordScreen()->Time()->Text(), "  Mark   1 ");
    loop.Advance(600);
    Click(TransportState::Stopped);
    loop.Advance(200);
    EXPECT_EQ(state.transportState, TransportState::Stopped);
    ASSERT_EQ(state.project.clips.entries.size(), 1u);
    const std::string audio = state.project.recording.audioPath;
    EXPECT_TRUE(test::FileExists(audio)) << audio;
    EXPECT_GT(std::filesystem::file_size(audio), 44u + 44100u * 2);  // over a second of audio
    EXPECT_EQ(state.project.edit.rec.markerCount, 1u);
    EXPECT_TRUE(test::FileExists(dir.File("Flood.mpr")));
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text;

    // The new recording plays to its end, and the screen goes back to stopped by itself.
    Click(TransportState::Playing);
    EXPECT_EQ(state.transportState, TransportState::Playing);
    loop.Advance(500);
    EXPECT_EQ(window->RecordScreen()->Time()->Text().substr(0, 8), "  0m:00s");
    loop.Advance(3000);
    EXPECT_EQ(state.transportState, TransportState::Stopped);
    EXPECT_TRUE(window->RecordScreen()->Button(TransportState::Stopped)->On());
}

TEST_F(RecordEngineTest, TheEditorsCursorIsThePlayPosition) {
    Click(TransportState::Armed);
    loop.Advance(300);
    Click(TransportState::Playing);
    loop.Advance(2500);
    Click(TransportState::Stopped);
    loop.Advance(200);
    ASSERT_EQ(state.project.clips.entries.size(), 1u);
    window->SwitchScreen(kEditorScreen);
    auto& editor = static_cast<EditorWWin&>(*window->Screen(kEditorScreen));
    RecGraphWin& graph = *editor.Graph();
    const uint32_t count = state.project.edit.rec.levelCount;
    ASSERT_GT(count, 40u);
    // A click in the waveform moves the cursor and the engine's play position with it.
    const QRect r = graph.Rect();
    const int column = static_cast<int>(graph.ColumnOf(count / 3));
    QTest::mouseClick(window->ScreenWidget(), Qt::LeftButton, {},
                      QPoint(r.left() + column, r.center().y()));
    const uint32_t start = state.project.edit.cursor;
    EXPECT_EQ(graph.ColumnOf(start), column);
    EXPECT_EQ(state.engine.engine->ReadPosition(), static_cast<int32_t>(start));
    // Playing carries the cursor along.
    auto press = [&](TransportState which) {
        QTest::mouseClick(window->ScreenWidget(), Qt::LeftButton, {},
                          editor.Button(which)->Rect().center());
    };
    press(TransportState::Playing);
    loop.Advance(600);
    EXPECT_GT(graph.Cursor(), start + 5);
    EXPECT_EQ(graph.Cursor(), state.project.edit.cursor);
    press(TransportState::Stopped);
    const uint32_t stopped = state.project.edit.cursor;
    // Stop once more goes back to where playback started, and again to where it stopped.
    press(TransportState::Stopped);
    EXPECT_EQ(state.project.edit.cursor, start);
    EXPECT_EQ(graph.Cursor(), start);
    press(TransportState::Stopped);
    EXPECT_EQ(state.project.edit.cursor, stopped);
    // A row chosen in the clip list moves the cursor alone; Play starts there.
    state.project.edit.cursor = 10;
    press(TransportState::Playing);
    loop.Advance(300);
    press(TransportState::Stopped);
    press(TransportState::Stopped);
    EXPECT_EQ(state.project.edit.cursor, 10u);
}

TEST_F(RecordEngineTest, ShortcutsAndKeysReachTheRecordScreen) {
    // Shortcuts belong to the active window.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window->ScreenWidget(), Qt::Key_9);
    EXPECT_EQ(state.transportState, TransportState::Armed);
    QTest::keyClick(window->ScreenWidget(), Qt::Key_7);
    EXPECT_EQ(state.transportState, TransportState::Stopped);
    window->Item(cmd::Editor)->trigger();
    EXPECT_EQ(state.currentScreen, kEditorScreen);
    EXPECT_EQ(window->Item(cmd::Editor)->shortcut(), QKeySequence("Ctrl+2"));
    EXPECT_EQ(window->Item(cmd::Record)->shortcut(), QKeySequence("Ctrl+1"));
    QTest::keyClick(window->ScreenWidget(), Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(state.currentScreen, kRecordScreen);
    QTest::keyClick(window->ScreenWidget(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(state.transportState, TransportState::Armed);
    // While armed the menus are grayed and their shortcuts do nothing.
    QTest::keyClick(window->ScreenWidget(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(state.currentScreen, kRecordScreen);
}

}  // namespace
}  // namespace mora
