#pragma once
// The main program's life: start-up (single instance, settings, start-up project, window), the
// event loop, and shutdown (project and last state saved).

#include <memory>
#include <optional>
#include <string>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/quit_signals.h"
#include "platform/ui_services.h"
#include "ui/instance_link.h"
#include "ui/qt_event_loop.h"
#include "ui/qt_ui.h"

namespace mora {

inline constexpr const char* kMainClass = "MoraEdit";
inline constexpr const char* kSetupClass = "MoraEditSetup";
inline constexpr const char* kNoIniText =
    "No ini-file found.\nPlease configure Mora with\nMoraSetup.";

class MoraApp {
  public:
    // `ui`, when given, shows the publish jobs' progress on the window's progress screen.
    explicit MoraApp(std::string commandLine, QtUi* ui = nullptr);
    ~MoraApp();

    // False ends the program at once: another instance was brought forward, or the user
    // cancelled after the missing-settings message, or the window could not be made.
    bool InitInstance();
    // Runs the event loop, then shuts down; returns the exit code.
    int Run();
    // Saves the project, destroys the window, saves the last state and releases the instance
    // link, in that order. Runs once; after a start that returned false it only releases the
    // link.
    void Shutdown();

    AppState& State() { return state_; }
    MainWindow* Window() { return window_.get(); }
    QtEventLoop& Loop() { return loop_; }

  private:
    void OnInstanceRequest(const std::string& request);
    void FinishRecording();

    AppState state_;
    QtUi* ui_;
    QtEventLoop loop_;
    InstanceServer server_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<QuitSignals> quitSignals_;
    std::optional<BusyCursor> busy_;
    bool started_ = false;
    bool shutDown_ = false;
};

}  // namespace mora
