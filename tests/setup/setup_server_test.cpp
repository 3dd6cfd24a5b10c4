// The connection tests as the pages run them, against real servers on 127.0.0.1.

#include <QLabel>
#include <QPushButton>

#include "tests/net/ftp_fixture.h"
#include "tests/net/smtp_server_fixture.h"
#include "tests/setup/setup_test_fixture.h"

namespace mora {
namespace {
using test::SetupWindowTest;

class SetupServerTest : public SetupWindowTest {
  protected:
    QString StatusLine(const char* name) {
        auto* label = window->findChild<QLabel*>(name);
        return label ? label->text() : QString();
    }
    Settings SavedSettings() {
        EXPECT_TRUE(window->SaveAndExit());
        Settings saved;
        EXPECT_TRUE(LoadSettings(saved, state.iniPath));
        return saved;
    }
};

TEST_F(SetupServerTest, FtpTestPassesAndIsRemembered) {
    test::FtpTestServer server;
    state.internet = test::ShortTimeouts();
    Open(test::FtpSettingsFor(server));
    Show("FTP");
    Control<QPushButton>(3)->click();
    EXPECT_EQ(StatusLine("FtpStatus"), "FTP Read and Write File OK");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "FTP Read and Write File OK.");
    const Settings saved = SavedSettings();
    EXPECT_EQ(saved.FtpTestStarted, 1);
    EXPECT_EQ(saved.FtpTestPassed, 1);
}

TEST_F(SetupServerTest, FtpServerServingOtherBytesFailsTheTest) {
    test::FtpTestServer server("different");
    state.internet = test::ShortTimeouts();
    Settings s = test::FtpSettingsFor(server);
    s.FtpTestPassed = 1;  // an earlier test passed
    Open(s);
    Show("FTP");
    Control<QPushButton>(3)->click();
    EXPECT_TRUE(StatusLine("FtpStatus").startsWith("FTP Read File Error.\n"));
    EXPECT_TRUE(StatusLine("FtpStatus").contains("other bytes"));
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, "FTP Read Error");
    const Settings saved = SavedSettings();
    EXPECT_EQ(saved.FtpTestStarted, 1);
    EXPECT_EQ(saved.FtpTestPassed, 0);
}

TEST_F(SetupServerTest, FtpFailuresAreExplainedInPlainWords) {
    test::FtpTestServer server;
    state.internet = test::ShortTimeouts();
    Settings s = test::FtpSettingsFor(server);
    s.FtpPassword = "wrong";
    Open(s);
    Show("FTP");
    Control<QPushButton>(3)->click();
    EXPECT_EQ(StatusLine("FtpStatus"),
              "Not Connected.\nThe server refused the user name or password.");

    window.reset();
    s.FtpServer = "127.0.0.1:" + std::to_string(test::ClosedLoopbackPort());
    Open(s);
    Show("FTP");
    Control<QPushButton>(3)->click();
    EXPECT_TRUE(StatusLine("FtpStatus").contains("refused the connection"));
}

TEST_F(SetupServerTest, SmtpTestShowsTheSetupProgramsTexts) {
    test::SmtpTestServer server;
    Settings s;
    s.SMTPServer = server.Address();
    s.SMTPUser = "anna";
    s.SMTPPassword = "secret";
    s.SmtpAuth = 1;
    Open(s);
    Show("Email");
    Control<QPushButton>(1039)->click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Info");
    EXPECT_EQ(ui.messages[0].text, "SMTP-server Ok");

    window.reset();
    s.SMTPPassword = "wrong";
    Open(s);
    Show("Email");
    Control<QPushButton>(1039)->click();
    EXPECT_EQ(ui.messages.back().text, "Wrong username\nor password.");
    EXPECT_EQ(StatusLine("SmtpStatus"), "The server refused the user name or password.");

    window.reset();
    s.SMTPServer = "127.0.0.1:" + std::to_string(test::UnusedPort());
    Open(s);
    Show("Email");
    Control<QPushButton>(1039)->click();
    EXPECT_EQ(ui.messages.back().text, "Server not found");
    EXPECT_TRUE(StatusLine("SmtpStatus").contains("connection was refused"));
}

}  // namespace
}  // namespace mora
