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

    JStreamAudioWrite* first = slot.Select(2, context);
    ASSERT_NE(dynamic_cast<JStreamAudioWriteMP2File*>(first), nullptr);
    EXPECT_EQ(dynamic_cast<JStreamWrMP2*>(first)->Bitrate().bitsPerSecond, 128000u);
    EXPECT_EQ(slot.Select(2, context), first);
    EXPECT_NE(dynamic_cast<JStreamAudioWriteWavFile*>(slot.Select(1, context)), nullptr);
    EXPECT_EQ(slot.Kind(), 1);

    const struct {
        int kind;
        bool (*is)(JStreamAudioWrite*);
    } kinds[] = {
        {3, [](JStreamAudioWrite* w) { return dynamic_cast<JStreamAudioWriteFTP*>(w) != nullptr; }},
        {4,
         [](JStreamAudioWrite* w) { return dynamic_cast<JStreamAudioWriteWavFTP*>(w) != nullptr; }},
        {5,
         [](JStreamAudioWrite* w) { return dynamic_cast<JStreamAudioWriteMP2FTP*>(w) != nullptr; }},
        {6,
         [](JStreamAudioWrite* w) { return dynamic_cast<JStreamAudioWriteBWFFTP*>(w) != nullptr; }},
        {7,
         [](JStreamAudioWrite* w) {
             return dynamic_cast<JStreamAudioWriteBWFEMAIL*>(w) != nullptr;
         }},
        {8,
         [](JStreamAudioWrite* w) {
             return dynamic_cast<JStreamAudioWriteBWFWavFile*>(w) != nullptr;
         }},
        {9,
         [](JStreamAudioWrite* w) {
             return dynamic_cast<JStreamAudioWriteBWFMP2File*>(w) != nullptr;
         }},
    };
    for (const auto& k : kinds) EXPECT_TRUE(k.is(slot.Select(k.kind, context))) << k.kind;
    EXPECT_EQ(slot.Select(0, context), nullptr);
    EXPECT_EQ(slot.Select(10, context), nullptr);
    EXPECT_EQ(slot.Kind(), 0);
    EXPECT_EQ(slot.Current(), nullptr);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace mora
