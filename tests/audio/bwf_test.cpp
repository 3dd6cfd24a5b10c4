#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "audio/bwf_file_writers.h"
#include "audio/bwf_metadata.h"
#include "tests/audio/riff_walk.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::Le32;

BwfSource TwoClips() {
    BwfSource s;
    s.firstRecording = {2026, 12, 8, 9, 5, 7, 250};
    s.recordingRate = 44100;
    for (int i = 0; i < 256; ++i)
        s.levelToPeak[static_cast<size_t>(i)] = static_cast<uint8_t>(i < 80 ? 255 - 3 * i : 0);
    BwfClip a;
    a.name = "Mayor";
    a.levels = std::vector<uint8_t>(25, 40);
    a.levels[3] = 10;  // the loudest value, twice
    a.levels[7] = 10;
    a.markers = {{12, 0}, {21, 3}};
    BwfClip b;
    b.name = "Interview02.wav";
    b.levels = std::vector<uint8_t>(1210, 50);
    b.channels = 2;
    b.markers = {{1205, 1}};
    s.clips = {a, b};
    s.umidCountry = {'D', 'E', 'U', ' '};
    s.tickLow = 0xBEEF;
    return s;
}

std::string QltyText(const BwfMetadata& m) {
    return std::string(m.qlty.begin() + 16, std::find(m.qlty.begin() + 16, m.qlty.end(), 0));
}

TEST(BwfMetadata, ReportCuesMarkersAndClipEndsInPublishedTime) {
    BwfMetadata m = BuildBwfMetadata(TwoClips());
    EXPECT_EQ(QltyText(m),
              "SM=00:00:00:0\r\n"
              "P=QP:MaxPeak:-1.1dBFSL;-1.1dBFSR\r\n"
              "C=N000, TS=00:00:00:6, T=MayorM0\r\n"
              "C=N001, TS=00:00:01:0, T=MayorM3\r\n"
              "C=N002, TS=00:00:01:2, T=Interview02.wav\r\n"
              "C=N003, TS=00:01:01:5, T=Interview02.wavM1\r\n"
              "C=N004, TS=00:01:01:7, T=End\r\n");
    EXPECT_EQ(m.qlty.size() % 4, 0u);
    EXPECT_EQ(Le32(m.qlty, 4), m.qlty.size() - 8);
    uint32_t sum = 0;
    for (char c : QltyText(m)) sum += static_cast<uint8_t>(c);
    EXPECT_EQ(Le32(m.qlty, 8), sum);

    // levl: one value per level byte, the first of two equal peaks named.
    EXPECT_EQ(Le32(m.levl, 28), 1235u);
    EXPECT_EQ(Le32(m.levl, 32), 3u);
    EXPECT_EQ(Le32(m.levl, 20), 2400u);  // 48 kHz frames per value at 20 values a second
    EXPECT_EQ(m.levl.size(), 128u + 1232u + 4u);
    EXPECT_EQ(std::string(m.levl.begin() + 40, m.levl.begin() + 63), "2026:12:08:09:05:07:250");
    EXPECT_EQ(m.levl[128 + 3], 225);
}

