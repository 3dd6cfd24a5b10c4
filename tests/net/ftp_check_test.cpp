// The setup program's FTP test: its status lines and messages on success and on a server that
// serves back something else.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "net/ftp_check.h"
#include "tests/net/ftp_fixture.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::FtpTestServer;

TEST(FtpTestPattern, DiffersBetweenRunsWithinRange) {
    uint8_t a[1024], b[1024];
    FillFtpTestPattern(1, a);
    FillFtpTestPattern(2, b);
    EXPECT_NE(std::memcmp(a, b, sizeof a), 0);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(a[i * 4 + 2], 0);
        EXPECT_EQ(a[i * 4 + 3] | (a[i * 4 + 1] & 0x80), 0);
    }
}

TEST(FtpTest, WritesReadsBackAndDeletes) {
    test::ScriptedUi ui;
    FtpTestServer server;
    ASSERT_EQ(::mkdir((server.Home() + "up").c_str(), 0755), 0);
    InternetState internet = test::ShortTimeouts();
    for (const char* dir : {"up", "up/"}) {
        ui.messages.clear();
        Settings settings = test::FtpSettingsFor(server);
        settings.FtpDestDir = dir;
        test::WriteFileText(server.Home() + "up/Mora.tst", "left over");
        std::vector<std::string> status;
        EXPECT_TRUE(
            FtpTest(settings, internet, 3, [&](const std::string& s) { status.push_back(s); }));
        EXPECT_EQ(settings.FtpTestPassed, 1);
        const std::vector<std::string> expected = {
            "Connecting...",
            "Connected.",
            "File deleted.\r\nOpening file for writing...\r\nTesting...Please wait.",
            "File opened for writing.",
            "File written.",
            "File closed.\r\nOpening file for reading...\r\nTesting...Please wait.",
            "File read.",
            "File closed.",
            "FTP Read and Write File OK",
        };
        EXPECT_EQ(status, expected);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].title, "FTP Read and Write Test");
        EXPECT_EQ(ui.messages[0].text, "FTP Read and Write File OK.");
        EXPECT_FALSE(test::FileExists(server.Home() + "up/Mora.tst"));
    }
}

TEST(FtpTest, DifferentContentIsAReadError) {
    test::ScriptedUi ui;
    FtpTestServer server("different");
    Settings settings = test::FtpSettingsFor(server);
    InternetState internet = test::ShortTimeouts();
    std::vector<std::string> status;
    EXPECT_FALSE(
        FtpTest(settings, internet, 4, [&](const std::string& s) { status.push_back(s); }));
    EXPECT_EQ(settings.FtpTestPassed, 0);
    ASSERT_GE(status.size(), 2u);
    EXPECT_EQ(status[status.size() - 2], "File closed.");
    EXPECT_EQ(status.back(), "FTP Read File Error.");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Error");
    EXPECT_EQ(ui.messages[0].text, "FTP Read Error");
}

TEST(FtpTest, NotConnected) {
    test::ScriptedUi ui;
    FtpTestServer server;
    Settings settings = test::FtpSettingsFor(server);
    settings.FtpPassword = "wrong";
    InternetState internet = test::ShortTimeouts();
    std::vector<std::string> status;
    EXPECT_FALSE(
        FtpTest(settings, internet, 5, [&](const std::string& s) { status.push_back(s); }));
    EXPECT_EQ(status, (std::vector<std::string>{"Connecting...", "Not Connected."}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Incorrect username or password");
}

TEST(FtpTest, UnconfirmedUploadIsAWriteError) {
    // The server drops the upload after 10 bytes: the test ends at writing.
    test::ScriptedUi ui;
    FtpTestServer server("cut", "127.0.0.1", {"--cut-after", "10"});
    Settings settings = test::FtpSettingsFor(server);
    InternetState internet = test::ShortTimeouts();
    std::vector<std::string> status;
    EXPECT_FALSE(
        FtpTest(settings, internet, 6, [&](const std::string& s) { status.push_back(s); }));
    EXPECT_EQ(status.back(), "FTP Write File Error.");
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].title, "FTP Write Test");
    EXPECT_EQ(ui.messages[1].text, "FTP Write File Error");
}

}  // namespace
}  // namespace mora
