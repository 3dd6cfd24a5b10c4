#include "net/ftp_reply.h"

#include <cctype>

namespace mora {
namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "ddd" at the start of a line with a first digit of 1 to 5: the code, else -1.
int CodeOf(const std::string& line) {
    if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2])) return -1;
    if (line[0] < '1' || line[0] > '5') return -1;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

// Reads a decimal number of at most `maxDigits` digits at `pos`.
bool Number(const std::string& text, size_t& pos, size_t maxDigits, unsigned& value) {
    size_t start = pos;
    value = 0;
    while (pos < text.size() && IsDigit(text[pos]) && pos - start < maxDigits) {
        value = value * 10 + static_cast<unsigned>(text[pos] - '0');
        ++pos;
    }
    return pos > start && (pos >= text.size() || !IsDigit(text[pos]));
}
}  // namespace

void FtpReplyParser::Reset() {
    *this = FtpReplyParser();
}

FtpReplyParser::Result FtpReplyParser::Next(FtpReply& reply) {
    while (!bad_) {
        size_t end = pending_.find('\n', consumed_);
        if (end == std::string::npos) {
            if (pending_.size() - consumed_ > kMaxLine) bad_ = true;
            // Keep only the unfinished line.
            pending_.erase(0, consumed_);
            consumed_ = 0;
            if (bad_) break;
            return Result::NeedMore;
        }
        if (end - consumed_ > kMaxLine) {
            bad_ = true;
            break;
        }
        std::string line = pending_.substr(consumed_, end - consumed_);
        consumed_ = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Result result = TakeLine(line, reply);
        if (result != Result::NeedMore) return result;
    }
    pending_.clear();
    consumed_ = 0;
    return Result::Bad;
}

FtpReplyParser::Result FtpReplyParser::TakeLine(const std::string& line, FtpReply& reply) {
    const int code = CodeOf(line);
    if (!inMulti_) {
        if (code < 0 || (line.size() > 3 && line[3] != ' ' && line[3] != '-')) {
            bad_ = true;
            return Result::Bad;
        }
        std::string text = line.size() > 4 ? line.substr(4) : std::string();
        if (line.size() > 3 && line[3] == '-') {
            inMulti_ = true;
            multiCode_ = code;
            multiLines_ = 1;
            text_ = text.substr(0, kMaxText);
            return Result::NeedMore;
        }
        reply.code = code;
        reply.text = std::move(text);
        return Result::Reply;
    }
    // Inside a multi-line reply only "ddd " with the opening code (or "ddd" alone) ends it.
    const bool last = code == multiCode_ && (line.size() == 3 || line[3] == ' ');
    if (++multiLines_ > kMaxLines) {
        bad_ = true;
        return Result::Bad;
    }
    const std::string text = last ? (line.size() > 4 ? line.substr(4) : std::string()) : line;
    if (text_.size() < kMaxText) text_ += "\n" + text.substr(0, kMaxText - text_.size());
    if (!last) return Result::NeedMore;
    reply.code = multiCode_;
    reply.text = std::move(text_);
    inMulti_ = false;
    text_.clear();
    return Result::Reply;
}

bool ParsePasvReply(const std::string& text, uint8_t (&address)[4], uint16_t& port) {
    for (size_t start = 0; start < text.size(); ++start) {
        if (!IsDigit(text[start]) || (start > 0 && IsDigit(text[start - 1]))) continue;
        size_t pos = start;
        unsigned values[6];
        bool ok = true;
        for (int i = 0; i < 6 && ok; ++i) {
            if (i > 0) {
                while (pos < text.size() && text[pos] == ' ') ++pos;
                if (pos >= text.size() || text[pos] != ',') {
                    ok = false;
                    break;
                }
                ++pos;
                while (pos < text.size() && text[pos] == ' ') ++pos;
            }
            ok = Number(text, pos, 3, values[i]) && values[i] <= 255;
        }
        if (!ok) continue;
        for (int i = 0; i < 4; ++i) address[i] = static_cast<uint8_t>(values[i]);
        port = static_cast<uint16_t>(values[4] * 256 + values[5]);
        if (port == 0) continue;
        return true;
    }
    return false;
}

bool ParseEpsvReply(const std::string& text, uint16_t& port) {
    for (size_t open = text.find('('); open != std::string::npos; open = text.find('(', open + 1)) {
        size_t pos = open + 1;
        if (pos + 3 >= text.size()) return false;
        const char d = text[pos];
        if (d < 33 || d > 126 || IsDigit(d) || text[pos + 1] != d || text[pos + 2] != d) continue;
        pos += 3;
        unsigned value = 0;
        if (!Number(text, pos, 5, value) || value == 0 || value > 65535) continue;
        if (pos >= text.size() || text[pos] != d) continue;
        port = static_cast<uint16_t>(value);
        return true;
    }
    return false;
}

}  // namespace mora
