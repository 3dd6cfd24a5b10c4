#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "audio/bwf_file_writers.h"
#include "publish/audio_writer_factory.h"
#include "publish/bwf_net_writers.h"
#include "publish/live_ftp_writers.h"
#include "tests/net/ftp_fixture.h"
#include "tests/net/smtp_server_fixture.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {

std::vector<uint8_t> Tone(uint32_t frames) {
    std::vector<uint8_t> out;
    for (uint32_t i = 0; i < frames; ++i) {
        auto v = static_cast<uint16_t>(
            static_cast<int16_t>(9000 * std::sin(2 * std::numbers::pi * 700 * i / 44100.0)));
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    return out;
}

void Record(JStreamAudioWrite& w, const std::vector<uint8_t>& pcm) {
    for (size_t at = 0; at < pcm.size() && w.IsReady(); at += 4410)
        w.WriteSamples(pcm.data() + at,
                       static_cast<uint32_t>(std::min<size_t>(4410, pcm.size() - at)));
}

bool DecodesCleanly(const std::string& path) {
    return test::CaptureCommand("ffmpeg -v error -xerror -i " + path + " -f null - 2>&1").empty();
}

// MP2 frames as a recording holds them, to be copied into publications.
class FrameCollector : public JStreamWrMP2 {
  public:
    std::vector<uint8_t> bytes;

  protected:
    void WriteEncoded(const uint8_t* d, uint32_t n) override {
        bytes.insert(bytes.end(), d, d + n);
    }
};

std::vector<uint8_t> RecordingFrames(uint32_t seconds) {
    FrameCollector c;
    c.SetBitrate(3);
    c.StartEncoder({false, 44100, 44100});
    auto pcm = Tone(44100 * seconds);
    c.EncodeSamples(reinterpret_cast<const int16_t*>(pcm.data()), 44100 * seconds);
    c.FinishEncoder();
    return c.bytes;
}

BwfPublication Publication(const std::vector<uint8_t>& frames) {
    BwfSource source;
    source.mp2Recordings = true;
    source.firstRecording = {2026, 12, 8, 10, 0, 0, 0};
    for (int i = 0; i < 256; ++i)
        source.levelToPeak[static_cast<size_t>(i)] = static_cast<uint8_t>(255 - i / 2);
    BwfClip clip;
    clip.name = "Rec01";
    clip.levels.assign(frames.size() / 192 * 3 * 20 / 125, 20);
    clip.markers = {{40, 0}};
    source.clips = {clip};
    return {BuildBwfMetadata(source), static_cast<uint32_t>(frames.size() / 192), false};
}

// Copies the frames in 16 KiB chunks, as the publish job copies an MP2 recording.
void CopyFrames(JStreamAudioWrite& w, const std::vector<uint8_t>& frames, size_t from = 0) {
    for (size_t at = from; at < frames.size() && w.IsReady(); at += 16384)
        w.WriteEncoded(frames.data() + at,
                       static_cast<uint32_t>(std::min<size_t>(16384, frames.size() - at)));
}

// The same publication written as a local MPEG Broadcast Wave file.
std::vector<uint8_t> LocalReference(const std::vector<uint8_t>& frames, const std::string& folder) {
    AudioWriteFormat format;
    JStreamAudioWriteBWFMP2File local(format, folder, "mp2");
    local.SetBitrate(3);
    BwfPublication p = Publication(frames);
    local.SetMetadata(p.metadata, p.frames, false);
    local.Open("ref");
    CopyFrames(local, frames);
    local.Finish();
    local.Close();
    return test::ReadFileBytes(folder + "pub_ref.mp2");
}

// Settings for a test server that takes published audio as ".mp2".
Settings Mp2FtpSettings(const test::FtpTestServer& server) {
    Settings settings = test::FtpSettingsFor(server);
    settings.PublishFileExt = "mp2";
    return settings;
}

// One publication of copied frames through an FTP writer.
void Upload(JStreamAudioWriteBWFFTP& w, const std::vector<uint8_t>& frames,
            const std::string& name) {
    w.SetBitrate(3);
    w.SetPublication(Publication(frames));
    w.Open(name);
    ASSERT_TRUE(w.IsReady());
    CopyFrames(w, frames);
    w.Finish();
    w.Close();
}

TEST(LiveFtpWriters, LocalAndUploadedRecordingsMatch) {
    test::ScriptedUi ui;
    test::FtpTestServer server;
    test::TempDir dir;
    Settings settings = Mp2FtpSettings(server);
    InternetState internet = test::ShortTimeouts();
    AudioWriteFormat format;
    const auto pcm = Tone(44100 * 2);

    JStreamAudioWriteMP2FTP both(settings, internet, format, dir.Path());
    both.SetBitrate(3);
    both.Prepare();
    both.Open("Rec01");
    ASSERT_TRUE(both.IsReady());
    Record(both, pcm);
    both.Close();
    const auto local = test::ReadFileBytes(dir.File("Rec01.mp2"));
    EXPECT_FALSE(local.empty());
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "Rec01.mp2"), local);
    EXPECT_TRUE(DecodesCleanly(dir.File("Rec01.mp2")));

    JStreamAudioWriteFTP uploadOnly(settings, internet, format);
    uploadOnly.Prepare();
    uploadOnly.Open("Rec00");
    ASSERT_TRUE(uploadOnly.IsReady());
    Record(uploadOnly, pcm);
    uploadOnly.Close();
    EXPECT_TRUE(DecodesCleanly(server.Home() + "Rec00.mp2"));

    JStreamAudioWriteWavFTP wavAndMp2(settings, internet, format, dir.Path());
    wavAndMp2.Open("Rec02");
    ASSERT_TRUE(wavAndMp2.IsReady());
    Record(wavAndMp2, pcm);
    wavAndMp2.Close();
    EXPECT_EQ(test::ReadFileBytes(dir.File("Rec02.wav")).size(), 44 + pcm.size());
    EXPECT_TRUE(DecodesCleanly(server.Home() + "Rec02.mp2"));
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text;
}

