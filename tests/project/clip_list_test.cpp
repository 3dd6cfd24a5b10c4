// The clip list: removing, reordering, texts and totals, and "Delete" of recordings and projects.

#include "project/clip_list.h"
#include "project/project_store.h"
#include "tests/project/project_fixture.h"

namespace mora {
namespace {

using ClipListTest = test::ProjectTest;

std::vector<std::string> Names(const ProjectState& state) {
    std::vector<std::string> names;
    for (const ClipEntry& e : state.clips.entries) names.push_back(e.name);
    return names;
}

TEST_F(ClipListTest, RemovingTheLastSelectsTheNewLastAndTheOnlyOneTakesTheProjectFile) {
    RecordAndAppend(0, 1);
    RecordAndAppend(1, 2);
    RecordAndAppend(2, 3);
    EXPECT_EQ(state.clips.totalLength, 120u);
    ASSERT_TRUE(SelectClip(state, 2));
    ASSERT_TRUE(RemoveCurrent(state));
    EXPECT_EQ(state.clips.current, 1);
    EXPECT_EQ(state.selectedClip, 1);
    EXPECT_EQ(state.recording.name, "Flood01");
    EXPECT_EQ(state.clips.totalLength, 60u);

    ASSERT_TRUE(MoveUp(state));
    EXPECT_EQ(Names(state), (std::vector<std::string>{"Flood01", "Flood00"}));
    EXPECT_FALSE(MoveUp(state));
    state.activity.playing = true;
    EXPECT_FALSE(RemoveCurrent(state));  // refused while playing
    state.activity.playing = false;
    ASSERT_TRUE(RemoveCurrent(state));
    ASSERT_TRUE(RemoveCurrent(state));
    EXPECT_TRUE(state.clips.entries.empty());
    EXPECT_EQ(state.selectedClip, -1);
    EXPECT_FALSE(test::FileExists(dir.File("Flood.mpr")));
}

TEST_F(ClipListTest, TextsAndTotal) {
    EXPECT_EQ(TotalLengthText(1234, 2), " 1:01s.70");
    RecordAndAppend(0, 62);
    const ClipEntry& e = state.clips.entries[0];
    EXPECT_EQ(e.durationText, " 1:02");
    EXPECT_EQ(e.locationText, dir.File("Flood00"));
    for (int i = 0; i < 3; ++i) CycleDisplayMode(state);
    EXPECT_EQ(state.clips.entries[0].displayLine, dir.Path());
    const std::vector<ClipListRow> rows = ClipListRows(state);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].name, "length:");
    EXPECT_EQ(rows[1].description, " 1:02s.00");
}

TEST_F(ClipListTest, DeletingAProjectRemovesRecordings00To99Only) {
    for (int n : {0, 1, 99, 100}) RecordAndAppend(n, 1);
    test::WriteFileText(dir.File("Flood05.jvu"), "levels");
    const DeleteResult result = DeleteProjectOrRecording(state, dir.File("Flood.mpr"));
    EXPECT_TRUE(result.projectFile);
    for (const char* gone : {"Flood00.wav", "Flood01.wav", "Flood99.wav", "Flood05.jvu"})
        EXPECT_FALSE(test::FileExists(dir.File(gone))) << gone;
    EXPECT_TRUE(test::FileExists(dir.File("Flood100.wav")));
    // The entry of recording 100 stays, and keeps the project file.
    EXPECT_EQ(Names(state), std::vector<std::string>{"Flood100"});
    EXPECT_TRUE(test::FileExists(dir.File("Flood.mpr")));
    EXPECT_EQ(state.recordingNumber, -1);
    EXPECT_EQ(state.recording.name, "Flood00");
}

TEST_F(ClipListTest, DeletingAnMp2RecordingIsNotTakenForAProject) {
    state.mp2 = true;
    test::WriteFileText(dir.File("Flood.mpr"), "project");
    test::WriteFileText(dir.File("Flood05.mp2"), "audio");
    test::WriteFileText(dir.File("Flood05.jvu"), "levels");
    test::WriteFileText(dir.File("Flood06.mp2"), "audio");
    const DeleteResult result = DeleteProjectOrRecording(state, dir.File("Flood05.mp2"));
    EXPECT_FALSE(result.projectFile);
    EXPECT_EQ(result.deleted,
              (std::vector<std::string>{dir.File("Flood05.mp2"), dir.File("Flood05.jvu")}));
    EXPECT_TRUE(test::FileExists(dir.File("Flood06.mp2")));
    EXPECT_TRUE(test::FileExists(dir.File("Flood.mpr")));
}

TEST_F(ClipListTest, MenuDeleteAsksFirstAndIsRefusedWhileRecording) {
    RecordAndAppend(0, 1);
    state.activity.recording = true;
    MenuDelete(state);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"MenuDelete"});
    state.activity.recording = false;
    ui.fileChoices = {dir.File("Flood00.wav")};
    ui.answers = {MsgAnswer::Cancel};
    MenuDelete(state);
    EXPECT_TRUE(test::FileExists(dir.File("Flood00.wav")));
    EXPECT_EQ(ui.messages.back().text,
              "Are you shure you want to delete " + dir.File("Flood00.wav") + " ?");
    ui.fileChoices = {dir.File("Flood00.wav")};
    MenuDelete(state);
    EXPECT_FALSE(test::FileExists(dir.File("Flood00.wav")));
    EXPECT_TRUE(state.clips.entries.empty());
    EXPECT_EQ(state.edit.rec.levelCount, 0u);
}

}  // namespace
}  // namespace mora
