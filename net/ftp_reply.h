#pragma once
// FTP replies as the control connection delivers them: a three-digit code and text, on one line
// ("226 Transfer complete.") or on several ("211-Features:" ... "211 End"). The parser takes the
// bytes in whatever pieces they arrive and survives any input a server may send.

#include <cstddef>
#include <cstdint>
#include <string>

namespace mora {

struct FtpReply {
    int code = 0;
    // The reply's text without the code of its first and last line; lines joined with "\n".
    std::string text;
};

class FtpReplyParser {
  public:
    enum class Result { NeedMore, Reply, Bad };

    // Limits that keep a hostile server from filling memory.
    static constexpr size_t kMaxLine = 8192;
    static constexpr size_t kMaxLines = 4096;
    static constexpr size_t kMaxText = 65536;

    void Feed(const char* data, size_t size) { pending_.append(data, size); }
    // Takes the next complete reply out of what was fed. After Bad the parser stays bad.
    Result Next(FtpReply& reply);
    void Reset();

  private:
    Result TakeLine(const std::string& line, FtpReply& reply);

    std::string pending_;
    size_t consumed_ = 0;
    bool bad_ = false;
    bool inMulti_ = false;
    int multiCode_ = 0;
    size_t multiLines_ = 0;
    std::string text_;
};

// The address and port a PASV reply names ("Entering Passive Mode (h1,h2,h3,h4,p1,p2)").
bool ParsePasvReply(const std::string& text, uint8_t (&address)[4], uint16_t& port);
// The port an EPSV reply names ("Entering Extended Passive Mode (|||6446|)").
bool ParseEpsvReply(const std::string& text, uint16_t& port);

}  // namespace mora
