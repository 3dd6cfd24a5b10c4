#include "tests/net/tls_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "platform/program_dir.h"
#include "tests/support/shell.h"

namespace mora::test {
namespace {
void Run(const std::string& command) {
    if (!RunQuietly("(" + command + ")")) throw std::runtime_error("failed: " + command);
}
}  // namespace

const TestCertificates& TestCertificates::Get() {
    static const TestCertificates certificates;
    return certificates;
}

TestCertificates::TestCertificates() {
    const std::string d = dir_.Path();
    const std::string ec = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
    Run("cd " + ShellQuote(d) + " && openssl req -x509 " + ec +
        "-keyout ca.key -out ca.pem -days 2 -subj '/CN=Mora Test Authority' "
        "-addext basicConstraints=critical,CA:TRUE -addext keyUsage=keyCertSign,cRLSign");
    WriteFileText(d + "server.ext",
                  "subjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n"
                  "basicConstraints=CA:FALSE\n");
    Run("cd " + ShellQuote(d) + " && openssl req " + ec +
        "-keyout server.key -out server.csr -subj /CN=127.0.0.1 && openssl x509 -req -in "
        "server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile server.ext -out "
        "server.crt && cat server.crt server.key > server.pem");
    authority_ = d + "ca.pem";
    serverPem_ = d + "server.pem";
    const std::string out = CaptureCommand("openssl x509 -in " + ShellQuote(d + "server.crt") +
                                           " -noout -fingerprint -sha256");
    const size_t eq = out.find('=');
    if (eq == std::string::npos) throw std::runtime_error("no fingerprint");
    fingerprint_ = out.substr(eq + 1, 95);
}

TestTrust::TestTrust(bool trustAuthority) {
    // An empty authority file: nothing verifies.
    const std::string none = programDir_.File("no-authorities.pem");
    WriteFileText(none, "");
    ::setenv("SSL_CERT_FILE",
             trustAuthority ? TestCertificates::Get().AuthorityFile().c_str() : none.c_str(), 1);
    ::setenv("SSL_CERT_DIR", programDir_.Path().c_str(), 1);
    SetProgramDir(programDir_.Path());
}

TestTrust::~TestTrust() {
    ::unsetenv("SSL_CERT_FILE");
    ::unsetenv("SSL_CERT_DIR");
    SetProgramDir("");
}

std::string TestTrust::TrustedServersFile() const {
    return programDir_.File("trusted-servers.txt");
}

CaptureProxy::CaptureProxy(uint16_t target) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 1) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("proxy cannot listen");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, target] { Relay(target); });
}

CaptureProxy::~CaptureProxy() {
    ::shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    ::close(listener_);
}

std::string CaptureProxy::Captured() {
    ::shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    return captured_;
}

void CaptureProxy::Relay(uint16_t target) {
    pollfd wait{listener_, POLLIN, 0};
    if (::poll(&wait, 1, 10000) <= 0) return;
    const int client = ::accept(listener_, nullptr, nullptr);
    if (client < 0) return;
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(target);
    if (::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        pollfd both[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        char buffer[16384];
        for (bool open = true; open && ::poll(both, 2, 10000) > 0;) {
            for (int i = 0; i < 2 && open; ++i) {
                if (!(both[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                const ssize_t n = ::read(both[i].fd, buffer, sizeof buffer);
                if (n <= 0 || ::write(both[1 - i].fd, buffer, static_cast<size_t>(n)) != n) {
                    open = false;
                } else {
                    captured_.append(buffer, static_cast<size_t>(n));
                }
            }
        }
    }
    ::close(server);
    ::close(client);
}

}  // namespace mora::test
