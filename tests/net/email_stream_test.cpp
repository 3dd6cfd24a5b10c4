// The e-mail stream the publishing jobs write to: direct to the SMTP server of the settings, or
// into the outbox folder.

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "net/email_stream.h"
#include "platform/program_dir.h"
#include "settings/settings.h"
#include "tests/net/smtp_server_fixture.h"
#include "tests/support/scripted_ui.h"

namespace mora {
namespace {
using test::SmtpTestServer;
using Bytes = std::vector<uint8_t>;

const MailValues kValues{"bob@example.org", "Interview \xc3\xa4", "reporter@example.org"};

void WriteMessage(JStreamEMAIL& email, const Bytes& audio, const Bytes& image) {
    email.Open("clip.wav", false, "Text\nwith lines\n.\n");
    email.Write(audio.data(), static_cast<uint32_t>(audio.size() / 2));
    email.Write(audio.data() + audio.size() / 2,
                static_cast<uint32_t>(audio.size() - audio.size() / 2));
    email.StartAttachment("photo.jpg");
    email.Write(image.data(), static_cast<uint32_t>(image.size()));
    email.Close();
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d)) {
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        }
        ::closedir(d);
    }
    return names;
}

// The message with its boundary, whatever it is, replaced by "B".
std::string WithoutBoundary(const Bytes& message) {
    std::string text(message.begin(), message.end());
    const std::string key = "BOUNDARY=\"";
    const size_t start = text.find(key) + key.size();
    const std::string boundary = text.substr(start, text.find('"', start) - start);
    for (size_t at; (at = text.find(boundary)) != std::string::npos;)
        text.replace(at, boundary.size(), "B");
    return text;
}

Settings DirectSettings(const SmtpTestServer& server) {
    Settings s;
    s.SendThrough = 2;
    s.SMTPServer = server.Address();
    s.SmtpAuth = 1;
    s.SMTPUser = "anna";
    s.SMTPPassword = "secret";
    return s;
}