TEST(BwfMetadata, BextFieldsHistoryAndUmid) {
    BwfSource s = TwoClips();
    BwfMetadata m = BuildBwfMetadata(s);
    const uint8_t* bext = m.header.data() + 20;
    EXPECT_TRUE(std::all_of(bext, bext + 256, [](uint8_t c) { return c == 0; }));  // no description
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bext + 256)), "PC");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bext + 288)), "Mora");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bext + 320), 18), "2026-12-0809:05:07");
    EXPECT_EQ(Le32(m.header, 20 + 338), (9u * 3600 + 5 * 60 + 7) * 48000);
    const std::string history(m.history.begin(), m.history.end());
    EXPECT_EQ(history.substr(0, history.find('\0')),
              "A=PCM,F=44100,W=16,M=stereo\r\nA=PCM,F=48000,W=16,M=stereo,T=Mora by Quorvane \r\n");
    EXPECT_EQ(m.history.size() % 2, 0u);
    EXPECT_EQ(m.history.back(), 0);

    EXPECT_EQ(ModifiedJulianDay(2026, 12, 8), 61382u);
    EXPECT_EQ(ModifiedJulianDay(2000, 1, 1), 51544u);  // January counts as month 13 of 1999
    const uint8_t* umid = bext + 348;
    EXPECT_EQ(umid[10], 9);  // stereo
    EXPECT_EQ(umid[20], 0x82);
    EXPECT_EQ(umid[21], 0x13);
    EXPECT_EQ(umid[22], 0x06);
    EXPECT_EQ(umid[24], 0xEF);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(umid + 52), 4), "DEU ");

    s.mp2Recordings = true;
    s.fastPublish = true;
    s.mp2BitrateKbps = 48;
    s.description = std::string(300, 'd');
    m = BuildBwfMetadata(s);
    const std::string mp2History(m.history.begin(), m.history.end());
    EXPECT_EQ(
        mp2History.substr(0, mp2History.find('\0')),
        "A=PCM,F=44100,W=16,M=mono\r\nA=MPEG1L2,F=48000,B=48,W=16,M=mono,T=Mora by Quorvane \r\n");
    EXPECT_EQ(m.header[20 + 254], 'd');
    EXPECT_EQ(m.header[20 + 255], 0);  // 255 characters and a zero
}

std::vector<uint8_t> Tone(uint32_t frames, int channels) {
    std::vector<uint8_t> out;
    for (uint32_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            auto v = static_cast<uint16_t>(
                static_cast<int16_t>(8000 * std::sin(2 * std::numbers::pi * 1000 * i / 44100.0)));
            out.push_back(static_cast<uint8_t>(v));
            out.push_back(static_cast<uint8_t>(v >> 8));
        }
    return out;
}

TEST(BwfFileWriters, PcmPublicationIs48kWithConsistentChunks) {
    test::TempDir dir;
    AudioWriteFormat format;
    BwfSource s = TwoClips();
    s.description = "Flood in town";
    JStreamAudioWriteBWFWavFile w(format, dir.Path());
    w.SetMetadata(BuildBwfMetadata(s));
    w.Open("News");
    ASSERT_TRUE(w.IsReady());
    const auto pcm = Tone(44100 * 1235 / 20, 2);
    for (size_t at = 0; at < pcm.size(); at += 17640)
        w.WriteSamples(pcm.data() + at,
                       static_cast<uint32_t>(std::min<size_t>(17640, pcm.size() - at)));
    w.Finish();
    w.Close();
    auto b = test::ReadFileBytes(dir.File("pub_News.wav"));
    auto walk = test::WalkRiff(b);
    ASSERT_TRUE(walk.ok) << walk.problem;
    std::vector<std::string> ids;
    for (const auto& c : walk.chunks) ids.push_back(c.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"bext", "fmt ", "fact", "data", "levl", "qlty"}));
    const auto* data = walk.Find("data");
    EXPECT_EQ(data->size % 4, 0u);
    EXPECT_EQ(Le32(b, walk.Find("fact")->offset), 2573u * 1152);  // 61.75 s in whole frames
    uint32_t sum = 0;
    for (uint32_t i = 0; i < data->size; ++i) sum += b[data->offset + i];
    EXPECT_EQ(Le32(b, walk.Find("qlty")->offset + 4), sum);
    EXPECT_EQ(sum, w.WaveChecksum());

    std::string probe = test::CaptureCommand(
        "ffprobe -v error -show_entries stream=sample_rate,channels:format=duration:format_tags "
        "-of default=nw=1 " +
        dir.File("pub_News.wav"));
    EXPECT_NE(probe.find("sample_rate=48000"), std::string::npos) << probe;
    EXPECT_NE(probe.find("channels=2"), std::string::npos) << probe;
    // ffprobe names the bext fields in its own terms.
    EXPECT_NE(probe.find("duration=61.752"), std::string::npos) << probe;
    EXPECT_NE(probe.find("TAG:comment=Flood in town"), std::string::npos) << probe;
    EXPECT_NE(probe.find("TAG:encoded_by=PC"), std::string::npos) << probe;
    EXPECT_NE(probe.find("TAG:originator_reference=Mora"), std::string::npos) << probe;
    EXPECT_NE(probe.find("TAG:date=2026-12-08"), std::string::npos) << probe;
    EXPECT_NE(probe.find("TAG:creation_time=09:05:07"), std::string::npos) << probe;
    EXPECT_NE(probe.find("TAG:coding_history=A=PCM,F=44100,W=16,M=stereo"), std::string::npos)
        << probe;
}

