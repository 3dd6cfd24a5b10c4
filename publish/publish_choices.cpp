#include "publish/publish_choices.h"

#include <sys/stat.h>

#include <fstream>

#include "platform/program_dir.h"
#include "stream/replace_file.h"

namespace mora {
namespace {
char LowerAz(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringAzCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAz(a[i]) != LowerAz(b[i])) return false;
    return true;
}
}  // namespace

bool ImageList::Add(const std::string& path, const std::string& displayName, uint32_t size) {
    if (entries_.size() >= kMaxEntries) return false;
    for (const ImageEntry& e : entries_)
        if (e.displayName == displayName) return false;
    entries_.push_back({path, displayName, size});
    total_ += size;
    return true;
}

bool ImageList::AddFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return Add(path, FileNameOf(path), static_cast<uint32_t>(st.st_size));
}

int ImageList::RemoveAt(int index) {
    if (index < 0 || static_cast<size_t>(index) >= entries_.size())
        return entries_.empty() ? -1 : index;
    total_ -= entries_[static_cast<size_t>(index)].size;
    entries_.erase(entries_.begin() + index);
    if (entries_.empty()) return -1;
    return std::min(index, static_cast<int>(entries_.size()) - 1);
}

void ImageList::Clear() {
    entries_.clear();
    total_ = 0;
}

std::vector<std::string> ReadEmailHistory(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (in && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 256) line.resize(256);
        if (!line.empty()) lines.push_back(line);
    }
    if (lines.empty()) lines.emplace_back(kEmptyHistory);
    return lines;
}

bool IsValidEmailAddress(const std::string& address) {
    const size_t at = address.find('@');
    return at != std::string::npos && address.find('.', at + 1) != std::string::npos;
}

std::vector<std::string> NextEmailHistory(const std::string& chosen,
                                          const std::vector<std::string>& toList) {
    std::vector<std::string> lines{chosen};
    for (size_t i = 0; i < toList.size() && i < kEmailHistoryLines - 1; ++i)
        if (!SameIgnoringAzCase(toList[i], chosen)) lines.push_back(toList[i]);
    return lines;
}

bool WriteEmailHistory(const std::string& path, const std::vector<std::string>& lines) {
    return ReplaceFileSafely(path, false, [&](JStream& out) {
        for (const std::string& line : lines) {
            const std::string text = line + "\n";
            out.Write(text.data(), static_cast<uint32_t>(text.size()));
        }
    });
}

uint64_t EmailSizeKb(uint64_t n) {
    return (n * 4 / 3 + n / 38) / 1024;
}

std::string EmailSizeText(uint64_t audioBytes, const PublishSession& session) {
    const uint64_t n = audioBytes + (session.includeImages ? session.images.Total() : 0);
    return "Email-size will be : " + std::to_string(EmailSizeKb(n)) + " KB";
}

std::string CutDialogText(const std::string& text) {
    return text.size() > 254 ? text.substr(0, 253) : text;
}

ServerChoice SmtpServerChoice(const Settings& settings) {
    ServerChoice choice;
    for (int i = 0; i < kSmtpProfileCount; ++i) {
        const SmtpProfile& p = settings.SmtpProfiles[static_cast<size_t>(i)];
        if (p.Name.empty()) continue;
        if (p.Name == settings.SmtpProfileName)
            choice.selected = static_cast<int>(choice.names.size());
        choice.names.push_back(p.Name);
        choice.profiles.push_back(i);
    }
    return choice;
}

ServerChoice FtpServerChoice(const Settings& settings) {
    ServerChoice choice;
    for (int i = 0; i < kFtpProfileCount; ++i) {
        const FtpProfile& p = settings.FtpProfiles[static_cast<size_t>(i)];
        if (p.Name.empty()) break;
        if (p.Server.empty()) continue;
        if (p.Name == settings.FtpProfileName)
            choice.selected = static_cast<int>(choice.names.size());
        choice.names.push_back(p.Name);
        choice.profiles.push_back(i);
    }
    return choice;
}

std::string AcceptEmailDialog(const std::string& toText, const std::string& subject,
                              int smtpProfile, bool keepNames,
                              const std::vector<std::string>& toList,
                              const std::string& historyPath, Settings& settings,
                              LastState& lastState, PublishSession& session) {
    lastState.KeepNames = keepNames ? 1 : 0;
    if (smtpProfile >= 0 && smtpProfile < kSmtpProfileCount) {
        const SmtpProfile& p = settings.SmtpProfiles[static_cast<size_t>(smtpProfile)];
        settings.SMTPServer = p.Server;
        settings.SMTPUser = p.User;
        settings.SMTPPassword = p.Password;
        settings.SmtpAuth = p.Auth;
        settings.SmtpProfileName = p.Name;
    }
    const std::string to = CutDialogText(toText);
    session.mail.subject = CutDialogText(subject);
    if (!IsValidEmailAddress(to)) return kIllegalAddress;
    session.mail.recipient = to;
    WriteEmailHistory(historyPath, NextEmailHistory(to, toList));
    return {};
}

void AcceptFtpDialog(int ftpProfile, bool keepNames, Settings& settings, LastState& lastState) {
    lastState.KeepNames = keepNames ? 1 : 0;
    if (!settings.AllowFtpProfileSelection || ftpProfile < 0 || ftpProfile >= kFtpProfileCount)
        return;
    const FtpProfile& p = settings.FtpProfiles[static_cast<size_t>(ftpProfile)];
    settings.FtpServer = p.Server;
    settings.FtpUser = p.User;
    settings.FtpPassword = p.Password;
    settings.FtpDestDir = p.DestDir;
    settings.FtpPassive = p.Passive;
    settings.FtpProfileName = p.Name;
}

}  // namespace mora
