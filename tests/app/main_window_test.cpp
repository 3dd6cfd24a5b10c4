#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QComboBox>

#include <QDialog>
#include <QDir>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "app/menus.h"
#include "app/mora_app.h"
#include "platform/program_dir.h"
#include "project/project_file.h"
#include "settings/ini_store.h"
#include "stream/jstream_file.h"
#include "tests/app/tone_wav.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt_test_app.h"
#include "ui/progress_screen.h"
#include "ui/record_screen.h"

namespace mora {
namespace {

// Saves the window as a PNG in the artifact folder, for a person to look at.
void SaveArtifact(QWidget& widget, const char* name) {
    const QString dir = qEnvironmentVariable("MORA_ARTIFACT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    EXPECT_TRUE(widget.grab().save(dir + "/" + name));
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::TestApp();
        state.project.folder = dir.Path();
        state.project.name = "Flood";
        state.project.text = "Water rose overnight.";
        // A project file exists only while the list has an entry.
        ClipEntry entry;
        entry.folder = dir.Path();
        entry.name = "Flood00";
        state.project.clips.entries.push_back(entry);
    }
    // The text of the project file on disk; nothing when there is no file.
    std::optional<std::string> SavedText() {
        JStreamFile file(dir.File("Flood.mpr"), true);
        ProjectFileData data;
        if (!file.IsReadable() || ReadProjectFile(file, data) != ProjectFileStatus::Ok) return {};
        return data.text;
    }
    MainWindow& Make() {
        window = std::make_unique<MainWindow>(state, loop);
        window->postQuit = [this] { ++quitRequests; };
        window->SetClientSize({480, 540});
        window->show();
        return *window;
    }
    bool Checked(int id) { return window->Item(id)->isChecked(); }
    bool Enabled(int id) { return window->Item(id)->isEnabled(); }

    test::TempDir dir;
    AppState state;
    ManualEventLoop loop;
    std::unique_ptr<MainWindow> window;
    int quitRequests = 0;
};

TEST_F(MainWindowTest, OpensOnTheRecordScreenWithTheClientSizeAsked) {
    MainWindow& w = Make();
    EXPECT_EQ(w.windowTitle(), "Mora Edit");
    EXPECT_EQ(w.ScreenWidget()->size(), QSize(480, 540));
    EXPECT_EQ(state.currentScreen, kRecordScreen);
    EXPECT_TRUE(w.Screen(kRecordScreen)->IsActive());
    EXPECT_TRUE(Checked(cmd::Record));
    EXPECT_EQ(w.Screen(kTextEditorScreen), nullptr);
    EXPECT_FALSE(loop.TimerActive(kScreenTimer));  // no external interface
    SaveArtifact(w, "mora_main_window.png");
}

TEST_F(MainWindowTest, ToolsItemsSwitchScreensAndCheckOnlyTheCurrentOne) {
    MainWindow& w = Make();
    w.Item(cmd::Editor)->trigger();
    EXPECT_EQ(state.currentScreen, kEditorScreen);
    EXPECT_EQ(state.previousScreen, kRecordScreen);
    EXPECT_FALSE(w.Screen(kRecordScreen)->IsActive());
    EXPECT_TRUE(w.Screen(kEditorScreen)->IsActive());
    EXPECT_FALSE(Checked(cmd::Record));
    EXPECT_TRUE(Checked(cmd::Editor));

    w.Item(cmd::About)->trigger();
    EXPECT_EQ(state.currentScreen, kAboutScreen);
    EXPECT_TRUE(Checked(cmd::About));
    EXPECT_FALSE(Checked(cmd::Editor));

    // Choosing the current screen again only re-checks its item.
    w.Item(cmd::About)->trigger();
    EXPECT_EQ(state.currentScreen, kAboutScreen);
    EXPECT_TRUE(Checked(cmd::About));
    EXPECT_TRUE(w.Screen(kAboutScreen)->IsActive());
}

TEST_F(MainWindowTest, TextEditorShowsKeepsAndSavesTheProjectText) {
    state.settings.EnableToFile = 1;
    MainWindow& w = Make();
    w.Item(cmd::EditText)->trigger();
    ASSERT_TRUE(w.TextEditorOpen());
    QPlainTextEdit* edit =
        w.ScreenWidget()->findChild<QPlainTextEdit*>(QString::number(cmd::TextEditControl));
    ASSERT_EQ(edit, w.TextEdit());
    EXPECT_EQ(edit->geometry(), w.ScreenWidget()->rect());
    EXPECT_EQ(edit->toPlainText(), "Water rose overnight.");
    EXPECT_TRUE(Checked(cmd::EditText));
    EXPECT_FALSE(Checked(cmd::Record));
    EXPECT_FALSE(Enabled(cmd::PublishClip));
    EXPECT_TRUE(Enabled(cmd::PublishClipList));
    EXPECT_FALSE(Enabled(cmd::ClipToFile));
    EXPECT_TRUE(Enabled(cmd::ClipListToFile));
    edit->appendPlainText("Roads closed.");
    SaveArtifact(w, "mora_text_editor.png");

    w.Item(cmd::EditText)->trigger();  // already open: nothing changes
    EXPECT_EQ(w.TextEdit(), edit);

    w.SwitchScreen(kRecordScreen);
    EXPECT_FALSE(w.TextEditorOpen());
    EXPECT_EQ(state.previousScreen, kTextEditorScreen);
    EXPECT_EQ(state.project.text, "Water rose overnight.\nRoads closed.");
    EXPECT_EQ(SavedText(), "Water rose overnight.\nRoads closed.");
    EXPECT_FALSE(Checked(cmd::EditText));
    EXPECT_TRUE(Checked(cmd::Record));
    EXPECT_TRUE(Enabled(cmd::PublishClip));
    EXPECT_FALSE(Enabled(cmd::PublishClipList));

    // Unchanged text is not saved again; emptied text is cleared and saved.
    std::remove(dir.File("Flood.mpr").c_str());
    w.OpenTextEditor();
    w.CloseTextEditor();
    EXPECT_EQ(SavedText(), std::nullopt);
    w.OpenTextEditor();
    w.TextEdit()->clear();
    w.CloseTextEditor();
    EXPECT_EQ(state.project.text, "");
    EXPECT_EQ(SavedText(), "");
}

TEST_F(MainWindowTest, TextEditorFollowsTheWindowSizeAndKeepsItsTextWhenTheWindowGoes) {
    MainWindow& w = Make();
    w.OpenTextEditor();
    w.resize(w.width() + 100, w.height() + 60);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.TextEdit()->geometry(), w.ScreenWidget()->rect());