TEST(BwfFileWriters, MpegPublicationHasItsSizesComputedAhead) {
    test::TempDir dir;
    AudioWriteFormat format;
    BwfSource s = TwoClips();
    s.mp2Recordings = true;
    s.mp2BitrateKbps = 128;
    JStreamAudioWriteBWFMP2File w(format, dir.Path(), "mp2");
    ASSERT_TRUE(w.SetBitrate(7));
    const BwfMetadata m = BuildBwfMetadata(s);
    const uint32_t frames = FramesForLevelValues(m.totalLevelValues, 20);
    w.SetMetadata(m, frames, true);
    w.Open("News");
    ASSERT_TRUE(w.IsReady());
    const auto pcm = Tone(44100 * 1235 / 20, 2);
    for (size_t at = 0; at < pcm.size(); at += 17640)
        w.WriteSamples(pcm.data() + at,
                       static_cast<uint32_t>(std::min<size_t>(17640, pcm.size() - at)));
    w.Finish();
    w.Close();
    const std::string path = dir.File("pub_News.mp2");
    auto b = test::ReadFileBytes(path);
    auto walk = test::WalkRiff(b);
    ASSERT_TRUE(walk.ok) << walk.problem;
    EXPECT_EQ(walk.Find("data")->offset, HistoryEvenLength(m) + 712);
    EXPECT_EQ(walk.Find("data")->size, frames * 384);
    EXPECT_EQ(Le32(b, walk.Find("fact")->offset), frames * 1152);
    EXPECT_EQ(test::CaptureCommand("ffmpeg -v error -i " + path + " -f null - 2>&1"), "");
    EXPECT_NE(test::CaptureCommand(
                  "ffprobe -v error -show_entries stream=codec_name,sample_rate,bit_rate "
                  "-of default=nw=1 " +
                  path)
                  .find("codec_name=mp2\nsample_rate=48000"),
              std::string::npos);
}

TEST(BwfFileWriters, NoPublicationPassesWhatItsSizesCanDescribe) {
    test::TempDir dir;
    AudioWriteFormat format;
    JStreamAudioWriteBWFWavFile pcm(format, dir.Path());
    pcm.SetMetadata(BuildBwfMetadata(TwoClips()));
    pcm.sizeLimit = 200000;
    pcm.Open("Limited");
    const auto tone = Tone(44100 * 5, 2);
    for (size_t at = 0; at < tone.size() && pcm.IsReady(); at += 17640)
        pcm.WriteSamples(tone.data() + at, 17640);
    EXPECT_FALSE(pcm.IsReady());
    pcm.Finish();
    pcm.Close();
    auto b = test::ReadFileBytes(dir.File("pub_Limited.wav"));
    EXPECT_LE(b.size(), 200000u);
    EXPECT_TRUE(test::WalkRiff(b).ok);

    JStreamAudioWriteBWFMP2File mpeg(format, dir.Path(), "mp2");
    mpeg.SetBitrate(11);
    mpeg.SetMetadata(BuildBwfMetadata(TwoClips()), 0xFFFFFFFFu / 768, true);
    mpeg.Open("Huge");
    EXPECT_FALSE(mpeg.IsReady());
    EXPECT_FALSE(test::FileExists(dir.File("pub_Huge.mp2")));
}

}  // namespace
}  // namespace mora
