#include <gtest/gtest.h>

#include "audio/bwf_file_writers.h"
#include "audio/mp2_file_writer.h"
#include "audio/wav_file_writer.h"
#include "publish/audio_writer_factory.h"
#include "publish/bwf_net_writers.h"
#include "publish/live_ftp_writers.h"
#include "tests/support/scripted_ui.h"

namespace mora {
namespace {

TEST(AudioWriterSlot, KeepsTheCurrentKindAndReplacesAnother) {
    test::ScriptedUi ui;
    Settings settings;
    settings.Mp2BitrateIndex = 7;
    InternetState internet;
    AudioWriteFormat format;
    WriterContext context{settings, internet, format, "/tmp/", {}, ""};
    AudioWriterSlot slot;

    JStreamAudioWrite* first = slot.Select(WriterKind::Mp2Recording, context);
    ASSERT_NE(dynamic_cast<JStreamAudioWriteMP2File*>(first), nullptr);
    EXPECT_EQ(dynamic_cast<JStreamWrMP2*>(first)->Bitrate().bitsPerSecond, 128000u);
    EXPECT_EQ(slot.Select(WriterKind::Mp2Recording, context), first);
    EXPECT_NE(
        dynamic_cast<JStreamAudioWriteWavFile*>(slot.Select(WriterKind::WavRecording, context)),
        nullptr);
    EXPECT_EQ(slot.Kind(), WriterKind::WavRecording);

    const struct {
        WriterKind kind;
        bool (*is)(JStreamAudioWrite*);
    } kinds[] = {
        {WriterKind::LiveMp2Upload,
         [](JStreamAudioWrite* w) { return dynamic_cast<JStreamAudioWriteFTP*>(w) != nullptr; }},
        {WriterKind::WavRecordingLiveUpload,
         [](JStreamAudioWrite* w) { return dynamic_cast<JStreamAudioWriteWavFTP*>(w) != nullptr; }},
        {WriterKind::Mp2RecordingLiveUpload,
         [](JStreamAudioWrite* w) { return dynamic_cast<JStreamAudioWriteMP2FTP*>(w) != nullptr; }},
        {WriterKind::BwfByFtp,
         [](JStreamAudioWrite* w) { return dynamic_cast<JStreamAudioWriteBWFFTP*>(w) != nullptr; }},
        {WriterKind::BwfByEmail,
         [](JStreamAudioWrite* w) {
             return dynamic_cast<JStreamAudioWriteBWFEMAIL*>(w) != nullptr;
         }},
        {WriterKind::BwfFilePcm,
         [](JStreamAudioWrite* w) {
             return dynamic_cast<JStreamAudioWriteBWFWavFile*>(w) != nullptr;
         }},
        {WriterKind::BwfFileMpeg,
         [](JStreamAudioWrite* w) {
             return dynamic_cast<JStreamAudioWriteBWFMP2File*>(w) != nullptr;
         }},
    };
    for (const auto& k : kinds)
        EXPECT_TRUE(k.is(slot.Select(k.kind, context))) << static_cast<int>(k.kind);
    EXPECT_EQ(slot.Select(WriterKind::None, context), nullptr);
    EXPECT_EQ(slot.Select(static_cast<WriterKind>(10), context), nullptr);
    EXPECT_EQ(slot.Kind(), WriterKind::None);
    EXPECT_EQ(slot.Current(), nullptr);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace mora
