#include <gtest/gtest.h>

#include <QDir>

#include "tests/support/temp_dir.h"
#include "tests/ui/qt_test_app.h"
#include "tests/ui/screen_fixture.h"
#include "ui/about_screen.h"
#include "ui/progress_screen.h"

namespace mora {
namespace {

using test::RecordingHost;

struct AboutRig {
    explicit AboutRig(int width = 480, int height = 540, qreal dpr = 1.0)
        : skin(width, height, dir.Path(), SkinOptions{0, false, false, dpr, 0}) {
        settings.RecordMp2 = 1;
        settings.Mp2BitrateIndex = 7;
        settings.EqProfileName = "Voice";
        settings.EqOn = 0;
        AboutEnv env;
        env.settings = &settings;
        env.projectName = [] { return std::string("Flood at the bridge"); };
        env.projectFolder = [] { return std::string("/home/reporter/Mora/Flood at the bridge/"); };
        env.projectMp2 = [] { return true; };
        env.battery = [this] { return battery; };
        env.freeBytes = [this](const std::string& folder) {
            return folder == "." ? hereBytes : projectBytes;
        };
        env.processorLoad = [] { return 0.034; };
        env.recordingRate = [] { return 44100u; };
        screen = std::make_unique<AboutWWin>(host, skin, std::move(env));
    }

    test::TempDir dir;
    Settings settings;
    Skin skin;
    RecordingHost host;
    std::optional<int> battery = 87;
    std::optional<uint64_t> hereBytes = uint64_t{1500} << 20;
    std::optional<uint64_t> projectBytes = uint64_t{1500} << 20;
    std::unique_ptr<AboutWWin> screen;
};

class AboutProgressTest : public ::testing::Test {
  protected:
    void SetUp() override { test::TestApp(); }
};

TEST_F(AboutProgressTest, SwitchingAboutPagesRefillsTheRowsEachTime) {
    AboutRig rig;
    AboutWWin& s = *rig.screen;
    s.Activate();
    EXPECT_FALSE(rig.host.editPopupEnabled);
    EXPECT_EQ(s.Heading()->Text(), "Flood at the bridge");
    EXPECT_EQ(s.Value(4)->Text(), "Voice(Off)");
    // 2^20 / 2^20 MiB less the reserve, at 128 kbit/s: the record screen's line.
    EXPECT_EQ(s.Value(5)->Text(), RecordingTimeLeftText(rig.settings, *rig.projectBytes, 44100));

    s.ShowDevicePage();
    EXPECT_TRUE(s.DeviceButton()->On());
    EXPECT_FALSE(s.ProjectButton()->On());
    EXPECT_EQ(s.Label(0)->Text(), "Main memory");
    EXPECT_EQ(s.Value(0)->Text(), "   1500*");
    EXPECT_EQ(s.Value(1)->Text(), "3%");
    EXPECT_EQ(s.Value(2)->Text(), "87%");
    // Rows the project page filled are empty on the device page.
    EXPECT_EQ(s.Label(4)->Text(), "");
    EXPECT_EQ(s.Value(5)->Text(), "");

    // The project moves to another volume and the battery cannot be read any more.
    rig.projectBytes = uint64_t{900} << 20;
    rig.battery = std::nullopt;
    s.ShowProjectPage();
    EXPECT_EQ(s.Label(0)->Text(), "At: ");
    s.ShowDevicePage();
    EXPECT_EQ(s.Value(0)->Text(), "   1500 ");
    EXPECT_EQ(s.Value(2)->Text(), "0%");
}

TEST_F(AboutProgressTest, ProgressNeverPassesItsEnd) {
    RecordingHost host;
    test::TempDir dir;
    const Skin skin(480, 540, dir.Path(), SkinOptions{});
    ProgressWWin s(host, skin);
    const int full = s.Bar()->Rect().width();

    s.ProgressStart(0, "  Publishing image...  ");
    s.ProgressStep();
    EXPECT_EQ(s.PercentText()->Text(), " 100 %");
    EXPECT_EQ(s.Bar()->Filled(), full);

    s.ProgressStart(3, "  Publishing audio...  ");
    EXPECT_EQ(s.PercentText()->Text(), "   0 %");
    EXPECT_EQ(s.Bar()->Filled(), 0);
    for (int i = 0; i < 10; ++i) s.ProgressStep();
    EXPECT_EQ(s.PercentText()->Text(), " 100 %");
    EXPECT_EQ(s.Bar()->Filled(), full);
}

// Renders both about pages and the progress screen at scale 1 and 2 for a person to look at.
TEST_F(AboutProgressTest, RendersAboutPagesAndProgress) {
    const QString dir = test::ArtifactDir();
    if (dir.isEmpty()) GTEST_SKIP() << "MORA_ARTIFACT_DIR not set";
    for (const auto& [w, h, dpr, tag] : test::kRenderScales) {
        AboutRig rig(w, h, dpr);
        rig.screen->Activate();
        EXPECT_TRUE(
            test::Render(*rig.screen, rig.skin).save(dir + "/about-project-" + tag + ".png"));
        rig.screen->ShowDevicePage();
        EXPECT_TRUE(
            test::Render(*rig.screen, rig.skin).save(dir + "/about-device-" + tag + ".png"));

        ProgressWWin progress(rig.host, rig.skin);
        progress.ProgressStart(200, "  Publishing audio...  ");
        progress.ProgressStep(75);
        EXPECT_TRUE(test::Render(progress, rig.skin).save(dir + "/progress-" + tag + ".png"));
    }
}

}  // namespace
}  // namespace mora
