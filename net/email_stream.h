#pragma once
// The e-mail stream the publishing jobs write to: Open sends the envelope, the text and the
// head of the first attachment; Write streams attachment bytes; StartAttachment begins the next
// attachment; Close ends and sends the message. With `SendThrough` = 2 the message goes to the
// SMTP server of the settings; with 1 the same message is written as an .eml file into
// Outbox/<OutboxAccount>/ of the program folder, for a mail client to pick up.

#include <memory>
#include <string>

#include "net/email_base64.h"
#include "net/tls_channel.h"
#include "stream/jstream.h"
#include "stream/jstream_file.h"

namespace mora {

struct Settings;
class JStreamsmtp;

// The sender address of published mail, unless a job sets another.
constexpr char kDefaultSender[] = "mora@localhost";

// What the e-mail dialog fills in before a job opens the stream.
struct MailValues {
    std::string recipient;
    std::string subject;
    std::string sender = kDefaultSender;
};

class JStreamEMAIL : public JStream {
  public:
    static constexpr uint8_t kSendThroughOutbox = 1;

    // Reads the settings and values when opened; both must outlive the stream.
    JStreamEMAIL(const Settings& settings, const MailValues& values);
    ~JStreamEMAIL() override;

    // On success the stream is good + open. Failures have been shown to the user.
    void Open(const std::string& attachmentName, bool forReading, const std::string& bodyText);
    int32_t Read(void*, uint32_t) override { return 0; }
    int32_t Write(const void* bytes, uint32_t count) override;
    void StartAttachment(const std::string& attachmentName);
    // Ends the message. Afterwards good says whether it was accepted by the server (or written
    // whole into the outbox). A stream that is no longer good gives the message up instead.
    void Close();
    // Gives the message up: the connection is dropped before the end of the data, so the server
    // discards it (or the outbox file is removed). The stream is left not good.
    void Abandon();

    // The outbox file of the last message (outbox mode).
    const std::string& OutboxFile() const { return outboxFile_; }
    // Lets tests shorten the wait for server replies.
    void SetReceiveTimeout(int milliseconds) { receiveTimeoutMs_ = milliseconds; }
    // How a secure connection decides about certificates no authority vouches for.
    void SetTrust(const TlsTrust& trust) { trust_ = trust; }

  private:
    bool OutboxMode() const;
    void OpenDirect(const std::string& attachmentName, const std::string& bodyText);
    void OpenOutbox(const std::string& attachmentName, const std::string& bodyText);
    void WriteOutbox(const std::string& text);
    void CloseOutbox();
    void TakeGood();

    const Settings& settings_;
    const MailValues& values_;
    std::unique_ptr<JStreamsmtp> smtp_;
    JStreamFile file_;
    Base64Stream encoder_;
    std::string encoded_;
    std::string boundary_;  // of the message being written
    std::string partFile_;
    std::string outboxFile_;
    int receiveTimeoutMs_ = 0;
    TlsTrust trust_;
};

// The same stream as the transport of the e-mail audio writer.
class JStreamWrEMAIL : public JStreamEMAIL {
  public:
    using JStreamEMAIL::JStreamEMAIL;
};

}  // namespace mora
