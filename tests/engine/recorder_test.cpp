// The recorder on the file device: what is saved, when saving starts and stops, the limit,
// markers, a failing writer and recording to FTP.

#include <gtest/gtest.h>

#include "audio/recording_reader.h"
#include "audio/wav_file_writer.h"
#include "platform/program_dir.h"
#include "publish/publish_clips.h"
#include "tests/audio/audio_fixtures.h"
#include "tests/engine/engine_rig.h"
#include "tests/net/ftp_fixture.h"

namespace mora {

struct EngineTestAccess {
    static JStreamAudioWrite* Writer(Engine& engine) { return engine.writers_.Current(); }
};

namespace test {
namespace {

constexpr uint32_t kUnitBytes = 17640 / 4;  // mono, 0.05 s at 44100 Hz

// The input as the recorder's processing leaves it.
std::vector<int16_t> Processed(std::vector<int16_t> samples, const Settings& settings,
                               int channels) {
    InputDsp dsp;
    dsp.channels = channels;
    ComputeAllSections(dsp, settings, 0);
    ResetInputState(dsp);
    ProcessInputBuffer(dsp, reinterpret_cast<uint8_t*>(samples.data()),
                       static_cast<uint32_t>(samples.size() * 2));
    return samples;
}

TEST(Recorder, SavesTheProcessedInputFromTheBufferAfterTheCommandWithItsMarkers) {
    TempDir in;
    const auto input = TestSignal(44100 * 4, 1);
    WriteWav(in.File("in.wav"), input, 1);
    EngineRig rig(in.File("in.wav"));
    rig.settings.EqOn = 1;  // the equaliser and gain run too
    rig.lastState.RecordGain = 6;
    rig.Record(50, {0, 10, 30});

    ASSERT_EQ(rig.project.list.size(), 1u);
    const std::string path = rig.project.list[0].path;
    EXPECT_EQ(path, rig.dir.File("take00.wav"));
    EXPECT_EQ(rig.project.list[0].length, 50u);
    EXPECT_EQ(rig.project.saves, 1);
    // Saving starts with the first buffer that came back after the command: buffer 1.
    InputDsp dsp;
    Settings settings = rig.settings;
    auto expected = input;
    dsp.channels = 1;
    ComputeAllSections(dsp, settings, 6);
    ResetInputState(dsp);
    ProcessInputBuffer(dsp, reinterpret_cast<uint8_t*>(expected.data()),
                       static_cast<uint32_t>(expected.size() * 2));
    expected.erase(expected.begin(), expected.begin() + kUnitBytes / 2);
    expected.resize(50 * kUnitBytes / 2);
    EXPECT_EQ(WavSamples(path), expected);

    RecordingEdit edit;
    ASSERT_TRUE(LoadVuFile(edit, LevelFilePathOf(path)));
    EXPECT_EQ(edit.levelCount, 50u);
    ASSERT_EQ(edit.markerCount, 3u);
    EXPECT_EQ(edit.markers[0], 0u);
    EXPECT_EQ(edit.markers[1], 10u);
    EXPECT_EQ(edit.markers[2], 30u);
    EXPECT_FALSE(rig.engine->InputRunning());
    EXPECT_TRUE(rig.ui.messages.empty());
}

TEST(Recorder, AStereoRateTheEncoderRefusesRecordsAtTheNearestAllowedRate) {
    TempDir in;
    WriteWav(in.File("in.wav"), TestSignal(44100 * 2, 2), 2);
    EngineRig rig(in.File("in.wav"));
    rig.project.mp2 = true;
    rig.settings.RecordStereo = 1;
    rig.settings.Mp2BitrateIndex = 1;  // 48 kbit/s, which stereo cannot have
    rig.Record(30);
    ASSERT_EQ(rig.project.list.size(), 1u);
    EngineFormat format;
    std::unique_ptr<JStreamAudioReadFile> reader;
    bool mp2 = false;
    EXPECT_NEAR(OpenRecordingReader(rig.project.list[0].path, format, reader, mp2), 30u, 1u);
    EXPECT_EQ(format.mp2BitrateIndex, 3u);  // 64 kbit/s
    EXPECT_TRUE(rig.ui.messages.empty());
}

TEST(Recorder, Mp2RecordingDecodesAlignedWithTheInput) {
    TempDir in;
    const auto input = TestSignal(44100 * 3, 2);
    WriteWav(in.File("in.wav"), input, 2);
    EngineRig rig(in.File("in.wav"));
    rig.project.mp2 = true;
    rig.settings.RecordStereo = 1;
    rig.settings.EqOn = 0;
    rig.Record(40);
    ASSERT_EQ(rig.project.list.size(), 1u);
    EngineFormat format;
    std::unique_ptr<JStreamAudioReadFile> reader;
    bool mp2 = false;
    const uint32_t length = OpenRecordingReader(rig.project.list[0].path, format, reader, mp2);
    EXPECT_TRUE(mp2);
    EXPECT_NEAR(length, 40u, 1u);
    format.outputChannels = 2;
    const auto decoded = ReadAllUnits(*reader, format, length);
    auto expected = Processed(input, rig.settings, 2);
    expected.erase(expected.begin(), expected.begin() + kUnitBytes);
    int lag = 0;
    const double match =
        BestCorrelation(Channel(expected, 2, 0), Channel(decoded, 2, 0), 2000, &lag);
    EXPECT_GT(match, 0.95);
    EXPECT_LT(std::abs(lag), 2000);
}

TEST(Recorder, RecordingsKeepTheRateTheInputRanAt) {
    // With the external interface the input runs at 48 kHz, even after a 44.1 kHz file played.
    TempDir in;
    // The interface's meter takes no level events, so the recording runs to the input's end:
    // 30 buffers of 0.05 s, saved from the second on.
    WriteWav(in.File("in48.wav"), TestSignal(2400 * 30, 1, 48000), 1, 48000);
    EngineRig rig48(in.File("in48.wav"), "", 0);
    rig48.format.recordingRate = 44100;
    rig48.Record(100);
    ASSERT_EQ(rig48.project.list.size(), 1u);
    EngineFormat format;
    std::unique_ptr<JStreamAudioReadFile> reader;
    bool mp2 = false;
    EXPECT_EQ(OpenRecordingReader(rig48.project.list[0].path, format, reader, mp2), 29u);
    EXPECT_EQ(format.recordingRate, 48000u);

    // An MP2 file holds 48 kHz; its publication still names the 44.1 kHz it was captured at.
    WriteWav(in.File("in.wav"), TestSignal(44100 * 2, 1), 1);
    EngineRig rig(in.File("in.wav"));
    rig.project.mp2 = true;
    rig.Record(25);
    ASSERT_EQ(rig.project.list.size(), 1u);
    PublishClip clip;
    ASSERT_TRUE(LoadPublishClip(rig.project.list[0].path, BuildLevelTables(), 2, clip));
    EXPECT_TRUE(clip.mp2);
    EXPECT_EQ(clip.recordingRate, 44100u);
}

TEST(Recorder, UnderOneSecondIsDroppedAndDeleted) {
    EngineRig rig;
    rig.Record(19);
    EXPECT_TRUE(rig.project.list.empty());
    EXPECT_EQ(rig.project.number, -1);
    EXPECT_TRUE(rig.engine->LastDropped());
    EXPECT_FALSE(FileExists(rig.dir.File("take00.wav")));
    EXPECT_EQ(rig.project.saves, 0);
    rig.Record(20);
    ASSERT_EQ(rig.project.list.size(), 1u);
    EXPECT_EQ(rig.project.list[0].path, rig.dir.File("take00.wav"));
}

TEST(Recorder, TheLimitComesFromFreeSpaceAndStopsAtItsBuffer) {
    EngineRig rig;
    rig.project.mp2 = true;
    rig.settings.Mp2BitrateIndex = 3;  // 64 kbit/s
    rig.freeBytes = uint64_t{1040} * 1024;
    EXPECT_EQ(rig.engine->StartInput(), 1);
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0].title, "Error");
    EXPECT_EQ(rig.ui.messages[0].text.rfind("You have no recording-\ntime left", 0), 0u);

