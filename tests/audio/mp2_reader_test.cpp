// The MP2 reader against files encoded by ffmpeg and twolame, compared with ffmpeg's decoding.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "audio/audio_reader.h"
#include "tests/audio/audio_fixtures.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"

namespace mora::test {
namespace {

class Mp2ReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sweep = dir.File("sweep.wav");
        ASSERT_TRUE(Shell("sox -n -r 48000 -c 2 -b 16 " + Q(sweep) +
                          " synth 4 sine 200-4000 sine 4000-200 vol 0.5"));
        reader.Decoder().logPath = dir.File("mp2dec.txt");
    }
    // Encodes the sweep with ffmpeg: `channels` 1 or 2 at `kbps`.
    std::string Encode(int channels, int kbps) {
        const std::string path =
            dir.File("s" + std::to_string(channels) + "_" + std::to_string(kbps) + ".mp2");
        EXPECT_TRUE(Shell("ffmpeg -v error -y -i " + Q(sweep) + " -ac " + std::to_string(channels) +
                          " -c:a mp2 -b:a " + std::to_string(kbps) + "k -f mp2 " + Q(path)));
        return path;
    }
    void Expect(uint8_t bitrateIndex, bool stereo) {
        format.mp2BitrateIndex = bitrateIndex;
        format.stereo = stereo;
    }

    ScriptedUi ui;
    TempDir dir;
    std::string sweep;
    EngineFormat format;
    JStreamAudioReadMP2File reader{format};
};

TEST_F(Mp2ReaderTest, DecodingMatchesFfmpegInShapeAndLength) {
    const std::string twolame = dir.File("tl.mp2");
    ASSERT_TRUE(Shell("twolame -b 96 -m j " + Q(sweep) + " " + Q(twolame)));
    // ffmpeg drops twolame's first frame (it assumes an encoder delay): 1152 * 44.1 / 48
    // samples less, less the converter's own delay of 8.
    const std::vector<std::tuple<std::string, int, uint8_t, int>> files = {
        {Encode(1, 64), 1, 3, 8}, {Encode(2, 128), 2, 7, 8}, {twolame, 2, 5, 8 - 1058}};
    for (const auto& [mp2, channels, index, expectedLag] : files) {
        const std::string ref = dir.File("ref.raw");
        ASSERT_TRUE(Shell("ffmpeg -v error -y -i " + Q(mp2) + " -ar 44100 -f s16le " + Q(ref)));
        Expect(index, channels == 2);
        const uint32_t units = reader.ReadLength(mp2);
        EXPECT_EQ(units, 79u) << mp2;  // 4 s: 80 units, the last not counted
        format.outputChannels = channels;
        reader.SetFileName(mp2);
        const auto ours = ReadAllUnits(reader, format, units);
        const auto theirs = ReadRaw16(ref);
        // We give whole level units and leave out the last; ffmpeg gives every frame.
        EXPECT_NEAR(static_cast<double>(ours.size()), static_cast<double>(theirs.size()),
                    2.0 * 2205 * channels);
        for (int ch = 0; ch < channels; ++ch) {
            int lag = 0;
            const double r = BestCorrelation(Channel(ours, channels, ch),
                                             Channel(theirs, channels, ch), 1100, &lag);
            EXPECT_GT(r, 0.99) << mp2 << " channel " << ch;
            EXPECT_NEAR(lag, expectedLag, 4) << mp2;
        }
        reader.CloseFile();
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Mp2ReaderTest, AFileThatDoesNotMatchTheSettingsIsRefused) {
    const std::string stereo128 = Encode(2, 128), mono64 = Encode(1, 64);
    const std::string rate44 = dir.File("r44.mp2"), layer3 = dir.File("l3.mp3");
    ASSERT_TRUE(Shell("ffmpeg -v error -y -i " + Q(sweep) +
                      " -ar 44100 -c:a mp2 -b:a 128k -f mp2 " + Q(rate44)));
    ASSERT_TRUE(
        Shell("sox " + Q(sweep) + " -t raw - | twolame -r -s 48000 -N 2 -b 128 - " + Q(layer3)));
    // A Layer III-like header: change the layer bits of a Layer II stream.
    auto bytes = ReadFileBytes(layer3);
    ASSERT_GT(bytes.size(), 4u);
    bytes[1] = 0xFB;
    WriteFileBytes(layer3, bytes);

    struct Case {
        std::string path;
        uint8_t index;
        bool stereo;
        const char* message;
    };
    const std::vector<Case> cases = {
        {stereo128, 3, true, "Wrong bitrate."},
        {rate44, 7, true, "Wrong sample-rate."},
        {mono64, 3, true, "Wrong number of channels"},
        {stereo128, 7, false, "Wrong number of channels"},
        {layer3, 7, true, "No mp2 file"},
        {sweep, 7, true, "No mp2 file"},
    };
    for (const auto& c : cases) {
        ui.messages.clear();
        Expect(c.index, c.stereo);
        EXPECT_EQ(reader.ReadLength(c.path), 0u) << c.path;
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{c.message}) << c.path;
    }
    // Adopting the file's bitrate first lets it through.
    ui.messages.clear();
    Expect(3, true);
    ASSERT_TRUE(AdoptBitrate(stereo128, format));
    EXPECT_EQ(format.mp2BitrateIndex, 7);
    EXPECT_EQ(reader.ReadLength(stereo128), 79u);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(AdoptBitrate(sweep, format));
}

