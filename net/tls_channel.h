#pragma once
// TLS on a connected socket, always as the client, with every wait bounded. The server's
// certificate must chain to the system's trust store and name the host, or be trusted by its
// fingerprint (trusted-servers.txt, the user's answer, or one given beforehand); anything else
// ends the handshake before a byte of ours is sent.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct ssl_st;
struct ssl_ctx_st;
struct ssl_session_st;

namespace mora {

// Network error codes of the secure layer.
constexpr int kNetCertificateRefused = 12045;  // the server's certificate was not trusted
constexpr int kNetSecureFailure = 12157;       // the handshake or the encrypted channel failed

// How to decide about a certificate that no known authority vouches for.
struct TlsTrust {
    bool askUser = false;           // ask "Trust this server?" through the user interface
    std::string acceptFingerprint;  // a fingerprint the user gave beforehand (mora-cli)
};

// The trust store and settings shared by a connection and its data connections.
class TlsContext {
  public:
    TlsContext();
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;
    ssl_ctx_st* Get() const { return ctx_; }

  private:
    ssl_ctx_st* ctx_ = nullptr;
};

class TlsChannel {
  public:
    TlsChannel() = default;
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // Makes `fd` non-blocking and shakes hands within `timeoutMs` with `host` (port `port`).
    // With `trust`, the certificate is judged as above; without it (an FTP data connection)
    // it must be the one `expectedFingerprint` names. `reuse` resumes that session. 0, or a
    // network error code with Message() saying why.
    int Start(int fd, const TlsContext& context, const std::string& host, uint16_t port,
              const TlsTrust* trust, const std::string& expectedFingerprint, ssl_session_st* reuse,
              int timeoutMs);

    // Sends all `count` bytes: 0 or a network error code.
    int SendAll(const void* data, size_t count, int timeoutMs);
    // At most `count` bytes once some are there: the number, 0 at the end, or minus an error.
    long ReceiveSome(void* data, size_t count, int timeoutMs);
    // Says goodbye (close_notify) without waiting for the answer.
    void Shutdown();

    // The server's certificate fingerprint ("AB:CD:...").
    const std::string& Fingerprint() const { return fingerprint_; }
    // A new reference to the session, for a data connection to resume (free with FreeSession).
    ssl_session_st* Session() const;
    static void FreeSession(ssl_session_st* session);
    bool Resumed() const;
    const std::string& Message() const { return message_; }

  private:
    int Fail(int code, const std::string& message);
    int Wait(int result, int timeoutMs);
    int Judge(const std::string& host, uint16_t port, const TlsTrust* trust,
              const std::string& expectedFingerprint);

    ssl_st* ssl_ = nullptr;
    int fd_ = -1;
    std::string fingerprint_;
    std::string message_;
};

// "host:port", with brackets around an IPv6 address: the name trusted-servers.txt uses.
std::string ServerName(const std::string& host, uint16_t port);

}  // namespace mora
