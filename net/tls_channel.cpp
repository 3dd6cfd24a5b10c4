#include "net/tls_channel.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "net/ftp_socket.h"
#include "net/trusted_servers.h"
#include "platform/trace.h"
#include "platform/ui_services.h"

namespace mora {
namespace {
using Clock = std::chrono::steady_clock;

int WaitFd(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        int n = ::poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
        if (n > 0) return 0;
        if (n == 0) return kNetTimeout;
        if (errno != EINTR) return kNetConnectionLost;
    }
}

bool IsAddress(const std::string& host) {
    unsigned char buffer[16];
    return ::inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

// What OpenSSL last complained about, for the user's message.
std::string OpenSslReason() {
    unsigned long code = ERR_peek_last_error();
    ERR_clear_error();
    if (code == 0) return "the server ended the connection";
    const char* reason = ERR_reason_error_string(code);
    return reason ? reason : "error " + std::to_string(code);
}

std::string CertificateFingerprint(ssl_st* ssl) {
    X509* certificate = SSL_get1_peer_certificate(ssl);
    if (!certificate) return {};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    std::string result;
    if (X509_digest(certificate, EVP_sha256(), digest, &length) == 1) {
        char hex[4];
        for (unsigned i = 0; i < length; ++i) {
            std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : ":%02X", digest[i]);
            result += hex;
        }
    }
    X509_free(certificate);
    return result;
}

int RemainingMs(Clock::time_point deadline) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
}
}  // namespace

