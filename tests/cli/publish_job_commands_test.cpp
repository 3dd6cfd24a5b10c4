// mora-cli publish against the real FTP test server: a clip list whose upload is cut arrives as
// the same bytes as --to-file writes; an illegal recipient is refused before anything changes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "settings/settings.h"
#include "tests/cli/cli_runner.h"
#include "tests/net/ftp_server.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::RunCli;

class PublishCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("MORA_HOME", home.Path().c_str(), 1);
        for (int i = 1; i <= 3; ++i) {
            const std::string wav = dir.File("t" + std::to_string(i) + ".wav");
            ASSERT_TRUE(test::RunQuietly("sox -n -r 44100 -c 1 -b 16 " + test::ShellQuote(wav) +
                                         " synth 4 sine " + std::to_string(300 * i)));
            ASSERT_EQ(RunCli({"encode", wav, Recording(i), "--bitrate-index", "9"}).status, 0);
        }
        auto r = RunCli({"project", "add", project, Recording(1), Recording(2), Recording(3),
                         "--mp2", "--bitrate-index", "9"});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    void TearDown() override { ::unsetenv("MORA_HOME"); }

    std::string Recording(int i) { return dir.File("Story0" + std::to_string(i) + ".mp2"); }

    std::string Ini(const test::FtpTestServer& server) {
        Settings settings;
        settings.FtpServer = server.ServerText();
        settings.FtpUser = test::FtpTestServer::kUser;
        settings.FtpPassword = test::FtpTestServer::kPassword;
        settings.FtpPassive = 1;
        settings.PublishFileExt = "mp2";
        settings.EnableImages = 0;
        EXPECT_TRUE(SaveSettings(settings, home.File("MoraIni.sup")));
        return home.File("MoraIni.sup");
    }

    test::TempDir home, dir;
    std::string project = dir.File("Story.mpr");
};

TEST_F(PublishCli, CutUploadResumesAndMatchesTheFileOutput) {
    test::FtpTestServer server("cut", "127.0.0.1", {"--cut-after", "200000", "--cut-times", "1"});
    const std::string ini = Ini(server);
    auto r =
        RunCli({"publish", "cliplist", project, "--via", "ftp", "--resume-silently", "--ini", ini});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["target"], "ftp");
    ASSERT_EQ(json["resumes"].size(), 1u);
    EXPECT_EQ(json["resumes"][0]["from"], "SIZE");
    EXPECT_TRUE(json["sizeVerified"].get<bool>());

    r = RunCli({"publish", "cliplist", project, "--to-file", "--ini", ini});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto local = test::ReadFileBytes(dir.File("pub_Story.mp2"));
    const auto uploaded = test::ReadFileBytes(server.Home() + "Story.mp2");
    ASSERT_EQ(local.size(), uploaded.size());
    for (size_t i = 622; i < local.size(); ++i) ASSERT_EQ(local[i], uploaded[i]) << i;

    const std::string log = test::ReadFileText(home.File("publish-log.txt"));
    EXPECT_NE(log.find(" ftp ok files=Story.mp2:" + std::to_string(uploaded.size())),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(" file ok "), std::string::npos) << log;
}

TEST_F(PublishCli, IllegalRecipientExitsWithoutTouchingTheHistory) {
    test::WriteFileText(home.File("emails.txt"), "anna@example.org\n");
    auto r = RunCli({"publish", "cliplist", project, "--via", "email", "--to", "desk@example"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Illegal email-address"), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadFileText(home.File("emails.txt")), "anna@example.org\n");
    EXPECT_FALSE(test::FileExists(home.File("publish-log.txt")));
}

}  // namespace
}  // namespace mora
