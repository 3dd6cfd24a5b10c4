// The clip editor's Play over the program's player: the list plays from the selected clip to
// its end with the view's selection following, and Enter plays one clip and stops on the next.

#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <cmath>

#include "app/main_window.h"
#include "app/menus.h"
#include "app/transport.h"
#include "platform/audio/audio_system.h"
#include "platform/audio/wav_io.h"
#include "platform/program_dir.h"
#include "project/clip_list.h"
#include "project/project_store.h"
#include "tests/app/tone_wav.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt_test_app.h"
#include "ui/clip_editor_screen.h"

namespace mora {
namespace {

class ClipEditorEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::TestApp();
        SetProgramDir(dir.Path());
        test::WriteToneWav(dir.File("in.wav"), 1, 330, 12000);
        state.audio = OpenAudioSystem(loop, "file:" + dir.File("in.wav")).system;
        ASSERT_TRUE(state.audio);
        state.settings.RecordMp2 = 0;
        TakeFormatFromSettings(state.project, state.settings);
        StartNewProject(state.project, state.settings, dir.File("Flood.mpr"));
        for (int i = 0; i < 3; ++i) {
            test::WriteToneWav(RecordingBase(state.project, i) + ".wav", 1, 330, 12000);
            state.project.recordingNumber = i;
            AppendRecording(state.project);
        }
        StartEngine(state, state.engine, loop);
        window = std::make_unique<MainWindow>(state, loop);
        window->SetClientSize({480, 540});
        window->show();
        window->SwitchScreen(kClipEditorScreen);
        screen = window->ClipEditor();
    }
    void TearDown() override {
        window.reset();
        state.transport.reset();
        StopEngine(state.engine);
        SetProgramDir("");
    }
    void Click(Win* button) {
        QTest::mouseClick(window->ScreenWidget(), Qt::LeftButton, {}, button->Rect().center());
    }
    ClipListView& List() { return *screen->ListView(); }

    test::ScriptedUi ui;
    test::TempDir dir;
    ManualEventLoop loop;
    AppState state;
    std::unique_ptr<MainWindow> window;
    ClipEditorWWin* screen = nullptr;
};

TEST_F(ClipEditorEngineTest, PlayRunsTheListOnAndEnterPlaysOneClip) {
    ASSERT_NE(screen->ListView(), nullptr);
    // The window as the reporter sees it, for a person to look at.
    if (const QString out = qEnvironmentVariable("MORA_ARTIFACT_DIR"); !out.isEmpty()) {
        QDir().mkpath(out);
        EXPECT_TRUE(window->grab().save(out + "/mora_clip_editor.png"));
    }
    List().setCurrentIndex(List().model()->index(0, 0));
    ASSERT_EQ(state.project.clips.current, 0);
    Click(screen->PlayButton());
    EXPECT_EQ(state.transportState, TransportState::Playing);
    loop.Advance(1500);
    EXPECT_EQ(state.project.clips.current, 1);
    EXPECT_EQ(List().SelectedRow(), 1);
    EXPECT_EQ(state.transportState, TransportState::Playing);
    loop.Advance(2500);
    EXPECT_EQ(state.transportState, TransportState::Stopped);
    EXPECT_TRUE(screen->StopButton()->On());
    EXPECT_EQ(state.project.clips.current, 2);
    EXPECT_EQ(List().SelectedRow(), 2);

    List().setCurrentIndex(List().model()->index(0, 0));
    QTest::keyClick(&List(), Qt::Key_Return);
    EXPECT_EQ(state.transportState, TransportState::Playing);
    loop.Advance(2000);
    EXPECT_EQ(state.transportState, TransportState::Stopped);
    EXPECT_EQ(state.project.clips.current, 1);
    EXPECT_EQ(List().SelectedRow(), 1);
    EXPECT_EQ(state.project.edit.cursor, state.project.edit.rec.cropBegin);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text;
}

// The text editor over the clip editor ends a name edit, keeping the name, and leaves the clip
// list's publish items as the screen had them; leaving the screen takes them and its list.
TEST_F(ClipEditorEngineTest, TextEditorKeepsAnEditedNameAndTheListItems) {
    List().edit(List().currentIndex());
    auto* editor = List().findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("Mayor at the bridge");
    window->OpenTextEditor();
    ASSERT_TRUE(test::PumpUntil([&] { return !state.project.clips.entries[2].clipName.empty(); }));
    EXPECT_EQ(state.project.clips.entries[2].clipName, "Mayor at the bridge");
    window->CloseTextEditor();
    EXPECT_TRUE(window->Item(cmd::PublishClip)->isEnabled());
    EXPECT_TRUE(window->Item(cmd::PublishClipList)->isEnabled());
    EXPECT_FALSE(FindPopup(*window->menuBar(), kEditPopup)->menuAction()->isEnabled());

    window->SwitchScreen(kRecordScreen);
    EXPECT_FALSE(window->Item(cmd::PublishClipList)->isEnabled());
    EXPECT_TRUE(FindPopup(*window->menuBar(), kEditPopup)->menuAction()->isEnabled());
    EXPECT_EQ(window->ScreenWidget()->findChild<QWidget*>("40029"), nullptr);
}

}  // namespace
}  // namespace mora
