#pragma once
// The transport a server text asks for. The server fields stay plain strings: a scheme prefix
// chooses encryption ("ftps://host", "smtps://host:465", "smtp+starttls://host"), while "ftp://"
// and a bare host keep the unencrypted connection of old.

#include <cstdint>
#include <string>

namespace mora {

enum class ServerTransport {
    Plain,
    ExplicitTls,  // FTP: AUTH TLS on the control connection, PROT P on every data connection
    ImplicitTls,  // SMTP: TLS from the first byte
    StartTls,     // SMTP: STARTTLS after EHLO
};

struct ServerScheme {
    ServerTransport transport = ServerTransport::Plain;
    std::string address;  // what follows the scheme: "host", "host:port" or "[v6]:port"
    uint16_t defaultPort = 0;
    bool schemeGiven = false;  // the text named a scheme (plain "ftp://" included)
    bool known = true;         // false for a scheme this kind of server does not speak

    bool Encrypted() const { return transport != ServerTransport::Plain; }
};

// "ftp://" and "ftps://" (default port 21); anything else before "://" is unknown.
ServerScheme SplitFtpScheme(const std::string& server);
// "smtp://" (25), "smtps://" (465) and "smtp+starttls://" (587); a bare host uses port 25.
ServerScheme SplitMailScheme(const std::string& server);

// The text an unknown scheme is refused with.
std::string UnknownSchemeText(const std::string& server);

}  // namespace mora
