// The SMTP reply reader must survive any bytes from a server, in pieces of any size, and come to
// the same verdict however the bytes are split. The first byte chooses the piece size; a
// complete reply's text also goes through the challenge decoding of a CRAM-MD5 login.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/smtp_auth.h"
#include "net/smtp_reply.h"
#include "tests/fuzz/fuzz_seeds.h"

std::vector<std::vector<uint8_t>> MoraFuzzSeeds() {
    auto seed = [](uint8_t piece, const std::string& text) {
        std::vector<uint8_t> bytes{piece};
        bytes.insert(bytes.end(), text.begin(), text.end());
        return bytes;
    };
    return {seed(1, "220 mail.example.org ESMTP ready\r\n"),
            seed(3, "250-mail.example.org\r\n250-AUTH CRAM-MD5 LOGIN\r\n250 8BITMIME\r\n"),
            seed(7, "334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+\r\n"),
            seed(2, "550-5.1.1 first\n550 5.1.1 mailbox unknown\n354 go on\r\n")};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t piece = data[0] % 16 + 1;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const size_t length = size - 1;

    mora::SmtpReply whole, split;
    const size_t usedWhole = whole.Take(bytes, length);
    size_t usedSplit = 0;
    for (size_t at = 0; at < length; at += piece) {
        usedSplit += split.Take(bytes + at, length - at < piece ? length - at : piece);
    }
    if (usedWhole != usedSplit || whole.GetStatus() != split.GetStatus() ||
        whole.Code() != split.Code() || whole.LastText() != split.LastText() ||
        usedWhole > length || whole.Raw().size() > mora::SmtpReply::kMaxSize + 1) {
        std::abort();
    }
    if (whole.IsComplete()) {
        if (whole.Code() < 100 || whole.Code() > 999) std::abort();
        mora::CramMd5Response("anna", "secret", whole.LastText());
    }
    return 0;
}