TEST(BwfFtpWriter, UploadEqualsTheLocalFileAndABareStreamWithoutHeader) {
    test::ScriptedUi ui;
    test::FtpTestServer server;
    test::TempDir dir;
    Settings settings = Mp2FtpSettings(server);
    InternetState internet = test::ShortTimeouts();
    AudioWriteFormat format;
    const auto frames = RecordingFrames(3);

    JStreamAudioWriteBWFFTP w(settings, internet, format);
    Upload(w, frames, "News");
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "News.mp2"), LocalReference(frames, dir.Path()));

    settings.BwfHeader = 0;
    JStreamAudioWriteBWFFTP bare(settings, internet, format);
    Upload(bare, frames, "Bare");
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "Bare.mp2"), frames);
}

TEST(BwfFtpWriter, ACutUploadResumedAtTheServersByteCountArrivesIdentical) {
    test::ScriptedUi ui;
    test::TempDir dir;
    const auto frames = RecordingFrames(40);  // about 320 KB of audio
    const auto reference = LocalReference(frames, dir.Path());
    test::FtpTestServer server("cut", "127.0.0.1", {"--cut-after", "200000"});
    Settings settings = Mp2FtpSettings(server);
    InternetState internet = test::ShortTimeouts();
    internet.quietPublishing = true;
    AudioWriteFormat format;

    JStreamAudioWriteBWFFTP w(settings, internet, format);
    w.SetBitrate(3);
    w.SetPublication(Publication(frames));
    w.Open("News");
    ASSERT_TRUE(w.IsReady());
    CopyFrames(w, frames);
    w.CloseFile();  // the break shows at the latest when the server does not confirm the file
    ASSERT_FALSE(w.IsGood());

    // Resume at what the server holds, and send from there on, as the publish job does.
    const uint64_t held = test::ReadFileBytes(server.Home() + "News.mp2").size();
    ASSERT_GT(held, w.DataStart());
    ASSERT_EQ(w.Resume("News", static_cast<uint32_t>(held)), ResumeResult::Resumed);
    ASSERT_TRUE(w.IsReady());
    CopyFrames(w, frames, static_cast<size_t>(held - w.DataStart()));
    w.Finish();
    w.Close();
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "News.mp2"), reference);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(BwfEmailWriter, AttachmentEqualsTheLocalFile) {
    test::ScriptedUi ui;
    test::SmtpTestServer server;
    test::TempDir dir;
    Settings settings;
    settings.SendThrough = 2;
    settings.SMTPServer = server.Address();
    settings.PublishFileExt = "mp2";
    MailValues mail{"desk@example.org", "Flood", "reporter@example.org"};
    AudioWriteFormat format;
    const auto frames = RecordingFrames(2);

    JStreamAudioWriteBWFEMAIL w(settings, mail, format, "Water rose overnight.");
    w.SetBitrate(3);
    w.SetPublication(Publication(frames));
    w.Open("News");
    ASSERT_TRUE(w.IsReady());
    CopyFrames(w, frames);
    w.Finish();
    w.OpenExtraFile("News_01.jpg");
    const auto photo = test::TestBytes(5000, 3);
    w.WriteEncoded(photo.data(), static_cast<uint32_t>(photo.size()));
    w.Close();
    EXPECT_TRUE(w.IsGood());
    auto mails = server.Mails();
    ASSERT_EQ(mails.size(), 1u);
    ASSERT_GE(mails[0].parts.size(), 3u);
    EXPECT_EQ(mails[0].parts[1].filename, "News.mp2");
    EXPECT_EQ(mails[0].parts[1].bytes, LocalReference(frames, dir.Path()));
    EXPECT_EQ(mails[0].parts[2].filename, "News_01.jpg");
    EXPECT_EQ(mails[0].parts[2].bytes, photo);
}

}  // namespace
}  // namespace mora
