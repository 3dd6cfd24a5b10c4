#include "net/ftp_client.h"

#include <netinet/in.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/trace.h"

namespace mora {
namespace {
constexpr int kBadName = 12005;  // a name the protocol cannot carry (line breaks)
constexpr int kQuitWaitMs = 2000;
// A server may ask for patience with "120" before its greeting, but not without end.
constexpr int kMaxWaitReplies = 5;
using Clock = std::chrono::steady_clock;

bool Carries(const std::string& text) {
    return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

bool IsPreliminary(int code) {
    return code >= 100 && code < 200;
}
}  // namespace

bool FtpClient::Fail(int code) {
    error_ = code;
    securityMessage_.clear();
    return false;
}

bool FtpClient::FailSecure(int code, std::string message) {
    DropControl();
    error_ = code;
    securityMessage_ = std::move(message);
    return false;
}

bool FtpClient::SecureControl() {
    const std::string name = ServerName(host_, port_);
    FtpReply reply;
    if (!Command("AUTH TLS", reply)) return false;
    if (reply.code != 234) {
        return FailSecure(kNetSecureFailure, "The server " + name + " offers no encryption (" +
                                                 std::to_string(reply.code) + " " + reply.text +
                                                 ").");
    }
    // Nothing sent in clear after the server's consent may be taken for a reply.
    parser_.Reset();
    tlsContext_ = std::make_unique<TlsContext>();
    if (int result =
            control_.StartTls(*tlsContext_, host_, port_, &trust, {}, nullptr, timeouts.connectMs);
        result != 0) {
        return FailSecure(result, control_.Tls()->Message());
    }
    return true;
}

bool FtpClient::ProtectData() {
    FtpReply reply;
    if (!Command("PBSZ 0", reply)) return false;
    if (reply.code == 200 && !Command("PROT P", reply)) return false;
    if (reply.code != 200) {
        return FailSecure(kNetSecureFailure, "The server " + ServerName(host_, port_) +
                                                 " does not protect its data connections (" +
                                                 std::to_string(reply.code) + " " + reply.text +
                                                 ").");
    }
    return true;
}

bool FtpClient::SecureData(FtpSocket& data) {
    ssl_session_st* session = control_.Tls()->Session();
    const int result = data.StartTls(*tlsContext_, host_, port_, nullptr,
                                     control_.Tls()->Fingerprint(), session, timeouts.connectMs);
    TlsChannel::FreeSession(session);
    // The server owes a verdict on a transfer that cannot go on; the dialogue is out of step.
    if (result != 0) return FailSecure(result, data.Tls()->Message());
    Trace("FTP data connection secured%s", data.Tls()->Resumed() ? ", session resumed" : "");
    return true;
}

bool FtpClient::OffersTls() {
    FtpReply reply;
    if (Secure() || !Command("FEAT", reply) || reply.code != 211) return false;
    std::string text = reply.text;
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text.find("AUTH TLS") != std::string::npos || text.find("AUTH SSL") != std::string::npos;
}

void FtpClient::DropControl() {
    data_.Close();
    control_.Close();
    parser_.Reset();
    inTransfer_ = false;
}

bool FtpClient::SendLine(const std::string& line) {
    if (!control_.IsOpen()) return Fail(kNetConnectionLost);
    Trace("FTP > %s", line.compare(0, 5, "PASS ") == 0 ? "PASS ****" : line.c_str());
    const std::string wire = line + "\r\n";
    if (int result = control_.SendAll(wire.data(), wire.size(), timeouts.replyMs); result != 0) {
        DropControl();
        return Fail(result);
    }
    return true;
}

bool FtpClient::ReadReply(FtpReply& reply) {
    if (!control_.IsOpen()) return Fail(kNetConnectionLost);
    char buffer[4096];
    // The whole reply must come within the reply time: a server that trickles it byte by byte
    // cannot hold the program for longer.
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeouts.replyMs);
    for (;;) {
        switch (parser_.Next(reply)) {
            case FtpReplyParser::Result::Reply:
                reply_ = reply;
                Trace("FTP < %d %s", reply.code, reply.text.c_str());
                return true;
            case FtpReplyParser::Result::Bad:
                DropControl();
                return Fail(kNetBadReply);
            case FtpReplyParser::Result::NeedMore:
                break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        long n = left > 0 ? control_.ReceiveSome(buffer, sizeof buffer, static_cast<int>(left))
                          : -kNetTimeout;
        if (n <= 0) {
            // A reply that does not come leaves the dialogue out of step: give up the connection.
            DropControl();
            return Fail(n == 0 ? kNetConnectionLost : static_cast<int>(-n));
        }
        parser_.Feed(buffer, static_cast<size_t>(n));
    }
}

bool FtpClient::Command(const std::string& line, FtpReply& reply) {
    if (!Carries(line)) return Fail(kBadName);
    return SendLine(line) && ReadReply(reply);
}

bool FtpClient::Connect(const std::string& host, uint16_t port, const std::string& user,
                        const std::string& password, bool passive, bool secure) {
    Close();
    error_ = 0;
    securityMessage_.clear();
    host_ = host;
    port_ = port;
    secure_ = secure;
    reply_ = FtpReply{};
    passive_ = passive;
    epsvRefused_ = eprtRefused_ = false;
    if (!Carries(user) || !Carries(password)) return Fail(kBadName);
    if (int result = control_.ConnectHost(host, port, timeouts.connectMs); result != 0) {
        return Fail(result);
    }
    FtpReply reply;
    int waits = 0;
    do {
        if (!ReadReply(reply)) return false;
    } while (reply.code == 120 && ++waits <= kMaxWaitReplies);  // "ready in a few minutes"
    if (reply.code != 220) {
        DropControl();
        return Fail(kNetExtendedError);
    }
    if (secure_ && !SecureControl()) return false;
    if (!Command("USER " + (user.empty() ? std::string("anonymous") : user), reply)) return false;
    if (reply.code == 331) {
        if (!Command("PASS " + password, reply)) return false;
        if (reply.code != 230 && reply.code != 202) {
            DropControl();
            return Fail(reply.code == 530 ? kNetIncorrectPassword : kNetExtendedError);
        }
    } else if (reply.code != 230) {
        DropControl();
        return Fail(reply.code == 530 ? kNetIncorrectUser : kNetExtendedError);
    }
    if (secure_ && !ProtectData()) return false;
    if (!Command("TYPE I", reply)) return false;
    if (reply.code != 200) {
        DropControl();
        return Fail(kNetExtendedError);
    }
    return true;
}

void FtpClient::Close() {
    if (control_.IsOpen() && !inTransfer_) {
        const int saved = timeouts.replyMs;
        timeouts.replyMs = std::min(saved, kQuitWaitMs);
        FtpReply reply;
        if (SendLine("QUIT")) ReadReply(reply);
        timeouts.replyMs = saved;
    }
    DropControl();
}

bool FtpClient::Rest(uint64_t offset) {
    FtpReply reply;
    if (!Command("REST " + std::to_string(offset), reply)) return false;
    return reply.code == 350 || Fail(kNetExtendedError);
}

bool FtpClient::Delete(const std::string& path) {
    FtpReply reply;
    if (!Command("DELE " + path, reply)) return false;
    return reply.code == 250 || Fail(kNetExtendedError);
}

bool FtpClient::Size(const std::string& path, uint64_t& size) {
    FtpReply reply;
    if (!Command("SIZE " + path, reply)) return false;
    if (reply.code != 213 || reply.text.empty() ||
        reply.text.find_first_not_of("0123456789") != std::string::npos || reply.text.size() > 19) {
        return Fail(kNetExtendedError);
    }
    size = std::stoull(reply.text);
    return true;
}

bool FtpClient::OpenPassive(FtpSocket& data) {
    FtpAddress peer;
    if (!control_.PeerAddress(peer)) {
        DropControl();
        return Fail(kNetConnectionLost);
    }
    FtpReply reply;
    uint16_t port = 0;
    bool named = false;
    if (!epsvRefused_) {
        if (!Command("EPSV", reply)) return false;
        if (reply.code == 229) {
            named = ParseEpsvReply(reply.text, port);
            if (!named) return Fail(kNetBadReply);
        } else if (reply.code >= 500) {
            epsvRefused_ = true;
        } else {
            return Fail(kNetExtendedError);
        }
    }
    if (!named) {
        if (peer.Family() != AF_INET) return Fail(kNetExtendedError);  // PASV speaks IPv4 only
        if (!Command("PASV", reply)) return false;
        if (reply.code != 227) return Fail(kNetExtendedError);
        uint8_t ignored[4];
        if (!ParsePasvReply(reply.text, ignored, port)) return Fail(kNetBadReply);
    }
    // Whatever address the server names, the data goes to the host we are talking to: this
    // keeps a server from steering our connections elsewhere.
    peer.SetPort(port);
    if (int result = data.ConnectAddress(peer, timeouts.connectMs); result != 0) {
        return Fail(result);
    }
    return true;
}

bool FtpClient::OpenActive(FtpSocket& listener) {
    FtpAddress local;
    if (!control_.LocalAddress(local)) {
        DropControl();
        return Fail(kNetConnectionLost);
    }
    if (int result = listener.Listen(local); result != 0) return Fail(result);
    FtpAddress bound;
    if (!listener.LocalAddress(bound)) return Fail(kNetCannotConnect);
    const uint16_t port = bound.Port();
    FtpReply reply;
    if (!eprtRefused_) {
        const char* family = bound.Family() == AF_INET6 ? "2" : "1";
        if (!Command("EPRT |" + std::string(family) + "|" + bound.Host() + "|" +
                         std::to_string(port) + "|",
                     reply)) {
            return false;
        }
        if (reply.code == 200) return true;
        if (reply.code < 500) return Fail(kNetExtendedError);
        eprtRefused_ = true;
    }
    if (bound.Family() != AF_INET) return Fail(kNetExtendedError);
    std::string hostPart = bound.Host();
    std::replace(hostPart.begin(), hostPart.end(), '.', ',');
    if (!Command("PORT " + hostPart + "," + std::to_string(port >> 8) + "," +
                     std::to_string(port & 0xff),
                 reply)) {
        return false;
    }
    return reply.code == 200 || Fail(kNetExtendedError);
}

bool FtpClient::OpenTransfer(const std::string& path, bool upload) {
    if (inTransfer_) return Fail(kNetExtendedError);
    if (!control_.IsOpen()) return Fail(kNetConnectionLost);
    if (!Carries(path)) return Fail(kBadName);
    FtpSocket data;
    FtpSocket listener;
    if (passive_ ? !OpenPassive(data) : !OpenActive(listener)) return false;
    FtpReply reply;
    if (!Command((upload ? "STOR " : "RETR ") + path, reply)) return false;
    if (!IsPreliminary(reply.code)) return Fail(kNetExtendedError);
    if (!passive_) {
        if (int result = listener.Accept(data, timeouts.connectMs); result != 0) {
            // The server owes us a verdict on a transfer that never began; we cannot wait.
            DropControl();
            return Fail(result);
        }
        // Only the server itself may bring the data.
        FtpAddress server, caller;
        if (!control_.PeerAddress(server) || !data.PeerAddress(caller) ||
            server.Host() != caller.Host()) {
            DropControl();
            return Fail(kNetCannotConnect);
        }
    }
    if (secure_ && !SecureData(data)) return false;
    data_ = std::move(data);
    inTransfer_ = true;
    dataAtEnd_ = false;
    return true;
}

long FtpClient::ReadData(void* buffer, size_t count) {
    if (!inTransfer_ || !data_.IsOpen()) {
        error_ = kNetConnectionLost;
        return -1;
    }
    if (dataAtEnd_ || count == 0) return 0;
    long n = data_.ReceiveSome(buffer, count, timeouts.dataMs);
    if (n < 0) {
        error_ = static_cast<int>(-n);
        data_.Close();
        return -1;
    }
    if (n == 0) dataAtEnd_ = true;
    return n;
}

bool FtpClient::WriteData(const void* buffer, size_t count) {
    if (!inTransfer_ || !data_.IsOpen()) return Fail(kNetConnectionLost);
    if (int result = data_.SendAll(buffer, count, timeouts.dataMs); result != 0) {
        data_.Close();
        return Fail(result);
    }
    return true;
}

bool FtpClient::FinishTransfer() {
    if (!inTransfer_) return true;
    data_.CloseGracefully(timeouts.dataMs);
    inTransfer_ = false;
    FtpReply reply;
    if (!ReadReply(reply)) return false;
    return reply.code == 226 || reply.code == 250 || Fail(kNetExtendedError);
}

}  // namespace mora
