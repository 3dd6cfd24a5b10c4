#include "ui/record_screen.h"

#include <gtest/gtest.h>

#include <QDir>

#include "tests/support/temp_dir.h"
#include "tests/ui/qt_test_app.h"
#include "tests/ui/screen_fixture.h"
#include "ui/artwork.h"

namespace mora {
namespace {

using test::RecordingHost;
using test::RecordingTransport;

struct RecordScreenRig {
    explicit RecordScreenRig(Settings s = {}, int width = 480, int height = 540, qreal dpr = 1.0)
        : settings(std::move(s)),
          skin(width, height, dir.Path(),
               SkinOptions{settings.ScreenMode, settings.DigitalMicGainControl != 0, false, dpr,
                           0}) {
        RecorderEnv env;
        env.settings = &settings;
        env.projectName = [] { return std::string("Flood at the bridge"); };
        env.projectFolder = [this] { return dir.Path(); };
        env.battery = [this] { return battery; };
        env.freeBytes = [this](const std::string&) { return freeBytes; };
        // The start-up choice of pictures for a flipped screen.
        const int pictures = settings.ScreenMode ? kFlippedRecordPictures : kRecordPictures;
        screen =
            std::make_unique<RecordWWin>(host, skin, pictures, state, transport, std::move(env));
        screen->Activate();
    }
    void Click(Win* element) {
        const QPoint c = element->Rect().center();
        OnLeftDown(pointer, *screen, c.x(), c.y());
        OnLeftUp(pointer, c.x(), c.y());
    }

