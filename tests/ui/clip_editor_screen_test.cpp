#include "ui/clip_editor_screen.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>

#include "project/clip_list.h"
#include "tests/project/project_fixture.h"
#include "tests/ui/qt_test_app.h"
#include "tests/ui/screen_fixture.h"

namespace mora {
namespace {

class ClipTransport : public test::RecordingTransport {
  public:
    bool StartPlayingClips(uint32_t) override { return Call("play clips"), true; }
};

// The clip editor over a project of three recordings, Flood00 to Flood02, the last selected.
class ClipEditorTest : public test::ProjectTest {
  protected:
    void SetUp() override { test::TestApp(); }

    void Open(Settings s = {}, int width = 240, int height = 270) {
        settings = s;
        skin = std::make_unique<Skin>(width, height, dir.Path(), SkinOptions{});
        area = std::make_unique<QWidget>();
        area->resize(skin->MainSize());
        area->show();
        for (int i = 0; i < 3; ++i) RecordAndAppend(i, i + 1);
        screen = std::make_unique<ClipEditorWWin>(host, *skin, transportState, transport,
                                                  ClipEditorEnv{&settings, &state, area.get()});
        state.hooks.listChanged = [this] { screen->FillClipList(); };
        screen->Activate();
    }
    void Click(Win* element) {
        const QPoint c = element->Rect().center();
        OnLeftDown(pointer, *screen, c.x(), c.y());
        OnLeftUp(pointer, c.x(), c.y());
    }
    ClipListView& List() { return *screen->ListView(); }
    void SelectRow(int row) { List().setCurrentIndex(List().model()->index(row, 0)); }
    void Key(int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&List(), &press);
    }
    // Starts editing the selected row's name; the editor, or nullptr when refused.
    QLineEdit* EditName() {
        List().edit(List().currentIndex());
        return List().Editing() ? List().findChild<QLineEdit*>() : nullptr;
    }

