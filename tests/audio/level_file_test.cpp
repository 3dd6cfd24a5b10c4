#include "audio/level_file.h"

#include <gtest/gtest.h>

#include "audio/level_file_reads.h"
#include "tests/settings/file_builder.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {

using test::FileBuilder;

// A level file image built byte by byte.
std::vector<uint8_t> VuImage(uint32_t version, uint32_t cropBegin, uint32_t cropEnd,
                             const std::vector<uint8_t>& levels,
                             const std::vector<uint32_t>& markers = {},
                             const std::vector<VuCut>& cuts = {}, uint32_t shift = 2) {
    FileBuilder b;
    b.Raw("UVMJ").U32(version).U32(cropBegin).U32(cropEnd).U32(
        static_cast<uint32_t>(levels.size()));
    if (version >= 2) {
        b.U32(static_cast<uint32_t>(markers.size())).U32(static_cast<uint32_t>(cuts.size()));
        for (uint32_t m : markers) b.U32(m);
        for (const VuCut& c : cuts) b.U32(c.begin).U32(c.end).U32(c.reserved);
    }
    b.bytes.insert(b.bytes.end(), levels.begin(), levels.end());
    if (version >= 3) b.U32(shift);
    return b.bytes;
}

std::vector<uint8_t> Levels(RecordingEdit& e) {
    return {e.levels.begin(), e.levels.begin() + e.levelCount};
}

class LevelFileTest : public ::testing::Test {
  protected:
    test::ScriptedUi ui;
    test::TempDir dir;
    std::string path = dir.File("Rec001.jvu");
};