    w.TextEdit()->setPlainText("Last words before closing.");
    w.close();
    EXPECT_EQ(state.project.text, "Last words before closing.");
    EXPECT_TRUE(state.quitting);
    EXPECT_EQ(quitRequests, 1);
    w.Destroy();  // only once
    EXPECT_EQ(quitRequests, 1);
}

TEST_F(MainWindowTest, ExitAsksForTheEndAndImageClosesTheTextEditor) {
    MainWindow& w = Make();
    int dialogs = 0;
    w.publishDialog = [&](const PublishDialogRequest& request) {
        EXPECT_TRUE(request.imagesOnly);
        ++dialogs;
        return false;  // Cancel
    };
    w.Item(cmd::Image)->trigger();  // images are offered by default
    w.OpenTextEditor();
    w.Command(cmd::Image);
    EXPECT_FALSE(w.TextEditorOpen());
    w.Command(cmd::Nothing);
    w.Command(cmd::PublishClip);
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(quitRequests, 0);
    w.Item(cmd::Exit)->trigger();
    EXPECT_TRUE(state.quitting);
    EXPECT_EQ(quitRequests, 1);
}

TEST_F(MainWindowTest, MarkItemNamesWhatItWillDo) {
    MainWindow& w = Make();
    bool onMarker = true;
    w.playPositionOnMarker = [&] { return onMarker; };
    QMenu* edit = FindPopup(*w.menuBar(), kEditPopup);
    emit edit->aboutToShow();
    EXPECT_EQ(w.Item(cmd::Mark)->text(), "Delete marker");
    onMarker = false;
    emit edit->aboutToShow();
    EXPECT_EQ(w.Item(cmd::Mark)->text(), "Mark");
}

TEST_F(MainWindowTest, InputOptionsChooseAProfileByItsExactText) {
    state.settings.AllowEqProfileSelection = 1;
    state.settings.EqProfiles[0].Name = "Street";
    state.settings.EqProfiles[1].Name = "Studio";
    state.settings.EqProfiles[1].OverallGain = 6;
    state.settings.EqProfiles[1].EqOn = 1;
    state.settings.EqProfileName = "Street";
    MainWindow& w = Make();

    auto answer = [](std::function<void(QDialog*, QComboBox*)> act) {
        QTimer::singleShot(0, [act] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(dialog, dialog->findChild<QComboBox*>("1031"));
        });
    };
    answer([](QDialog* dialog, QComboBox* combo) {
        EXPECT_EQ(dialog->objectName(), "148");
        EXPECT_EQ(dialog->windowTitle(), "Input options");
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
        EXPECT_EQ(items, QStringList({"Street", "Studio", "EQ2", "EQ3", "EQ4"}));
        EXPECT_EQ(combo->currentText(), "Street");
        SaveArtifact(*dialog, "mora_input_options.png");
        combo->setEditText("Studio");
        dialog->findChild<QPushButton*>("2")->click();
    });
    w.Item(cmd::InputOptions)->trigger();
    EXPECT_EQ(state.settings.EqProfileName, "Street");

