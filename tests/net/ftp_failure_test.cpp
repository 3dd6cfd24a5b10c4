// Failures of FTP transfers: each one clears good and is reported once with its fixed text, no
// silent server can hang the program, and an upload the server does not confirm never counts
// as a success.

#include <gtest/gtest.h>

#include <chrono>

#include "net/ftp_stream.h"
#include "tests/net/ftp_fixture.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::FtpTestServer;

std::string OnlyMessage(const test::ScriptedUi& ui) {
    EXPECT_EQ(ui.messages.size(), 1u);
    if (ui.messages.empty()) return "";
    EXPECT_EQ(ui.messages[0].title, "Error");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Error);
    return ui.messages[0].text;
}

TEST(FtpFailures, LoginAndConnectFailuresHaveFixedTexts) {
    FtpTestServer server;
    InternetState internet = test::ShortTimeouts();
    struct Case {
        std::string server, password, message;
    };
    const Case cases[] = {
        {server.ServerText(), "wrong", "Incorrect username or password"},
        {"no-such-host.invalid", "x", "Servername not resolved"},
        {"127.0.0.1:" + std::to_string(test::ClosedLoopbackPort()), "x", "Cannot connect"},
        {"127.0.0.1:99999", "x", "Cannot connect"},
    };
    for (const Case& c : cases) {
        test::ScriptedUi ui;
        Settings settings = test::FtpSettingsFor(server);
        settings.FtpServer = c.server;
        settings.FtpPassword = c.password;
        JStreamWrFTP stream(settings, internet);
        stream.OpenTarget("clip");
        EXPECT_FALSE(stream.IsOpen()) << c.server;
        EXPECT_EQ(OnlyMessage(ui), c.message) << c.server;
    }
}

