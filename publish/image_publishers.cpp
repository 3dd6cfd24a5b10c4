#include "publish/image_publishers.h"

#include <cstdio>

#include "platform/program_dir.h"
#include "platform/trace.h"
#include "stream/report.h"

namespace mora {

std::string TextFileName(const Settings& settings, const std::string& baseName) {
    if (settings.UseTemplateText && !settings.TemplateText.empty()) {
        const size_t dot = settings.TemplateText.rfind('.');
        return baseName + (dot == std::string::npos ? settings.TemplateText
                                                    : settings.TemplateText.substr(dot));
    }
    return baseName + ".txt";
}

std::string ImageFileName(const std::string& baseName, int number, const std::string& imagePath,
                          bool keepName) {
    std::string file = FileNameOf(imagePath);
    const size_t dot = file.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : file.substr(dot);
    if (keepName) return dot == std::string::npos ? file : file.substr(0, dot) + extension;
    char numbered[16];
    std::snprintf(numbered, sizeof numbered, "_%.2d", number);
    return baseName + numbered + extension;
}

std::string FtpDestName(const Settings& settings, const std::string& name) {
    return settings.FtpDestDir.empty() ? name : settings.FtpDestDir + "/" + name;
}

JStreamImageWritePubFTP::JStreamImageWritePubFTP(const Settings& settings, InternetState& internet)
    : JStreamFTP(settings, internet) {}

JStreamImageWritePubFTP::~JStreamImageWritePubFTP() {
    Close();
}

void JStreamImageWritePubFTP::EndFile() {
    const bool wasOpen = (state & open) != 0;
    CloseFile();
    if (wasOpen && IsGood() && !current_.empty()) files_.emplace_back(current_, currentBytes_);
    current_.clear();
    currentBytes_ = 0;
}

void JStreamImageWritePubFTP::OpenExtraFile(const std::string& name) {
    if (!Connection() || !Connection()->IsConnected()) return;
    EndFile();
    OpenFile(name, false);
    if (IsReady()) current_ = name;
}

void JStreamImageWritePubFTP::Open(const std::string& name, const std::string& baseName) {
    if (IsReady()) return;
    files_.clear();
    sent_ = 0;
    checksum_ = 0;
    if (!Connection() || !Connection()->IsConnected()) ConnectWithSettings();
    if (!Connection() || !Connection()->IsConnected()) {
        Trace("JStreamWrFTP InternetConnect");
        return;
    }
    if (!text_.empty()) {
        OpenExtraFile(FtpDestName(settings_, TextFileName(settings_, baseName)));
        Write(reinterpret_cast<const uint8_t*>(text_.data()), static_cast<uint32_t>(text_.size()));
        EndFile();
        if (!IsGood()) {
            ReportError("Could not send textfile\nFTP aborted");
            return;
        }
    }
    OpenExtraFile(name);
}

void JStreamImageWritePubFTP::Write(const uint8_t* bytes, uint32_t count) {
    if (!IsReady()) return;
    last_.assign(bytes, bytes + count);
    for (uint32_t i = 0; i < count; ++i) checksum_ += bytes[i];
    if (JStreamFTP::Write(bytes, count) > 0) {
        sent_ += count;
        currentBytes_ += count;
    }
}

void JStreamImageWritePubFTP::ResendLast() {
    if (last_.empty()) return;
    const std::vector<uint8_t> block = last_;
    Write(block.data(), static_cast<uint32_t>(block.size()));
}

void JStreamImageWritePubFTP::Close() {
    EndFile();
    JStreamFTP::Close();
}

JStreamImageWritePubEMAIL::JStreamImageWritePubEMAIL(const Settings& settings,
                                                     const MailValues& values)
    : JStreamEMAIL(settings, values) {}

JStreamImageWrite* ImagePublisherSlot::Select(int kind, const Settings& settings,
                                              InternetState& internet, const MailValues& mail) {
    if (kind == kind_ && publisher_) return publisher_.get();
    publisher_.reset();
    kind_ = 0;
    if (kind == 1)
        publisher_ = std::make_unique<JStreamImageWritePubFTP>(settings, internet);
    else if (kind == 2)
        publisher_ = std::make_unique<JStreamImageWritePubEMAIL>(settings, mail);
    if (publisher_) kind_ = kind;
    return publisher_.get();
}

}  // namespace mora
