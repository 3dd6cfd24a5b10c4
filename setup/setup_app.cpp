#include "setup/setup_app.h"

#include <QApplication>

#include "platform/audio/audio_system.h"
#include "platform/program_dir.h"
#include "platform/trace.h"
#include "platform/ui_services.h"

namespace mora {

std::string FindInterfaceName(AudioSystem& audio) {
    std::string found;
    for (const std::string& name : audio.InputDevices())
        if (name.compare(0, 6, "MAYCOM") == 0) found = name;
    return found;
}

SetupApp::SetupApp()
    : server_([this](const std::string& request) { OnInstanceRequest(request); }) {}

SetupApp::~SetupApp() {
    window_.reset();
    state_.audio.reset();
    server_.Close();
}

bool SetupApp::InitInstance() {
    // Mora reads the settings only when it starts, so it must not run while they change.
    SendInstanceRequest(kMoraWindowClass, "close", true);
    if (SendInstanceRequest(kSetupWindowClass, "activate") != InstanceReply::NotRunning)
        return false;
    server_.Listen(kSetupWindowClass);

    state_.iniPath = ProgramFile("MoraIni.sup");
    state_.settingsLoaded = LoadSettings(state_.settings, state_.iniPath);
    AudioSystemChoice choice = OpenAudioSystemFromEnvironment(loop_);
    std::string notice = choice.notice;
    if (!choice.system) {
        notice = "MORA_AUDIO: " + choice.error + "\nThere is no sound input or output.";
        choice.system = MakeNullAudioSystem(loop_, Pace::kRealTime);
    }
    state_.audio = std::move(choice.system);
    state_.interfaceName = FindInterfaceName(*state_.audio);
    if (!notice.empty())
        Ui().MessageBox("Mora Edit Setup", notice, MsgIcon::Warning, MsgButtons::Ok);

    window_ = std::make_unique<SetupWindow>(state_);
    window_->show();
    window_->raise();
    window_->activateWindow();
    return true;
}

int SetupApp::Run() {
    const int code = QApplication::exec();
    if (window_ && window_->Page()) window_->Page()->StopAudio();
    window_.reset();
    server_.Close();
    return code;
}

void SetupApp::OnInstanceRequest(const std::string& request) {
    if (request == "activate") {
        if (!window_) return;
        if (window_->isMinimized()) window_->showNormal();
        window_->raise();
        window_->activateWindow();
    } else if (request == "close") {
        // From the loop, after the answer has gone out; the edits are saved as on closing.
        loop_.Post([this] {
            if (window_) window_->close();
        });
    } else {
        Trace("instance link: unknown request \"%s\"", request.c_str());
    }
}

}  // namespace mora
