#pragma once
// Blocking TCP sockets for the FTP client with a time-out on every wait, so that a silent peer
// can never hang the program. Failures carry the network error codes of stream/report.h.

#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "net/tls_channel.h"

namespace mora {

// Network error codes the FTP layer sets.
constexpr int kNetTimeout = 12002;
constexpr int kNetExtendedError = 12003;  // the server replied, but not as expected
constexpr int kNetNameNotResolved = 12007;
constexpr int kNetIncorrectUser = 12013;
constexpr int kNetIncorrectPassword = 12014;
constexpr int kNetCannotConnect = 12029;
constexpr int kNetConnectionLost = 12031;
constexpr int kNetBadReply = 12152;  // the server's answer could not be understood

// A socket address of either family.
struct FtpAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;

    int Family() const { return storage.ss_family; }
    uint16_t Port() const;
    void SetPort(uint16_t port);
    // The numeric host ("127.0.0.1", "::1").
    std::string Host() const;
};

// Owns one socket descriptor, and the secure channel on it once one is started.
class FtpSocket {
  public:
    FtpSocket() = default;
    explicit FtpSocket(int fd) : fd_(fd) {}
    ~FtpSocket() { Close(); }
    FtpSocket(FtpSocket&& other) noexcept : fd_(other.fd_), tls_(std::move(other.tls_)) {
        other.fd_ = -1;
    }
    FtpSocket& operator=(FtpSocket&& other) noexcept;
    FtpSocket(const FtpSocket&) = delete;
    FtpSocket& operator=(const FtpSocket&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    // Ends the secure channel with a goodbye, if there is one, and closes the socket.
    void Close();
    // The same, but on a secure channel first waits (at most `timeoutMs`) for the peer to end
    // its side: closing with its unread messages (session tickets) pending would reset the
    // connection and lose the last data still on its way.
    void CloseGracefully(int timeoutMs);

    // Starts TLS on the connection (see TlsChannel::Start); from then on SendAll and
    // ReceiveSome go through it. 0 or a network error code.
    int StartTls(const TlsContext& context, const std::string& host, uint16_t port,
                 const TlsTrust* trust, const std::string& expectedFingerprint,
                 ssl_session_st* reuse, int timeoutMs);
    // The secure channel, or nullptr on a plain connection.
    const TlsChannel* Tls() const { return tls_.get(); }

    // Resolves `host` and connects to the first address that answers within `timeoutMs` each.
    // Returns 0 or a network error code.
    int ConnectHost(const std::string& host, uint16_t port, int timeoutMs);
    int ConnectAddress(const FtpAddress& address, int timeoutMs);
    // Listens on `local` (its port is replaced by a free one) for one incoming connection.
    int Listen(const FtpAddress& local);
    // Takes the connection waiting on a listening socket; `accepted` receives it.
    int Accept(FtpSocket& accepted, int timeoutMs);

    // Sends all `count` bytes or fails. Returns 0 or a network error code.
    int SendAll(const void* data, size_t count, int timeoutMs);
    // Receives at most `count` bytes once some are there: the number received, 0 at the end of
    // the stream, or minus a network error code.
    long ReceiveSome(void* data, size_t count, int timeoutMs);

    bool LocalAddress(FtpAddress& address) const;
    bool PeerAddress(FtpAddress& address) const;

  private:
    int fd_ = -1;
    std::unique_ptr<TlsChannel> tls_;
};

}  // namespace mora