    rig.freeBytes = uint64_t{1041} * 1024;  // 17 KB: (17 * 128) / 1000 = 2 s
    rig.Record(1000);
    EXPECT_EQ(rig.engine->LimitBuffers(), 40u);
    ASSERT_EQ(rig.project.list.size(), 1u);
    EXPECT_EQ(rig.edit.levelCount, 40u);
}

TEST(Recorder, AWriterThatStopsBeingReadyEndsTheRecordingKeepingWhatItHas) {
    EngineRig rig;
    rig.engine->events.level = [&rig](uint8_t) {
        if (rig.engine->Saving() && rig.engine->SavedBuffers() == 0) {
            auto* wav =
                dynamic_cast<JStreamAudioWriteWavFile*>(EngineTestAccess::Writer(*rig.engine));
            wav->sizeLimit = 44 + 30 * kUnitBytes;
        }
    };
    ASSERT_EQ(rig.engine->StartInput(), 0);
    rig.engine->RequestSaving();
    rig.loop.RunPending();
    ASSERT_EQ(rig.project.list.size(), 1u);
    EXPECT_EQ(WavSamples(rig.project.list[0].path).size(), 30 * kUnitBytes / 2);
    EXPECT_FALSE(rig.engine->InputRunning());
}

TEST(Recorder, RecordsToFtpWhileKeepingTheLocalCopy) {
    TempDir in;
    WriteWav(in.File("in.wav"), TestSignal(44100 * 3, 1), 1);
    FtpTestServer server;
    EngineRig rig(in.File("in.wav"));
    rig.settings = FtpSettingsFor(server);
    rig.settings.PublishFileExt = "mp2";
    rig.internet = ShortTimeouts();
    rig.project.mp2 = true;
    rig.project.toFtp = true;
    rig.Record(40);
    ASSERT_EQ(rig.project.list.size(), 1u);
    const auto local = ReadFileBytes(rig.dir.File("take00.mp2"));
    EXPECT_GT(local.size(), 10000u);
    EXPECT_EQ(ReadFileBytes(server.Home() + "take00.mp2"), local);
    EXPECT_TRUE(rig.ui.messages.empty()) << rig.ui.messages.front().text;
}

TEST(Recorder, ABrokenLiveUploadKeepsTheLocalRecordingWhole) {
    TempDir in;
    WriteWav(in.File("in.wav"), TestSignal(44100 * 3, 1), 1);
    FtpTestServer server("cut", "127.0.0.1", {"--cut-after", "4000"});
    EngineRig rig(in.File("in.wav"));
    rig.settings = FtpSettingsFor(server);
    rig.settings.PublishFileExt = "mp2";
    rig.internet = ShortTimeouts();
    rig.project.mp2 = true;
    rig.project.toFtp = true;
    rig.Record(40);
    ASSERT_EQ(rig.project.list.size(), 1u);
    EngineFormat format;
    std::unique_ptr<JStreamAudioReadFile> reader;
    bool mp2 = false;
    EXPECT_NEAR(OpenRecordingReader(rig.project.list[0].path, format, reader, mp2), 40u, 1u);
    EXPECT_LT(ReadFileBytes(server.Home() + "take00.mp2").size(),
              ReadFileBytes(rig.dir.File("take00.mp2")).size());
    EXPECT_EQ(rig.ui.messages.size(), 1u);
}

TEST(Recorder, StopsBeforeTheMarkerTableOverflows) {
    EngineRig rig;
    rig.engine->events.marker = [&rig](uint32_t) {};
    rig.engine->events.level = [&rig](uint8_t) {
        if (rig.engine->Saving() && rig.engine->SavedBuffers() >= 25)
            for (int i = 0; i < 400; ++i) rig.engine->InsertMarker();
    };
    ASSERT_EQ(rig.engine->StartInput(), 0);
    rig.engine->RequestSaving();
    rig.loop.RunPending();
    // The 1001st marker stops the recording, which keeps its thousand markers.
    EXPECT_EQ(rig.edit.markerCount, kMaxMarkers);
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_FALSE(rig.engine->InputRunning());
}

TEST(Recorder, StartingTheInputFollowsTheHeadset) {
    EngineRig rig;
    rig.settings.EqProfiles[0] = {"Field_int", {EqBand{3000, 30, 20, 1}, {}, {}}, 1, 0};
    rig.settings.EqProfiles[1] = {"Field_ext", {EqBand{3000, -30, 20, 1}, {}, {}}, 1, 0};
    rig.settings.EqProfileName = "Field_int";
    SetProgramDir(rig.dir.Path());
    WriteFileText(rig.dir.File("state.txt"), "[Hardware]\r\nHeadset=1\r\n");
    ASSERT_EQ(rig.engine->StartInput(), 0);
    SetProgramDir("");
    EXPECT_EQ(rig.settings.EqProfileName, "Field_ext");
    EXPECT_EQ(rig.settings.EqBands[0].Gain, -30);
    rig.engine->StopInput();
    rig.loop.RunPending();
}

TEST(Recorder, PlayingIsRefusedWhileRecording) {
    EngineRig rig;
    ASSERT_EQ(rig.engine->StartInput(), 0);
    EXPECT_EQ(rig.engine->StartPlaying(2), 1);
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0].text, "StartPlaying");
    rig.engine->StopInput();
    rig.loop.RunPending();
}

}  // namespace
}  // namespace test
}  // namespace mora