    Settings settings;
    std::unique_ptr<Skin> skin;
    std::unique_ptr<QWidget> area;
    test::RecordingHost host;
    ClipTransport transport;
    TransportState transportState = TransportState::Stopped;
    PointerState pointer;
    std::unique_ptr<ClipEditorWWin> screen;
};

TEST_F(ClipEditorTest, SelectMoveRenameAndRemoveKeepTheViewAndTheListInStep) {
    Open();
    ASSERT_EQ(List().RowCount(), 4);
    EXPECT_EQ(List().SelectedRow(), 2);
    EXPECT_EQ(List().Text(3, 0), "length:");
    EXPECT_EQ(List().Text(3, 1), " 0:06s.00");

    SelectRow(0);
    EXPECT_EQ(state.clips.current, 0);
    EXPECT_EQ(state.recording.name, "Flood00");
    EXPECT_EQ(state.edit.cursor, state.edit.rec.cropBegin);

    Click(screen->DownButton());
    EXPECT_EQ(List().Text(1, 0), "Flood00");
    EXPECT_EQ(List().SelectedRow(), 1);

    QLineEdit* editor = EditName();
    ASSERT_NE(editor, nullptr);
    editor->setText("Mayor at the bridge");
    List().EndEditing();
    ASSERT_TRUE(test::PumpUntil([&] { return state.clips.entries[1].clipName != ""; }));
    EXPECT_EQ(state.recording.clipName, "Mayor at the bridge");
    EXPECT_EQ(List().Text(1, 0), "Mayor at the bridge");
    EXPECT_EQ(List().SelectedRow(), 1);

    // Removing the last entry selects the new last one, in the list and in the view.
    SelectRow(2);
    Click(screen->RemoveButton());
    ASSERT_EQ(List().RowCount(), 3);
    EXPECT_EQ(state.clips.current, 1);
    EXPECT_EQ(List().SelectedRow(), 1);
    EXPECT_EQ(List().Text(1, 0), "Mayor at the bridge");

    // Insert asks for a recording and puts it before the selected clip.
    ui.fileChoices.push_back(Record(3, 1));
    Click(screen->InsertButton());
    ASSERT_EQ(ui.openDialogs.size(), 1u);
    EXPECT_EQ(ui.openDialogs[0].title, "Open Filename");
    ASSERT_EQ(List().RowCount(), 4);
    EXPECT_EQ(List().Text(1, 0), "Flood03");
    EXPECT_EQ(List().SelectedRow(), 1);

    // The turned strip steps the simple view's description.
    const QString before = List().Text(0, 1);
    Click(screen->TurnedTextButton());
    EXPECT_EQ(state.clips.displayMode, 1);
    EXPECT_NE(List().Text(0, 1), before);
}

TEST_F(ClipEditorTest, PlayingRefusesRenamingAndLeavingStopsIt) {
    Settings s;
    s.DetailedClipList = 1;
    s.EnableToFile = 1;
    s.FastPublishFormat = 1;
    Open(s);
    EXPECT_FALSE(host.editPopupEnabled);
    for (int id : {cmd::PublishClip, cmd::PublishClipList, cmd::ClipToFile, cmd::ClipListToFile,
                   cmd::FastClip, cmd::FastClipList})
        EXPECT_TRUE(host.enabledItems[id]) << id;

    // Play runs the list from the selected clip; Enter stops and then plays that clip alone.
    Click(screen->PlayButton());
    EXPECT_EQ(transportState, TransportState::Playing);
    EXPECT_FALSE(state.clips.singleClip);
    EXPECT_TRUE(screen->PlayButton()->On());
    EXPECT_EQ(EditName(), nullptr);
    Key(Qt::Key_Return);
    EXPECT_EQ(transport.calls.back(), "stop playing");
    EXPECT_TRUE(screen->StopButton()->On());
    Key(Qt::Key_Space);
    EXPECT_TRUE(state.clips.singleClip);
    EXPECT_EQ(transportState, TransportState::Playing);

    // Selecting another row stops playback first.
    SelectRow(0);
    EXPECT_EQ(transportState, TransportState::Stopped);
    EXPECT_EQ(state.clips.current, 0);

    Click(screen->PlayButton());
    transport.calls.clear();
    screen->Deactivate();
    EXPECT_EQ(transport.calls, std::vector<std::string>{"stop playing"});
    EXPECT_TRUE(screen->StopButton()->On());
    EXPECT_FALSE(screen->PlayButton()->On());
    EXPECT_EQ(screen->ListView(), nullptr);
    EXPECT_EQ(area->findChild<QWidget*>("40029"), nullptr);
    EXPECT_FALSE(host.enabledItems[cmd::PublishClipList]);
    EXPECT_FALSE(host.enabledItems[cmd::ClipListToFile]);
}

// Renders the screen in both views at scale 1 and 2 for a person to look at.
TEST_F(ClipEditorTest, RendersBothViews) {
    const QString out = test::ArtifactDir();
    if (out.isEmpty()) GTEST_SKIP() << "MORA_ARTIFACT_DIR not set";
    for (const auto& [w, h, detailed, tag] :
         {std::tuple{240, 270, 0, "simple-s1"}, std::tuple{480, 540, 0, "simple-s2"},
          std::tuple{240, 270, 1, "detailed-s1"}, std::tuple{480, 540, 1, "detailed-s2"}}) {
        Settings s;
        s.DetailedClipList = static_cast<uint8_t>(detailed);
        state = ProjectState();
        state.folder = dir.Path();
        state.name = "Flood";
        state.mp2 = false;
        Open(s, w, h);
        SelectRow(1);
        state.clips.entries[1].clipName = "Mayor at the bridge";
        screen->FillClipList();
        QCoreApplication::processEvents();  // the view lays out its scroll bars
        QImage image = test::Render(*screen, *skin);
        QPainter painter(&image);
        List().render(&painter, List().geometry().topLeft());
        painter.end();
        EXPECT_TRUE(image.save(out + QString("/clip-editor-%1.png").arg(tag)));
        screen->Deactivate();
    }
}

}  // namespace
}  // namespace mora
