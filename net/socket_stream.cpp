#include "net/socket_stream.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "net/resolve.h"
#include "platform/trace.h"

namespace mora {
namespace {
std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool ParsePort(const std::string& text, uint16_t& port) {
    if (text.empty() || text.size() > 5) return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535) return false;
    port = static_cast<uint16_t>(value);
    return true;
}

// Waits until `fd` is ready for `events`; false on time-out or error.
bool WaitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        int n = ::poll(&p, 1, timeoutMs);
        if (n > 0) return true;
        if (n == 0 || errno != EINTR) return false;
    }
}
}  // namespace

bool SplitHostPort(const std::string& text, uint16_t defaultPort, std::string& host,
                   uint16_t& port) {
    std::string t = Trim(text);
    port = defaultPort;
    if (!t.empty() && t[0] == '[') {
        size_t close = t.find(']');
        if (close == std::string::npos) {
            host = t;
            return true;
        }
        host = t.substr(1, close - 1);
        if (close + 1 == t.size()) return true;
        return t[close + 1] == ':' && ParsePort(t.substr(close + 2), port);
    }
    size_t colon = t.find(':');
    // More than one colon: a bare IPv6 address without a port.
    if (colon == std::string::npos || t.find(':', colon + 1) != std::string::npos) {
        host = t;
        return true;
    }
    host = t.substr(0, colon);
    return ParsePort(t.substr(colon + 1), port);
}

JStreamSocket::~JStreamSocket() {
    Close();
}

bool JStreamSocket::ConnectOne(const void* address, unsigned addressLength, int family) {
    int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        Trace("socket: error socket");
        return false;
    }
    // Connect without blocking so the attempt can be bounded, then block again for the dialogue.
    int flags = ::fcntl(fd, F_GETFL, 0);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int rc = ::connect(fd, static_cast<const sockaddr*>(address), addressLength);
    int error = rc == 0 ? 0 : errno;
    if (error == EINPROGRESS) {
        error = ETIMEDOUT;
        if (WaitFor(fd, POLLOUT, kConnectTimeoutMs)) {
            socklen_t length = sizeof error;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        }
    }
    if (error != 0) {
        Trace("socket: connect error %1d", error);
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, flags);
    timeval sendTimeout{kSendTimeoutMs / 1000, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    socket_ = fd;
    return true;
}

int JStreamSocket::Connect(const std::string& hostText, uint16_t port) {
    Close();
    state = 0;
    std::string host = Trim(hostText);
    if (host.empty()) return 1;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    const AddrInfoList found = ResolveHost(host, std::to_string(port), hints, kConnectTimeoutMs);
    if (!found) return 1;
    for (addrinfo* a = found.get(); a; a = a->ai_next) {
        if (ConnectOne(a->ai_addr, a->ai_addrlen, a->ai_family)) break;
    }
    if (socket_ < 0) return 1;
    Trace("socket: connect succesfull");
    state = good | open;
    return 0;
}

int32_t JStreamSocket::Read(void* buffer, uint32_t count) {
    return ReadWithin(buffer, count, receiveTimeoutMs_);
}

int JStreamSocket::StartTls(const std::string& host, uint16_t port, const TlsTrust& trust) {
    if (socket_ < 0) return 1;
    tlsContext_ = std::make_unique<TlsContext>();
    tls_ = std::make_unique<TlsChannel>();
    if (tls_->Start(socket_, *tlsContext_, host, port, &trust, {}, nullptr, receiveTimeoutMs_) !=
        0) {
        state &= ~good;
        return 1;
    }
    return 0;
}

const std::string& JStreamSocket::TlsMessage() const {
    static const std::string none;
    return tls_ ? tls_->Message() : none;
}

int32_t JStreamSocket::ReadWithin(void* buffer, uint32_t count, int timeoutMs) {
    ssize_t n = -1;
    if (tls_) {
        if (count > 0) n = tls_->ReceiveSome(buffer, count, timeoutMs < 0 ? 0 : timeoutMs);
    } else if (socket_ >= 0 && count > 0 &&
               WaitFor(socket_, POLLIN, timeoutMs < 0 ? 0 : timeoutMs)) {
        do {
            n = ::recv(socket_, buffer, count, 0);
        } while (n < 0 && errno == EINTR);
    }
    if (n <= 0) {
        std::memset(buffer, 0, count);
        state &= ~good;
        return n < 0 ? -1 : 0;
    }
    return static_cast<int32_t>(n);
}

int32_t JStreamSocket::Write(const void* buffer, uint32_t count) {
    if (tls_) {
        if (socket_ >= 0 && tls_->SendAll(buffer, count, kSendTimeoutMs) == 0) {
            return static_cast<int32_t>(count);
        }
        state &= ~good;
        return 0;
    }
    const char* bytes = static_cast<const char*>(buffer);
    uint32_t sent = 0;
    // A short send is continued; only a failed one ends the write.
    while (socket_ >= 0 && sent < count) {
        ssize_t n = ::send(socket_, bytes + sent, count - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        sent += static_cast<uint32_t>(n);
    }
    if (sent < count || socket_ < 0) {
        state &= ~good;
        return 0;
    }
    return static_cast<int32_t>(count);
}

void JStreamSocket::Close() {
    if (tls_) tls_->Shutdown();
    tls_.reset();
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
    state &= ~open;
}

}  // namespace mora
