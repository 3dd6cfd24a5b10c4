#pragma once
// A real FTP server (pyftpdlib) on a loopback address for one test: a temporary home folder,
// one user, a free port. Stopped and cleaned up when the object goes.

#include <sys/types.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace mora::test {

class FtpTestServer {
  public:
    static constexpr const char* kUser = "reporter";
    static constexpr const char* kPassword = "secret";

    // `mode` is one of the script's modes ("normal", "no-rest", "no-epsv", "mute", "cut",
    // "different", "silent"). Throws when the server does not come up within ten seconds.
    explicit FtpTestServer(const std::string& mode = "normal",
                           const std::string& host = "127.0.0.1",
                           const std::vector<std::string>& extra = {});
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    uint16_t Port() const { return port_; }
    // "127.0.0.1:PORT" or "[::1]:PORT", as a server setting.
    std::string ServerText() const;
    // The server's folder for the user, ending in '/'.
    const std::string& Home() const { return home_; }

  private:
    void Stop();

    std::string root_;
    std::string home_;
    std::string host_;
    pid_t pid_ = -1;
    uint16_t port_ = 0;
};

// A TCP port on 127.0.0.1 with nothing listening on it (at the time of the call).
uint16_t ClosedLoopbackPort();

}  // namespace mora::test
