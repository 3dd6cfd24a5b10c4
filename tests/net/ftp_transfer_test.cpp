// Uploads and downloads through the FTP streams against a real server: sizes, passive and
// active data connections, both address families, resuming and restart refusals.

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "net/ftp_stream.h"
#include "tests/net/ftp_fixture.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::FtpTestServer;

// Uploads `bytes` in pieces of `piece`, then downloads them again; both through fresh streams.
void RoundTrip(const Settings& settings, InternetState& internet, const std::string& name,
               const std::vector<uint8_t>& bytes, const std::string& home) {
    constexpr size_t kPiece = 16384;
    {
        JStreamFTP up(settings, internet);
        up.ConnectWithSettings();
        up.OpenFile(name, false);
        ASSERT_TRUE(up.IsWritable());
        for (size_t at = 0; at < bytes.size(); at += kPiece) {
            const uint32_t n = static_cast<uint32_t>(std::min(kPiece, bytes.size() - at));
            ASSERT_EQ(up.Write(bytes.data() + at, n), static_cast<int32_t>(n));
        }
        up.CloseFile();
        EXPECT_TRUE(up.IsGood());
        EXPECT_FALSE(up.IsOpen());
        up.Close();
        EXPECT_EQ(up.Connection(), nullptr);
    }
    EXPECT_EQ(test::ReadFileBytes(home + name), bytes);

    JStreamFTP down(settings, internet);
    down.ConnectWithSettings();
    down.OpenFile(name, true);
    ASSERT_TRUE(down.IsReadable());
    std::vector<uint8_t> got(bytes.size());
    for (size_t at = 0; at < got.size(); at += kPiece) {
        const uint32_t n = static_cast<uint32_t>(std::min(kPiece, got.size() - at));
        ASSERT_EQ(down.Read(got.data() + at, n), static_cast<int32_t>(n));
    }
    EXPECT_TRUE(down.IsReadable());
    down.CloseFile();
    EXPECT_EQ(got, bytes);
}

struct Mode {
    bool passive;
    // "no-epsv" forces PASV and PORT; "foreign" has PASV name someone else's address.
    const char* serverMode;
};

class FtpRoundTrip : public ::testing::TestWithParam<Mode> {};

TEST_P(FtpRoundTrip, EverySizeArrivesUnchanged) {
    test::ScriptedUi ui;
    FtpTestServer server(GetParam().serverMode);
    Settings settings = test::FtpSettingsFor(server, GetParam().passive);
    InternetState internet = test::ShortTimeouts();
    RoundTrip(settings, internet, "empty.bin", {}, server.Home());
    RoundTrip(settings, internet, "one.bin", {0x5a}, server.Home());
    RoundTrip(settings, internet, "large.bin", test::TestBytes(5 * 1024 * 1024 + 123),
              server.Home());
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text;
}

INSTANTIATE_TEST_SUITE_P(DataConnections, FtpRoundTrip,
                         ::testing::Values(Mode{true, "normal"}, Mode{false, "normal"},
                                           Mode{true, "no-epsv"}, Mode{false, "no-epsv"},
                                           Mode{true, "foreign"}),
                         [](const auto& info) {
                             const std::string mode = info.param.serverMode;
                             return std::string(info.param.passive ? "Passive" : "Active") +
                                    (mode == "normal"    ? "Extended"
                                     : mode == "no-epsv" ? "Classic"
                                                         : "ForeignAddress");
                         });

