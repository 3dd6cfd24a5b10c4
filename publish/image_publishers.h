#pragma once
// The publishers of the images-only job: by FTP (kind 1; the reporter's text goes first as a
// file of its own) or as the attachments of one e-mail (kind 2; the text is the body). Also the
// names a job gives its text and images.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/email_stream.h"
#include "net/ftp_stream.h"
#include "settings/settings.h"

namespace mora {

class JStreamImageWrite {
  public:
    virtual ~JStreamImageWrite() = default;
    // Good and open; the interface itself answers no.
    virtual bool IsReady() { return false; }
    virtual void OpenExtraFile(const std::string& name) = 0;
    virtual bool Usable() { return true; }
    // The FTP publisher writes its remembered last buffer again; the others do nothing.
    virtual void ResendLast() {}
    virtual void Open(const std::string& name, const std::string& baseName) = 0;
    virtual void Close() = 0;
    virtual void Write(const uint8_t* bytes, uint32_t count) = 0;
    // Gives up what is under way: an e-mail is not sent.
    virtual void Abandon() { Close(); }
};

// The text file's name: base name + ".txt", or, when UseTemplateText is on and TemplateText is
// not empty, base name + TemplateText from its last "." on (all of it when it has none).
std::string TextFileName(const Settings& settings, const std::string& baseName);
// An image's name: base name + "_%.2d" (number), or its own name with `keepName`, followed by
// the image file's extension (from its last "." on, when it has one).
std::string ImageFileName(const std::string& baseName, int number, const std::string& imagePath,
                          bool keepName);
// FtpDestDir and "/" (when not empty) before `name`.
std::string FtpDestName(const Settings& settings, const std::string& name);

class JStreamImageWritePubFTP : public JStreamImageWrite, public JStreamFTP {
  public:
    JStreamImageWritePubFTP(const Settings& settings, InternetState& internet);
    ~JStreamImageWritePubFTP() override;

    void SetText(std::string text) { text_ = std::move(text); }
    bool IsReady() override { return JStreamFTP::IsReady(); }
    // `name` is the remote path, destination folder included.
    void OpenExtraFile(const std::string& name) override;
    void ResendLast() override;
    // Connects when needed, uploads the reporter's text first (named after `baseName`), then
    // opens the image's remote file.
    void Open(const std::string& name, const std::string& baseName) override;
    void Close() override;
    using JStreamFTP::Write;
    void Write(const uint8_t* bytes, uint32_t count) override;

    uint64_t BytesSent() const { return sent_; }
    uint32_t Checksum() const { return checksum_; }
    // Remote files written whole, with their sizes.
    const std::vector<std::pair<std::string, uint64_t>>& Files() const { return files_; }

  private:
    void EndFile();

    std::string text_;
    std::string current_;
    uint64_t currentBytes_ = 0;
    std::vector<uint8_t> last_;
    uint64_t sent_ = 0;
    uint32_t checksum_ = 0;
    std::vector<std::pair<std::string, uint64_t>> files_;
};

class JStreamImageWritePubEMAIL : public JStreamImageWrite, public JStreamEMAIL {
  public:
    JStreamImageWritePubEMAIL(const Settings& settings, const MailValues& values);

    void SetText(std::string text) { text_ = std::move(text); }
    bool IsReady() override { return JStreamEMAIL::IsReady(); }
    void OpenExtraFile(const std::string& name) override { StartAttachment(name); }
    void Open(const std::string& name, const std::string& /*baseName*/) override {
        JStreamEMAIL::Open(name, false, text_);
    }
    void Close() override { JStreamEMAIL::Close(); }
    using JStreamEMAIL::Write;
    void Write(const uint8_t* bytes, uint32_t count) override { JStreamEMAIL::Write(bytes, count); }
    void Abandon() override { JStreamEMAIL::Abandon(); }

  private:
    std::string text_;
};

// The one current image publisher: asking for the current kind keeps it, another kind replaces
// it, a kind other than 1 (FTP) or 2 (e-mail) leaves none.
class ImagePublisherSlot {
  public:
    JStreamImageWrite* Select(int kind, const Settings& settings, InternetState& internet,
                              const MailValues& mail);
    JStreamImageWrite* Current() { return publisher_.get(); }
    int Kind() const { return kind_; }

  private:
    std::unique_ptr<JStreamImageWrite> publisher_;
    int kind_ = 0;
};

}  // namespace mora