// A Broadcast Wave file around MP2 frames, as our publishing writes them.
std::vector<uint8_t> WrapInRiff(const std::vector<uint8_t>& frames) {
    std::vector<uint8_t> v{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    auto put32 = [&](uint32_t x) {
        for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
    };
    auto chunk = [&](const char* id, const std::vector<uint8_t>& body) {
        v.insert(v.end(), id, id + 4);
        put32(static_cast<uint32_t>(body.size()));
        v.insert(v.end(), body.begin(), body.end());
        if (body.size() & 1) v.push_back(0);
    };
    chunk("bext", std::vector<uint8_t>(602 + 25, 'h'));
    std::vector<uint8_t> fmt(40, 0);
    fmt[0] = 0x50;
    chunk("fmt ", fmt);
    chunk("fact", {0, 0, 0, 0});
    chunk("data", frames);
    chunk("levl", std::vector<uint8_t>(333, 1));
    return v;
}

TEST_F(Mp2ReaderTest, ARiffWrappedFileReadsLikeTheBareStream) {
    const std::string bare = Encode(1, 64), wrapped = dir.File("bwf.wav");
    const auto frames = ReadFileBytes(bare);
    const auto bwf = WrapInRiff(frames);
    WriteFileBytes(wrapped, bwf);
    Expect(0, true);
    ASSERT_TRUE(AdoptBitrate(wrapped, format));
    format.stereo = false;
    EXPECT_EQ(reader.ReadLength(wrapped), reader.ReadLength(bare));
    format.outputChannels = 1;
    const uint32_t units = reader.ReadLength(bare);
    reader.SetFileName(bare);
    const auto a = ReadAllUnits(reader, format, units);
    reader.CloseFile();
    reader.SetFileName(wrapped);
    const auto b = ReadAllUnits(reader, format, units);
    EXPECT_EQ(reader.DataStart(), bwf.size() - frames.size() - (frames.size() & 1) - 8 - 334);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Mp2ReaderTest, SeekingLandsOnTheFrameOfTheUnit) {
    const std::string mp2 = Encode(2, 128);
    Expect(7, true);
    format.outputChannels = 2;
    const uint32_t units = reader.ReadLength(mp2);
    reader.SetFileName(mp2);
    const auto all = ReadAllUnits(reader, format, units);
    for (int32_t unit : {0, 1, 3, 40, 77}) {
        reader.Seek(unit);
        const uint32_t frame = static_cast<uint32_t>(unit) * 125 / 60;
        EXPECT_EQ(reader.CurrentFrame(), frame);
        EXPECT_EQ(reader.GetPosition(), frame * 384u);
        std::vector<int16_t> got(2205 * 2);
        reader.GetUnit(got.data());
        reader.GetUnit(got.data());
        // The second unit after the seek starts 2205 output frames after the frame's start.
        const double start = frame * 1152.0 * 44100 / 48000 + 2205;
        const auto ref = Channel(all, 2, 0);
        std::vector<double> expected(ref.begin() + static_cast<long>(start),
                                     ref.begin() + static_cast<long>(start) + 2205);
        int lag = 0;
        EXPECT_GT(BestCorrelation(Channel(got, 2, 0), expected, 8, &lag), 0.99) << unit;
        EXPECT_LE(std::abs(lag), 2) << unit;
    }
    // Past the end the reader gives silence and stays good.
    reader.Seek(static_cast<int32_t>(units + 50));
    std::vector<int16_t> got(2205 * 2, 1);
    reader.GetUnit(got.data());
    EXPECT_EQ(got, std::vector<int16_t>(2205 * 2, 0));
    EXPECT_TRUE(reader.IsReady());
}

TEST_F(Mp2ReaderTest, DamagedFramesBecomeSilenceAndAreLogged) {
    auto bytes = ReadFileBytes(Encode(2, 128));
    // Frame 10: a reserved sampling field; frame 12: a scrambled body; frame 20: a header that
    // claims 384 kbit/s; and the file cut in the middle of a frame.
    bytes[10 * 384 + 2] |= 0x0C;
    for (size_t i = 12 * 384 + 4; i < 13 * 384; ++i) bytes[i] = static_cast<uint8_t>(i * 37);
    bytes[20 * 384 + 2] = static_cast<uint8_t>((14 << 4) | (bytes[20 * 384 + 2] & 0x0F));
    bytes.resize(bytes.size() - 100);
    Expect(7, true);
    format.outputChannels = 2;
    reader.UseMemory(bytes);
    const uint32_t units = reader.Validate();
    ASSERT_GT(units, 30u);
    int asked = 0;
    reader.Decoder().errorHook = [&](int) {
        ++asked;
        return Mp2Decoder::Flow::Stop;
    };
    const auto out = ReadAllUnits(reader, format, units);
    EXPECT_EQ(out.size(), units * 2205u * 2u);
    const std::string log = ReadFileText(dir.File("mp2dec.txt"));
    EXPECT_NE(log.find("MAD_RECOVERABLE 1\n"), std::string::npos) << log;  // buffer too short
    EXPECT_GE(asked, 1);
    EXPECT_NE(log.find("MAD_FLOW_STOP\n"), std::string::npos) << log;
    // Frames after the damage still decode.
    double energy = 0;
    for (size_t i = 2205 * 2 * 20; i < 2205 * 2 * 24; ++i) energy += std::abs(out[i]);
    EXPECT_GT(energy, 1e6);
}

TEST(Mp2DecoderLog, OneLinePerDamagedStretchAndRotatedAtOneMebibyte) {
    test::TempDir dir;
    const std::string log = dir.File("mp2dec.txt");
    test::WriteFileBytes(log, std::vector<uint8_t>(Mp2Decoder::kMaxLogBytes, 'x'));
    Mp2Decoder decoder;
    decoder.logPath = log;
    decoder.errorHook = [](int) { return Mp2Decoder::Flow::Stop; };
    const std::vector<uint8_t> garbage(192, 0);
    std::vector<int16_t> out;
    for (int i = 0; i < 500; ++i) decoder.DecodeFrame(garbage.data(), 192, 1, out);
    EXPECT_EQ(test::ReadFileText(log), "MAD_FLOW_STOP\n");
    EXPECT_EQ(test::ReadFileBytes(log + ".1").size(), size_t{Mp2Decoder::kMaxLogBytes});
}

TEST(Mp2Scaling, RoundsAndClampsToSixteenBits) {
    EXPECT_EQ(ScaleMadSample(0), 0);
    EXPECT_EQ(ScaleMadSample(4095), 0);
    EXPECT_EQ(ScaleMadSample(4096), 1);  // rounds up at half a step
    EXPECT_EQ(ScaleMadSample(-4097), -1);
    EXPECT_EQ(ScaleMadSample(1 << 27), 16384);  // half scale
    EXPECT_EQ(ScaleMadSample(1 << 28), 32767);  // full scale clamps
    EXPECT_EQ(ScaleMadSample(INT32_MAX), 32767);
    EXPECT_EQ(ScaleMadSample(INT32_MIN), -32768);
}

}  // namespace
}  // namespace mora::test
