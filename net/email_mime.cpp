#include "net/email_mime.h"

namespace mora {
namespace {
const std::string kBoundary = kMimeBoundary;

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
}  // namespace

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
                        const std::string& attachmentName, bool forSmtp) {
    std::string out;
    out += Line("From: " + OneLine(header.sender));
    out += Line("To: " + OneLine(header.recipient));
    out += Line("Subject: " + OneLine(header.subject));
    out += Line("MIME-Version: 1.0");
    out += Line("Content-Type: multipart/mixed; BOUNDARY=\"" + kBoundary + "\"");
    out += "\r\n--" + kBoundary + "\r\n";
    out += Line("Content-Type: text/plain");
    out += "\r\n";
    out += BodyText(body, forSmtp);
    out += "\r\n";
    out += AttachmentHead(attachmentName);
    return out;
}

std::string AttachmentHead(const std::string& attachmentName) {
    const std::string name = Quoted(attachmentName);
    std::string out = "\r\n--" + kBoundary + "\r\n";
    out += Line("Content-Type: application/octet-stream; name=\"" + name + "\"");
    out += Line("Content-Transfer-Encoding: base64");
    out += Line("Content-Disposition: attachment; filename=\"" + name + "\"");
    out += "\r\n";
    return out;
}

std::string MessageTail(bool forSmtp) {
    std::string out = "\r\n--" + kBoundary + "\r\n";
    out += "\r\n--" + kBoundary + "--\r\n";
    out += "\r\n\r\n";
    // The end-of-data line; the line end before it already belongs to the message.
    if (forSmtp) out += ".\r\n";
    return out;
}

}  // namespace mora