    answer([](QDialog* dialog, QComboBox* combo) {
        combo->setEditText("Studio");
        dialog->findChild<QPushButton*>("1")->click();
    });
    w.Command(cmd::InputOptions);
    EXPECT_EQ(state.settings.EqProfileName, "Studio");
    EXPECT_EQ(state.settings.EqOverallGain, 6);
    EXPECT_EQ(state.settings.EqOn, 1u);
    // The input filters follow at once, not only at the next start.
    EXPECT_TRUE(state.inputDsp.eqOn);
    EXPECT_EQ(state.inputDsp.multiplier, GainMultiplier(6));
}

// Publishing blocks the window; its progress screen still takes a press on Cancel between
// blocks, and the screen the reporter left comes back at the end.
TEST_F(MainWindowTest, AJobsProgressScreenTakesCancelAndGivesTheScreenBack) {
    MainWindow& w = Make();
    w.Command(cmd::About);
    QtUi ui;
    ui.SetProgressView(&w);
    ui.ProgressStart("  Publishing audio...  ", 50);
    EXPECT_EQ(state.currentScreen, kProgressScreen);
    QWidget* area = w.ScreenWidget();
    const QPoint at = w.ProgressScreen()->CancelButton()->Rect().center();
    // The press alone: the job ends before the reporter lets go.
    QCoreApplication::postEvent(
        area, new QMouseEvent(QEvent::MouseButtonPress, at, area->mapToGlobal(at), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier));
    bool cancelled = false;
    for (int block = 0; block < 50 && !cancelled; ++block) {
        ui.ProgressStep();
        cancelled = ui.ProgressCancelled();
    }
    EXPECT_TRUE(cancelled);
    ui.ProgressEnd();
    EXPECT_EQ(state.currentScreen, kAboutScreen);
    EXPECT_TRUE(w.Screen(kAboutScreen)->IsActive());
    // The next job shows Cancel up again.
    ui.ProgressStart("  Publishing audio...  ", 50);
    EXPECT_FALSE(w.ProgressScreen()->CancelButton()->Down());
    ui.ProgressEnd();
    ui.SetProgressView(nullptr);
}

// Closing the window under a running job would pull the screens from under it: the job is
// cancelled and the window closes once it has ended.
TEST_F(MainWindowTest, ClosingDuringAJobCancelsItAndClosesAfterIt) {
    MainWindow& w = Make();
    QtUi ui;
    ui.SetProgressView(&w);
    ui.ProgressStart("  Connecting...  ", 1);
    w.close();
    EXPECT_TRUE(ui.ProgressCancelled());
    EXPECT_FALSE(state.quitting);
    ui.ProgressEnd();
    ui.SetProgressView(nullptr);
    EXPECT_TRUE(test::PumpUntil([&] { return quitRequests == 1; }));
    EXPECT_TRUE(state.quitting);
}

