// The SMTP client against a real mail server on 127.0.0.1 (aiosmtpd, or a raw server that
// misbehaves on purpose).

#include <gtest/gtest.h>

#include "net/smtp_check.h"
#include "net/smtp_client.h"
#include "settings/settings.h"
#include "tests/net/smtp_server_fixture.h"
#include "tests/support/scripted_ui.h"

namespace mora {
namespace {
using test::SmtpTestServer;
using Bytes = std::vector<uint8_t>;

int Login(const SmtpTestServer& server, const std::string& password, JStreamsmtp& client) {
    return client.OpenAuth(server.Address(), "anna", password);
}

// One message with `files` as attachments, each written in slices of `slice` bytes.
bool Send(JStreamsmtp& client, const std::vector<Bytes>& files, size_t slice,
          const std::string& body = "text", const std::string& to = "bob@example.org") {
    if (client.SendHeader(to, "Interview", "mora@localhost", body, "file0.bin") != 0) return false;
    for (size_t i = 0; i < files.size(); ++i) {
        if (i > 0) client.StartAttachment("file" + std::to_string(i) + ".bin");
        for (size_t at = 0; at < files[i].size(); at += slice) {
            client.Write(files[i].data() + at,
                         static_cast<uint32_t>(std::min(slice, files[i].size() - at)));
        }
    }
    client.EndMessage();
    return client.IsGood();
}

TEST(SmtpLogin, CramMd5PlainAndLoginFallback) {
    test::ScriptedUi ui;
    SmtpTestServer server;
    JStreamsmtp client;
    EXPECT_EQ(Login(server, "secret", client), JStreamsmtp::loggedIn);
    EXPECT_TRUE(client.IsLoggedIn());
    client.Disconnect();
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(Login(server, "wrong", client), JStreamsmtp::authFailed);
    EXPECT_FALSE(client.IsConnected());
    // By name: every address of the name is tried until one answers.
    EXPECT_EQ(client.Open("localhost:" + std::to_string(server.Port())), JStreamsmtp::loggedIn);

    // CRAM-MD5 answered 535: LOGIN is tried with the same user and password.
    SmtpTestServer refusing({"--cram-refuse"});
    EXPECT_EQ(Login(refusing, "secret", client), JStreamsmtp::loggedIn);
    EXPECT_EQ(Login(refusing, "wrong", client), JStreamsmtp::authFailed);
    // A server without CRAM-MD5 refuses the command itself; LOGIN is not tried then.
    SmtpTestServer noCram({"--no-cram"});
    EXPECT_EQ(Login(noCram, "secret", client), JStreamsmtp::authFailed);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(SmtpLogin, ServersThatDoNotTalkOrCannotBeReached) {
    JStreamsmtp client;
    client.SetReceiveTimeout(300);
    SmtpTestServer silent({"--mode", "silent"});
    EXPECT_EQ(client.Open(silent.Address()), JStreamsmtp::noGreeting);
    EXPECT_FALSE(client.IsConnected());
    SmtpTestServer hangsUp({"--mode", "close"});
    EXPECT_EQ(client.OpenAuth(hangsUp.Address(), "anna", "secret"), JStreamsmtp::noGreeting);
    SmtpTestServer noHelo({"--helo-refuse"});
    EXPECT_EQ(client.Open(noHelo.Address()), JStreamsmtp::heloRefused);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(client.Open("127.0.0.1:" + std::to_string(test::UnusedPort())),
              JStreamsmtp::notFound);
    EXPECT_EQ(client.Open("no-such-host.invalid"), JStreamsmtp::notFound);
    EXPECT_EQ(client.Open(""), JStreamsmtp::notFound);
}

TEST(SmtpLogin, SetupTestShowsItsOwnTexts) {
    test::ScriptedUi ui;
    SmtpTestServer server;
    Settings settings;
    settings.SMTPServer = server.Address() + "\n";
    settings.SMTPUser = "anna";
    settings.SMTPPassword = "secret";
    EXPECT_EQ(SmtpTest(settings, true), 0);
    settings.SMTPPassword = "nope";
    EXPECT_EQ(SmtpTest(settings, true), 4);
    EXPECT_EQ(SmtpTest(settings, false), 0);
    settings.SMTPServer = "127.0.0.1:" + std::to_string(test::UnusedPort());
    EXPECT_EQ(SmtpTest(settings, false), 3);
    ASSERT_EQ(ui.messages.size(), 4u);
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{"SMTP-server Ok", "Wrong username\nor password.",
                                        "SMTP-server Ok", "Server not found"}));
    EXPECT_EQ(ui.messages[0].title, "Info");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(SmtpTestText(1), "Server found,\nbut doesn't respond");
    EXPECT_EQ(SmtpTestText(9), "Unspecified error");
}

TEST(SmtpSend, AttachmentsOfEveryBoundaryLengthArriveByteIdentical) {
    test::ScriptedUi ui;
    SmtpTestServer server;
    JStreamsmtp client;
    ASSERT_EQ(Login(server, "secret", client), 0);
    std::vector<Bytes> files;
    for (size_t size : {0u, 1u, 2u, 3u, 56u, 57u, 58u, 113u, 114u, 115u})
        files.push_back(test::TestBytes(size, static_cast<uint32_t>(size)));
    // Writes of single bytes keep bytes carried from one write to the next.
    ASSERT_TRUE(Send(client, files, 1, "first"));
    files.push_back(test::TestBytes(3 * 1024 * 1024 + 1, 99));
    ASSERT_TRUE(Send(client, {files.back(), files[2]}, 65537, "second"));
    client.Disconnect();

    auto mails = server.Mails();
    ASSERT_EQ(mails.size(), 2u);
    const auto& m = mails[0];
    EXPECT_EQ(m.mailFrom, "mora@localhost");
    EXPECT_EQ(m.rcptTos, std::vector<std::string>{"bob@example.org"});
    EXPECT_EQ(m.subject, "Interview");
    EXPECT_EQ(m.boundary.rfind("Mora-", 0), 0u);  // chosen anew for each message
    EXPECT_TRUE(m.defects.empty());
    // The text, each attachment in order, and the final empty part.
    ASSERT_EQ(m.parts.size(), files.size() + 1);
    EXPECT_EQ(m.parts[0].contentType, "text/plain");
    for (size_t i = 0; i + 1 < files.size(); ++i) {
        EXPECT_EQ(m.parts[i + 1].filename, "file" + std::to_string(i) + ".bin");
        EXPECT_EQ(m.parts[i + 1].bytes, files[i]) << "attachment " << i;
        EXPECT_TRUE(m.parts[i + 1].defects.empty());
    }
    EXPECT_TRUE(m.parts.back().bytes.empty());
    ASSERT_EQ(mails[1].parts.size(), 4u);
    EXPECT_EQ(mails[1].parts[1].bytes, files.back());
    EXPECT_EQ(mails[1].parts[2].bytes, files[2]);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(SmtpSend, BodyLinesThatLookLikeTheEndOfDataArriveAsWritten) {
    SmtpTestServer server;
    JStreamsmtp client;
    ASSERT_EQ(client.Open(server.Address()), 0);
    ASSERT_TRUE(Send(client, {test::TestBytes(10, 1)}, 10, ".\n.x\nbare\n\n..\r\nend."));
    client.Disconnect();
    auto mails = server.Mails();
    ASSERT_EQ(mails.size(), 1u);
    const std::string text(mails[0].parts[0].bytes.begin(), mails[0].parts[0].bytes.end());
    EXPECT_EQ(text, ".\r\n.x\r\nbare\r\n\r\n..\r\nend.\r\n");
    EXPECT_EQ(mails[0].parts[1].bytes, test::TestBytes(10, 1));
}

TEST(SmtpSend, RepliesInPiecesAndOverSeveralLinesAreJudgedByTheirLastLine) {
    test::ScriptedUi ui;
    SmtpTestServer server({"--split"});
    JStreamsmtp client;
    ASSERT_EQ(Login(server, "secret", client), 0);
    ASSERT_TRUE(Send(client, {test::TestBytes(5000, 5)}, 999));
    // The continuation line mentions 250, the last line refuses.
    EXPECT_EQ(client.SendHeader("refuse550@example.org", "S", "mora@localhost", "", "a"), 550);
    client.Disconnect();
    ASSERT_EQ(server.Mails().size(), 1u);
    EXPECT_EQ(server.Mails()[0].parts[1].bytes, test::TestBytes(5000, 5));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"recipient mailbox\nunavailable"});
}

