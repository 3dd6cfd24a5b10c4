// mora-cli ftp put / get / delete / test against a real FTP server.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/program_dir.h"
#include "settings/settings.h"
#include "tests/cli/cli_runner.h"
#include "tests/net/ftp_server.h"
#include "tests/net/tls_fixture.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::FtpTestServer;
using test::RunCli;

std::vector<uint8_t> Bytes(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return bytes;
}

class FtpCli : public ::testing::Test {
  protected:
    // The command line with this server and its user, and a short time-out.
    std::vector<std::string> With(std::vector<std::string> args) {
        args.insert(args.end(), {"--server", server.ServerText(), "--user", FtpTestServer::kUser,
                                 "--password", FtpTestServer::kPassword, "--timeout", "5"});
        return args;
    }

    FtpTestServer server;
    test::TempDir dir;
};

TEST_F(FtpCli, PutResumeGetDelete) {
    ASSERT_EQ(::mkdir((server.Home() + "in").c_str(), 0755), 0);
    const std::vector<uint8_t> whole = Bytes(200000);
    test::WriteFileBytes(dir.File("part"),
                         std::vector<uint8_t>(whole.begin(), whole.begin() + 80000));
    test::WriteFileBytes(dir.File("whole"), whole);

    auto r = RunCli(With({"ftp", "put", dir.File("part"), "clip.wav", "--dir", "in"}));
    ASSERT_EQ(r.status, 0) << r.err;
    auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["remote"], "in/clip.wav");
    EXPECT_EQ(json["bytes"], 80000);

    r = RunCli(With({"ftp", "put", dir.File("whole"), "clip.wav", "--dir", "in/", "--resume-at",
                     "80000", "--passive", "0"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["bytes"], 120000);
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "in/clip.wav"), whole);

    r = RunCli(With({"ftp", "get", "clip.wav", dir.File("back"), "--dir", "in"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFileBytes(dir.File("back")), whole);

    r = RunCli(With({"ftp", "delete", "clip.wav", "--dir", "in"}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(test::FileExists(server.Home() + "in/clip.wav"));

    // Gone now: both fail with the server's answer and leave no local file behind.
    r = RunCli(With({"ftp", "delete", "clip.wav", "--dir", "in"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("FtpDeleteFile 550"), std::string::npos) << r.err;
    r = RunCli(With({"ftp", "get", "clip.wav", dir.File("none"), "--dir", "in"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(test::FileExists(dir.File("none")));
}

TEST_F(FtpCli, TestUsesTheSettingsFile) {
    Settings settings;
    settings.FtpServer = server.ServerText();
    settings.FtpUser = FtpTestServer::kUser;
    settings.FtpPassword = FtpTestServer::kPassword;
    settings.FtpPassive = 0;
    ASSERT_TRUE(SaveSettings(settings, dir.File("MoraIni.sup")));
    auto r = RunCli({"ftp", "test", "--ini", dir.File("MoraIni.sup")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Connecting...\nConnected.\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nFTP Read and Write File OK\n"), std::string::npos) << r.out;

    r = RunCli({"ftp", "test", "--ini", dir.File("MoraIni.sup"), "--password", "wrong"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Connecting...\nNot Connected.\n");
    EXPECT_NE(r.err.find("Incorrect username or password"), std::string::npos) << r.err;
}

TEST_F(FtpCli, RefusedCommandLines) {
    test::WriteFileText(dir.File("f"), "x");
    for (const std::vector<std::string>& args : {
             std::vector<std::string>{"ftp", "put", dir.File("f")},
             {"ftp", "put", dir.File("f"), "n", "--resume-at", "-1"},
             {"ftp", "get", "n", dir.File("g"), "--passive", "yes"},
             {"ftp", "delete"},
             {"ftp", "test", "extra"},
         }) {
        EXPECT_EQ(RunCli(With(args)).status, 2) << args[1];
    }
    EXPECT_EQ(RunCli({"ftp", "test", "--timeout", "0"}).status, 2);
    auto r = RunCli(With({"ftp", "put", dir.File("missing"), "n"}));
    EXPECT_EQ(r.status, 1);
    r = RunCli(With({"ftp", "put", dir.File("f"), "n", "--resume-at", "5"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(RunCli({"ftp", "test", "--help"}).status, 0);
}

TEST(FtpCliTls, TrustsTheFingerprintGivenAndRemembersIt) {
    test::TestTrust trust(false);
    const std::string programDir = FolderOf(trust.TrustedServersFile());
    ::setenv("MORA_HOME", programDir.c_str(), 1);
    FtpTestServer server("normal", "127.0.0.1",
                         {"--certfile", test::TestCertificates::Get().ServerPem()});
    test::TempDir dir;
    test::WriteFileBytes(dir.File("clip"), Bytes(5000));
    const std::string fingerprint = test::TestCertificates::Get().Fingerprint();
    auto put = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {"ftp",
                                         "put",
                                         dir.File("clip"),
                                         "c.wav",
                                         "--server",
                                         "ftps://" + server.ServerText(),
                                         "--user",
                                         FtpTestServer::kUser,
                                         "--password",
                                         FtpTestServer::kPassword,
                                         "--timeout",
                                         "5"};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCli(args);
    };
    auto r = put({});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(fingerprint), std::string::npos) << r.err;
    EXPECT_EQ(put({"--trust-fingerprint", std::string(95, 'A')}).status, 2);
    std::string other = fingerprint;
    other[0] = other[0] == 'A' ? 'B' : 'A';
    EXPECT_EQ(put({"--trust-fingerprint", other}).status, 1);
    r = put({"--trust-fingerprint", fingerprint});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(put({}).status, 0);
    EXPECT_EQ(test::ReadFileBytes(server.Home() + "c.wav"), Bytes(5000));
    ::unsetenv("MORA_HOME");
}

}  // namespace
}  // namespace mora
