#include <gtest/gtest.h>

#include "settings/settings.h"
#include "tests/cli/cli_runner.h"
#include "tests/net/smtp_server_fixture.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::RunCli;

// A settings file that names `server` with the test account.
std::string WriteIni(const test::TempDir& dir, const std::string& server, uint32_t auth) {
    Settings s;
    s.SMTPServer = server;
    s.SMTPUser = "anna";
    s.SMTPPassword = "secret";
    s.SmtpAuth = auth;
    const std::string ini = dir.File("MoraIni.sup");
    EXPECT_TRUE(SaveSettings(s, ini));
    return ini;
}

TEST(CliSmtp, TestPrintsTheSetupProgramsText) {
    test::SmtpTestServer server;
    test::TempDir dir;
    const std::string ini = WriteIni(dir, server.Address(), 1);
    auto r = RunCli({"smtp", "test", "--ini", ini});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "SMTP-server Ok\n");
    r = RunCli({"smtp", "test", "--ini", ini, "--password", "bad"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Wrong username\nor password.\n");
    // The password need not be on the command line.
    EXPECT_EQ(RunCli({"smtp", "test", "--ini", ini, "--password-stdin"}, "bad\n").out,
              "Wrong username\nor password.\n");
    r = RunCli({"smtp", "test", "--ini", ini, "--no-auth", "--password", "bad"});
    EXPECT_EQ(r.status, 0);
    r = RunCli({"smtp", "test", "--ini", ini, "--server",
                "127.0.0.1:" + std::to_string(test::UnusedPort())});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Server not found\n");
    EXPECT_EQ(RunCli({"smtp", "test", "--timeout", "0"}).status, 2);
}

TEST(CliSmtp, SendDeliversABroadcastWaveSizedAttachmentIntact) {
    test::SmtpTestServer server;
    test::TempDir dir;
    const std::string ini = WriteIni(dir, server.Address(), 1);
    const auto audio = test::TestBytes(24 * 1024 * 1024 + 2, 11);
    const auto photo = test::TestBytes(70000, 12);
    test::WriteFileBytes(dir.File("clip.wav"), audio);
    test::WriteFileBytes(dir.File("photo.jpg"), photo);
    test::WriteFileText(dir.File("body.txt"), "Report from the field.\n.\nEnd\n");
    auto r = RunCli({"smtp", "send", "--ini", ini, "--to", "desk@example.org", "--subject",
                     "Flood report", "--from", "anna@example.org", "--body-file",
                     dir.File("body.txt"), dir.File("clip.wav"), dir.File("photo.jpg")});
    ASSERT_EQ(r.status, 0) << r.err;
    auto mails = server.Mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].mailFrom, "anna@example.org");
    EXPECT_EQ(mails[0].subject, "Flood report");
    ASSERT_EQ(mails[0].parts.size(), 4u);
    EXPECT_EQ(std::string(mails[0].parts[0].bytes.begin(), mails[0].parts[0].bytes.end()),
              "Report from the field.\r\n.\r\nEnd\r\n\r\n");
    EXPECT_EQ(mails[0].parts[1].filename, "clip.wav");
    EXPECT_TRUE(mails[0].parts[1].bytes == audio);
    EXPECT_EQ(mails[0].parts[2].filename, "photo.jpg");
    EXPECT_TRUE(mails[0].parts[2].bytes == photo);
}

TEST(CliSmtp, SendFailuresSayWhyAndUsageErrorsAreRefused) {
    test::SmtpTestServer server;
    test::TempDir dir;
    const std::string ini = WriteIni(dir, server.Address(), 0);
    test::WriteFileText(dir.File("a.txt"), "a");
    auto r = RunCli({"smtp", "send", "--ini", ini, "--to", "refuse553@example.org", "--subject",
                     "S", dir.File("a.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error: recipient not allowed,\nrelaying denied"), std::string::npos);
    r = RunCli({"smtp", "send", "--ini", ini, "--auth", "--password", "x", "--to", "b@x.org",
                "--subject", "S", dir.File("a.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Info: Wrong username\nor password."), std::string::npos);
    r = RunCli({"smtp", "send", "--ini", ini, "--to", "reject-data@x.org", "--subject", "S",
                dir.File("a.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not sent"), std::string::npos);
    r = RunCli({"smtp", "send", "--ini", ini, "--to", "b@x.org", "--subject", "S",
                dir.File("a.txt"), dir.File("missing.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.wav"), std::string::npos);
    EXPECT_TRUE(server.Mails().empty());
    EXPECT_EQ(RunCli({"smtp", "send", "--ini", ini, "--to", "b@x.org", dir.File("a.txt")}).status,
              2);
    EXPECT_EQ(RunCli({"smtp", "send", "--ini", ini, "--to", "b@x.org", "--subject", "S"}).status,
              2);
    EXPECT_EQ(RunCli({"smtp", "send", "--help"}).status, 0);
}

TEST(CliSmtp, SendToTheOutboxWritesAnEmlFile) {
    test::TempDir dir;
    test::WriteFileText(dir.File("a.txt"), "attached");
    const std::string ini = WriteIni(dir, "unused.invalid", 0);
    setenv("MORA_HOME", dir.Path().c_str(), 1);
    auto r = RunCli({"smtp", "send", "--outbox", "--ini", ini, "--to", "b@x.org", "--subject", "S",
                     dir.File("a.txt")});
    unsetenv("MORA_HOME");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string path = r.out.substr(0, r.out.size() - 1);
    EXPECT_EQ(path.rfind(dir.File("Outbox/ActiveSync/"), 0), 0u) << path;
    const std::string eml = test::ReadFileText(path);
    EXPECT_NE(eml.find("To: b@x.org\r\n"), std::string::npos);
    EXPECT_NE(eml.find("filename=\"a.txt\"\r\n\r\nYXR0YWNoZWQ=\r\n"), std::string::npos);
}

}  // namespace
}  // namespace mora
