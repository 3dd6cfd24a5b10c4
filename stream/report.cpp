#include "stream/report.h"

#include <cerrno>
#include <cstring>

#include "platform/trace.h"
#include "platform/ui_services.h"

namespace mora {
namespace {
const char* FixedNetText(int code) {
    switch (code) {
        case 12002:
            return "Timeout";
        case 12007:
            return "Servername not resolved";
        case 12013:
            return "Incorrect username";
        case 12014:
            return "Incorrect username or password";
        case 12029:
            return "Cannot connect";
        case 12031:
            return "Connection lost";
        default:
            return nullptr;
    }
}

void ShowError(const std::string& message) {
    Ui().MessageBox("Error", message, MsgIcon::Error, MsgButtons::Ok);
}
}  // namespace

std::string SystemErrorMessage(const std::string& text, int code) {
    if (code < kNetErrorFirst || code > kNetErrorLast) {
        return text + " " + std::to_string(code) + " " + std::strerror(code);
    }
    if (const char* fixed = FixedNetText(code)) return fixed;
    return text + " " + std::to_string(code);
}

void ReportSystemError(const std::string& text) {
    ReportSystemError(text, errno);
}

void ReportSystemError(const std::string& text, int code) {
    ShowError(SystemErrorMessage(text, code));
}

void ReportError(const std::string& text) {
    Trace("ERROR\t%s", text.c_str());
    ShowError(text);
}

}  // namespace mora
