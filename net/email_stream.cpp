#include "net/email_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "net/email_mime.h"
#include "net/smtp_client.h"
#include "platform/program_dir.h"
#include "platform/ui_services.h"
#include "settings/settings.h"
#include "stream/report.h"

namespace mora {
namespace {
constexpr uint32_t kSliceBytes = 57 * 1024;

const char* LoginFailureText(int result) {
    switch (result) {
        case JStreamsmtp::heloRefused:
        case JStreamsmtp::noGreeting:
            return "Server found,\nbut doesn't respond.";
        case JStreamsmtp::notFound:
            return "Server not found.";
        case JStreamsmtp::authFailed:
            return "Wrong username\nor password.";
        default:
            return "Unspecified error";
    }
}

// The account name as one folder name: no separators, never "." or "..".
std::string AccountFolder(const std::string& account) {
    std::string name = account;
    std::replace(name.begin(), name.end(), '/', '_');
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    return name;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// A name that sorts by time and is not taken yet: Mora-20261208-141503.eml, then -2, -3, ...
std::string NewOutboxName(const std::string& folder) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "Mora-%Y%m%d-%H%M%S", &local);
    for (int n = 1;; ++n) {
        // Appended piece by piece: the one-expression form trips GCC 12's -Wrestrict at -O3.
        std::string path = folder;
        path += stamp;
        if (n > 1) {
            path += '-';
            path += std::to_string(n);
        }
        path += ".eml";
        if (!Exists(path)) return path;
    }
}
}  // namespace

JStreamEMAIL::JStreamEMAIL(const Settings& settings, const MailValues& values)
    : settings_(settings), values_(values) {}

// A message that was not closed (a cancelled job) is given up, never sent cut short.
JStreamEMAIL::~JStreamEMAIL() {
    Abandon();
}

bool JStreamEMAIL::OutboxMode() const {
    return settings_.SendThrough == kSendThroughOutbox;
}

void JStreamEMAIL::Open(const std::string& attachmentName, bool forReading,
                        const std::string& bodyText) {
    Close();
    state = forReading ? uint32_t{readMode} : 0u;
    if (OutboxMode()) {
        OpenOutbox(attachmentName, bodyText);
    } else {
        OpenDirect(attachmentName, bodyText);
    }
}

void JStreamEMAIL::OpenDirect(const std::string& attachmentName, const std::string& bodyText) {
    smtp_ = std::make_unique<JStreamsmtp>();
    if (receiveTimeoutMs_ > 0) smtp_->SetReceiveTimeout(receiveTimeoutMs_);
    smtp_->trust = trust_;
    const int result =
        settings_.SmtpAuth
            ? smtp_->OpenAuth(settings_.SMTPServer, settings_.SMTPUser, settings_.SMTPPassword)
            : smtp_->Open(settings_.SMTPServer);
    if (result != JStreamsmtp::loggedIn) {
        const std::string text = result == JStreamsmtp::secureFailed ? smtp_->SecurityMessage()
                                                                     : LoginFailureText(result);
        Ui().MessageBox("Info", text, MsgIcon::Error, MsgButtons::Ok);
        smtp_->Disconnect();
        smtp_.reset();
        return;
    }
    const int sent = smtp_->SendHeader(values_.recipient, values_.subject, values_.sender, bodyText,
                                       attachmentName);
    if (sent != 0 || !smtp_->IsReady()) {
        smtp_->Disconnect();
        smtp_.reset();
        return;
    }
    state |= good | open;
}

void JStreamEMAIL::OpenOutbox(const std::string& attachmentName, const std::string& bodyText) {
    const std::string outbox = ProgramFile("Outbox/");
    const std::string folder = outbox + AccountFolder(settings_.OutboxAccount) + "/";
    // Messages hold the reporter's text and audio: the folders and files are the owner's only.
    ::mkdir(outbox.c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
    outboxFile_ = NewOutboxName(folder);
    file_.CreateUnique(outboxFile_ + ".part", partFile_);
    if (!file_.IsGood()) return;
    encoder_.Reset();
    state |= good | open;
    MailHeader header{values_.recipient, values_.subject, values_.sender};
    boundary_ = NewMimeBoundary(bodyText);
    WriteOutbox(MessageHead(header, bodyText, attachmentName, false, boundary_));
}

void JStreamEMAIL::WriteOutbox(const std::string& text) {
    file_.Write(text.data(), static_cast<uint32_t>(text.size()));
    if (!file_.IsGood()) state &= ~good;
}

void JStreamEMAIL::TakeGood() {
    if (smtp_ && !smtp_->IsGood()) state &= ~good;
}

int32_t JStreamEMAIL::Write(const void* bytes, uint32_t count) {
    if (!IsWritable()) return 0;
    if (!OutboxMode()) {
        int32_t result = smtp_ ? smtp_->Write(bytes, count) : 0;
        TakeGood();
        return result;
    }
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    for (uint32_t done = 0; done < count && IsGood(); done += std::min(kSliceBytes, count - done)) {
        encoded_.clear();
        encoder_.Encode(p + done, std::min(kSliceBytes, count - done), encoded_);
        WriteOutbox(encoded_);
    }
    return IsGood() ? static_cast<int32_t>(count) : 0;
}

void JStreamEMAIL::StartAttachment(const std::string& attachmentName) {
    if (!IsReady()) return;
    if (!OutboxMode()) {
        if (smtp_) smtp_->StartAttachment(attachmentName);
        TakeGood();
        return;
    }
    encoded_.clear();
    encoder_.Flush(encoded_);
    WriteOutbox(encoded_ + AttachmentHead(attachmentName, boundary_));
}

void JStreamEMAIL::Close() {
    // After a failed write the message is incomplete: ending it would send it truncated.
    if (!IsGood()) {
        Abandon();
        return;
    }
    if (smtp_) {
        smtp_->EndMessage();
        TakeGood();
        smtp_->Disconnect();
        smtp_.reset();
    }
    if (file_.IsOpen() || !partFile_.empty()) CloseOutbox();
    state &= ~open;
}

void JStreamEMAIL::Abandon() {
    state &= ~good;
    if (smtp_) {
        smtp_->Disconnect();
        smtp_.reset();
    }
    if (file_.IsOpen() || !partFile_.empty()) CloseOutbox();
    state &= ~open;
}

void JStreamEMAIL::CloseOutbox() {
    if (IsReady()) {
        encoded_.clear();
        encoder_.Flush(encoded_);
        WriteOutbox(encoded_ + MessageTail(false, boundary_));
    }
    file_.Close();
    if (IsGood() && file_.IsGood() && std::rename(partFile_.c_str(), outboxFile_.c_str()) != 0) {
        ReportSystemError(outboxFile_);
        state &= ~good;
    }
    if (!IsGood() || !file_.IsGood()) {
        std::remove(partFile_.c_str());
        state &= ~good;
    }
    partFile_.clear();
    encoded_.clear();
    encoded_.shrink_to_fit();
}

}  // namespace mora
