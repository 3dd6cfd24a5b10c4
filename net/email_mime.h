#pragma once
// The layout of one Mora e-mail: headers, a plain-text part with the body, then one base64 part
// per attachment, and the closing boundary after a final empty part. The same bytes go to the
// SMTP server (with the body made transparent for the DATA phase and the end-of-data line) and
// into an outbox file.

#include <string>

namespace mora {

constexpr char kMimeBoundary[] = "JStreamSmtp";

struct MailHeader {
    std::string recipient;
    std::string subject;
    std::string sender;
};

// A header value or protocol argument on one line: line breaks become blanks, so no value can
// start another header or command.
std::string OneLine(const std::string& text);

// The body with CR LF line ends (bare LF or CR become CR LF); with `forSmtp` a line starting
// with "." gets a second one, so the DATA phase cannot end inside the text.
std::string BodyText(const std::string& body, bool forSmtp);

// Headers, the text part and the head of the first attachment part.
std::string MessageHead(const MailHeader& header, const std::string& body,
                        const std::string& attachmentName, bool forSmtp);
// The head of a further attachment part (it also ends the previous part's data).
std::string AttachmentHead(const std::string& attachmentName);
// The final empty part, the closing boundary and, with `forSmtp`, the end-of-data line (an
// outbox file ends just before it, exactly as the server stores the message).
std::string MessageTail(bool forSmtp);

}  // namespace mora
