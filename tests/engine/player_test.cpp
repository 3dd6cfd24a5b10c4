// The player on the file device: what reaches the output, cuts, the crop end, winding and
// play-all.

#include <gtest/gtest.h>

#include "audio/recording_reader.h"
#include "tests/engine/engine_rig.h"

namespace mora::test {
namespace {

constexpr uint32_t kUnitFrames = 2205;  // 0.05 s at 44100 Hz

// A mono recording of `units` level units with its level file: crop [0, cropEnd), the cuts.
std::vector<int16_t> MakeRecording(EngineRig& rig, const std::string& name, uint32_t units,
                                   uint32_t cropEnd, std::vector<VuCut> cuts, int channels = 1) {
    const auto samples = TestSignal(units * kUnitFrames, channels);
    WriteWav(rig.dir.File(name + ".wav"), samples, channels);
    RecordingEdit edit;
    edit.levelCount = units;
    for (uint32_t i = 0; i < units; ++i) edit.levels[i] = static_cast<uint8_t>(i % 80);
    edit.cropEnd = cropEnd;
    for (const VuCut& cut : cuts) edit.cuts[edit.cutCount++] = cut;
    SaveVuFile(edit, rig.dir.File(name + ".jvu"));
    rig.project.list.push_back({rig.dir.File(name + ".wav"), units});
    return samples;
}

void Open(EngineRig& rig, int index) {
    rig.project.current = index;
    LoadVuFile(rig.edit, LevelFilePathOf(rig.project.list[index].path));
    rig.engine->OpenRecording(rig.project.list[index].path);
}

std::vector<int16_t> Units(const std::vector<int16_t>& samples, uint32_t from, uint32_t to,
                           int channels = 1) {
    return {samples.begin() + from * kUnitFrames * channels,
            samples.begin() + to * kUnitFrames * channels};
}

// The output file without the closing buffer's 512 bytes of silence.
std::vector<int16_t> Heard(EngineRig& rig) {
    auto out = WavSamples(rig.dir.File("out.wav"));
    EXPECT_GE(out.size(), 256u);
    for (size_t i = out.size() - 256; i < out.size(); ++i) EXPECT_EQ(out[i], 0);
    out.resize(out.size() - 256);
    return out;
}

TEST(Player, PlaysTheCropRangeWithoutItsCutsAndNothingPastTheEnd) {
    EngineRig rig;
    const auto samples = MakeRecording(rig, "take00", 60, 40, {{10, 20, 0}});
    Open(rig, 0);
    rig.PlayToEnd(1);
    auto expected = Units(samples, 0, 10);
    const auto rest = Units(samples, 20, 40);
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(Heard(rig), expected);
    EXPECT_EQ(rig.engine->ShownPosition(), 40);
    EXPECT_FALSE(rig.engine->Playing());
    EXPECT_FALSE(rig.engine->OutputOpen());
    // The cursor jumped over the cut: it never showed a position inside it.
    for (int32_t p : rig.positions) EXPECT_TRUE(p < 10 || p >= 17) << p;
}

TEST(Player, AMonoRecordingIsHeardOnBothChannels) {
    EngineRig rig;
    const auto samples = MakeRecording(rig, "take00", 30, 0, {});
    Open(rig, 0);
    rig.PlayToEnd(2);
    auto out = WavSamples(rig.dir.File("out.wav"));
    ASSERT_GE(out.size(), samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(out[2 * i], samples[i]) << i;
        ASSERT_EQ(out[2 * i + 1], samples[i]) << i;
    }
}

TEST(Player, FastForwardAndRewindLandAtCutsAndEnds) {
    EngineRig rig;
    MakeRecording(rig, "take00", 100, 0, {{30, 50, 0}});
    Open(rig, 0);
    rig.engine->RestartPlaying(15);
    rig.engine->SetTransport(kFastForward);
    rig.PlayToEnd(1);
    // 16 + 20 lies in the cut: fast forward lands on its end (shown three units behind).
    EXPECT_NE(std::find(rig.positions.begin(), rig.positions.end(), 47), rig.positions.end());
    EXPECT_EQ(rig.engine->ShownPosition(), 100);

    rig.engine->RestartPlaying(80);
    rig.engine->SetTransport(kRewind);
    rig.PlayToEnd(1);
    // 81 - 20 = 61, then 62 - 20 = 42 lies in the cut: rewind lands 20 before its start.
    auto at58 = std::find(rig.positions.begin(), rig.positions.end(), 58);
    EXPECT_NE(at58, rig.positions.end());
    EXPECT_NE(std::find(at58, rig.positions.end(), 7), rig.positions.end());
    EXPECT_EQ(rig.engine->ShownPosition(), 0);

    rig.engine->RestartPlaying(-1);
    EXPECT_EQ(rig.engine->ShownPosition(), 0);
    rig.engine->RestartPlaying(100);
    EXPECT_EQ(rig.engine->ShownPosition(), 100);
    rig.engine->SetTransport(kPlaying);
    rig.PlayToEnd(1);
    EXPECT_EQ(rig.engine->ShownPosition(), 100);
}

TEST(Player, PlayAllCrossesTheRecordingsOfTheProject) {
    EngineRig rig;
    const auto first = MakeRecording(rig, "take00", 30, 25, {});
    const auto second = MakeRecording(rig, "take01", 20, 0, {{0, 5, 0}});
    Open(rig, 0);
    rig.engine->SetTransport(kPlayAll);
    rig.PlayToEnd(1);
    auto expected = Units(first, 0, 25);
    const auto rest = Units(second, 5, 20);
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(Heard(rig), expected);
    EXPECT_EQ(rig.project.current, 1);
}

}  // namespace
}  // namespace mora::test