std::string ServerName(const std::string& host, uint16_t port) {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

TlsContext::TlsContext() {
    ctx_ = SSL_CTX_new(TLS_client_method());
    if (!ctx_) return;
    SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
    // The system's authorities (SSL_CERT_FILE and SSL_CERT_DIR may point elsewhere). The
    // handshake itself never stops on a certificate: the verdict is taken once it is over and
    // before anything of ours is sent, so that a fingerprint can still be offered to the user.
    SSL_CTX_set_default_verify_paths(ctx_);
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_mode(ctx_, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // Many FTP servers close data connections without a goodbye; the transfer's end is judged
    // by the control connection's reply.
    SSL_CTX_set_options(ctx_, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_session_cache_mode(ctx_, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL);
}

TlsContext::~TlsContext() {
    SSL_CTX_free(ctx_);
}

TlsChannel::~TlsChannel() {
    SSL_free(ssl_);
}

int TlsChannel::Fail(int code, const std::string& message) {
    message_ = message;
    Trace("TLS: %s", message.c_str());
    return code;
}

int TlsChannel::Wait(int result, int timeoutMs) {
    switch (SSL_get_error(ssl_, result)) {
        case SSL_ERROR_WANT_READ:
            return WaitFd(fd_, POLLIN, timeoutMs);
        case SSL_ERROR_WANT_WRITE:
            return WaitFd(fd_, POLLOUT, timeoutMs);
        case SSL_ERROR_ZERO_RETURN:
        case SSL_ERROR_SYSCALL:
            return kNetConnectionLost;
        default:
            return kNetSecureFailure;
    }
}

int TlsChannel::Start(int fd, const TlsContext& context, const std::string& host, uint16_t port,
                      const TlsTrust* trust, const std::string& expectedFingerprint,
                      ssl_session_st* reuse, int timeoutMs) {
    const std::string name = ServerName(host, port);
    SSL_free(ssl_);
    fd_ = fd;
    ssl_ = context.Get() ? SSL_new(context.Get()) : nullptr;
    if (!ssl_ || SSL_set_fd(ssl_, fd) != 1) {
        return Fail(kNetSecureFailure, "No secure connection to " + name + " can be made.");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
    if (IsAddress(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), host.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl_, host.c_str());
        SSL_set1_host(ssl_, host.c_str());
    }
    if (reuse) SSL_set_session(ssl_, reuse);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ERR_clear_error();
        const int result = SSL_connect(ssl_);
        if (result == 1) break;
        const int wait = Wait(result, RemainingMs(deadline));
        if (wait == kNetTimeout) {
            return Fail(kNetTimeout, "The secure connection to " + name + " was not made in time.");
        }
        if (wait != 0) {
            return Fail(kNetSecureFailure,
                        "The secure connection to " + name + " failed: " + OpenSslReason() + ".");
        }
    }
    return Judge(host, port, trust, expectedFingerprint);
}

int TlsChannel::Judge(const std::string& host, uint16_t port, const TlsTrust* trust,
                      const std::string& expectedFingerprint) {
    const std::string name = ServerName(host, port);
    fingerprint_ = CertificateFingerprint(ssl_);
    if (fingerprint_.empty()) {
        return Fail(kNetCertificateRefused, "The server " + name + " showed no certificate.");
    }
    if (!trust) {
        if (fingerprint_ == expectedFingerprint) return 0;
        return Fail(kNetCertificateRefused,
                    "The data connection of " + name + " showed another certificate.");
    }
    const long verdict = SSL_get_verify_result(ssl_);
    if (verdict == X509_V_OK) return 0;
    const std::string reason = X509_verify_cert_error_string(verdict);
    const std::string given = NormalizeFingerprint(trust->acceptFingerprint);
    if (!trust->acceptFingerprint.empty()) {
        // The user named the certificate to expect: that one, and only that one, is trusted.
        if (given == fingerprint_) {
            TrustFingerprint(name, fingerprint_);
            return 0;
        }
        return Fail(kNetCertificateRefused, "The certificate of " + name +
                                                " is not the one given: its SHA-256 fingerprint "
                                                "is " +
                                                fingerprint_ + ".");
    }
    if (const auto trusted = TrustedFingerprint(name)) {
        if (*trusted == fingerprint_) return 0;
        return Fail(kNetCertificateRefused,
                    "The certificate of " + name + " has changed since it was trusted.\n" +
                        "Now: " + fingerprint_ + "\nTrusted: " + *trusted +
                        "\nThe connection was refused. If the change is expected, remove the "
                        "server from " +
                        kTrustedServersFile + " and trust it again.");
    }
    if (trust->askUser && Ui().TrustServer(name, fingerprint_, reason)) {
        if (!TrustFingerprint(name, fingerprint_)) {
            Trace("TLS: %s trusted for this connection only", name.c_str());
        }
        return 0;
    }
    return Fail(kNetCertificateRefused, "The certificate of " + name + " cannot be verified (" +
                                            reason + ").\nSHA-256 fingerprint: " + fingerprint_);
}

int TlsChannel::SendAll(const void* data, size_t count, int timeoutMs) {
    if (!ssl_) return kNetConnectionLost;
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        size_t sent = 0;
        ERR_clear_error();
        const int result = SSL_write_ex(ssl_, p, count, &sent);
        if (result == 1) {
            p += sent;
            count -= sent;
            continue;
        }
        if (int wait = Wait(result, timeoutMs); wait != 0) return wait;
    }
    return 0;
}

long TlsChannel::ReceiveSome(void* data, size_t count, int timeoutMs) {
    if (!ssl_) return -kNetConnectionLost;
    for (;;) {
        size_t got = 0;
        ERR_clear_error();
        const int result = SSL_read_ex(ssl_, data, count, &got);
        if (result == 1) return static_cast<long>(got);
        if (SSL_get_error(ssl_, result) == SSL_ERROR_ZERO_RETURN) return 0;
        if (int wait = Wait(result, timeoutMs); wait != 0) return -wait;
    }
}

void TlsChannel::Shutdown() {
    if (ssl_ && SSL_is_init_finished(ssl_)) {
        ERR_clear_error();
        SSL_shutdown(ssl_);
    }
}

ssl_session_st* TlsChannel::Session() const {
    return ssl_ ? SSL_get1_session(ssl_) : nullptr;
}

void TlsChannel::FreeSession(ssl_session_st* session) {
    SSL_SESSION_free(session);
}

bool TlsChannel::Resumed() const {
    return ssl_ && SSL_session_reused(ssl_) == 1;
}

}  // namespace mora
