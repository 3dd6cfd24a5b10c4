#include "net/server_scheme.h"

#include <algorithm>
#include <cctype>

namespace mora {
namespace {
struct SchemeEntry {
    const char* name;
    ServerTransport transport;
    uint16_t port;
};

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

template <size_t N>
ServerScheme Split(const std::string& server, const SchemeEntry (&schemes)[N], uint16_t plainPort) {
    ServerScheme result;
    result.defaultPort = plainPort;
    const std::string text = Trimmed(server);
    const size_t mark = text.find("://");
    if (mark == std::string::npos) {
        result.address = text;
        return result;
    }
    std::string name = text.substr(0, mark);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    result.schemeGiven = true;
    result.address = text.substr(mark + 3);
    // A trailing "/" (as in "ftps://host/") names no folder; the settings hold the folder.
    if (!result.address.empty() && result.address.back() == '/') result.address.pop_back();
    result.known = false;
    for (const SchemeEntry& s : schemes) {
        if (name == s.name) {
            result.transport = s.transport;
            result.defaultPort = s.port;
            result.known = true;
        }
    }
    return result;
}
}  // namespace

ServerScheme SplitFtpScheme(const std::string& server) {
    static const SchemeEntry kSchemes[] = {{"ftp", ServerTransport::Plain, 21},
                                           {"ftps", ServerTransport::ExplicitTls, 21}};
    return Split(server, kSchemes, 21);
}

ServerScheme SplitMailScheme(const std::string& server) {
    static const SchemeEntry kSchemes[] = {{"smtp", ServerTransport::Plain, 25},
                                           {"smtps", ServerTransport::ImplicitTls, 465},
                                           {"smtp+starttls", ServerTransport::StartTls, 587}};
    return Split(server, kSchemes, 25);
}

std::string UnknownSchemeText(const std::string& server) {
    return "Unknown kind of server in \"" + server + "\"";
}

}  // namespace mora
