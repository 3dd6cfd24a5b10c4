#pragma once
// Our FTP client: one control connection, logged in and switched to binary type, and at most
// one data connection at a time (passive: EPSV, else PASV; active: EPRT, else PORT). Every wait
// is bounded by a time-out. A failing call returns false and leaves the network error code and
// the server's last reply for the caller to report. A secure client says AUTH TLS before it
// logs in and protects every data connection (PBSZ 0, PROT P), resuming the control
// connection's TLS session there as servers commonly demand; it never falls back to plain.

#include <cstdint>
#include <memory>
#include <string>

#include "net/ftp_reply.h"
#include "net/ftp_socket.h"

namespace mora {

struct FtpTimeouts {
    int connectMs = 30000;  // each attempt to open the control or a data connection
    int replyMs = 60000;    // each reply of the server
    int dataMs = 60000;     // each step of a data transfer without progress
};

class FtpClient {
  public:
    FtpClient() = default;
    ~FtpClient() { Close(); }
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    FtpTimeouts timeouts;
    // How a secure connection decides about a certificate no known authority vouches for.
    TlsTrust trust;

    // Connects, reads the greeting, (when `secure`) encrypts the control connection, logs in
    // and selects binary type. An empty user logs in as "anonymous".
    bool Connect(const std::string& host, uint16_t port, const std::string& user,
                 const std::string& password, bool passive, bool secure = false);
    bool IsConnected() const { return control_.IsOpen(); }
    // Says goodbye when it can and closes both connections.
    void Close();

    // Sends one command line and reads its reply (any code).
    bool Command(const std::string& line, FtpReply& reply);
    // REST: the next STOR or RETR starts at `offset`. False also when the server refuses.
    bool Rest(uint64_t offset);
    bool Delete(const std::string& path);
    // SIZE: false when the server cannot tell.
    bool Size(const std::string& path, uint64_t& size);

    // Opens a data connection and starts RETR (upload false) or STOR (upload true) of `path`.
    bool OpenTransfer(const std::string& path, bool upload);
    bool InTransfer() const { return inTransfer_; }
    // Receives up to `count` bytes: the number received, 0 at the end of the file, -1 on failure.
    long ReadData(void* buffer, size_t count);
    bool WriteData(const void* buffer, size_t count);
    // Closes the data connection and reads the server's verdict on the transfer. True only for
    // 226 or 250 after an upload or a download read to its end.
    bool FinishTransfer();

    // On a plain connection: whether the server lists AUTH TLS among its features.
    bool OffersTls();
    bool Secure() const { return control_.Tls() != nullptr; }
    const TlsChannel* ControlTls() const { return control_.Tls(); }

    int LastError() const { return error_; }
    // Why the last failure of the secure layer happened; empty after any other failure.
    const std::string& SecurityMessage() const { return securityMessage_; }
    const FtpReply& LastReply() const { return reply_; }
    bool Passive() const { return passive_; }

  private:
    bool Fail(int code);
    bool FailSecure(int code, std::string message);
    bool SecureControl();
    bool ProtectData();
    bool SecureData(FtpSocket& data);
    bool SendLine(const std::string& line);
    bool ReadReply(FtpReply& reply);
    bool OpenPassive(FtpSocket& data);
    bool OpenActive(FtpSocket& listener);
    void DropControl();

    FtpSocket control_;
    FtpSocket data_;
    FtpReplyParser parser_;
    FtpReply reply_;
    int error_ = 0;
    std::string securityMessage_;
    std::unique_ptr<TlsContext> tlsContext_;
    std::string host_;
    uint16_t port_ = 0;
    bool secure_ = false;
    bool passive_ = true;
    bool epsvRefused_ = false;
    bool eprtRefused_ = false;
    bool inTransfer_ = false;
    bool dataAtEnd_ = false;
};

}  // namespace mora