TEST(SmtpSend, RefusedRecipientsAndSendersAreReportedAndNothingIsSent) {
    test::ScriptedUi ui;
    SmtpTestServer server;
    JStreamsmtp client;
    ASSERT_EQ(client.Open(server.Address()), 0);
    const std::vector<std::pair<int, std::string>> table = {
        {550, "recipient mailbox\nunavailable"}, {551, "user not local"},
        {552, "recipient mailbox full"},         {553, "recipient not allowed,\nrelaying denied"},
        {450, "recipient unavailable\nor busy"}, {451, "recipient not allowed, relaying denied"},
    };
    for (const auto& [code, text] : table) {
        ui.messages.clear();
        ASSERT_EQ(client.Open(server.Address()), 0);
        const std::string to = "refuse" + std::to_string(code) + "@example.org";
        EXPECT_EQ(client.SendHeader(to, "S", "mora@localhost", "", "a"), code);
        EXPECT_FALSE(client.IsOpen());
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].title, "Error");
        EXPECT_EQ(ui.messages[0].text, text);
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::Error);
    }
    ui.messages.clear();
    ASSERT_EQ(client.Open(server.Address()), 0);
    EXPECT_EQ(client.SendHeader("refuse-other@example.org", "S", "m@x", "", "a"), 1);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"recipient error"});
    ui.messages.clear();
    ASSERT_EQ(client.Open(server.Address()), 0);
    EXPECT_EQ(client.SendHeader("bob@example.org", "S", "refuse@x", "", "a"), 1);
    EXPECT_FALSE(client.IsGood());
    EXPECT_TRUE(ui.messages.empty());
    // Not logged in at all.
    client.Disconnect();
    EXPECT_EQ(client.SendHeader("bob@example.org", "S", "m@x", "", "a"), 1);
    // A forwarding server accepts the recipient with 251.
    ASSERT_EQ(client.Open(server.Address()), 0);
    EXPECT_TRUE(Send(client, {Bytes{1, 2, 3}}, 3, "", "forward@example.org"));
    client.Disconnect();
    EXPECT_EQ(server.Mails().size(), 1u);
}

TEST(SmtpSend, ABrokenOrRefusedMessageIsNeverReportedAsSent) {
    test::ScriptedUi ui;
    JStreamsmtp client;
    client.SetReceiveTimeout(2000);
    {
        SmtpTestServer dropper({"--mode", "close-in-data"});
        ASSERT_EQ(client.Open(dropper.Address()), 0);
        EXPECT_FALSE(Send(client, {test::TestBytes(8 << 20, 8), Bytes{1}}, 1 << 20));
        client.Disconnect();
        EXPECT_FALSE(client.IsConnected());
    }
    SmtpTestServer server;
    ASSERT_EQ(client.Open(server.Address()), 0);
    EXPECT_FALSE(Send(client, {test::TestBytes(100, 1)}, 100, "", "reject-data@example.org"));
    client.Disconnect();
    EXPECT_TRUE(server.Mails().empty());
    // A message given up inside its data is dropped by the server.
    ASSERT_EQ(client.Open(server.Address()), 0);
    ASSERT_EQ(client.SendHeader("bob@example.org", "S", "m@x", "", "a"), 0);
    client.Write("abc", 3);
    client.Disconnect();
    EXPECT_FALSE(client.IsGood());
    EXPECT_TRUE(server.Mails().empty());
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace mora
