#include "net/smtp_client.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <utility>

#include "net/email_mime.h"
#include "net/server_scheme.h"
#include "net/smtp_auth.h"
#include "platform/trace.h"
#include "platform/ui_services.h"

namespace mora {
namespace {
using Clock = std::chrono::steady_clock;

// Attachment data is encoded and sent in slices of this many input bytes (a whole number of
// lines), so a large write never needs a large buffer.
constexpr uint32_t kSliceBytes = 57 * 1024;

const char* RefusedRecipientText(int code) {
    switch (code) {
        case 550:
            return "recipient mailbox\nunavailable";
        case 551:
            return "user not local";
        case 552:
            return "recipient mailbox full";
        case 553:
            return "recipient not allowed,\nrelaying denied";
        case 450:
            return "recipient unavailable\nor busy";
        case 451:
            return "recipient not allowed, relaying denied";
        default:
            return nullptr;
    }
}

std::string FirstWord(const std::string& text) {
    size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos) return {};
    return text.substr(start, text.find(' ', start) - start);
}
}  // namespace

JStreamsmtp::~JStreamsmtp() {
    socket_.Close();
}

bool JStreamsmtp::Send(const std::string& text) {
    if (!socket_.IsValid()) return false;
    return socket_.Write(text.data(), static_cast<uint32_t>(text.size())) ==
           static_cast<int32_t>(text.size());
}

int JStreamsmtp::ReadReply() {
    reply_.Reset();
    const auto deadline = Clock::now() + std::chrono::milliseconds(socket_.ReceiveTimeout());
    char buffer[512];
    for (;;) {
        pending_.erase(0, reply_.Take(pending_.data(), pending_.size()));
        if (reply_.GetStatus() != SmtpReply::Status::incomplete) break;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !socket_.IsValid()) return 0;
        int32_t n = socket_.ReadWithin(buffer, sizeof buffer, static_cast<int>(left.count()));
        if (n <= 0) return 0;
        pending_.append(buffer, static_cast<size_t>(n));
    }
    return reply_.Code();
}

int JStreamsmtp::Command(const std::string& line) {
    if (!Send(line + "\r\n")) return 0;
    return ReadReply();
}

int JStreamsmtp::Refuse(std::string message) {
    Disconnect();
    securityMessage_ = std::move(message);
    Trace("smtp: %s", securityMessage_.c_str());
    return secureFailed;
}

bool JStreamsmtp::ReplyLists(const std::string& keyword) const {
    // Each line of the reply after "250-" or "250 ": the extension's name, then its arguments.
    std::string raw = reply_.Raw();
    for (char& c : raw) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (size_t at = raw.find(keyword); at != std::string::npos; at = raw.find(keyword, at + 1)) {
        const size_t end = at + keyword.size();
        const bool starts = at >= 4 && (raw[at - 1] == '-' || raw[at - 1] == ' ') &&
                            (at == 4 || raw[at - 5] == '\n');
        const bool ends = end == raw.size() || raw[end] == '\r' || raw[end] == ' ';
        if (starts && ends) return true;
    }
    return false;
}

int JStreamsmtp::Secure(const std::string& host, uint16_t port) {
    if (socket_.StartTls(host, port, trust) != 0) return Refuse(socket_.TlsMessage());
    pending_.clear();
    return loggedIn;
}

int JStreamsmtp::Connect(const std::string& server) {
    Disconnect();
    securityMessage_.clear();
    const ServerScheme scheme = SplitMailScheme(server);
    if (!scheme.known) return Refuse(UnknownSchemeText(server));
    std::string host;
    uint16_t port = kDefaultPort;
    if (!SplitHostPort(scheme.address, scheme.defaultPort, host, port) ||
        socket_.Connect(host, port) != 0) {
        return notFound;
    }
    const std::string name = ServerName(host, port);
    if (scheme.transport == ServerTransport::ImplicitTls) {
        if (int secured = Secure(host, port); secured != loggedIn) return secured;
    }
    if (ReadReply() != 220) {
        Trace("smtp: no response from server");
        Disconnect();
        return noGreeting;
    }
    Trace("smtp: server OK");
    if (scheme.transport == ServerTransport::StartTls) {
        if (Command("EHLO localdomain") != 250) {
            Disconnect();
            return heloRefused;
        }
        if (!ReplyLists("STARTTLS")) {
            return Refuse("The server " + name +
                          " does not offer STARTTLS; nothing was sent in clear.");
        }
        if (Command("STARTTLS") != 220) {
            return Refuse("The server " + name + " refused STARTTLS: " + reply_.LastText());
        }
        if (int secured = Secure(host, port); secured != loggedIn) return secured;
    }
    // AUTH needs the extended greeting; only a server that refuses EHLO gets HELO.
    const int ehlo = Command("EHLO localdomain");
    if (ehlo != 250 && (ehlo < 500 || Command("HELO localdomain") != 250)) {
        Trace("smtp: logging in ERROR");
        Disconnect();
        return heloRefused;
    }
    return loggedIn;
}

