#include <gtest/gtest.h>

#include <cstdlib>

#include "app/audio_startup.h"
#include "platform/event_loop.h"
#include "tests/support/scripted_ui.h"

namespace mora {
namespace {

TEST(AudioStartup, NullDeviceStandsInAndTheReporterIsToldOnce) {
    test::ScriptedUi ui;
    ManualEventLoop loop;
    AppState state;
    OpenProgramAudio(state, loop, "null");
    ASSERT_NE(state.audio, nullptr);
    EXPECT_TRUE(ui.messages.empty());

    // No sound server answers here.
    setenv("PULSE_SERVER", "unix:/nonexistent/mora-test-socket", 1);
    OpenProgramAudio(state, loop, "pulse");
    unsetenv("PULSE_SERVER");
    ASSERT_NE(state.audio, nullptr);
    EXPECT_EQ(state.audio->Name(), "null");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Mora Edit");

    OpenProgramAudio(state, loop, "no-such-device");
    ASSERT_NE(state.audio, nullptr);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[1].text.find("MORA_AUDIO"), std::string::npos);
}

TEST(AudioStartup, TheExternalInterfaceIsFoundByName) {
    test::ScriptedUi ui;
    ManualEventLoop loop;
    AppState state;
    state.settings.CompensateInCodecs = 1;
    OpenProgramAudio(state, loop, "null");
    DetectExternalInterface(state);
    EXPECT_FALSE(state.interfaceFound);
    EXPECT_EQ(state.settings.CompensateInCodecs, 1);

    OpenProgramAudio(state, loop, "null+maycom");
    DetectExternalInterface(state);
    ASSERT_TRUE(state.interfaceFound);
    EXPECT_EQ(
        state.audio->InputDevices()[static_cast<size_t>(state.interfaceDevice)].rfind("MAYCOM", 0),
        0u);
    EXPECT_EQ(state.settings.CompensateInCodecs, 0);
}

}  // namespace
}  // namespace mora
