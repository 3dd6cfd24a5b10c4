#pragma once
// A PulseAudio daemon of the test's own: private runtime folder, one null sink (whose monitor
// is the default source), anonymous access over a unix socket. Starting it points this
// process's PULSE_SERVER at it; the daemon is stopped when the object goes.

#include <sys/types.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace mora::test {

class PulseDaemon {
  public:
    // Waits at most `timeoutMs` for the daemon to accept connections.
    explicit PulseDaemon(int timeoutMs = 15000);
    ~PulseDaemon();
    PulseDaemon(const PulseDaemon&) = delete;
    PulseDaemon& operator=(const PulseDaemon&) = delete;

    bool Ready() const { return ready_; }
    // Why it is not ready, with the daemon's log.
    std::string Error() const;
    // "unix:/path/native", as PULSE_SERVER takes it.
    const std::string& Server() const { return server_; }

  private:
    TempDir dir_;
    std::string server_;
    std::string error_;
    pid_t pid_ = -1;
    bool ready_ = false;
};

}  // namespace mora::test