// The whole start-up in this process, with a scripted user.
class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::TestApp();
        SetProgramDir(home.Path());
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Path()));
    }
    void TearDown() override { SetProgramDir(""); }

    test::TempDir home;
    test::TempDir runtime;
    test::ScriptedUi ui;
};

TEST_F(StartupTest, MissingSettingsAskAndCancelEndsTheProgram) {
    ui.answers = {MsgAnswer::Cancel};
    MoraApp app("");
    EXPECT_FALSE(app.InitInstance());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Error");
    EXPECT_EQ(ui.messages[0].text, "No ini-file found.\nPlease configure Mora with\nMoraSetup.");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(ui.messages[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(app.Window(), nullptr);
    EXPECT_EQ(ui.busyDepth, 0);
    app.Shutdown();
    EXPECT_FALSE(test::FileExists(home.File("MoraSet.sup")));
}

TEST_F(StartupTest, OkGoesOnWithDefaultsAndShutdownSavesTheLastState) {
    ui.answers = {MsgAnswer::Ok};
    IniWriteInt("Size", "Landscape", 1, home.File("size.txt"));
    IniWriteInt("Size", "Big", 0, home.File("size.txt"));
    MoraApp app(home.File("news/Flood.mpr"));
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(ui.busyDepth, 0);
    ASSERT_NE(app.Window(), nullptr);
    EXPECT_EQ(app.Window()->ScreenWidget()->size(), QSize(320, 190));
    EXPECT_EQ(app.State().project.folder, home.File("news/"));
    EXPECT_EQ(app.State().project.name, "Flood");
    EXPECT_EQ(app.State().settings.FtpTestPassed, 1);
    app.Shutdown();
    EXPECT_EQ(app.Window(), nullptr);

    LastState last;
    Settings settings;
    ASSERT_TRUE(LoadLastState(last, settings, home.File("MoraSet.sup")));
    EXPECT_EQ(last.LastProjectFolder, home.File("news/"));
    EXPECT_EQ(last.LastProjectName, "Flood");
}

// Closing the program while it records keeps the recording whole and in the project.
TEST_F(StartupTest, ShutdownWhileRecordingFinishesTheRecording) {
    ASSERT_TRUE(SaveSettings(Settings{}, home.File("MoraIni.sup")));
    test::WriteToneWav(home.File("in.wav"), 4, 440, 3000);
    qputenv("MORA_AUDIO", QByteArray::fromStdString("file:" + home.File("in.wav") + ","));
    MoraApp app(home.File("Flood.mpr"));
    ASSERT_TRUE(app.InitInstance());
    RecordWWin& record = *app.Window()->RecordScreen();
    record.PressButton(TransportState::Armed);
    record.PressButton(TransportState::Playing);
    ASSERT_EQ(app.State().transportState, TransportState::Recording);
    EXPECT_FALSE(test::PumpUntil([] { return false; }, 1500));
    app.Shutdown();
    qputenv("MORA_AUDIO", "null");
    JStreamFile file(home.File("Flood.mpr"), true);
    ProjectFileData data;
    ASSERT_EQ(ReadProjectFile(file, data), ProjectFileStatus::Ok);
    ASSERT_EQ(data.clips.size(), 1u);
    RecordingEdit edit;
    ASSERT_TRUE(LoadVuFile(edit, home.File("Flood00.jvu")));
    EXPECT_GE(edit.levelCount, 20u);
}

TEST_F(StartupTest, WithSettingsPresentNothingIsAskedAndLiteLayoutGivesTheReducedMenu) {
    Settings settings;
    settings.LiteLayout = 1;
    ASSERT_TRUE(SaveSettings(settings, home.File("MoraIni.sup")));
    MoraApp app("");
    ASSERT_TRUE(app.InitInstance());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(app.Window()->menuBar()->actions().size(), 3);
    EXPECT_EQ(app.Window()->ScreenWidget()->size(), QSize(480, 540));
    EXPECT_EQ(app.State().screenBitmaps.first, 509);  // offscreen display is wider than high
}

}  // namespace
}  // namespace mora
