// Publish jobs against the real FTP and SMTP test servers: resumed MP2 uploads arrive whole, PCM
// uploads are not resumed, e-mail carries the same publication, the text and images are named
// after the base name, and a cancelled e-mail sends nothing.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "audio/level_meter.h"
#include "audio/mp2_file_writer.h"
#include "audio/wav_file_writer.h"
#include "platform/program_dir.h"
#include "publish/publish_job.h"
#include "publish/publish_log.h"
#include "tests/net/ftp_fixture.h"
#include "tests/net/smtp_server_fixture.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using Bytes = std::vector<uint8_t>;

// A recording of `seconds` of a tone, as the recorder makes it (MP2 at 192 kbit/s or WAV).
PublishClip Recording(const std::string& folder, const std::string& name, bool mp2, int seconds,
                      double hz) {
    AudioWriteFormat format;
    std::unique_ptr<JStreamAudioWrite> writer;
    if (mp2) {
        auto w = std::make_unique<JStreamAudioWriteMP2File>(format, folder);
        w->SetBitrate(9);
        writer = std::move(w);
    } else {
        writer = std::make_unique<JStreamAudioWriteWavFile>(format, folder);
    }
    writer->Open(name);
    std::vector<int16_t> pcm(4410);
    for (int block = 0; block < seconds * 10; ++block) {
        for (size_t i = 0; i < pcm.size(); ++i)
            pcm[i] = static_cast<int16_t>(
                8000 * std::sin(2 * std::numbers::pi * hz * double(block * 4410 + i) / 44100));
        writer->WriteSamples(reinterpret_cast<const uint8_t*>(pcm.data()), 8820);
    }
    writer->Close();
    PublishClip clip;
    EXPECT_TRUE(
        LoadPublishClip(folder + name + (mp2 ? ".mp2" : ".wav"), BuildLevelTables(), 2, clip));
    return clip;
}

std::vector<PublishClip> ThreeClips(const std::string& folder, bool mp2) {
    return {Recording(folder, "Story01", mp2, 4, 440), Recording(folder, "Story02", mp2, 4, 660),
            Recording(folder, "Story03", mp2, 4, 880)};
}

// Two publications of the same clips differ only in the "bext" UMID's tick bytes.
void ExpectSamePublication(const Bytes& a, const Bytes& b) {
    ASSERT_EQ(a.size(), b.size());
    size_t differ = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        ++differ;
        EXPECT_LT(i, 622u) << "byte " << i;
    }
    EXPECT_LE(differ, 4u);
}

struct Job {
    test::TempDir home;
    Settings settings;
    LastState lastState;
    PublishSession session;
    InternetState internet = test::ShortTimeouts();
    ImagePublisherSlot publishers;
    PublishEnv env{settings, lastState, session, internet, publishers, nullptr, ""};

    Job() {
        SetProgramDir(home.Path());
        env.logPath = home.File(kPublishLogFile);
        env.reconnectLimit = 3;
        settings.EnableImages = 0;
    }
    ~Job() { SetProgramDir(""); }

    // The same clips written to a local file.
    Bytes ToFile(const std::vector<PublishClip>& clips, const std::string& name) {
        PublishRequest request{clips, name, "", home.Path(), true};
        EXPECT_TRUE(RunPublishJob(request, env).ok);
        return test::ReadFileBytes(home.File("pub_" + name + "." + settings.PublishFileExt));
    }
};

TEST(PublishJob, CutMp2UploadResumesAtTheServersSizeAndArrivesWhole) {
    test::ScriptedUi ui;
    Job job;
    const auto clips = ThreeClips(job.home.Path(), true);
    // Each clip is 4 s at 24000 bytes/s: the cut falls in the third clip.
    test::FtpTestServer server("cut", "127.0.0.1", {"--cut-after", "200000", "--cut-times", "1"});
    job.settings = test::FtpSettingsFor(server);
    job.settings.PublishFileExt = "mp2";
    job.settings.FtpDestDir = "news";
    job.settings.ResumeSilently = 1;
    ASSERT_EQ(::mkdir((server.Home() + "news").c_str(), 0755), 0);

    PublishRequest request{clips, "Story", "Mayor resigns.\n", job.home.Path()};
    const PublishOutcome out = RunPublishJob(request, job.env);
    ASSERT_TRUE(out.ok) << out.message;
    ASSERT_EQ(out.resumes.size(), 1u);
    // REST after two whole clips, at what the server had stored (it reads 64 KiB at a time).
    EXPECT_TRUE(out.resumes[0].fromServerSize);
    EXPECT_GT(out.resumes[0].offset, 2 * 96000u + 622);
    EXPECT_LE(out.resumes[0].offset, 200000u + 65536);
    EXPECT_TRUE(out.sizeVerified);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages[0].text;

    const Bytes uploaded = test::ReadFileBytes(server.Home() + "news/Story.mp2");
    ExpectSamePublication(uploaded, job.ToFile(clips, "Story"));
    EXPECT_EQ(test::ReadFileText(server.Home() + "news/Story.txt"), "Mayor resigns.\n");

    const std::string log = test::ReadFileText(job.home.File(kPublishLogFile));
    EXPECT_NE(log.find(" ftp ok files=news/Story.mp2:" + std::to_string(uploaded.size()) +
                       ",news/Story.txt:15 size=verified resumes=1:" +
                       std::to_string(out.resumes[0].offset) + "/SIZE\n"),
              std::string::npos)
        << log;
}

