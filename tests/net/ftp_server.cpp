#include "tests/net/ftp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#ifndef MORA_FTP_SERVER_SCRIPT
#error "MORA_FTP_SERVER_SCRIPT must name ftp_server.py"
#endif

namespace mora::test {
namespace {
using namespace std::chrono_literals;

bool Exited(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}
}  // namespace

FtpTestServer::FtpTestServer(const std::string& mode, const std::string& host,
                             const std::vector<std::string>& extra)
    : host_(host) {
    char pattern[] = "/tmp/mora-ftp-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("cannot make a temporary folder");
    root_ = pattern;
    home_ = root_ + "/home/";
    std::filesystem::create_directory(home_);
    const std::string portFile = root_ + "/port";

    std::vector<std::string> argv = {"/usr/bin/python3", MORA_FTP_SERVER_SCRIPT,
                                     "--home",           home_,
                                     "--user",           kUser,
                                     "--password",       kPassword,
                                     "--mode",           mode,
                                     "--host",           host,
                                     "--port-file",      portFile};
    argv.insert(argv.end(), extra.begin(), extra.end());
    pid_ = ::fork();
    if (pid_ == 0) {
        std::vector<char*> raw;
        for (auto& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    if (pid_ < 0) throw std::runtime_error("cannot start the FTP server");
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(portFile);
        unsigned port = 0;
        if (in >> port && port > 0) {
            port_ = static_cast<uint16_t>(port);
            return;
        }
        if (Exited(pid_)) {
            pid_ = -1;
            break;
        }
        std::this_thread::sleep_for(20ms);
    }
    Stop();
    throw std::runtime_error("the FTP server did not start");
}

FtpTestServer::~FtpTestServer() {
    Stop();
}

void FtpTestServer::Stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        bool gone = false;
        while (!(gone = Exited(pid_)) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
        }
        if (!gone) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }
    if (!root_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
        root_.clear();
    }
}

std::string FtpTestServer::ServerText() const {
    const std::string host = host_.find(':') != std::string::npos ? "[" + host_ + "]" : host_;
    return host + ":" + std::to_string(port_);
}

uint16_t ClosedLoopbackPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

}  // namespace mora::test
