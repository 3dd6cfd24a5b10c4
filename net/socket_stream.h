#pragma once
// A TCP connection as a stream: connect by host name or address, blocking writes that send
// everything asked, and reads that wait at most the receive time-out; encrypted once StartTls
// succeeded.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "net/tls_channel.h"
#include "stream/jstream.h"

namespace mora {

// "host:port", "[v6-address]:port" or a plain host (which gets `defaultPort`). Surrounding
// blanks and line ends are dropped. False when the port part is not a number from 1 to 65535.
bool SplitHostPort(const std::string& text, uint16_t defaultPort, std::string& host,
                   uint16_t& port);

class JStreamSocket : public JStream {
  public:
    static constexpr int kReceiveTimeoutMs = 10000;
    // A connection attempt to one address gives up after this long.
    static constexpr int kConnectTimeoutMs = 10000;
    // A write that makes no progress for this long fails (the peer stopped reading).
    static constexpr int kSendTimeoutMs = 60000;

    JStreamSocket() = default;
    ~JStreamSocket() override;

    // Resolves `host` (name or numeric address) and connects to the first address that answers.
    // 0 connected (good + open), 1 failed.
    int Connect(const std::string& host, uint16_t port);
    // Waits for data at most the receive time-out, then takes what arrived (up to `count`).
    // On time-out, error or a closed connection the buffer is zero-filled, good is cleared and
    // the result is 0 or less.
    int32_t Read(void* buffer, uint32_t count) override;
    // The same with an explicit wait.
    int32_t ReadWithin(void* buffer, uint32_t count, int timeoutMs);
    // Sends all `count` bytes; returns `count`, or 0 or less after clearing good when the
    // connection failed before everything was sent.
    int32_t Write(const void* buffer, uint32_t count) override;
    // Ends the secure channel with a goodbye, if there is one, and closes the socket.
    void Close();
    // Shakes hands with `host` (see TlsChannel::Start) within the receive time-out. 0, or 1
    // with TlsMessage() saying why; the caller must then close.
    int StartTls(const std::string& host, uint16_t port, const TlsTrust& trust);
    bool Secure() const { return tls_ != nullptr; }
    const std::string& TlsMessage() const;

    bool IsValid() const { return socket_ >= 0; }
    void SetReceiveTimeout(int milliseconds) { receiveTimeoutMs_ = milliseconds; }
    int ReceiveTimeout() const { return receiveTimeoutMs_; }

  private:
    bool ConnectOne(const void* address, unsigned addressLength, int family);

    int socket_ = -1;
    int receiveTimeoutMs_ = kReceiveTimeoutMs;
    std::unique_ptr<TlsContext> tlsContext_;
    std::unique_ptr<TlsChannel> tls_;
};

}  // namespace mora
