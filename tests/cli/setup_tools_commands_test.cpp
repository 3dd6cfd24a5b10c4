// mora-cli measure-rate and eq-preset.

#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "settings/settings.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using json = nlohmann::ordered_json;
using test::RunCli;

TEST(CliSetupTools, MeasureRateOnTheNullDevicePrintsAndSavesTheEstimate) {
    test::TempDir dir;
    Settings settings;
    settings.MeasuredSampleRate = 40000;
    settings.FtpServer = "kept.example.org";
    ASSERT_TRUE(SaveSettings(settings, dir.File("MoraIni.sup")));
    ::setenv("MORA_AUDIO", "null", 1);
    auto r =
        RunCli({"measure-rate", "--buffers", "17", "--save", "--ini", dir.File("MoraIni.sup")});
    ASSERT_EQ(r.status, 0) << r.err;
    // Reports after buffers 8, 12 and 16, then the final value.
    EXPECT_NE(r.out.find("Wait... 100"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Wait...  98"), std::string::npos) << r.out;
    const std::string last = r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1);
    const long rate = std::strtol(last.c_str(), nullptr, 10);
    // Twelve updates from 40000 leave about a tenth of the way to go.
    EXPECT_GT(rate, 43000);
    EXPECT_LT(rate, 44600);
    Settings saved;
    ASSERT_TRUE(LoadSettings(saved, dir.File("MoraIni.sup")));
    EXPECT_EQ(saved.MeasuredSampleRate, static_cast<uint32_t>(rate));
    EXPECT_EQ(saved.FtpServer, "kept.example.org");

    EXPECT_EQ(RunCli({"measure-rate", "--buffers", "0"}).status, 2);
}

TEST(CliSetupTools, EqPresetSavedFromAProfileShowsItsBands) {
    test::TempDir dir;
    Settings settings;
    settings.EqProfiles[0].Name = "Street";
    settings.EqProfiles[0].Bands[2] = EqBand{180, -60, 7, 1};
    ASSERT_TRUE(SaveSettings(settings, dir.File("MoraIni.sup")));
    auto r = RunCli({"eq-preset", "save", dir.File("street.eqp"), "--profile", "Street", "--ini",
                     dir.File("MoraIni.sup")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunCli({"eq-preset", "show", dir.File("street.eqp")});
    ASSERT_EQ(r.status, 0) << r.err;
    const json j = json::parse(r.out);
    ASSERT_EQ(j["Bands"].size(), 3u);
    EXPECT_EQ(j["Bands"][2], json({{"Frequency", 180}, {"Gain", -60}, {"Q", 7}, {"Enabled", 1}}));

    EXPECT_EQ(RunCli({"eq-preset", "save", dir.File("x.eqp"), "--profile", "Nope", "--ini",
                      dir.File("MoraIni.sup")})
                  .status,
              2);
    EXPECT_EQ(RunCli({"eq-preset", "show", dir.File("MoraIni.sup")}).status, 1);
}

}  // namespace
}  // namespace mora
