#pragma once
// Gathers one SMTP reply from bytes as they arrive: any number of "NNN-text" lines, then the
// last line "NNN text" (or just "NNN"). A reply may come in any number of pieces; it is judged
// by the code of its last line.

#include <cstddef>
#include <string>

namespace mora {

class SmtpReply {
  public:
    enum class Status { incomplete, complete, malformed };
    // Longer replies are refused as malformed, so a misbehaving server cannot exhaust memory.
    static constexpr size_t kMaxSize = 65536;

    // Takes received bytes; returns how many belong to this reply (the rest, if any, follows it
    // on the connection). Takes nothing once the reply is complete or malformed.
    size_t Take(const char* data, size_t size);
    void Reset();

    Status GetStatus() const { return status_; }
    bool IsComplete() const { return status_ == Status::complete; }
    // The last line's code; 0 unless complete.
    int Code() const { return status_ == Status::complete ? code_ : 0; }
    // The last line after its code and separator, without the line end.
    const std::string& LastText() const { return lastText_; }
    // Everything taken so far, as received.
    const std::string& Raw() const { return raw_; }

  private:
    void EndLine();

    Status status_ = Status::incomplete;
    std::string raw_;
    std::string line_;
    std::string lastText_;
    int code_ = 0;
};

}  // namespace mora
