#include "app/audio_startup.h"

#include "platform/audio/audio_system.h"
#include "platform/ui_services.h"

namespace mora {

void OpenProgramAudio(AppState& state, EventLoop& loop, const std::string& audioChoice) {
    AudioSystemChoice choice = OpenAudioSystem(loop, audioChoice);
    std::string notice = choice.notice;
    if (!choice.system) {
        notice = "MORA_AUDIO: " + choice.error + "\nThere is no sound input or output.";
        choice.system = MakeNullAudioSystem(loop, Pace::kRealTime);
    }
    state.audio = std::move(choice.system);
    if (!notice.empty()) Ui().MessageBox("Mora Edit", notice, MsgIcon::Warning, MsgButtons::Ok);
}

void DetectExternalInterface(AppState& state) {
    state.interfaceFound = false;
    state.interfaceDevice = -1;
    if (!state.audio) return;
    const auto inputs = state.audio->InputDevices();
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (inputs[i].compare(0, 6, "MAYCOM") == 0) state.interfaceDevice = static_cast<int>(i);
    }
    if (state.interfaceDevice >= 0) {
        state.interfaceFound = true;
        state.settings.CompensateInCodecs = 0;
    }
}

}  // namespace mora