TEST_F(LevelFileTest, ThreeSecondRecordingRoundTrips) {
    RecordingEdit edit;
    for (uint32_t i = 0; i < 60; ++i) edit.levels[i] = static_cast<uint8_t>(i % 80);
    edit.levelCount = 60;
    edit.cropEnd = 60;
    ASSERT_TRUE(SaveVuFile(edit, path));
    EXPECT_EQ(test::ReadFileBytes(path).size(), 92u);
    EXPECT_EQ(test::ReadFileBytes(path), VuImage(3, 0, 60, Levels(edit)));

    edit.markers[0] = 7;
    edit.markers[1] = 30;
    edit.markerCount = 2;
    edit.cuts[0] = {10, 20, 0};
    edit.cutCount = 1;
    edit.cropBegin = 5;
    ASSERT_TRUE(SaveVuFile(edit, path));
    RecordingEdit loaded;
    bool undoCleared = false;
    ASSERT_TRUE(LoadVuFile(loaded, path, [&] { undoCleared = true; }));
    EXPECT_TRUE(undoCleared);
    ASSERT_TRUE(SaveVuFile(loaded, dir.File("copy.jvu")));
    EXPECT_EQ(test::ReadFileBytes(dir.File("copy.jvu")),
              VuImage(3, 5, 60, Levels(edit), {7, 30}, {{10, 20, 0}}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LevelFileTest, EmptyArrayIsNotSavedAndFullArrayTakesNoMore) {
    RecordingEdit edit(2);
    EXPECT_EQ(edit.levels[0], 80);
    EXPECT_TRUE(AppendLevel(edit, 7));
    EXPECT_TRUE(AppendLevel(edit, 8));
    EXPECT_FALSE(AppendLevel(edit, 9));
    EXPECT_EQ(Levels(edit), (std::vector<uint8_t>{7, 8}));
    ClearLevels(edit);
    edit.markerCount = 1;
    EXPECT_TRUE(SaveVuFile(edit, path));
    EXPECT_FALSE(test::FileExists(path));
}

TEST_F(LevelFileTest, VersionOneIsExpandedAndRewritten) {
    test::WriteFileBytes(path, VuImage(1, 1, 3, {10, 20, 30}));
    RecordingEdit edit;
    edit.markerCount = 3;  // left from the previous recording
    ASSERT_TRUE(LoadVuFile(edit, path));
    EXPECT_EQ(Levels(edit), (std::vector<uint8_t>{10, 10, 10, 10, 20, 20, 20, 20, 30, 30, 30, 30}));
    EXPECT_EQ(edit.cropBegin, 4u);
    EXPECT_EQ(edit.cropEnd, 12u);
    EXPECT_EQ(edit.markerCount, 0u);
    EXPECT_EQ(edit.cutCount, 0u);
    EXPECT_EQ(test::ReadFileBytes(path), VuImage(3, 4, 12, Levels(edit)));
}

TEST_F(LevelFileTest, FinerAndCoarserFilesAreConvertedAndWrittenBack) {
    // The written-back file holds the whole converted state.
    test::WriteFileBytes(path, VuImage(3, 2, 5, {10, 30, 50, 5, 7}, {6, 7}, {{3, 9, 0}}, 3));
    RecordingEdit edit;
    ASSERT_TRUE(LoadVuFile(edit, path));
    EXPECT_EQ(test::ReadFileBytes(path), VuImage(3, 1, 2, {10, 5}, {3, 3}, {{1, 4, 0}}, 2));

    // A coarser file is expanded as far as the array reaches, in memory only: the file keeps
    // every value, and the positions stay within what was loaded.
    const auto coarse = VuImage(3, 0, 4, {1, 2, 3, 4}, {1, 3}, {{1, 2, 0}, {2, 4, 0}}, 0);
    test::WriteFileBytes(path, coarse);
    RecordingEdit small(10);
    ASSERT_TRUE(LoadVuFile(small, path));
    EXPECT_EQ(test::ReadFileBytes(path), coarse);
    EXPECT_EQ(Levels(small), (std::vector<uint8_t>{1, 1, 1, 1, 2, 2, 2, 2, 3, 3}));
    EXPECT_EQ(small.cropEnd, 10u);
    ASSERT_EQ(small.markerCount, 1u);
    EXPECT_EQ(small.markers[0], 4u);
    EXPECT_EQ(small.cuts[1].begin, 8u);
    EXPECT_EQ(small.cuts[1].end, 10u);
}

TEST_F(LevelFileTest, DamagedFilesAreRefusedAndEmptyTheState) {
    RecordingEdit edit;
    auto loadsAs = [&](const std::vector<uint8_t>& bytes, const std::string& message) {
        test::WriteFileBytes(path, bytes);
        edit.levelCount = 5;
        edit.levels[0] = 1;
        edit.markerCount = 2;
        edit.cutCount = 1;
        ui.messages.clear();
        EXPECT_FALSE(LoadVuFile(edit, path));
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{message});
        EXPECT_EQ(edit.levelCount, 0u);
        EXPECT_EQ(edit.levels[0], 80);
        EXPECT_EQ(edit.markerCount + edit.cutCount, 0u);
        // A refused file is never rewritten.
        EXPECT_EQ(test::ReadFileBytes(path), bytes);
    };
    const std::string header = "WavStartLoading Read Vu File header";
    auto bad = VuImage(3, 0, 2, {1, 2});
    bad[0] = 'X';
    loadsAs(bad, header);
    loadsAs({'U', 'V'}, header);
    loadsAs(VuImage(3, 0, 2, {1, 2}, std::vector<uint32_t>(1001, 5)), header);
    loadsAs(VuImage(3, 0, 2, {1, 2}, {}, std::vector<VuCut>(101)), header);
    auto cutsBeyondFile = VuImage(3, 0, 0, {});
    cutsBeyondFile[24] = 50;  // cut count 50, but no table follows
    loadsAs(cutsBeyondFile, header);
    loadsAs(VuImage(3, 0, 2, {1, 2}, {}, {}, 0xFFFFFFFF), header);

    // A missing file is no error, and the state stays as it was.
    ui.messages.clear();
    edit.levelCount = 3;
    EXPECT_FALSE(LoadVuFile(edit, dir.File("none.jvu")));
    EXPECT_EQ(edit.levelCount, 3u);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LevelFileTest, OversizedCountKeepsArrayEmptyButReadsTheShift) {
    // Level bytes that would read as shift 5 if they were taken for it.
    auto bytes = VuImage(3, 4, 8, std::vector<uint8_t>(12, 5), {6}, {}, 2);
    test::WriteFileBytes(path, bytes);
    RecordingEdit edit(10);
    ASSERT_TRUE(LoadVuFile(edit, path));
    EXPECT_EQ(edit.levelCount, 0u);
    EXPECT_EQ(edit.levels[0], 80);
    EXPECT_EQ(edit.cropBegin, 4u);
    EXPECT_EQ(edit.markers[0], 6u);
    EXPECT_EQ(test::ReadFileBytes(path), bytes);
}

TEST_F(LevelFileTest, TruncatedFileIsReadAsFarAsItGoesAndNotRewritten) {
    auto bytes = VuImage(3, 0, 6, {1, 2, 3, 4, 5, 6}, {2}, {}, 3);
    bytes.resize(bytes.size() - 6);  // the shift and two values are lost
    test::WriteFileBytes(path, bytes);
    RecordingEdit edit;
    ASSERT_TRUE(LoadVuFile(edit, path));
    EXPECT_EQ(Levels(edit), (std::vector<uint8_t>{1, 2, 3, 4, 0, 0}));
    EXPECT_EQ(edit.markers[0], 2u);
    EXPECT_EQ(test::ReadFileBytes(path), bytes);

    // A version-1 file cut short is still converted, in memory only.
    bytes = VuImage(1, 0, 2, {7, 8});
    bytes.pop_back();
    test::WriteFileBytes(path, bytes);
    ASSERT_TRUE(LoadVuFile(edit, path));
    EXPECT_EQ(edit.levelCount, 8u);
    EXPECT_EQ(test::ReadFileBytes(path), bytes);
}

TEST_F(LevelFileTest, SelectionKeepsWhatLiesInside) {
    RecordingEdit edit;
    for (uint32_t i = 0; i < 300; ++i) edit.levels[i] = static_cast<uint8_t>(i % 80);
    edit.levelCount = 300;
    edit.cropBegin = 100;
    edit.cropEnd = 200;
    const std::vector<uint32_t> markers{50, 100, 150, 199, 200};
    std::copy(markers.begin(), markers.end(), edit.markers.begin());
    edit.markerCount = 5;
    const std::vector<VuCut> cuts{{90, 120, 0}, {100, 120, 0}, {150, 200, 0}, {180, 250, 0}};
    std::copy(cuts.begin(), cuts.end(), edit.cuts.begin());
    edit.cutCount = 4;
    ASSERT_TRUE(SaveSelectionVuFile(edit, dir.File("Sel")));
    std::vector<uint8_t> expected(edit.levels.begin() + 100, edit.levels.begin() + 200);
    EXPECT_EQ(test::ReadFileBytes(dir.File("Sel.jvu")),
              VuImage(3, 0, 100, expected, {50, 99}, {{0, 20, 0}, {50, 100, 0}}));

    // A crop range beyond the recorded values is limited to them.
    edit.cropBegin = 290;
    edit.cropEnd = 400;
    ASSERT_TRUE(SaveSelectionVuFile(edit, dir.File("Tail")));
    std::vector<uint8_t> tail(edit.levels.begin() + 290, edit.levels.begin() + 300);
    EXPECT_EQ(test::ReadFileBytes(dir.File("Tail.jvu")), VuImage(3, 0, 10, tail));
}

TEST_F(LevelFileTest, RemoveEmptyCutsSavesOnlyWhenSomethingWentAway) {
    RecordingEdit edit;
    edit.levelCount = 30;
    edit.cuts[0] = {5, 8, 0};
    edit.cutCount = 1;
    EXPECT_FALSE(RemoveEmptyCuts(edit, path));
    EXPECT_FALSE(test::FileExists(path));
    edit.cuts = {VuCut{3, 3, 0}, VuCut{5, 8, 0}, VuCut{9, 9, 0}};
    edit.cutCount = 3;
    EXPECT_TRUE(RemoveEmptyCuts(edit, path));
    ASSERT_EQ(edit.cutCount, 1u);
    EXPECT_EQ(edit.cuts[0].begin, 5u);
    EXPECT_TRUE(test::FileExists(path));
}

TEST(CutWalk, AdjacentOverlappingAndRangeCrossingCuts) {
    const std::vector<VuCut> cuts{{0, 5, 0}, {10, 20, 0}, {20, 30, 0}, {33, 36, 0}, {34, 38, 0}};
    std::vector<std::pair<uint32_t, uint32_t>> parts;
    WalkUncut(3, 40, cuts.data(), 5, [&](uint32_t a, uint32_t b) { parts.emplace_back(a, b); });
    EXPECT_EQ(parts, (std::vector<std::pair<uint32_t, uint32_t>>{{5, 10}, {30, 33}, {38, 40}}));
    EXPECT_EQ(EffectiveLength(3, 40, cuts.data(), 5), 10u);
    EXPECT_EQ(EffectiveLength(0, 100, nullptr, 0), 100u);
    EXPECT_EQ(EffectiveLength(12, 18, cuts.data(), 5), 0u);
    EXPECT_EQ(EffectiveLength(50, 40, cuts.data(), 5), 0u);
    // Unsorted tables give the same result.
    const std::vector<VuCut> shuffled{cuts[3], cuts[1], cuts[4], cuts[0], cuts[2]};
    EXPECT_EQ(EffectiveLength(3, 40, shuffled.data(), 5), 10u);
}

TEST_F(LevelFileTest, HelperReads) {
    std::vector<uint8_t> levels(50);
    for (uint8_t i = 0; i < 50; ++i) levels[i] = i;
    test::WriteFileBytes(path, VuImage(3, 2, 45, levels, {4, 9}, {{10, 20, 0}, {20, 30, 7}}));
    auto header = GetVuFileHeader(path);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->levelCount, 50u);
    EXPECT_EQ(header->markerCount, 2u);
    EXPECT_EQ(header->cutCount, 2u);
    EXPECT_EQ(header->DataOffset(), 28u + 8 + 24);
    std::vector<uint32_t> markers;
    EXPECT_EQ(GetVuMarkers(path, markers), 8u);
    EXPECT_EQ(markers, (std::vector<uint32_t>{4, 9}));
    std::vector<VuCut> cuts;
    EXPECT_EQ(GetVuCuts(path, cuts), 24u);
    EXPECT_EQ(cuts[1].reserved, 7u);

    std::vector<uint8_t> data;
    // The file's crop range [2, 45) without [10, 30).
    EXPECT_EQ(GetVuFileData(path, 0, 0, data), 23u);
    EXPECT_EQ(data.front(), 2);
    EXPECT_EQ(data[8], 30);
    EXPECT_EQ(data.back(), 44);
    // A clip's own range; its end beyond the file's values is limited to them.
    EXPECT_EQ(GetVuFileData(path, 25, 1000, data), 20u);
    EXPECT_EQ(data.front(), 30);
    EXPECT_TRUE(ui.messages.empty());

    test::WriteFileBytes(path, {'W', 'A', 'V', 'E'});
    EXPECT_FALSE(GetVuFileHeader(path));
    EXPECT_EQ(GetVuMarkers(path, markers), 0u);
    EXPECT_EQ(GetVuCuts(path, cuts), 0u);
    EXPECT_EQ(GetVuFileData(path, 0, 0, data), 0u);
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{"GetVuFileHeader", "GetVuFileHeader", "GetVuFileHeader",
                                        "GetVuFileHeader in GetVuFileData"}));

    // A version-1 file has no tables.
    test::WriteFileBytes(path, VuImage(1, 0, 3, {1, 2, 3}));
    EXPECT_EQ(GetVuFileData(path, 0, 0, data), 3u);
    EXPECT_EQ(GetVuMarkers(path, markers), 0u);
}

}  // namespace
}  // namespace mora
