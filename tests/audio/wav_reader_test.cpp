// The WAV reader against files written by sox and ffmpeg and against hand-made chunk layouts.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "audio/audio_reader.h"
#include "tests/audio/audio_fixtures.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"

namespace mora::test {
namespace {

struct Chunk {
    std::string id;
    std::vector<uint8_t> body;
    int64_t claimedSize = -1;  // a size field that lies
};

void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}

std::vector<uint8_t> Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> f;
    Put16(f, tag);
    Put16(f, channels);
    Put32(f, rate);
    Put32(f, rate * channels * bits / 8);
    Put16(f, static_cast<uint16_t>(channels * bits / 8));
    Put16(f, bits);
    return f;
}

// RIFF/WAVE with the chunks in order, each padded to even length.
std::vector<uint8_t> Riff(const std::vector<Chunk>& chunks) {
    std::vector<uint8_t> v{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) {
        v.insert(v.end(), c.id.begin(), c.id.end());
        Put32(v, c.claimedSize >= 0 ? static_cast<uint32_t>(c.claimedSize)
                                    : static_cast<uint32_t>(c.body.size()));
        v.insert(v.end(), c.body.begin(), c.body.end());
        if (c.body.size() & 1) v.push_back(0);
    }
    return v;
}

std::vector<uint8_t> Samples16(const std::vector<int16_t>& s) {
    std::vector<uint8_t> v;
    for (int16_t x : s) Put16(v, static_cast<uint16_t>(x));
    return v;
}

class WavReaderTest : public ::testing::Test {
  protected:
    uint32_t ValidateBytes(const std::vector<uint8_t>& bytes) {
        reader.UseMemory(bytes);
        return reader.Validate();
    }
    ScriptedUi ui;
    TempDir dir;
    EngineFormat format;
    JStreamAudioReadWavFile reader{format};
};

TEST_F(WavReaderTest, OnlyTheDataChunkIsPlayedWhateverSurroundsIt) {
    std::vector<int16_t> samples(4410 + 100);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i);
    // An odd-sized chunk (with its pad byte) before "data", and one after it.
    const auto bytes = Riff({{"bext", std::vector<uint8_t>(603, 'b')},
                             {"fmt ", Fmt(1, 1, 44100, 16)},
                             {"data", Samples16(samples)},
                             {"levl", std::vector<uint8_t>(9000, 0x7F)}});
    format.outputChannels = 2;
    ASSERT_EQ(ValidateBytes(bytes), 2u);
    EXPECT_EQ(reader.DataStart(), 12u + 8 + 604 + 8 + 16 + 8);
    EXPECT_EQ(format.bytesPerUnit, 4410u);
    EXPECT_EQ(format.playMode, 0);
    EXPECT_TRUE(ui.messages.empty());
    // Mono reaches both channels; after the data comes silence, not the next chunk.
    std::vector<int16_t> out(2205 * 2);
    reader.StartAt(1);
    reader.GetUnit(out.data());
    for (int i = 0; i < 2205; ++i) {
        ASSERT_EQ(out[2 * i], 2205 + i);
        ASSERT_EQ(out[2 * i + 1], 2205 + i);
    }
    reader.GetUnit(out.data());
    EXPECT_EQ(out[2 * 99], 4509);
    EXPECT_EQ(out[2 * 100], 0);
    EXPECT_EQ(out[2 * 2204 + 1], 0);
    EXPECT_EQ(reader.CurrentUnit(), 3);
}

TEST_F(WavReaderTest, BrokenLayoutsAreRefusedWithTheirReason) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* message;
    };
    const auto fmt = Fmt(1, 2, 48000, 16);
    const auto data = Samples16(std::vector<int16_t>(9600, 7));
    std::vector<Case> cases = {
        {"no data chunk", Riff({{"fmt ", fmt}, {"LIST", {1, 2, 3}}}), "WavOpenFile No Data"},
        {"empty data", Riff({{"fmt ", fmt}, {"data", {}}}), "WavOpenFile No Data"},
        {"chunk claiming more than the file",
         Riff({{"fmt ", fmt}, {"LIST", {1}, 0x7FFFFFF0}, {"data", data}}), "WavOpenFile No Data"},
        {"chunk size wrapping around",
         Riff({{"fmt ", fmt}, {"LIST", {1}, 0xFFFFFFFF}, {"data", data}}), "WavOpenFile No Data"},
        {"no format", Riff({{"data", data}}), "Only mono or stereo allowed."},
        {"float samples", Riff({{"fmt ", Fmt(3, 1, 44100, 32)}, {"data", data}}),
         "Only 16 or 24-bits\nsamples allowed."},
        {"not a RIFF file", std::vector<uint8_t>(100, 'x'), "Only mono or stereo allowed."},
        {"empty file", {}, "Empty file"},
    };
    for (const auto& c : cases) {
        ui.messages.clear();
        EXPECT_EQ(ValidateBytes(c.bytes), 0u) << c.name;
        ASSERT_EQ(ui.messages.size(), 1u) << c.name;
        EXPECT_EQ(ui.messages[0].text, c.message) << c.name;
        EXPECT_EQ(ui.messages[0].title, "Error") << c.name;
    }
}

