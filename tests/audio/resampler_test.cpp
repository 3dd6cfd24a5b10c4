#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <numeric>
#include <vector>

#include "audio/resampler.h"
#include "platform/system_facts.h"

namespace mora {
namespace {

TEST(Resampler, TableIsAUnitGainInterpolatorWithTheExpectedLandmarks) {
    const auto& table = ResamplerCoefficients();
    for (size_t p = 0; p < table.size(); ++p) {
        int sum = std::accumulate(table[p].begin(), table[p].end(), 0);
        EXPECT_NEAR(sum, 32767, 11) << "phase " << p;
    }
    for (int t = 0; t < 8; ++t) EXPECT_EQ(table[240][t], table[240][15 - t]) << t;  // half-sample
    EXPECT_GT(table[240][7], 20000);
    EXPECT_EQ(table[480][7], 32767);  // on the input sample after tap 7
    EXPECT_EQ(table[0][8], 32767);
    EXPECT_GE(table[1][8], 32700);  // almost on tap 8
    EXPECT_LT(std::abs(table[1][7]), 200);
}

TEST(Resampler, ConsumesInputFramesAtTheRatioOfTheRatesAndCarriesThePhase) {
    Resampler r;
    r.Reset(44100);
    std::vector<int16_t> in(1200 * 2, 0), left(1152), right(1152);
    EXPECT_EQ(r.Run(in.data(), 1200, 2, left.data(), right.data(), 1152), 1058u);
    EXPECT_EQ(r.Phase(), 19200u);
    uint32_t next = r.Run(in.data(), 1200, 2, left.data(), right.data(), 1152);
    EXPECT_TRUE(next == 1058u || next == 1059u) << next;

    // Over many blocks the consumption follows 44100 / 48000 exactly.
    r.Reset(44100);
    uint64_t total = 0;
    for (int block = 0; block < 1000; ++block)
        total += r.Run(in.data(), 1200, 1, left.data(), nullptr, 1152);
    EXPECT_EQ(total, 1152ull * 1000 * 44100 / 48000);
}

TEST(Resampler, KeepsTheFrequencyAndLevelOfASine) {
    // 1 kHz at 44.1 kHz, fed in 1152-frame blocks as the encoder stages it.
    const double amplitude = 16000;
    std::vector<int16_t> input(44100 * 2);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] =
            static_cast<int16_t>(amplitude * std::sin(2 * std::numbers::pi * 1000 * i / 44100.0));
    Resampler r;
    r.Reset(44100);
    std::vector<int16_t> out;
    size_t pos = 0;
    std::vector<int16_t> block(1152);
    while (pos + 1152 + 16 < input.size()) {
        pos += r.Run(input.data() + pos, 1152 + 16, 1, block.data(), nullptr, 1152);
        out.insert(out.end(), block.begin(), block.end());
    }
    ASSERT_GT(out.size(), 48000u);
    // Compare one second of output with the ideal 48 kHz sine (allowing for the fixed delay).
    double best = 0;
    for (int delay = 0; delay < 60; ++delay) {
        double dot = 0, norm = 0;
        for (int i = 1000; i < 49000 && i < static_cast<int>(out.size()); ++i) {
            double ideal = std::sin(2 * std::numbers::pi * 1000 * (i - delay) / 48000.0);
            dot += out[static_cast<size_t>(i)] * ideal;
            norm += ideal * ideal;
        }
        best = std::max(best, dot / norm);
    }
    EXPECT_NEAR(best, amplitude, amplitude * 0.01);
}

TEST(Resampler, EachProductIsShiftedBeforeTheSumEvenAtFullScale) {
    // Left: full-scale alternation, then noise; right: its complement. Both against the sum
    // written out.
    std::array<std::vector<int16_t>, 2> in{std::vector<int16_t>(1216), std::vector<int16_t>(1216)};
    std::vector<int16_t> interleaved;
    uint32_t seed = 1;
    for (size_t i = 0; i < in[0].size(); ++i) {
        seed = seed * 1103515245 + 12345;
        in[0][i] = i < 300 ? static_cast<int16_t>(i % 2 ? -32768 : 32767)
                           : static_cast<int16_t>(seed >> 16);
        in[1][i] = static_cast<int16_t>(~in[0][i]);
        interleaved.insert(interleaved.end(), {in[0][i], in[1][i]});
    }
    Resampler r;
    r.Reset(44100);
    std::array<std::vector<int16_t>, 2> out{std::vector<int16_t>(1152), std::vector<int16_t>(1152)};
    r.Run(interleaved.data(), 1200, 2, out[0].data(), out[1].data(), 1152);
    const auto& table = ResamplerCoefficients();
    uint32_t acc = 0, n = 0;
    for (size_t i = 0; i < 1152; ++i) {
        for (size_t c = 0; c < 2; ++c) {
            int32_t sum = 0;
            for (size_t t = 0; t < 16; ++t)
                sum += (in[c][n + t] * table[(48000 - acc) / 100][t]) >> 4;
            ASSERT_EQ(out[c][i], std::clamp(sum >> 11, -32768, 32767)) << c << " " << i;
        }
        for (acc += 44100; acc >= 48000; acc -= 48000) ++n;
    }
}

TEST(Resampler, MatchesTheSumWrittenOutForAnyRateBlockLengthAndChannelCount) {
    // Blocks of lengths that are not multiples of eight, carried from one to the next, at the
    // nominal and measured rates, with full-scale and random input running into the silence
    // past the frames given; with the vector code of older processors too.
    const auto& table = ResamplerCoefficients();
    uint32_t seed = 7;
    for (SimdLevel level : {SimdLevel::None, SimdLevel::Avx2})
        for (uint32_t rate : {44100u, 44103u, 47999u, 48010u}) {
            CapSimd(level);
            for (int channels : {1, 2}) {
                Resampler r;
                r.Reset(rate);
                for (uint32_t outSamples : {1152u, 1001u, 7u, 13u, 600u}) {
                    const uint32_t inFrames = outSamples * 44100 / 48000 + 9;
                    std::vector<int16_t> in(inFrames * channels + 16);
                    for (size_t i = 0; i < in.size(); ++i) {
                        seed = seed * 1103515245 + 12345;
                        in[i] = i % 97 < 20 ? static_cast<int16_t>(i % 2 ? -32768 : 32767)
                                            : static_cast<int16_t>(seed >> 16);
                    }
                    std::array<std::vector<int16_t>, 2> out{std::vector<int16_t>(outSamples),
                                                            std::vector<int16_t>(outSamples)};
                    uint32_t acc = r.Phase(), n = 0;
                    const uint32_t used = r.Run(in.data(), inFrames, channels, out[0].data(),
                                                out[1].data(), outSamples);
                    for (uint32_t i = 0; i < outSamples; ++i) {
                        for (int c = 0; c < channels; ++c) {
                            int32_t sum = 0;
                            for (uint32_t t = 0; t < 16; ++t) {
                                const int32_t x = n + t < inFrames ? in[(n + t) * channels + c] : 0;
                                sum += (x * table[(48000 - acc) / 100][t]) >> 4;
                            }
                            ASSERT_EQ(out[c][i], std::clamp(sum >> 11, -32768, 32767))
                                << rate << " Hz, " << channels << " ch, " << outSamples << ", "
                                << i;
                        }
                        for (acc += rate; acc >= 48000; acc -= 48000) ++n;
                    }
                    EXPECT_EQ(used, n);
                    EXPECT_EQ(r.Phase(), acc);
                }
            }
        }
}

}  // namespace
}  // namespace mora
