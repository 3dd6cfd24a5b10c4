#pragma once
// The layout of one Mora e-mail: headers, a plain-text part with the body, then one base64 part
// per attachment, and the closing boundary after a final empty part. The same bytes go to the
// SMTP server (with the body made transparent for the DATA phase and the end-of-data line) and
// into an outbox file.

#include <string>

namespace mora {

struct MailHeader {
    std::string recipient;
    std::string subject;
    std::string sender;
};

// A header value or protocol argument on one line: line breaks become blanks, so no value can
// start another header or command.
std::string OneLine(const std::string& text);

// A boundary for one message: random, and not found anywhere in `body` (the attachments are
// base64, whose alphabet has no '-', so they cannot hold one).
std::string NewMimeBoundary(const std::string& body);

// Whether `address` can go between the angle brackets of MAIL FROM or RCPT TO as it is: no
// brackets (a '>' would let the rest pass as envelope parameters), no line breaks.
bool PlainAddress(const std::string& address);

// The body with CR LF line ends (bare LF or CR become CR LF); with `forSmtp` a line starting
// with "." gets a second one, so the DATA phase cannot end inside the text.
std::string BodyText(const std::string& body, bool forSmtp);

// The body quoted-printable (RFC 2045), lines of at most 76 octets, CR LF line ends.
std::string QuotedPrintable(const std::string& body);

// Headers, the text part (UTF-8; quoted-printable when a line is longer than the 998 octets a
// mail line may have) and the head of the first attachment part.
std::string MessageHead(const MailHeader& header, const std::string& body,
                        const std::string& attachmentName, bool forSmtp,
                        const std::string& boundary);
// The head of a further attachment part (it also ends the previous part's data).
std::string AttachmentHead(const std::string& attachmentName, const std::string& boundary);
// The final empty part, the closing boundary and, with `forSmtp`, the end-of-data line (an
// outbox file ends just before it, exactly as the server stores the message).
std::string MessageTail(bool forSmtp, const std::string& boundary);

}  // namespace mora