    test::TempDir dir;
    Settings settings;
    Skin skin;
    RecordingHost host;
    RecordingTransport transport;
    TransportState state = TransportState::Stopped;
    std::optional<int> battery = 87;
    std::optional<uint64_t> freeBytes = uint64_t{2} << 30;
    PointerState pointer;
    std::unique_ptr<RecordWWin> screen;
};

class RecordScreenTest : public ::testing::Test {
  protected:
    void SetUp() override { test::TestApp(); }
};

TEST_F(RecordScreenTest, ClicksArmRecordMarkAndStopWithTheirLightsAndMenus) {
    RecordScreenRig rig;
    RecordWWin& s = *rig.screen;
    EXPECT_TRUE(s.Button(TransportState::Stopped)->On());
    rig.Click(s.Button(TransportState::Armed));
    EXPECT_EQ(rig.state, TransportState::Armed);
    EXPECT_FALSE(rig.host.topMenusEnabled);
    EXPECT_TRUE(s.Button(TransportState::Armed)->On());
    EXPECT_FALSE(s.Button(TransportState::Stopped)->On());
    EXPECT_EQ(s.Status()->Index(), 1);
    rig.Click(s.Button(TransportState::Playing));
    EXPECT_EQ(rig.state, TransportState::Recording);
    EXPECT_TRUE(s.Button(TransportState::Playing)->On());
    EXPECT_TRUE(s.Button(TransportState::Armed)->On());
    // Record three times while recording: three markers, the last one shown.
    for (int i = 0; i < 3; ++i) rig.Click(s.Button(TransportState::Armed));
    EXPECT_EQ(rig.transport.markers, 3);
    EXPECT_EQ(s.Time()->Text(), "  Mark   3 ");
    EXPECT_EQ(rig.state, TransportState::Recording);
    rig.Click(s.Button(TransportState::Stopped));
    EXPECT_EQ(rig.state, TransportState::Stopped);
    EXPECT_TRUE(rig.host.topMenusEnabled);
    EXPECT_FALSE(s.Button(TransportState::Playing)->On());
    EXPECT_EQ(rig.transport.calls,
              (std::vector<std::string>{"start input", "start saving", "marker", "marker", "marker",
                                        "stop saving"}));
}

TEST_F(RecordScreenTest, AnInputThatDoesNotOpenLeavesTheScreenStopped) {
    RecordScreenRig rig;
    rig.transport.inputOpens = false;
    rig.Click(rig.screen->Button(TransportState::Armed));
    EXPECT_EQ(rig.state, TransportState::Stopped);
    EXPECT_TRUE(rig.screen->Button(TransportState::Stopped)->On());
    EXPECT_FALSE(rig.screen->Button(TransportState::Armed)->On());
    EXPECT_TRUE(rig.host.topMenusEnabled);
}

TEST_F(RecordScreenTest, KeysNineEightSevenDoWhatTheButtonsDo) {
    RecordScreenRig rig;
    rig.screen->KeyDown('9');
    EXPECT_EQ(rig.state, TransportState::Armed);
    rig.screen->KeyDown('8');
    EXPECT_EQ(rig.state, TransportState::Recording);
    rig.screen->KeyDown('9');
    EXPECT_EQ(rig.transport.markers, 1);
    rig.screen->KeyDown('7');
    EXPECT_EQ(rig.state, TransportState::Stopped);
    // Enter plays when stopped and stops when playing; 5 and 2 wind.
    rig.screen->KeyDown(kKeyEnter);
    EXPECT_EQ(rig.state, TransportState::Playing);
    rig.screen->KeyDown('5');
    EXPECT_EQ(rig.state, TransportState::FastForward);
    EXPECT_TRUE(rig.screen->Button(TransportState::FastForward)->On());
    rig.screen->KeyDown(kKeyEnter);
    EXPECT_EQ(rig.state, TransportState::Stopped);
    EXPECT_EQ(ScreenKeyFromQt(Qt::Key_9), '9');
    EXPECT_EQ(ScreenKeyFromQt(Qt::Key_Return), kKeyEnter);
}

TEST_F(RecordScreenTest, GainStopsAtFortyAndAFlippedScreenTurnsTheArrows) {
    Settings settings;
    settings.DigitalMicGainControl = 1;
    RecordScreenRig rig(settings);
    rig.transport.gain = 40;
    rig.screen->KeyDown(kKeyUp);
    EXPECT_EQ(rig.transport.gain, 40);
    EXPECT_EQ(rig.screen->GainText()->Text(), "+40dB");

    settings.ScreenMode = 2;
    RecordScreenRig flipped(settings);
    flipped.transport.gain = 10;
    flipped.screen->KeyDown(kKeyUp);
    EXPECT_EQ(flipped.transport.gain, 9);
    flipped.screen->KeyDown('9');  // only the arrows work on a flipped screen
    EXPECT_EQ(flipped.state, TransportState::Stopped);
}

TEST_F(RecordScreenTest, BatteryAndTimeLeft) {
    Settings settings;
    settings.ShowBattery = 1;
    settings.ShowMaxTime = 1;
    settings.RecordMp2 = 0;
    RecordScreenRig rig(settings);
    rig.battery = 255;
    rig.screen->RefreshBattery();
    EXPECT_EQ(rig.screen->BatteryText()->Text(), "Battery:100%  ");
    // 2 GiB free: (2097152 - 1024) KiB * 128 / 11025 = 24336 s = 6 h 45 m.
    EXPECT_EQ(rig.screen->TimeLeftText()->Text(), "06h:45m max");
    EXPECT_EQ(RecordingSecondsLeft(1024 << 10, false, 44100, 0), 0u);
    EXPECT_EQ(RecordingSecondsLeft(uint64_t{101} << 20, true, 44100, 64000), 13107u);
}

TEST_F(RecordScreenTest, TheMeterRepaintsOnlyTheRowsThatChanged) {
    RecordScreenRig rig;
    VuWin& vu = *rig.screen->Meter();
    rig.host.repainted = QRegion();
    rig.screen->ShowLevels(40, 79);  // left to 40 steps, right stays dark
    const QRect changed = rig.host.repainted.boundingRect();
    EXPECT_EQ(changed, vu.LastChange());
    EXPECT_EQ(changed.bottom(), vu.Rect().bottom());
    EXPECT_NEAR(changed.height(), vu.Rect().height() / 2, 1);
    EXPECT_LT(changed.width(), vu.Rect().width() / 2 + 2);
    rig.host.repainted = QRegion();
    rig.screen->ShowLevels(30, 79);  // ten more steps: only those rows
    EXPECT_NEAR(rig.host.repainted.boundingRect().height(), vu.Rect().height() / 8, 1);
}

// Renders the record screen in every state at scale 1 and 2 (and a flipped one) for a person
// to look at.
TEST_F(RecordScreenTest, RendersEveryState) {
    const QString dir = test::ArtifactDir();
    if (dir.isEmpty()) GTEST_SKIP() << "MORA_ARTIFACT_DIR not set";
    Settings settings;
    settings.ShowBattery = 1;
    settings.ShowMaxTime = 1;
    settings.DigitalMicGainControl = 1;
    for (const auto& [w, h, dpr, tag] : test::kRenderScales) {
        RecordScreenRig rig(settings, w, h, dpr);
        RecordWWin& s = *rig.screen;
        rig.transport.gain = 12;
        s.RefreshGainText();
        auto save = [&](const char* state) {
            EXPECT_TRUE(
                test::Render(s, rig.skin).save(dir + QString("/record-%1-%2.png").arg(state, tag)));
        };
        save("stopped");
        s.KeyDown('9');
        s.ShowLevels(30, 36);
        s.ShowTime(0);
        save("armed");
        s.KeyDown('8');
        s.ShowLevels(6, 12);
        s.ShowTime(754000);
        save("recording");
        s.KeyDown('9');
        save("marker");
        s.KeyDown('7');
        s.KeyDown('8');
        s.ShowLevels(20, 24);
        s.ShowTime(65430);
        save("playing");
        s.KeyDown('5');
        save("forward");
        s.KeyDown('2');
        save("rewind");
    }
    Settings flip = settings;
    flip.ScreenMode = 2;
    RecordScreenRig rig(flip);
    rig.screen->KeyDown(kKeyUp);
    rig.transport.gain = 6;
    rig.screen->RefreshGainText();
    rig.screen->ShowLevels(10, 14);
    EXPECT_TRUE(test::Render(*rig.screen, rig.skin).save(dir + "/record-flipped-s2.png"));
}

}  // namespace
}  // namespace mora
