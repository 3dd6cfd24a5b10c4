#include "tests/platform/audio/pulse_daemon.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace mora::test {
namespace {

bool Accepts(const std::string& socketPath) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

PulseDaemon::PulseDaemon(int timeoutMs) {
    const std::string runtime = dir_.File("runtime");
    const std::string pulseDir = runtime + "/pulse";
    const std::string home = dir_.File("home");
    ::mkdir(runtime.c_str(), 0700);
    ::mkdir(pulseDir.c_str(), 0700);
    ::mkdir(home.c_str(), 0700);
    const std::string socketPath = pulseDir + "/native";
    server_ = "unix:" + socketPath;
    const std::string script = dir_.File("mora-test.pa");
    WriteFileText(script,
                  "load-module module-native-protocol-unix auth-anonymous=1 socket=" + socketPath +
                      "\n"
                      "load-module module-null-sink sink_name=mora_test rate=44100 channels=2\n"
                      "set-default-sink mora_test\n"
                      "set-default-source mora_test.monitor\n");
    const std::string log = dir_.File("daemon.log");

    pid_ = ::fork();
    if (pid_ == 0) {
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("PULSE_RUNTIME_PATH", pulseDir.c_str(), 1);
        ::setenv("PULSE_STATE_PATH", dir_.File("state").c_str(), 1);
        ::setenv("HOME", home.c_str(), 1);
        ::unsetenv("PULSE_SERVER");
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
        }
        // Running as root (CI containers) the daemon warns but runs in this per-user mode;
        // --system would need a system-wide set-up and is not wanted.
        std::vector<const char*> args = {"pulseaudio",
                                         "-n",
                                         "--daemonize=no",
                                         "--system=no",
                                         "--exit-idle-time=-1",
                                         "--disallow-exit",
                                         "--use-pid-file=no",
                                         "--realtime=no",
                                         "--high-priority=no",
                                         "--log-target=stderr",
                                         "-F",
                                         script.c_str(),
                                         nullptr};
        ::execvp("pulseaudio", const_cast<char* const*>(args.data()));
        std::fprintf(stderr, "cannot run pulseaudio: %s\n", std::strerror(errno));
        ::_exit(127);
    }
    if (pid_ < 0) {
        error_ = std::string("fork failed: ") + std::strerror(errno);
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            error_ = "the daemon ended at once";
            return;
        }
        if (Accepts(socketPath)) {
            ready_ = true;
            ::setenv("PULSE_SERVER", server_.c_str(), 1);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    error_ = "the daemon did not answer in time";
}

PulseDaemon::~PulseDaemon() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

std::string PulseDaemon::Error() const {
    return error_ + "\n" + ReadFileText(dir_.File("daemon.log"));
}

}  // namespace mora::test
