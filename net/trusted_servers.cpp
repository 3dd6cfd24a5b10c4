#include "net/trusted_servers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/program_dir.h"
#include "platform/trace.h"

namespace mora {
namespace {
constexpr size_t kFingerprintBytes = 32;

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// The server and fingerprint of a line; false for a line that is neither.
bool SplitLine(const std::string& line, std::string& server, std::string& fingerprint) {
    std::istringstream fields(line);
    std::string extra;
    if (!(fields >> server >> fingerprint) || (fields >> extra)) return false;
    fingerprint = NormalizeFingerprint(fingerprint);
    return !fingerprint.empty();
}
}  // namespace

std::string NormalizeFingerprint(const std::string& text) {
    std::string hex;
    for (char c : text) {
        if (c == ':') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
        hex += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (hex.size() != kFingerprintBytes * 2) return {};
    std::string result;
    for (size_t i = 0; i < hex.size(); i += 2) {
        if (i > 0) result += ':';
        result += hex.substr(i, 2);
    }
    return result;
}

std::optional<std::string> TrustedFingerprint(const std::string& server) {
    for (const std::string& line : ReadLines(ProgramFile(kTrustedServersFile))) {
        std::string name, fingerprint;
        if (SplitLine(line, name, fingerprint) && name == server) return fingerprint;
    }
    return std::nullopt;
}

bool TrustFingerprint(const std::string& server, const std::string& fingerprint) {
    const std::string path = ProgramFile(kTrustedServersFile);
    std::string text;
    for (const std::string& line : ReadLines(path)) {
        std::string name, old;
        if (SplitLine(line, name, old) && name == server) continue;
        text += line + "\n";
    }
    text += server + " " + NormalizeFingerprint(fingerprint) + "\n";
    // Written beside the file and renamed over it, so a failure never loses the trusted ones;
    // created owner-only because it decides whom the passwords are sent to.
    const std::string temporary = path + ".tmp";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        Trace("trusted servers: cannot write %s", temporary.c_str());
        return false;
    }
    ::fchmod(fd, 0600);
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace mora