TEST(EmailStream, DirectAndOutboxWriteTheSameMessage) {
    test::ScriptedUi ui;
    test::TempDir home;
    SetProgramDir(home.Path());
    SmtpTestServer server;
    const Bytes audio = test::TestBytes(200001, 1), image = test::TestBytes(3000, 2);

    Settings settings = DirectSettings(server);
    JStreamEMAIL direct(settings, kValues);
    WriteMessage(direct, audio, image);
    EXPECT_TRUE(direct.IsGood());
    EXPECT_FALSE(direct.IsOpen());
    auto mails = server.Mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].mailFrom, "reporter@example.org");
    ASSERT_EQ(mails[0].parts.size(), 4u);
    EXPECT_EQ(mails[0].parts[1].filename, "clip.wav");
    EXPECT_EQ(mails[0].parts[1].bytes, audio);
    EXPECT_EQ(mails[0].parts[2].filename, "photo.jpg");
    EXPECT_EQ(mails[0].parts[2].bytes, image);

    settings.SendThrough = 1;
    settings.OutboxAccount = "Field Team";
    JStreamWrEMAIL outbox(settings, kValues);
    WriteMessage(outbox, audio, image);
    EXPECT_TRUE(outbox.IsGood());
    const std::string folder = home.File("Outbox/Field Team/");
    const auto files = FilesIn(folder);
    ASSERT_EQ(files.size(), 1u);  // no partial file is left behind
    EXPECT_EQ(folder + files[0], outbox.OutboxFile());
    EXPECT_EQ(files[0].substr(files[0].size() - 4), ".eml");
    struct stat st {};
    ASSERT_EQ(::stat(outbox.OutboxFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // the reporter's text and audio are theirs only
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Byte for byte what the server stored, but without the transparency dots and with a
    // boundary of its own.
    EXPECT_EQ(WithoutBoundary(test::ReadFileBytes(outbox.OutboxFile())),
              WithoutBoundary(mails[0].raw));
    EXPECT_EQ(server.Mails().size(), 1u);
    EXPECT_TRUE(ui.messages.empty());
    SetProgramDir("");
}

TEST(EmailStream, ABodyWithABoundaryLikeLineAndAVeryLongLineArrivesWhole) {
    test::ScriptedUi ui;
    SmtpTestServer server;
    Settings settings = DirectSettings(server);
    JStreamEMAIL email(settings, kValues);
    const std::string body = "--JStreamSmtp\r\n" + std::string(2000, 'a') + "\r\nend";
    email.Open("clip.wav", false, body);
    email.Write("abc", 3);
    email.Close();
    EXPECT_TRUE(email.IsGood());
    auto mails = server.Mails();
    ASSERT_EQ(mails.size(), 1u);
    ASSERT_EQ(mails[0].parts.size(), 3u);  // the text, the audio, the final empty part
    const Bytes& text = mails[0].parts[0].bytes;
    EXPECT_EQ(std::string(text.begin(), text.end()).substr(0, body.size()), body);
    EXPECT_EQ(mails[0].parts[1].bytes, (Bytes{'a', 'b', 'c'}));
}

TEST(EmailStream, OutboxStaysInsideItsFolderAndAbandonedMessagesLeaveNothing) {
    test::ScriptedUi ui;
    test::TempDir home;
    SetProgramDir(home.Path());
    Settings settings;
    settings.SendThrough = 1;
    settings.OutboxAccount = "../escape";
    JStreamEMAIL first(settings, kValues), second(settings, kValues);
    WriteMessage(first, Bytes{1}, Bytes{2});
    WriteMessage(second, Bytes{3}, Bytes{4});
    EXPECT_EQ(FilesIn(home.File("Outbox/.._escape/")).size(), 2u);  // two names, none reused
    EXPECT_TRUE(FilesIn(home.File("escape")).empty());

    settings.OutboxAccount = "Gone";
    JStreamEMAIL abandoned(settings, kValues);
    abandoned.Open("a.wav", false, "");
    abandoned.Write("abc", 3);
    abandoned.Abandon();
    EXPECT_FALSE(abandoned.IsGood());
    EXPECT_TRUE(FilesIn(home.File("Outbox/Gone/")).empty());
    SetProgramDir("");
}

TEST(EmailStream, LoginFailuresAreShownAndLeaveTheStreamNotGood) {
    test::ScriptedUi ui;
    SmtpTestServer server;
    SmtpTestServer silent({"--mode", "silent"});
    struct Case {
        std::string server, password, text;
    };
    const std::vector<Case> cases = {
        {"127.0.0.1:" + std::to_string(test::UnusedPort()), "secret", "Server not found."},
        {server.Address(), "wrong", "Wrong username\nor password."},
        {silent.Address(), "secret", "Server found,\nbut doesn't respond."},
    };
    for (const auto& c : cases) {
        ui.messages.clear();
        Settings settings = DirectSettings(server);
        settings.SMTPServer = c.server;
        settings.SMTPPassword = c.password;
        JStreamEMAIL email(settings, kValues);
        email.SetReceiveTimeout(300);
        email.Open("a.wav", false, "");
        EXPECT_FALSE(email.IsGood());
        EXPECT_FALSE(email.IsOpen());
        EXPECT_EQ(email.Write("abc", 3), 0);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].title, "Info");
        EXPECT_EQ(ui.messages[0].text, c.text);
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::Error);
    }
    ui.messages.clear();
    MailValues refused = kValues;
    refused.recipient = "refuse552@example.org";
    Settings settings = DirectSettings(server);
    JStreamEMAIL email(settings, refused);
    email.Open("a.wav", false, "");
    EXPECT_FALSE(email.IsReady());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"recipient mailbox full"});
    EXPECT_TRUE(server.Mails().empty());
}

TEST(EmailStream, ALostConnectionShowsInTheStreamFlags) {
    test::ScriptedUi ui;
    SmtpTestServer dropper({"--mode", "close-in-data"});
    Settings settings = DirectSettings(dropper);
    settings.SmtpAuth = 0;
    JStreamEMAIL email(settings, kValues);
    email.SetReceiveTimeout(2000);
    email.Open("a.wav", false, "");
    ASSERT_TRUE(email.IsReady());
    const Bytes big = test::TestBytes(1 << 20, 3);
    for (int i = 0; i < 8 && email.IsGood(); ++i) email.Write(big.data(), 1 << 20);
    email.StartAttachment("b.jpg");
    email.Close();
    EXPECT_FALSE(email.IsGood());
    EXPECT_FALSE(email.IsOpen());
}

}  // namespace
}  // namespace mora