TEST_F(WavReaderTest, ARecordingCutOffBeforeItsSizesWerePatchedPlaysToTheEnd) {
    const auto fmt = Fmt(1, 2, 48000, 16);
    auto data = Samples16(std::vector<int16_t>(9600, 7));
    data.push_back(1);  // half a frame: not played
    for (uint32_t size : {0u, 1u << 20}) {
        EXPECT_EQ(ValidateBytes(Riff({{"fmt ", fmt}, {"data", data, size}})), 2u) << size;
        EXPECT_TRUE(ui.messages.empty());
    }
}

TEST_F(WavReaderTest, FilesWrittenBySoxAndFfmpegAreRead) {
    // ffmpeg puts a LIST chunk before "data"; sox writes 24 bits as an extensible format with a
    // "fact" chunk; 3 channels, 8 bits and 22050 Hz come from sox too.
    const std::string list = dir.File("list.wav"), deep = dir.File("deep.wav");
    ASSERT_TRUE(
        Shell("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=2:sample_rate=48000 "
              "-ac 2 -metadata title=Harbour " +
              Q(list)));
    ASSERT_TRUE(Shell("sox -n -r 96000 -c 1 -b 24 " + Q(deep) + " synth 1.5 sine 440"));
    EXPECT_EQ(reader.ReadLength(list), 40u);
    EXPECT_EQ(format.playMode, 1);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.bytesPerUnit, 9600u);
    EXPECT_GT(reader.DataStart(), 44u);
    EXPECT_EQ(reader.ReadLength(deep), 30u);
    EXPECT_EQ(format.width, 24);
    EXPECT_EQ(format.playMode, 3);
    EXPECT_EQ(format.bytesPerUnit, 4800u * 3u);
    EXPECT_TRUE(ui.messages.empty());

    const std::vector<std::pair<std::string, std::string>> refused = {
        {"-r 44100 -c 3 -b 16", "Only mono or stereo allowed."},
        {"-r 44100 -c 1 -b 8", "Only 16 or 24-bits\nsamples allowed."},
        {"-r 22050 -c 1 -b 16", "Wrong sample-rate"},
    };
    for (const auto& [options, message] : refused) {
        const std::string path = dir.File("refused.wav");
        ASSERT_TRUE(Shell("sox -n " + options + " " + Q(path) + " synth 1 sine 300"));
        ui.messages.clear();
        EXPECT_EQ(reader.ReadLength(path), 0u) << options;
        ASSERT_EQ(ui.Texts(), std::vector<std::string>{message}) << options;
    }
}

TEST_F(WavReaderTest, TwentyFourBitSamplesKeepTheirUpperBytes) {
    // Samples 0x123456 and -2 (0xFFFFFE): upper bytes 0x1234 and 0xFFFF.
    std::vector<uint8_t> body;
    for (int i = 0; i < 2205; ++i) {
        body.insert(body.end(), {0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF});
    }
    reader.UseMemory(Riff({{"fmt ", Fmt(1, 2, 44100, 24)}, {"data", body}}));
    format.outputChannels = 2;
    ASSERT_EQ(reader.Validate(), 1u);
    std::vector<int16_t> out(2205 * 2);
    reader.StartAt(0);
    reader.GetUnit(out.data());
    EXPECT_EQ(out[0], 0x1234);
    EXPECT_EQ(out[1], -1);
    EXPECT_EQ(out[4408], 0x1234);
}

TEST_F(WavReaderTest, HigherRatesAreConvertedLikeSoxWould) {
    // A sweep at each rate, read as the player reads it, matches sox's own conversion to
    // 44100 Hz in shape and length.
    for (uint32_t rate : {48000u, 88200u, 96000u}) {
        const std::string in = dir.File("in.wav"), ref = dir.File("ref.raw");
        ASSERT_TRUE(Shell("sox -n -r " + std::to_string(rate) + " -c 2 -b 16 " + Q(in) +
                          " synth 2 sine 300-3000 sine 3000-300 vol 0.5"));
        ASSERT_TRUE(Shell("sox " + Q(in) + " -t raw -e signed -b 16 -r 44100 " + Q(ref)));
        format.outputChannels = 2;
        const uint32_t units = reader.ReadLength(in);
        ASSERT_EQ(units, 40u);
        reader.SetFileName(in);
        const auto ours = ReadAllUnits(reader, format, units);
        const auto theirs = ReadRaw16(ref);
        EXPECT_EQ(ours.size(), theirs.size()) << rate;
        for (int ch = 0; ch < 2; ++ch) {
            int lag = 0;
            const double r =
                BestCorrelation(Channel(ours, 2, ch), Channel(theirs, 2, ch), 24, &lag);
            EXPECT_GT(r, 0.995) << rate << " channel " << ch;
            EXPECT_LE(std::abs(lag), 12) << rate;
        }
        reader.CloseFile();
    }
}

}  // namespace
}  // namespace mora::test
