#include "audio/level_meter.h"

#include <gtest/gtest.h>

#include <vector>

namespace mora {
namespace {

std::vector<uint8_t> Samples16(std::initializer_list<int16_t> samples) {
    std::vector<uint8_t> bytes;
    for (int16_t s : samples) {
        bytes.push_back(static_cast<uint8_t>(s & 0xff));
        bytes.push_back(static_cast<uint8_t>((s >> 8) & 0xff));
    }
    return bytes;
}

std::vector<uint8_t> Samples24(std::initializer_list<int32_t> samples) {
    std::vector<uint8_t> bytes;
    for (int32_t s : samples) {
        bytes.push_back(static_cast<uint8_t>(s & 0xff));
        bytes.push_back(static_cast<uint8_t>((s >> 8) & 0xff));
        bytes.push_back(static_cast<uint8_t>((s >> 16) & 0xff));
    }
    return bytes;
}

TEST(LevelTables, Landmarks) {
    LevelTables t = BuildLevelTables();
    // Expected values worked out by hand from the dB curve: -10 dB falls at peak index 161,
    // and indices up to 164 still round to level 30.
    EXPECT_EQ(t.forward[0], 79);
    EXPECT_EQ(t.forward[1], 79);
    EXPECT_EQ(t.forward[16], 60);
    EXPECT_EQ(t.forward[161], 30);
    EXPECT_EQ(t.forward[164], 30);
    EXPECT_EQ(t.forward[165], 29);
    EXPECT_EQ(t.forward[511], 0);
    EXPECT_EQ(t.reverse[0], 255);
    EXPECT_EQ(t.reverse[30], 82);
    EXPECT_EQ(t.reverse[60], 8);
    EXPECT_EQ(t.reverse[79], 0);
    // Levels the curve skips keep 0.
    EXPECT_EQ(t.reverse[68], 0);
    EXPECT_EQ(t.reverse[77], 0);
    for (int v = 1; v < 512; ++v) EXPECT_LE(t.forward[v], t.forward[v - 1]) << v;
}

TEST(BufferLevel, SixteenBitPeaksAndSilence) {
    LevelTables t = BuildLevelTables();
    auto silence = Samples16({0, 0, 0, 0});
    EXPECT_EQ(BufferLevel(t, silence.data(), silence.size(), 16), 79);
    auto full = Samples16({0, 32767, 12, -5});
    EXPECT_EQ(BufferLevel(t, full.data(), full.size(), 16), 0);
    // The most negative sample must not index past the table.
    auto negative = Samples16({0, -32768});
    EXPECT_EQ(BufferLevel(t, negative.data(), negative.size(), 16), 0);
    auto quiet = Samples16({100, -(161 << 6)});
    EXPECT_EQ(BufferLevel(t, quiet.data(), quiet.size(), 16), 30);
    // A trailing odd byte is not a sample.
    std::vector<uint8_t> odd = {0, 0, 0xff};
    EXPECT_EQ(BufferLevel(t, odd.data(), odd.size(), 16), 79);
}

TEST(BufferLevel, TwentyFourBitUsesUpperBitsAndIgnoresNegatives) {
    LevelTables t = BuildLevelTables();
    auto negative = Samples24({-8388608, -100000});
    EXPECT_EQ(BufferLevel(t, negative.data(), negative.size(), 24), 79);
    auto full = Samples24({8388607, -8388608});
    EXPECT_EQ(BufferLevel(t, full.data(), full.size(), 24), 0);
    auto tenDb = Samples24({(161 << 6) << 8});
    EXPECT_EQ(BufferLevel(t, tenDb.data(), tenDb.size(), 24), 30);
}

}  // namespace
}  // namespace mora
