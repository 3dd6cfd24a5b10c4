#include "net/ftp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "net/resolve.h"

namespace mora {
namespace {
// Waits until `fd` is ready for `events`; 0, or kNetTimeout / kNetConnectionLost.
int WaitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        int n = ::poll(&p, 1, timeoutMs);
        if (n > 0) return 0;
        if (n == 0) return kNetTimeout;
        if (errno != EINTR) return kNetConnectionLost;
    }
}

int OpenSocket(int family) {
    int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (fd >= 0) {
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    return fd;
}
}  // namespace

uint16_t FtpAddress::Port() const {
    if (Family() == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(storage).sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in&>(storage).sin_port);
}

void FtpAddress::SetPort(uint16_t port) {
    if (Family() == AF_INET6) {
        reinterpret_cast<sockaddr_in6&>(storage).sin6_port = htons(port);
    } else {
        reinterpret_cast<sockaddr_in&>(storage).sin_port = htons(port);
    }
}

std::string FtpAddress::Host() const {
    char text[INET6_ADDRSTRLEN] = "";
    if (Family() == AF_INET6) {
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(storage).sin6_addr, text,
                    sizeof text);
    } else {
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(storage).sin_addr, text,
                    sizeof text);
    }
    return text;
}

FtpSocket& FtpSocket::operator=(FtpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        tls_ = std::move(other.tls_);
        other.fd_ = -1;
    }
    return *this;
}

void FtpSocket::Close() {
    if (tls_) tls_->Shutdown();
    tls_.reset();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void FtpSocket::CloseGracefully(int timeoutMs) {
    if (tls_ && fd_ >= 0) {
        tls_->Shutdown();
        tls_.reset();
        ::shutdown(fd_, SHUT_WR);
        char ignored[4096];
        while (WaitFor(fd_, POLLIN, timeoutMs) == 0) {
            const ssize_t n = ::recv(fd_, ignored, sizeof ignored, 0);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) break;
        }
    }
    Close();
}

int FtpSocket::StartTls(const TlsContext& context, const std::string& host, uint16_t port,
                        const TlsTrust* trust, const std::string& expectedFingerprint,
                        ssl_session_st* reuse, int timeoutMs) {
    tls_ = std::make_unique<TlsChannel>();
    const int result =
        tls_->Start(fd_, context, host, port, trust, expectedFingerprint, reuse, timeoutMs);
    return result;
}

int FtpSocket::ConnectHost(const std::string& host, uint16_t port, int timeoutMs) {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    if (host.empty()) return kNetNameNotResolved;
    const AddrInfoList list = ResolveHost(host, std::to_string(port), hints, timeoutMs);
    if (!list) return kNetNameNotResolved;
    int result = kNetCannotConnect;
    for (addrinfo* ai = list.get(); ai; ai = ai->ai_next) {
        FtpAddress address;
        std::memcpy(&address.storage, ai->ai_addr, ai->ai_addrlen);
        address.length = ai->ai_addrlen;
        result = ConnectAddress(address, timeoutMs);
        if (result == 0) break;
    }
    return result;
}

int FtpSocket::ConnectAddress(const FtpAddress& address, int timeoutMs) {
    Close();
    fd_ = OpenSocket(address.Family());
    if (fd_ < 0) return kNetCannotConnect;
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        Close();
        return kNetCannotConnect;
    }
    if (int wait = WaitFor(fd_, POLLOUT, timeoutMs); wait != 0) {
        Close();
        return wait;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
        Close();
        return kNetCannotConnect;
    }
    return 0;
}

int FtpSocket::Listen(const FtpAddress& local) {
    Close();
    FtpAddress address = local;
    address.SetPort(0);
    fd_ = OpenSocket(address.Family());
    if (fd_ < 0 ||
        ::bind(fd_, reinterpret_cast<const sockaddr*>(&address.storage), address.length) != 0 ||
        ::listen(fd_, 1) != 0) {
        Close();
        return kNetCannotConnect;
    }
    return 0;
}

int FtpSocket::Accept(FtpSocket& accepted, int timeoutMs) {
    if (int wait = WaitFor(fd_, POLLIN, timeoutMs); wait != 0) return wait;
    int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return kNetCannotConnect;
    accepted = FtpSocket(fd);
    return 0;
}

int FtpSocket::SendAll(const void* data, size_t count, int timeoutMs) {
    if (tls_) return tls_->SendAll(data, count, timeoutMs);
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        ssize_t n = ::send(fd_, p, count, MSG_NOSIGNAL);
        if (n > 0) {
            p += n;
            count -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (int wait = WaitFor(fd_, POLLOUT, timeoutMs); wait != 0) return wait;
            continue;
        }
        return kNetConnectionLost;
    }
    return 0;
}

long FtpSocket::ReceiveSome(void* data, size_t count, int timeoutMs) {
    if (tls_) return tls_->ReceiveSome(data, count, timeoutMs);
    for (;;) {
        ssize_t n = ::recv(fd_, data, count, 0);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return -kNetConnectionLost;
        if (int wait = WaitFor(fd_, POLLIN, timeoutMs); wait != 0) return -wait;
    }
}

bool FtpSocket::LocalAddress(FtpAddress& address) const {
    address.length = sizeof address.storage;
    return ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address.storage), &address.length) == 0;
}

bool FtpSocket::PeerAddress(FtpAddress& address) const {
    address.length = sizeof address.storage;
    return ::getpeername(fd_, reinterpret_cast<sockaddr*>(&address.storage), &address.length) == 0;
}

}  // namespace mora