bool HasIpv6Loopback() {
    int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_loopback;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

TEST(FtpTransfer, Ipv6BothDataConnections) {
    if (!HasIpv6Loopback()) GTEST_SKIP() << "no IPv6 loopback here";
    test::ScriptedUi ui;
    FtpTestServer server("normal", "::1");
    InternetState internet = test::ShortTimeouts();
    for (bool passive : {true, false}) {
        Settings settings = test::FtpSettingsFor(server, passive);
        RoundTrip(settings, internet, "six.bin", test::TestBytes(70000, passive), server.Home());
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST(FtpTransfer, ResumeContinuesTheFileExactly) {
    test::ScriptedUi ui;
    FtpTestServer server;
    Settings settings = test::FtpSettingsFor(server);
    settings.FtpDestDir = "news";
    ASSERT_EQ(::mkdir((server.Home() + "news").c_str(), 0755), 0);
    InternetState internet = test::ShortTimeouts();
    const std::vector<uint8_t> whole = test::TestBytes(300000, 7);
    const size_t cut = 123457;

    JStreamWrFTP first(settings, internet);
    first.OpenTarget("clip");
    ASSERT_TRUE(first.IsWritable());
    first.Write(whole.data(), cut);
    first.Close();
    ASSERT_EQ(test::ReadFileBytes(server.Home() + "news/clip.wav").size(), cut);

    JStreamWrFTP again(settings, internet);
    ASSERT_EQ(again.OpenTargetAt("clip", cut), ResumeResult::Resumed);
    ASSERT_TRUE(again.IsWritable());
    again.Write(whole.data() + cut, static_cast<uint32_t>(whole.size() - cut));
    again.CloseFile();
    EXPECT_TRUE(again.IsGood());
    // Already open: nothing is sent, the answer is 0.
    again.OpenFile("news/other.wav", false);
    EXPECT_EQ(again.OpenTargetAt("clip", 5), ResumeResult::Resumed);
    again.Close();
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "news/clip.wav"), whole);
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "news/other.wav").size(), 0u);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(FtpTransfer, BrokenUploadResumesWhereTheServerStopped) {
    // Every upload is cut after 100000 bytes; the rest goes up in a second, shorter one on the
    // same connection, from what the server says it holds.
    test::ScriptedUi ui;
    FtpTestServer server("cut", "127.0.0.1", {"--cut-after", "100000"});
    Settings settings = test::FtpSettingsFor(server);
    InternetState internet = test::ShortTimeouts();
    internet.quietPublishing = true;
    const std::vector<uint8_t> whole = test::TestBytes(180000, 9);
    JStreamWrFTP stream(settings, internet);
    stream.OpenTarget("clip");
    for (size_t at = 0; at < whole.size() && stream.IsWritable(); at += 20000) {
        stream.Write(whole.data() + at, 20000);
    }
    stream.CloseFile();
    ASSERT_FALSE(stream.IsGood());
    ASSERT_TRUE(stream.Connection()->IsConnected());
    uint64_t held = 0;
    ASSERT_TRUE(stream.Connection()->Client().Size(stream.RemotePath("clip"), held));
    ASSERT_GT(held, 0u);
    ASSERT_LT(held, whole.size());

    ASSERT_EQ(stream.OpenTargetAt("clip", held), ResumeResult::Resumed);
    ASSERT_TRUE(stream.IsWritable());
    stream.Write(whole.data() + held, static_cast<uint32_t>(whole.size() - held));
    stream.CloseFile();
    EXPECT_TRUE(stream.IsGood());
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "clip.wav"), whole);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(FtpTransfer, RefusedRestartOpensNothing) {
    test::ScriptedUi ui;
    FtpTestServer server("no-rest");
    Settings settings = test::FtpSettingsFor(server);
    InternetState internet = test::ShortTimeouts();
    JStreamWrFTP stream(settings, internet);
    EXPECT_EQ(stream.OpenTargetAt("clip", 1000), ResumeResult::Refused);
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_FALSE(test::FileExists(server.Home() + "clip.wav"));
    // The connection is still usable for a plain upload.
    stream.OpenTarget("clip");
    EXPECT_TRUE(stream.IsWritable());
    stream.Close();
    EXPECT_TRUE(test::FileExists(server.Home() + "clip.wav"));
}

TEST(FtpTransfer, NoConnectionGivesTwo) {
    test::ScriptedUi ui;
    Settings settings;
    settings.FtpServer = "127.0.0.1:" + std::to_string(test::ClosedLoopbackPort());
    InternetState internet = test::ShortTimeouts();
    JStreamWrFTP stream(settings, internet);
    EXPECT_EQ(stream.OpenTargetAt("clip", 0), ResumeResult::NoConnection);
    EXPECT_FALSE(stream.IsOpen());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Cannot connect");
    EXPECT_EQ(ui.messages[0].title, "Error");
}

TEST(FtpTransfer, SharedConnectionStaysAllocatedAfterClose) {
    test::ScriptedUi ui;
    FtpTestServer server;
    Settings settings = test::FtpSettingsFor(server);
    InternetState internet = test::ShortTimeouts();
    FtpConnection connection(internet);
    connection.Connect("MoraSetup", settings.FtpServer, settings.FtpUser, settings.FtpPassword,
                       true);
    ASSERT_TRUE(connection.IsConnected());
    JStreamFTP stream(settings, internet);
    stream.UseConnection(connection);
    stream.OpenFile("a.bin", false);
    EXPECT_TRUE(connection.fileOpen);
    const uint8_t byte = 1;
    stream.Write(&byte, 1);
    stream.Close();
    EXPECT_EQ(stream.Connection(), &connection);
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_FALSE(connection.fileOpen);
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "a.bin").size(), 1u);
}

}  // namespace
}  // namespace mora
