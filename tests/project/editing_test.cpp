// Cuts, markers and their undo and redo records, walked step by step; copying into the clip list.

#include "project/editing.h"
#include "audio/level_file.h"
#include "project/clip_list.h"
#include "project/project_store.h"
#include "tests/project/project_fixture.h"

namespace mora {
namespace {

class EditingTest : public test::ProjectTest {
  protected:
    void SetUp() override {
        RecordAndAppend(3, 5);
        ASSERT_TRUE(SelectClip(state, 0));
        ASSERT_EQ(state.edit.rec.levelCount, 100u);
    }
    std::string Cuts() const {
        std::string text;
        const RecordingEdit& rec = state.edit.rec;
        for (uint32_t i = 0; i < rec.cutCount; ++i)
            text += std::to_string(rec.cuts[i].begin) + "-" + std::to_string(rec.cuts[i].end) + " ";
        return text;
    }
    static std::string Record(const UndoRecord& r) {
        return std::to_string(r.type) + ":" + std::to_string(r.index) + ":" +
               std::to_string(r.value);
    }
    std::string Undo() const { return Record(state.edit.undo); }
    std::string Redo() const { return Record(state.edit.redo); }
    void At(uint32_t cursor) { state.edit.cursor = cursor; }
    // The markers and cuts the level file on disk holds.
    std::string OnDisk() const {
        RecordingEdit rec;
        LoadVuFile(rec, dir.File("Flood03.jvu"));
        std::string text;
        for (uint32_t i = 0; i < rec.markerCount; ++i)
            text += "m" + std::to_string(rec.markers[i]) + " ";
        for (uint32_t i = 0; i < rec.cutCount; ++i)
            text += "c" + std::to_string(rec.cuts[i].begin) + " ";
        return text;
    }
};

TEST_F(EditingTest, CutUndoAndRedoRecords) {
    At(10);
    CutBegin(state);  // an empty cut at the cursor, saved at once
    EXPECT_EQ(Cuts(), "10-10 ");
    EXPECT_EQ(OnDisk(), "c10 ");
    EXPECT_EQ(state.clips.entries[0].length, 100u);
    SelectCut(state, 0);
    At(20);
    CutEnd(state);  // widening an empty cut records nothing
    EXPECT_EQ(Undo(), "0:0:0");
    At(5);
    CutBegin(state);
    EXPECT_EQ(Cuts(), "5-20 ");
    EXPECT_EQ(Undo(), "11:0:10");
    EXPECT_EQ(state.clips.entries[0].length, 85u);
    EXPECT_EQ(state.clips.totalLength, 85u);

    UndoRedoCut(state);
    EXPECT_EQ(Cuts(), "10-20 ");
    EXPECT_EQ(Undo() + " " + Redo(), "0:0:0 11:0:5");
    UndoRedoCut(state);
    EXPECT_EQ(Cuts(), "5-20 ");
    EXPECT_EQ(Undo() + " " + Redo(), "11:0:10 0:0:0");

    DeleteCut(state, 0);
    EXPECT_EQ(Cuts(), "");
    EXPECT_EQ(Undo(), "10:0:5");
    EXPECT_EQ(OnDisk(), "");
    UndoRedoCut(state);
    EXPECT_EQ(Cuts(), "5-20 ");
    EXPECT_EQ(Redo(), "15:0:0");
    EXPECT_EQ(state.edit.selectedCut, 0);
    UndoRedoCut(state);  // the redo deletes it again, which can be undone once more
    EXPECT_EQ(Cuts(), "");
    EXPECT_EQ(Undo() + " " + Redo(), "10:0:5 0:0:0");
    UndoRedoCut(state);
    EXPECT_EQ(Cuts(), "5-20 ");

    // A drag records its end once; a second drag kind while one is pending records nothing.
    SelectCut(state, 0);
    DragCutEnd(state, 3);
    EXPECT_EQ(Undo(), "14:0:20");
    MoveCutEnd(state, true, 30);
    DragCutEnd(state, 2);
    EXPECT_EQ(Undo(), "14:0:20");
    UndoRedoCut(state);
    EXPECT_EQ(Cuts(), "5-20 ");
    EXPECT_EQ(Redo(), "14:0:30");

    // The marker button only discards a cut record.
    DragCutEnd(state, 0);
    UndoRedoMarker(state);
    EXPECT_EQ(Undo(), "0:0:0");
    EXPECT_EQ(Cuts(), "5-20 ");
}

// A dragged cut end reaches the level file only at its next save: choosing another clip
// must not lose it.
TEST_F(EditingTest, ADraggedCutEndSurvivesChoosingAnotherClip) {
    RecordAndAppend(4, 2);
    ASSERT_TRUE(SelectClip(state, 0));
    At(10);
    CutBegin(state);
    SelectCut(state, 0);
    DragCutEnd(state, 3);
    MoveCutEnd(state, true, 30);
    ASSERT_TRUE(SelectClip(state, 1));
    ASSERT_TRUE(SelectClip(state, 0));
    EXPECT_EQ(Cuts(), "10-30 ");
}

TEST_F(EditingTest, MarkerUndoAndRedoRecords) {
    At(40);
    ToggleMark(state);
    EXPECT_EQ(OnDisk(), "m40 ");
    EXPECT_TRUE(CursorOnMarker(state));
    ToggleMark(state);  // twice: no marker, and its deletion can be undone
    EXPECT_EQ(state.edit.rec.markerCount, 0u);
    EXPECT_EQ(Undo(), "1:0:40");
    UndoRedoMarker(state);
    EXPECT_EQ(OnDisk(), "m40 ");
    EXPECT_EQ(Undo() + " " + Redo(), "0:0:0 2:0:40");
    UndoRedoMarker(state);
    EXPECT_EQ(OnDisk(), "");
    EXPECT_EQ(Undo() + " " + Redo(), "1:0:40 0:0:0");
}

TEST_F(EditingTest, ALevelFileCutShortByACrashIsRebuiltAndKeepsItsEdits) {
    // What a recorder cut off leaves: the levels and marker of the first two seconds only.
    RecordingEdit cutShort;
    for (int i = 0; i < 40; ++i) AppendLevel(cutShort, 30);
    cutShort.cropEnd = 40;
    cutShort.markers[0] = 10;
    cutShort.markerCount = 1;
    ASSERT_TRUE(SaveVuFile(cutShort, dir.File("Flood03.jvu")));
    ASSERT_TRUE(OpenClipFile(state, dir.File("Flood03.wav")));
    const RecordingEdit& rec = state.edit.rec;
    EXPECT_EQ(rec.levelCount, 100u);
    EXPECT_EQ(rec.cropEnd, 100u);
    EXPECT_EQ(OnDisk(), "m10 ");
    ASSERT_EQ(rec.markerCount, 1u);
    EXPECT_EQ(rec.markers[0], 10u);
}

TEST_F(EditingTest, CopiesIntoTheClipListAreNumberedByRecording) {
    state.name = "default";
    RecordAndAppend(3, 2);
    ASSERT_TRUE(SelectClip(state, 1));
    At(5);
    CropBegin(state);
    At(25);
    CropEnd(state);
    EXPECT_EQ(ProposedClipName(state), "1.default03");
    ASSERT_TRUE(CopyToClipEditor(state, "1.default03"));
    ASSERT_EQ(state.clips.entries.size(), 3u);
    EXPECT_EQ(state.clips.entries[1].clipName, "1.default03");
    EXPECT_EQ(state.clips.entries[1].length, 20u);
    EXPECT_EQ(state.selectedClip, 2);
    EXPECT_EQ(ProposedClipName(state), "2.default03");

    // A recording opened outside the list joins it with the selection as its range.
    ASSERT_TRUE(OpenClipFile(state, dir.File("Flood03.wav")));
    At(50);
    CropBegin(state);
    EXPECT_EQ(ProposedClipName(state), "Flood03");
    ASSERT_TRUE(CopyToClipEditor(state, "Tail"));
    const ClipEntry& added = state.clips.entries[state.selectedClip];
    EXPECT_EQ(added.clipName, "Tail");
    EXPECT_EQ(added.rangeBegin, 50u);
    EXPECT_EQ(added.length, 50u);
}

}  // namespace
}  // namespace mora
