#pragma once
// The SMTP client: logs in (optionally with CRAM-MD5, falling back to LOGIN), sends one sender,
// one recipient and a MIME message whose attachments are written into it as raw bytes and
// streamed out in base64. Every operation blocks; each reply is awaited at most the receive
// time-out, the TLS handshake too. "smtps://" speaks TLS from the start, "smtp+starttls://"
// says EHLO, STARTTLS, and EHLO again; neither ever falls back to plain.

#include <cstdint>
#include <string>

#include "net/email_base64.h"
#include "net/smtp_reply.h"
#include "net/socket_stream.h"

namespace mora {

class JStreamsmtp : public JStream {
  public:
    static constexpr uint16_t kDefaultPort = 25;

    // Results of Open and OpenAuth.
    // secureFailed: encryption was asked for and could not be had (SecurityMessage() says why).
    enum OpenResult {
        loggedIn = 0,
        heloRefused = 1,
        noGreeting = 2,
        notFound = 3,
        authFailed = 4,
        secureFailed = 5
    };
    // SendHeader's result for failures other than a refused recipient.
    static constexpr int kHeaderFailed = 1;

    JStreamsmtp() = default;
    ~JStreamsmtp() override;

    // `server` is "host" (port 25) or "host:port", optionally after a scheme (see
    // SplitMailScheme).
    int Open(const std::string& server);
    int OpenAuth(const std::string& server, const std::string& user, const std::string& password);
    // Sends the envelope, the headers, the body and the head of the first attachment part.
    // 0: the part is open for data; 550, 551, 552, 553, 450, 451: the recipient was refused
    // with that code (the user has been told); 1: any other failure.
    int SendHeader(const std::string& recipient, const std::string& subject,
                   const std::string& sender, const std::string& bodyText,
                   const std::string& attachmentName);
    // Ends the current attachment part and opens the next. Does nothing after a failure.
    void StartAttachment(const std::string& attachmentName);
    int32_t Read(void*, uint32_t) override { return 0; }
    // Encodes and sends attachment data; returns `count`, or 0 when nothing could be sent.
    int32_t Write(const void* bytes, uint32_t count) override;
    // Closes the message; good stays set only when the server accepted it.
    void EndMessage();
    // Says goodbye and closes the connection.
    void Disconnect();

    // On a plain connection: whether the server offers STARTTLS (asks with EHLO).
    bool OffersStartTls();
    bool Secure() const { return socket_.Secure(); }
    const std::string& SecurityMessage() const { return securityMessage_; }
    // How a secure connection decides about certificates no known authority vouches for.
    TlsTrust trust;

    bool IsLoggedIn() const { return loggedIn_; }
    bool IsConnected() const { return socket_.IsValid(); }
    void SetReceiveTimeout(int milliseconds) { socket_.SetReceiveTimeout(milliseconds); }

  private:
    int Connect(const std::string& server);
    int Secure(const std::string& host, uint16_t port);
    int Refuse(std::string message);
    bool ReplyLists(const std::string& keyword) const;
    bool Authenticate(const std::string& user, const std::string& password);
    // Reads one whole reply within the receive time-out; its code, or 0 when none came.
    int ReadReply();
    int Command(const std::string& line);
    bool Send(const std::string& text);

    JStreamSocket socket_;
    SmtpReply reply_;
    std::string pending_;  // received bytes that follow the last reply
    Base64Stream encoder_;
    std::string encoded_;
    std::string boundary_;  // of the message being written
    std::string securityMessage_;
    bool loggedIn_ = false;
};

}  // namespace mora
