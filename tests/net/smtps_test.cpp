// SMTP over TLS against a real aiosmtpd server with a certificate made for the test: STARTTLS
// and implicit TLS delivering a message with an attachment, the refusals with their messages,
// the setup test's trust question and encryption hint, and a capture of a whole session.

#include <gtest/gtest.h>

#include "net/smtp_check.h"
#include "net/smtp_client.h"
#include "settings/settings.h"
#include "tests/net/smtp_server_fixture.h"
#include "tests/net/tls_fixture.h"
#include "tests/support/scripted_ui.h"

namespace mora {
namespace {
using test::SmtpTestServer;
using test::TestCertificates;

std::vector<std::string> Tls(const std::string& kind, std::vector<std::string> more = {}) {
    more.insert(more.end(), {"--certfile", TestCertificates::Get().ServerPem(), "--tls", kind});
    return more;
}

bool SendClip(JStreamsmtp& client, const std::vector<uint8_t>& clip) {
    if (client.SendHeader("bob@example.org", "Interview", "mora@localhost", "text", "clip.mp2") !=
        0) {
        return false;
    }
    client.Write(clip.data(), static_cast<uint32_t>(clip.size()));
    client.EndMessage();
    return client.IsGood();
}

TEST(Smtps, StartTlsAndImplicitTlsDeliverTheAttachment) {
    test::ScriptedUi ui;
    test::TestTrust trust;
    const std::vector<uint8_t> clip = test::TestBytes(200003, 4);
    for (const char* kind : {"starttls", "implicit"}) {
        SmtpTestServer server(Tls(kind));
        const std::string scheme =
            kind == std::string("starttls") ? "smtp+starttls://" : "smtps://";
        JStreamsmtp client;
        ASSERT_EQ(client.OpenAuth(scheme + server.Address(), "anna", "secret"),
                  JStreamsmtp::loggedIn)
            << kind << " " << client.SecurityMessage();
        EXPECT_TRUE(client.Secure());
        ASSERT_TRUE(SendClip(client, clip)) << kind;
        client.Disconnect();
        const auto mails = server.Mails();
        ASSERT_EQ(mails.size(), 1u) << kind;
        ASSERT_EQ(mails[0].parts.size(), 3u);
        EXPECT_EQ(mails[0].parts[1].bytes, clip) << kind;
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST(Smtps, RefusalsEndTheConnectionWithTheirMessage) {
    SmtpTestServer plain;
    SmtpTestServer implicit(Tls("implicit"));
    SmtpTestServer silent({"--mode", "silent"});
    struct Case {
        bool authority;
        std::string server, message;
    };
    const Case cases[] = {
        {true, "smtp+starttls://" + plain.Address(), "does not offer STARTTLS"},
        {false, "smtps://" + implicit.Address(), "cannot be verified"},
        {true, "smtps://localhost:" + std::to_string(implicit.Port()), "hostname mismatch"},
        {true, "smtps://" + plain.Address(), "secure connection"},
        {true, "smtps://" + silent.Address(), "not made in time"},
    };
    for (const Case& c : cases) {
        test::ScriptedUi ui;
        test::TestTrust trust(c.authority);
        JStreamsmtp client;
        client.SetReceiveTimeout(1000);
        EXPECT_EQ(client.OpenAuth(c.server, "anna", "secret"), JStreamsmtp::secureFailed);
        EXPECT_FALSE(client.IsConnected());
        EXPECT_NE(client.SecurityMessage().find(c.message), std::string::npos)
            << client.SecurityMessage();
        EXPECT_TRUE(ui.messages.empty());
    }
}

TEST(SmtpsTest, AsksToTrustAndPointsOutEncryption) {
    test::TestTrust trust(false);
    SmtpTestServer server(Tls("starttls"));
    Settings settings;
    settings.SMTPServer = "smtp+starttls://" + server.Address();
    test::ScriptedUi ui;
    ui.answers = {MsgAnswer::No};
    EXPECT_EQ(SmtpTest(settings, false), JStreamsmtp::secureFailed);
    EXPECT_EQ(SmtpTest(settings, false), JStreamsmtp::loggedIn);
    settings.SMTPServer = server.Address();
    EXPECT_EQ(SmtpTest(settings, false), JStreamsmtp::loggedIn);
    ASSERT_EQ(ui.messages.size(), 5u);
    EXPECT_EQ(ui.messages[0].title, "Trust this server?");
    EXPECT_NE(ui.messages[1].text.find("cannot be verified"), std::string::npos);
    EXPECT_EQ(ui.messages[2].title, "Trust this server?");
    EXPECT_EQ(ui.messages[3].text, "SMTP-server Ok");
    EXPECT_EQ(ui.messages[4].text, "SMTP-server Ok\nThis server offers encryption");
}

TEST(Smtps, CaptureOfASessionHoldsNothingSecret) {
    test::ScriptedUi ui;
    test::TestTrust trust;
    // CRAM-MD5 refused: the password itself goes out with LOGIN.
    SmtpTestServer server(Tls("implicit", {"--cram-refuse"}));
    test::CaptureProxy proxy(server.Port());
    JStreamsmtp client;
    ASSERT_EQ(
        client.OpenAuth("smtps://127.0.0.1:" + std::to_string(proxy.Port()), "anna", "secret"),
        JStreamsmtp::loggedIn);
    ASSERT_TRUE(SendClip(client, test::TestBytes(3000, 1)));
    client.Disconnect();
    const std::string captured = proxy.Captured();
    EXPECT_GT(captured.size(), 3000u);
    for (const char* secret : {"secret", "c2VjcmV0", "anna", "YW5uYQ==", "Interview"}) {
        EXPECT_EQ(captured.find(secret), std::string::npos) << secret;
    }
}

}  // namespace
}  // namespace mora
