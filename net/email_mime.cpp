#include "net/email_mime.h"

#include <random>

namespace mora {
namespace {
constexpr size_t kMaxLine = 998;  // octets of a mail line without its CR LF
constexpr size_t kQpLine = 76;

// A file name inside a quoted header parameter.
std::string Quoted(const std::string& name) {
    std::string out;
    for (char c : OneLine(name)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::string Line(const std::string& text) {
    return text + "\r\n";
}

bool HasLongLine(const std::string& body) {
    size_t run = 0;
    for (char c : body) {
        run = (c == '\r' || c == '\n') ? 0 : run + 1;
        if (run > kMaxLine) return true;
    }
    return false;
}
}  // namespace

std::string NewMimeBoundary(const std::string& body) {
    std::random_device random;
    for (;;) {
        std::string boundary = "Mora-";
        for (int i = 0; i < 24; ++i) boundary += "0123456789abcdef"[random() & 15];
        if (body.find(boundary) == std::string::npos) return boundary;
    }
}

bool PlainAddress(const std::string& address) {
    return address.find_first_of(std::string("<>\r\n\0", 5)) == std::string::npos;
}

std::string QuotedPrintable(const std::string& body) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string text = BodyText(body, false);
    std::string out;
    size_t column = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\r\n";
            column = 0;
            ++i;
            continue;
        }
        const bool atLineEnd = i + 1 == text.size() || text[i + 1] == '\r';
        const bool literal =
            (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !atLineEnd);
        const size_t width = literal ? 1 : 3;
        // A soft line break keeps every line within 76 octets, its '=' included.
        if (column + width > kQpLine - 1) {
            out += "=\r\n";
            column = 0;
        }
        if (literal) {
            out += static_cast<char>(c);
        } else {
            out += '=';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
        column += width;
    }
    return out;
}

std::string OneLine(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

std::string BodyText(const std::string& body, bool forSmtp) {
    std::string out;
    out.reserve(body.size() + body.size() / 32 + 2);
    bool lineStart = true;
    for (size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n') ++i;
            out += "\r\n";
            lineStart = true;
            continue;
        }
        if (lineStart && c == '.' && forSmtp) out += '.';
        out += c;
        lineStart = false;
    }
    return out;
}

std::string MessageHead(const MailHeader& header, const std::string& body,
                        const std::string& attachmentName, bool forSmtp,
                        const std::string& boundary) {
    std::string out;
    out += Line("From: " + OneLine(header.sender));
    out += Line("To: " + OneLine(header.recipient));
    out += Line("Subject: " + OneLine(header.subject));
    out += Line("MIME-Version: 1.0");
    out += Line("Content-Type: multipart/mixed; BOUNDARY=\"" + boundary + "\"");
    out += "\r\n--" + boundary + "\r\n";
    out += Line("Content-Type: text/plain; charset=UTF-8");
    if (HasLongLine(body)) {
        out += Line("Content-Transfer-Encoding: quoted-printable");
        out += "\r\n";
        out += BodyText(QuotedPrintable(body), forSmtp);
    } else {
        out += "\r\n";
        out += BodyText(body, forSmtp);
    }
    out += "\r\n";
    out += AttachmentHead(attachmentName, boundary);
    return out;
}

std::string AttachmentHead(const std::string& attachmentName, const std::string& boundary) {
    const std::string name = Quoted(attachmentName);
    std::string out = "\r\n--" + boundary + "\r\n";
    out += Line("Content-Type: application/octet-stream; name=\"" + name + "\"");
    out += Line("Content-Transfer-Encoding: base64");
    out += Line("Content-Disposition: attachment; filename=\"" + name + "\"");
    out += "\r\n";
    return out;
}

std::string MessageTail(bool forSmtp, const std::string& boundary) {
    std::string out = "\r\n--" + boundary + "\r\n";
    out += "\r\n--" + boundary + "--\r\n";
    out += "\r\n\r\n";
    // The end-of-data line; the line end before it already belongs to the message.
    if (forSmtp) out += ".\r\n";
    return out;
}

}  // namespace mora
