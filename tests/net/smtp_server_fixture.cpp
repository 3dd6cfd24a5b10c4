#include "tests/net/smtp_server_fixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <thread>

namespace mora::test {
namespace {
using Json = nlohmann::json;

std::string ScriptPath() {
    const char* source = std::getenv("MORA_SOURCE_DIR");
    if (!source) throw std::runtime_error("MORA_SOURCE_DIR is not set");
    return std::string(source) + "/tests/net/smtp_server.py";
}

std::string Text(const Json& j) {
    return j.is_string() ? j.get<std::string>() : std::string();
}
}  // namespace

SmtpTestServer::SmtpTestServer(const std::vector<std::string>& options) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    std::vector<std::string> args = {"/usr/bin/python3", ScriptPath(), "--maildir",
                                     maildir_.Path()};
    args.insert(args.end(), options.begin(), options.end());
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    stdinFd_ = in[1];
    // The script prints "PORT n" once it listens; wait at most 20 s for it.
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0) continue;
        char buffer[64];
        ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        line.append(buffer, static_cast<size_t>(n));
    }
    ::close(out[0]);
    if (line.rfind("PORT ", 0) != 0) {
        Stop();
        throw std::runtime_error("the test mail server did not start: " + line);
    }
    port_ = static_cast<uint16_t>(std::stoi(line.substr(5)));
}

SmtpTestServer::~SmtpTestServer() {
    Stop();
}

void SmtpTestServer::Stop() {
    if (stdinFd_ >= 0) ::close(stdinFd_);  // the script ends when its input closes
    stdinFd_ = -1;
    if (pid_ <= 0) return;
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::string SmtpTestServer::Address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::vector<DeliveredMail> SmtpTestServer::Mails() const {
    std::vector<DeliveredMail> mails;
    for (int n = 1; FileExists(maildir_.File(std::to_string(n) + ".json")); ++n) {
        const std::string base = maildir_.File(std::to_string(n));
        Json j = Json::parse(ReadFileText(base + ".json"));
        DeliveredMail m;
        m.mailFrom = Text(j["mail_from"]);
        for (auto& r : j["rcpt_tos"]) m.rcptTos.push_back(r.get<std::string>());
        m.from = Text(j["from"]);
        m.to = Text(j["to"]);
        m.subject = Text(j["subject"]);
        m.boundary = Text(j["boundary"]);
        m.multipart = j["multipart"].get<bool>();
        for (auto& d : j["defects"]) m.defects.push_back(d.get<std::string>());
        for (auto& p : j["parts"]) {
            DeliveredPart part;
            part.contentType = Text(p["content_type"]);
            part.filename = Text(p["filename"]);
            part.bytes = ReadFileBytes(p["file"].get<std::string>());
            for (auto& d : p["defects"]) part.defects.push_back(d.get<std::string>());
            m.parts.push_back(std::move(part));
        }
        m.raw = ReadFileBytes(base + ".eml");
        mails.push_back(std::move(m));
    }
    return mails;
}

uint16_t UnusedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

}  // namespace mora::test
