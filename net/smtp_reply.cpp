#include "net/smtp_reply.h"

namespace mora {
namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
}  // namespace

void SmtpReply::Reset() {
    *this = SmtpReply();
}

size_t SmtpReply::Take(const char* data, size_t size) {
    size_t used = 0;
    while (used < size && status_ == Status::incomplete) {
        const char c = data[used++];
        raw_ += c;
        if (raw_.size() > kMaxSize) {
            status_ = Status::malformed;
        } else if (c == '\n') {
            EndLine();
        } else {
            line_ += c;
        }
    }
    return used;
}

void SmtpReply::EndLine() {
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    const bool codeOk = line_.size() >= 3 && IsDigit(line_[0]) && IsDigit(line_[1]) &&
                        IsDigit(line_[2]) && line_[0] != '0';
    const char separator = line_.size() > 3 ? line_[3] : ' ';
    if (!codeOk || (separator != ' ' && separator != '-')) {
        status_ = Status::malformed;
        return;
    }
    if (separator == ' ') {
        code_ = (line_[0] - '0') * 100 + (line_[1] - '0') * 10 + (line_[2] - '0');
        lastText_ = line_.size() > 4 ? line_.substr(4) : std::string();
        status_ = Status::complete;
    }
    line_.clear();
}

}  // namespace mora
