#pragma once
// What the reporter picks in the publish dialogs and what stays chosen between jobs: the image
// list, the include-images flag, recipient and subject; the recipient history "emails.txt";
// the e-mail size estimate; and what "Start" does in the e-mail and FTP dialogs. Plain logic,
// shared by the Qt dialogs and mora-cli.

#include <cstdint>
#include <string>
#include <vector>

#include "net/email_stream.h"
#include "settings/settings.h"

namespace mora {

struct ImageEntry {
    std::string path;
    std::string displayName;  // the file name shown in the dialog's list
    uint32_t size = 0;        // low 32 bits of the file's size
};

class ImageList {
  public:
    static constexpr size_t kMaxEntries = 100;

    // Refused (false) when the list is full or already shows `displayName`.
    bool Add(const std::string& path, const std::string& displayName, uint32_t size);
    // Adds a file with its name as display name and its size read from disk; false when the
    // list refuses it or the file cannot be read.
    bool AddFile(const std::string& path);
    // Removes the entry at `index` and returns the selection after it: the same position, or
    // the new last entry, or -1 when the list is empty (or the index was not valid).
    int RemoveAt(int index);
    void Clear();

    const std::vector<ImageEntry>& Entries() const { return entries_; }
    bool Empty() const { return entries_.empty(); }
    uint64_t Total() const { return total_; }

  private:
    std::vector<ImageEntry> entries_;
    uint64_t total_ = 0;
};

// Kept for the life of the program: the image list, the include-images flag, the recipient and
// subject of the e-mail dialog.
struct PublishSession {
    ImageList images;
    bool includeImages = false;
    MailValues mail;
};

// The recipient history: one address per line, newest first; lines of up to 256 characters.
inline constexpr char kEmailHistoryFile[] = "emails.txt";
inline constexpr char kEmptyHistory[] = "Empty";
inline constexpr size_t kEmailHistoryLines = 6;

// The To box's entries: the file's lines, or only "Empty" when it yields nothing.
std::vector<std::string> ReadEmailHistory(const std::string& path);
// "@" with a "." somewhere after it.
bool IsValidEmailAddress(const std::string& address);
// The file's new lines: `chosen` first, then the entries among the first five of `toList` that
// differ from it (letter case of A to Z ignored), in list order.
std::vector<std::string> NextEmailHistory(const std::string& chosen,
                                          const std::vector<std::string>& toList);
bool WriteEmailHistory(const std::string& path, const std::vector<std::string>& lines);

// (n × 4 / 3 + n / 38) / 1024 in integers: base64 with its line ends, in KB.
uint64_t EmailSizeKb(uint64_t bytes);
// "Email-size will be : %d KB" for the audio plus, when included, the images.
std::string EmailSizeText(uint64_t audioBytes, const PublishSession& session);

// Texts longer than 254 characters are cut to 253.
std::string CutDialogText(const std::string& text);

// The names shown in the SMTP server box, with the index of the profile each stands for, and the
// one to select (the profile named SmtpProfileName; -1 when none).
struct ServerChoice {
    std::vector<std::string> names;
    std::vector<int> profiles;
    int selected = -1;
};
ServerChoice SmtpServerChoice(const Settings& settings);
// FTP profiles that have a name and a server, up to the first profile without a name.
ServerChoice FtpServerChoice(const Settings& settings);

// "Start" in an e-mail dialog: "Keep names" and the chosen SMTP profile (a profile index, or -1
// to keep the current values) are taken first. An address that is not valid then returns
// "Illegal email-address" and leaves the history as it was; otherwise the history is rewritten and
// the recipient and subject are kept in the session. Returns the empty string when the dialog may
// close.
std::string AcceptEmailDialog(const std::string& toText, const std::string& subject,
                              int smtpProfile, bool keepNames,
                              const std::vector<std::string>& toList,
                              const std::string& historyPath, Settings& settings,
                              LastState& lastState, PublishSession& session);
inline constexpr char kIllegalAddress[] = "Illegal email-address";

// "Start" in an FTP dialog: "Keep names", and with AllowFtpProfileSelection the chosen profile
// (an index, or -1) becomes the current FTP values.
void AcceptFtpDialog(int ftpProfile, bool keepNames, Settings& settings, LastState& lastState);

}  // namespace mora
