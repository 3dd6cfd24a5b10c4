// FTP over TLS against a real pyftpdlib server with a certificate made for the test: transfers
// on both kinds of data connection and a cut upload resumed, the refusals with their messages,
// the setup test's trust question, and a capture of the control connection.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "net/ftp_check.h"
#include "net/ftp_stream.h"
#include "tests/net/ftp_fixture.h"
#include "tests/net/tls_fixture.h"

namespace mora {
namespace {
using test::FtpTestServer;
using test::TestCertificates;

class FtpsServer : public FtpTestServer {
  public:
    explicit FtpsServer(const std::string& mode = "normal", std::vector<std::string> extra = {})
        : FtpTestServer(mode, "127.0.0.1", WithCertificate(std::move(extra))) {}
    std::string Url() const { return "ftps://" + ServerText(); }

  private:
    static std::vector<std::string> WithCertificate(std::vector<std::string> extra) {
        extra.insert(extra.end(), {"--certfile", TestCertificates::Get().ServerPem()});
        return extra;
    }
};

Settings SecureSettings(const FtpsServer& server, bool passive = true) {
    Settings settings = test::FtpSettingsFor(server, passive);
    settings.FtpServer = server.Url();
    return settings;
}

void Upload(JStreamFTP& stream, const std::vector<uint8_t>& bytes, size_t from = 0) {
    for (size_t at = from; at < bytes.size() && stream.IsWritable(); at += 20000) {
        stream.Write(bytes.data() + at,
                     static_cast<uint32_t>(std::min<size_t>(20000, bytes.size() - at)));
    }
}

TEST(Ftps, UploadAndDownloadOnBothDataConnections) {
    test::ScriptedUi ui;
    test::TestTrust trust;
    FtpsServer server;
    InternetState internet = test::ShortTimeouts();
    for (bool passive : {true, false}) {
        const Settings settings = SecureSettings(server, passive);
        const std::vector<uint8_t> bytes = test::TestBytes(700001, passive);
        JStreamFTP stream(settings, internet);
        stream.ConnectWithSettings();
        ASSERT_TRUE(stream.Connection()->Client().Secure());
        stream.OpenFile("clip.wav", false);
        Upload(stream, bytes);
        stream.CloseFile();
        EXPECT_TRUE(stream.IsGood());
        EXPECT_EQ(test::ReadFileBytes(server.Home() + "clip.wav"), bytes);
        std::vector<uint8_t> back(bytes.size());
        stream.OpenFile("clip.wav", true);
        EXPECT_EQ(stream.Read(back.data(), static_cast<uint32_t>(back.size())),
                  static_cast<int32_t>(back.size()));
        stream.CloseFile();
        EXPECT_EQ(back, bytes);
    }
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text;
    // Verified by the authority: nothing needed remembering.
    EXPECT_FALSE(test::FileExists(trust.TrustedServersFile()));
}

TEST(Ftps, CutUploadResumesByteIdentical) {
    test::ScriptedUi ui;
    test::TestTrust trust;
    FtpsServer server("cut", {"--cut-after", "100000"});
    InternetState internet = test::ShortTimeouts();
    internet.quietPublishing = true;
    const Settings settings = SecureSettings(server);
    const std::vector<uint8_t> whole = test::TestBytes(180000, 5);
    JStreamWrFTP stream(settings, internet);
    stream.OpenTarget("clip");
    Upload(stream, whole);
    stream.CloseFile();
    ASSERT_FALSE(stream.IsGood());
    uint64_t held = 0;
    ASSERT_TRUE(stream.Connection()->Client().Size(stream.RemotePath("clip"), held));
    ASSERT_GT(held, 0u);
    ASSERT_LT(held, whole.size());
    ASSERT_EQ(stream.OpenTargetAt("clip", held), ResumeResult::Resumed);
    Upload(stream, whole, held);
    stream.CloseFile();
    EXPECT_TRUE(stream.IsGood());
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "clip.wav"), whole);
}

