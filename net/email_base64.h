#pragma once
// Base64 (standard alphabet, "=" padding): one-shot encoding and decoding for the login
// dialogue, and the streaming encoder of e-mail attachments, which takes bytes in pieces of any
// size and writes lines of 76 characters.

#include <cstddef>
#include <cstdint>
#include <string>

namespace mora {

std::string Base64Encode(const void* bytes, size_t size);
std::string Base64Encode(const std::string& text);
// Decodes until the first character outside the alphabet (padding, blank, line end); a final
// incomplete group yields the whole bytes it holds.
std::string Base64Decode(const std::string& text);

class Base64Stream {
  public:
    static constexpr int kGroupsPerLine = 19;  // 76 characters

    // Appends the encoded form of `size` bytes to `out`. Bytes that do not complete a group of
    // three are carried into the next call.
    void Encode(const void* bytes, size_t size, std::string& out);
    // Appends the carried bytes as a final padded group (no line end) and starts afresh.
    void Flush(std::string& out);
    void Reset();

    // Characters Encode may add for `size` input bytes, at most.
    static size_t EncodedSizeBound(size_t size);

  private:
    uint8_t carry_[2] = {0, 0};
    int carryCount_ = 0;
    int groups_ = 0;  // on the current output line
};

}  // namespace mora
