#pragma once
// The setup program's life: it closes a running Mora, lets only one setup program run, loads
// the settings, opens the sound devices and shows the window.

#include <memory>

#include "setup/setup_state.h"
#include "setup/setup_window.h"
#include "ui/instance_link.h"
#include "ui/qt_event_loop.h"

namespace mora {

inline constexpr const char* kSetupWindowClass = "MoraEditSetup";
inline constexpr const char* kMoraWindowClass = "MoraEdit";

class SetupApp {
  public:
    SetupApp();
    ~SetupApp();

    // False ends the program at once: a running setup program was brought forward instead.
    bool InitInstance();
    // Runs the event loop; the devices stop and the link is released when it ends.
    int Run();

    SetupState& State() { return state_; }
    SetupWindow* Window() { return window_.get(); }

  private:
    void OnInstanceRequest(const std::string& request);

    SetupState state_;
    QtEventLoop loop_;
    InstanceServer server_;
    std::unique_ptr<SetupWindow> window_;
};

// The external interface: the last input whose name begins with "MAYCOM"; empty when none.
std::string FindInterfaceName(AudioSystem& audio);

}  // namespace mora