TEST(PublishJob, ResumeFallsBackToTheSentBytesAndStopsWhenRestIsRefused) {
    test::ScriptedUi ui;
    Job job;
    const auto clips = ThreeClips(job.home.Path(), true);
    {
        test::FtpTestServer server(
            "cut", "127.0.0.1", {"--cut-after", "150000", "--cut-times", "1", "--refuse", "SIZE"});
        job.settings = test::FtpSettingsFor(server);
        job.settings.PublishFileExt = "mp2";
        job.settings.ResumeSilently = 1;
        const PublishOutcome out = RunPublishJob({clips, "Story", "", job.home.Path()}, job.env);
        // Without SIZE the restart point is the byte count the connection took, beyond what
        // the server stored: it refuses to continue there, and the job ends after its retries.
        EXPECT_FALSE(out.ok);
        ASSERT_EQ(out.resumes.size(), 3u);
        EXPECT_FALSE(out.resumes[0].fromServerSize);
        EXPECT_GT(out.resumes[0].offset, test::ReadFileBytes(server.Home() + "Story.mp2").size());
    }
    test::FtpTestServer server("cut", "127.0.0.1",
                               {"--cut-after", "150000", "--refuse", "SIZE,REST"});
    job.settings = test::FtpSettingsFor(server);
    job.settings.PublishFileExt = "mp2";
    job.settings.ResumeSilently = 1;
    const PublishOutcome out = RunPublishJob({clips, "Story", "", job.home.Path()}, job.env);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, kResumeRefused);
    EXPECT_EQ(ui.Texts().back(), kResumeRefused);
}

TEST(PublishJob, FailedPcmUploadIsNotResumed) {
    test::ScriptedUi ui;
    Job job;
    const auto clips = ThreeClips(job.home.Path(), false);
    test::FtpTestServer server("cut", "127.0.0.1", {"--cut-after", "30000"});
    job.settings = test::FtpSettingsFor(server);
    job.settings.ResumeSilently = 1;
    const PublishOutcome out = RunPublishJob({clips, "Story", "", job.home.Path()}, job.env);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.resumes.empty());
    EXPECT_NE(test::ReadFileText(job.home.File(kPublishLogFile)).find(" ftp failed "),
              std::string::npos);
}

TEST(PublishJob, EmailCarriesThePublicationTheImagesAndTheTextAsBody) {
    test::ScriptedUi ui;
    Job job;
    const auto clips = ThreeClips(job.home.Path(), true);
    test::WriteFileBytes(job.home.File("harbour.jpg"), test::TestBytes(40000, 3));
    test::WriteFileBytes(job.home.File("mayor.png"), test::TestBytes(1000, 4));
    test::SmtpTestServer server;
    job.settings.SendThrough = 2;
    job.settings.SMTPServer = server.Address();
    job.settings.PublishFileExt = "mp2";
    job.settings.EnableImages = 1;
    job.session.includeImages = true;
    job.session.images.AddFile(job.home.File("harbour.jpg"));
    job.session.images.AddFile(job.home.File("mayor.png"));
    job.session.mail.recipient = "desk@example.org";
    job.session.mail.subject = "Story";

    const PublishOutcome out =
        RunPublishJob({clips, "Story", "Mayor resigns.\n", job.home.Path()}, job.env);
    ASSERT_TRUE(out.ok) << out.message;
    const auto mails = server.Mails();
    ASSERT_EQ(mails.size(), 1u);
    std::map<std::string, Bytes> parts;
    std::string body;
    for (const auto& part : mails[0].parts) {
        parts[part.filename] = part.bytes;
        if (part.contentType == "text/plain" && body.empty())
            body.assign(part.bytes.begin(), part.bytes.end());
    }
    EXPECT_EQ(body.substr(0, 14), "Mayor resigns.");
    EXPECT_EQ(parts["Story_01.jpg"], test::TestBytes(40000, 3));
    EXPECT_EQ(parts["Story_02.png"], test::TestBytes(1000, 4));
    const Bytes attached = parts["Story.mp2"];
    ExpectSamePublication(attached, job.ToFile(clips, "Story"));
}

TEST(PublishJob, CancelledEmailSendsNothing) {
    test::ScriptedUi ui;
    Job job;
    const auto clips = ThreeClips(job.home.Path(), true);
    test::SmtpTestServer server;
    job.settings.SendThrough = 2;
    job.settings.SMTPServer = server.Address();
    job.session.mail.recipient = "desk@example.org";
    ui.cancelAtStep = 5;
    const PublishOutcome out = RunPublishJob({clips, "Story", "text", job.home.Path()}, job.env);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(server.Mails().empty());
}

TEST(PublishJob, ImageJobSendsTheTextFirstAndKeepsNamesWhenAsked) {
    test::ScriptedUi ui;
    Job job;
    test::WriteFileBytes(job.home.File("harbour.jpg"), test::TestBytes(40000, 3));
    test::WriteFileBytes(job.home.File("mayor.png"), test::TestBytes(1000, 4));
    job.session.images.AddFile(job.home.File("harbour.jpg"));
    job.session.images.AddFile(job.home.File("mayor.png"));
    test::FtpTestServer server;
    job.settings = test::FtpSettingsFor(server);
    job.settings.UseTemplateText = 1;
    job.settings.TemplateText = "C:/templates/story.html";
    PublishOutcome out = RunImageJob("Story07", "Mayor resigns.", job.env);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(test::ReadFileText(server.Home() + "Story07.html"), "Mayor resigns.");
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "Story07_01.jpg"), test::TestBytes(40000, 3));
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "Story07_02.png"), test::TestBytes(1000, 4));
    job.lastState.KeepNames = 1;
    out = RunImageJob("Story07", "", job.env);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "harbour.jpg"), test::TestBytes(40000, 3));
    ASSERT_EQ(out.files.size(), 2u);
    EXPECT_EQ(out.files[1].name, "mayor.png");
}

}  // namespace
}  // namespace mora
