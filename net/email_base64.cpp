#include "net/email_base64.h"

namespace mora {
namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void PutGroup(uint8_t a, uint8_t b, uint8_t c, int significant, std::string& out) {
    const uint32_t v = (uint32_t{a} << 16) | (uint32_t{b} << 8) | c;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += significant > 1 ? kAlphabet[(v >> 6) & 63] : '=';
    out += significant > 2 ? kAlphabet[v & 63] : '=';
}

int Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}
}  // namespace

std::string Base64Encode(const void* bytes, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= size; i += 3) PutGroup(p[i], p[i + 1], p[i + 2], 3, out);
    if (size - i == 1) PutGroup(p[i], 0, 0, 1, out);
    if (size - i == 2) PutGroup(p[i], p[i + 1], 0, 2, out);
    return out;
}

std::string Base64Encode(const std::string& text) {
    return Base64Encode(text.data(), text.size());
}

std::string Base64Decode(const std::string& text) {
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        int v = Value(c);
        if (v < 0) break;
        bits = (bits << 6) | static_cast<uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

size_t Base64Stream::EncodedSizeBound(size_t size) {
    const size_t groups = (size + 2) / 3 + 1;
    return groups * 4 + (groups / kGroupsPerLine + 1) * 2;
}

void Base64Stream::Encode(const void* bytes, size_t size, std::string& out) {
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    const uint8_t* end = p + size;
    const size_t before = out.size();
    out.resize(before + EncodedSizeBound(size));
    char* o = out.data() + before;
    auto group = [&](uint8_t a, uint8_t b, uint8_t c) {
        const uint32_t v = (uint32_t{a} << 16) | (uint32_t{b} << 8) | c;
        o[0] = kAlphabet[v >> 18];
        o[1] = kAlphabet[(v >> 12) & 63];
        o[2] = kAlphabet[(v >> 6) & 63];
        o[3] = kAlphabet[v & 63];
        o += 4;
        if (++groups_ == kGroupsPerLine) {
            o[0] = '\r';
            o[1] = '\n';
            o += 2;
            groups_ = 0;
        }
    };
    // Complete the carried group first.
    while (carryCount_ > 0 && p != end) {
        if (carryCount_ == 2) {
            group(carry_[0], carry_[1], *p++);
            carryCount_ = 0;
        } else {
            carry_[1] = *p++;
            carryCount_ = 2;
        }
    }
    for (; end - p >= 3; p += 3) group(p[0], p[1], p[2]);
    while (p != end) carry_[carryCount_++] = *p++;
    out.resize(static_cast<size_t>(o - out.data()));
}

void Base64Stream::Flush(std::string& out) {
    if (carryCount_ > 0) PutGroup(carry_[0], carryCount_ > 1 ? carry_[1] : 0, 0, carryCount_, out);
    Reset();
}

void Base64Stream::Reset() {
    carryCount_ = 0;
    groups_ = 0;
}

}  // namespace mora