TEST(FtpFailures, EmptyServerConnectsToNothingSilently) {
    test::ScriptedUi ui;
    Settings settings;
    InternetState internet;
    JStreamWrFTP stream(settings, internet);
    EXPECT_EQ(stream.OpenTargetAt("clip", 0), ResumeResult::NoConnection);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(FtpFailures, QuietPublishingShowsNothing) {
    test::ScriptedUi ui;
    FtpTestServer server;
    Settings settings = test::FtpSettingsFor(server);
    settings.FtpPassword = "wrong";
    InternetState internet = test::ShortTimeouts();
    internet.quietPublishing = true;
    JStreamWrFTP stream(settings, internet);
    stream.OpenTarget("clip");
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_TRUE(ui.messages.empty());
}

TEST(FtpFailures, SilentServersTimeOut) {
    InternetState internet;
    internet.timeouts = {1000, 1000, 1000};
    {
        // Accepts the connection, never greets.
        test::ScriptedUi ui;
        FtpTestServer server("silent");
        FtpConnection connection(internet);
        const auto start = std::chrono::steady_clock::now();
        connection.Connect("Mora", server.ServerText(), "u", "p", true);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_FALSE(connection.IsConnected());
        EXPECT_EQ(OnlyMessage(ui), "Timeout");
    }
    {
        // Logs in, then never answers a transfer command.
        test::ScriptedUi ui;
        FtpTestServer server("mute");
        Settings settings = test::FtpSettingsFor(server);
        JStreamFTP stream(settings, internet);
        stream.ConnectWithSettings();
        ASSERT_TRUE(stream.Connection()->IsConnected());
        stream.OpenFile("clip.wav", false);
        EXPECT_FALSE(stream.IsGood());
        EXPECT_EQ(OnlyMessage(ui), "Timeout");
        // The dialogue is out of step now: the connection is given up.
        EXPECT_FALSE(stream.Connection()->IsConnected());
        EXPECT_EQ(stream.Rest(10), 1);
    }
}

TEST(FtpFailures, StalledDownloadTimesOut) {
    test::ScriptedUi ui;
    FtpTestServer server("stall");
    test::WriteFileBytes(server.Home() + "long.bin", test::TestBytes(5000));
    Settings settings = test::FtpSettingsFor(server);
    InternetState internet;
    internet.timeouts = {1000, 1000, 1000};
    JStreamFTP stream(settings, internet);
    stream.ConnectWithSettings();
    stream.OpenFile("long.bin", true);
    ASSERT_TRUE(stream.IsReadable());
    std::vector<uint8_t> buffer(5000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(stream.Read(buffer.data(), 5000), 0);
    stream.CloseFile();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(stream.IsGood());
    EXPECT_EQ(OnlyMessage(ui), "Timeout");
}

TEST(FtpFailures, CutUploadIsAFailure) {
    test::ScriptedUi ui;
    FtpTestServer server("cut", "127.0.0.1", {"--cut-after", "100000"});
    Settings settings = test::FtpSettingsFor(server);
    InternetState internet = test::ShortTimeouts();
    const std::vector<uint8_t> bytes = test::TestBytes(8 * 1024 * 1024);
    JStreamWrFTP stream(settings, internet);
    stream.OpenTarget("clip");
    ASSERT_TRUE(stream.IsWritable());
    for (size_t at = 0; at < bytes.size() && stream.IsWritable(); at += 16384) {
        stream.Write(bytes.data() + at, 16384);
    }
    stream.CloseFile();
    EXPECT_FALSE(stream.IsGood());
    ASSERT_EQ(ui.messages.size(), 1u);
    // Either the write meets the closed connection or the server's verdict tells.
    const std::string& text = ui.messages[0].text;
    EXPECT_TRUE(text == "Connection lost" || text.rfind("InternetWriteFile 426", 0) == 0) << text;
    EXPECT_LT(test::ReadFileBytes(server.Home() + "clip.wav").size(), bytes.size());
}

TEST(FtpFailures, UnconfirmedSmallUploadIsAFailure) {
    // Everything fits the socket buffers, so only the server's verdict tells.
    test::ScriptedUi ui;
    FtpTestServer server("cut", "127.0.0.1", {"--cut-after", "10"});
    Settings settings = test::FtpSettingsFor(server);
    InternetState internet = test::ShortTimeouts();
    JStreamWrFTP stream(settings, internet);
    stream.OpenTarget("clip");
    const std::vector<uint8_t> bytes = test::TestBytes(1000);
    stream.Write(bytes.data(), 1000);
    stream.CloseFile();
    EXPECT_FALSE(stream.IsGood());
    EXPECT_EQ(OnlyMessage(ui), "InternetWriteFile 426 Connection closed; transfer aborted.");
}

TEST(FtpFailures, ReadPastTheEndZeroFills) {
    test::ScriptedUi ui;
    FtpTestServer server;
    test::WriteFileBytes(server.Home() + "short.bin", test::TestBytes(100));
    Settings settings = test::FtpSettingsFor(server);
    InternetState internet = test::ShortTimeouts();
    JStreamFTP stream(settings, internet);
    stream.ConnectWithSettings();
    stream.OpenFile("short.bin", true);
    ASSERT_TRUE(stream.IsReadable());
    std::vector<uint8_t> buffer(200, 0xAA);
    EXPECT_EQ(stream.Read(buffer.data(), 200), 0);
    EXPECT_EQ(buffer, std::vector<uint8_t>(200, 0));
    EXPECT_FALSE(stream.IsGood());
    EXPECT_EQ(OnlyMessage(ui), "InternetReadFile");
    // Later reads do nothing; the next open makes the stream good again.
    EXPECT_EQ(stream.Read(buffer.data(), 1), 0);
    stream.OpenFile("short.bin", true);
    EXPECT_TRUE(stream.IsReadable());
    EXPECT_EQ(stream.Read(buffer.data(), 100), 100);
}

TEST(FtpFailures, OpenFailuresReportedOnlyForWriting) {
    test::ScriptedUi ui;
    FtpTestServer server;
    Settings settings = test::FtpSettingsFor(server);
    InternetState internet = test::ShortTimeouts();
    JStreamFTP stream(settings, internet);
    stream.ConnectWithSettings();
    stream.OpenFile("missing.bin", true);
    EXPECT_FALSE(stream.IsGood());
    EXPECT_TRUE(ui.messages.empty());
    stream.OpenFile("no/such/folder/clip.wav", false);
    EXPECT_FALSE(stream.IsGood());
    const std::string text = OnlyMessage(ui);
    EXPECT_EQ(text.rfind("FtpOpenFile 550 ", 0), 0u) << text;
    // A name that would smuggle in a second command is refused before anything is sent.
    ui.messages.clear();
    stream.OpenFile("clip.wav\r\nDELE other", false);
    EXPECT_FALSE(stream.IsGood());
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(stream.Connection()->IsConnected());
}

TEST(FtpFailures, OpenWithoutConnection) {
    test::ScriptedUi ui;
    Settings settings;
    InternetState internet;
    JStreamFTP stream(settings, internet);
    stream.OpenFile("x", true);
    EXPECT_FALSE(stream.IsGood());
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(stream.Rest(5), 1);
}

}  // namespace
}  // namespace mora
