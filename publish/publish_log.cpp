#include "publish/publish_log.h"

#include <ctime>
#include <fstream>

#include "publish/publish_job.h"

namespace mora {

std::string PublishLogLine(const PublishOutcome& outcome) {
    char when[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    std::string line = std::string(when) + " " + (outcome.target.empty() ? "-" : outcome.target) +
                       (outcome.ok ? " ok" : " failed") + " files=";
    for (size_t i = 0; i < outcome.files.size(); ++i)
        line +=
            (i ? "," : "") + outcome.files[i].name + ":" + std::to_string(outcome.files[i].bytes);
    line += " size=";
    line += !outcome.sizeChecked ? "unchecked" : outcome.sizeVerified ? "verified" : "MISMATCH";
    line += " resumes=";
    if (outcome.resumes.empty()) line += "0";
    for (size_t i = 0; i < outcome.resumes.size(); ++i)
        line += (i ? "," : "") + std::to_string(i + 1) + ":" +
                std::to_string(outcome.resumes[i].offset) +
                (outcome.resumes[i].fromServerSize ? "/SIZE" : "/sent");
    if (!outcome.ok && !outcome.message.empty()) {
        std::string message = outcome.message;
        for (char& c : message)
            if (c == '\n' || c == '\r') c = ' ';
        line += " error=\"" + message + "\"";
    }
    return line;
}

bool AppendPublishLog(const std::string& path, const PublishOutcome& outcome) {
    std::ofstream out(path, std::ios::app | std::ios::binary);
    out << PublishLogLine(outcome) << "\n";
    return static_cast<bool>(out);
}

}  // namespace mora