TEST(Ftps, UntrustedServersAreRefusedWithTheirReason) {
    FtpsServer server;
    FtpTestServer plain;
    InternetState internet = test::ShortTimeouts();
    const std::string port = std::to_string(server.Port());
    struct Case {
        bool authority, pinnedOther;
        std::string server, message;
    };
    const Case cases[] = {
        {true, false, "ftps://localhost:" + port, "hostname mismatch"},
        {false, false, server.Url(), "cannot be verified"},
        {false, true, server.Url(), "has changed"},
        {true, false, "ftps://" + plain.ServerText(), "offers no encryption"},
        {true, false, "sftp://" + server.ServerText(), "Unknown kind of server"},
    };
    for (const Case& c : cases) {
        test::ScriptedUi ui;
        test::TestTrust trust(c.authority);
        if (c.pinnedOther) {
            // Trusted before with another certificate.
            std::string other = TestCertificates::Get().Fingerprint();
            other[0] = other[0] == 'A' ? 'B' : 'A';
            test::WriteFileText(trust.TrustedServersFile(),
                                server.ServerText() + " " + other + "\n");
        }
        Settings settings = SecureSettings(server);
        settings.FtpServer = c.server;
        JStreamWrFTP stream(settings, internet);
        stream.OpenTarget("clip");
        EXPECT_FALSE(stream.IsOpen()) << c.server;
        ASSERT_EQ(ui.messages.size(), 1u) << c.server;
        EXPECT_NE(ui.messages[0].text.find(c.message), std::string::npos) << ui.messages[0].text;
    }
    EXPECT_TRUE(test::ReadFileBytes(server.Home() + "clip.wav").empty());
}

TEST(FtpsTest, AsksToTrustOnceAndKeepsTheAnswerPrivate) {
    test::TestTrust trust(false);
    FtpsServer server;
    InternetState internet = test::ShortTimeouts();
    Settings settings = SecureSettings(server);
    const auto quiet = [](const std::string&) {};
    {
        test::ScriptedUi ui;
        ui.answers = {MsgAnswer::No};
        EXPECT_FALSE(FtpTest(settings, internet, 1, quiet));
        ASSERT_GE(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].title, "Trust this server?");
        EXPECT_NE(ui.messages[0].text.find(TestCertificates::Get().Fingerprint()),
                  std::string::npos);
        EXPECT_FALSE(test::FileExists(trust.TrustedServersFile()));
    }
    {
        test::ScriptedUi ui;
        EXPECT_TRUE(FtpTest(settings, internet, 2, quiet));
        EXPECT_EQ(ui.messages.front().title, "Trust this server?");
    }
    struct stat info {};
    ASSERT_EQ(::stat(trust.TrustedServersFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(test::ReadFileText(trust.TrustedServersFile()),
              server.ServerText() + " " + TestCertificates::Get().Fingerprint() + "\n");
    // Trusted now, also where no one is asked.
    test::ScriptedUi ui;
    JStreamWrFTP stream(settings, internet);
    stream.OpenTarget("clip");
    EXPECT_TRUE(stream.IsOpen());
    EXPECT_TRUE(ui.messages.empty());
}

TEST(FtpsTest, BareHostToAServerThatOffersEncryption) {
    test::ScriptedUi ui;
    test::TestTrust trust;
    FtpsServer server("normal", {"--tls-optional"});
    InternetState internet = test::ShortTimeouts();
    Settings settings = test::FtpSettingsFor(server);
    std::vector<std::string> status;
    EXPECT_TRUE(FtpTest(settings, internet, 1, [&](const std::string& s) { status.push_back(s); }));
    EXPECT_NE(std::find(status.begin(), status.end(), kOffersEncryption), status.end());
}

TEST(Ftps, CaptureOfTheControlConnectionHoldsNoPassword) {
    test::ScriptedUi ui;
    test::TestTrust trust;
    FtpsServer server;
    test::CaptureProxy proxy(server.Port());
    InternetState internet = test::ShortTimeouts();
    Settings settings = SecureSettings(server);
    settings.FtpServer = "ftps://127.0.0.1:" + std::to_string(proxy.Port());
    {
        JStreamWrFTP stream(settings, internet);
        stream.OpenTarget("clip");
        ASSERT_TRUE(stream.IsWritable());
        stream.Write("audio", 5);
        stream.CloseFile();
        EXPECT_TRUE(stream.IsGood());
    }
    const std::string captured = proxy.Captured();
    EXPECT_NE(captured.find("AUTH TLS"), std::string::npos);
    EXPECT_EQ(captured.find(FtpTestServer::kPassword), std::string::npos);
    EXPECT_EQ(captured.find(FtpTestServer::kUser), std::string::npos);
}

}  // namespace
}  // namespace mora