bool JStreamsmtp::OffersStartTls() {
    if (!socket_.IsValid() || socket_.Secure() || (state & open)) return false;
    return Command("EHLO localdomain") == 250 && ReplyLists("STARTTLS");
}

int JStreamsmtp::Open(const std::string& server) {
    int result = Connect(server);
    if (result == loggedIn) {
        Trace("smtp: logging in OK");
        loggedIn_ = true;
    }
    return result;
}

int JStreamsmtp::OpenAuth(const std::string& server, const std::string& user,
                          const std::string& password) {
    int result = Connect(server);
    if (result != loggedIn) return result;
    if (!Authenticate(user, password)) {
        Trace("smtp: logging in ERROR");
        Disconnect();
        return authFailed;
    }
    Trace("smtp: logging in OK");
    loggedIn_ = true;
    return loggedIn;
}

bool JStreamsmtp::Authenticate(const std::string& user, const std::string& password) {
    if (Command("AUTH CRAM-MD5") != 334) return false;
    const std::string challenge = FirstWord(reply_.LastText());
    const int answer = Command(CramMd5Response(user, password, challenge));
    if (answer == 235) return true;
    // Only a refusal of the answer itself leads to the LOGIN mechanism.
    if (answer != 535) return false;
    return Command("AUTH LOGIN") == 334 && Command(Base64Encode(user)) == 334 &&
           Command(Base64Encode(password)) == 235;
}

int JStreamsmtp::SendHeader(const std::string& recipient, const std::string& subject,
                            const std::string& sender, const std::string& bodyText,
                            const std::string& attachmentName) {
    if (state & open) EndMessage();
    state &= ~readMode;
    if (!loggedIn_) {
        Trace("smtp: not connected");
        state &= ~good;
        return kHeaderFailed;
    }
    if (!PlainAddress(sender) || Command("MAIL FROM: <" + sender + ">") != 250) {
        Trace("smtp: mail from ERROR");
        state &= ~good;
        return kHeaderFailed;
    }
    Trace("smtp: mail from OK");
    const int code = PlainAddress(recipient) ? Command("RCPT TO: <" + recipient + ">") : 0;
    if (code != 250 && code != 251) {
        Trace("smtp: recipient ERROR");
        state &= ~good;
        const char* text = RefusedRecipientText(code);
        Ui().MessageBox("Error", text ? text : "recipient error", MsgIcon::Error, MsgButtons::Ok);
        return text ? code : kHeaderFailed;
    }
    Trace("smtp: recipient OK");
    if (Command("DATA") != 354) {
        state &= ~good;
        return kHeaderFailed;
    }
    Trace("smtp: data OK");
    MailHeader header{recipient, subject, sender};
    boundary_ = NewMimeBoundary(bodyText);
    if (!Send(MessageHead(header, bodyText, attachmentName, true, boundary_))) {
        state &= ~good;
        return kHeaderFailed;
    }
    encoder_.Reset();
    state |= good | open;
    return 0;
}

int32_t JStreamsmtp::Write(const void* bytes, uint32_t count) {
    if ((state & (good | open | readMode)) != (good | open)) return 0;
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    for (uint32_t done = 0; done < count;) {
        const uint32_t slice = std::min(kSliceBytes, count - done);
        encoded_.clear();
        encoder_.Encode(p + done, slice, encoded_);
        if (!Send(encoded_)) {
            state &= ~good;
            return 0;
        }
        done += slice;
    }
    return static_cast<int32_t>(count);
}

void JStreamsmtp::StartAttachment(const std::string& attachmentName) {
    if ((state & (good | open)) != (good | open)) return;
    encoded_.clear();
    encoder_.Flush(encoded_);
    encoded_ += AttachmentHead(attachmentName, boundary_);
    if (!Send(encoded_)) state &= ~good;
    encoder_.Reset();
    encoded_.clear();
    encoded_.shrink_to_fit();
}

void JStreamsmtp::EndMessage() {
    if ((state & (good | open)) == (good | open)) {
        encoded_.clear();
        encoder_.Flush(encoded_);
        encoded_ += MessageTail(true, boundary_);
        if (Send(encoded_) && ReadReply() == 250) {
            Trace("smtp: message send OK");
        } else {
            Trace("smtp: message send ERROR");
            state &= ~good;
        }
        encoded_.clear();
        encoded_.shrink_to_fit();
    }
    state &= ~open;
}

void JStreamsmtp::Disconnect() {
    loggedIn_ = false;
    const bool inMessage = (state & open) != 0;
    if (socket_.IsValid()) {
        Trace("smtp: disconnect");
        // A server that stopped answering, a broken connection or one still inside the data of
        // a message (which the server then discards) gets no goodbye.
        if (socket_.IsGood() && !inMessage && Send("quit\r\n")) ReadReply();
        socket_.Close();
    }
    // A message left unfinished was not sent.
    if (inMessage) state &= ~(good | open);
    pending_.clear();
}

}  // namespace mora
