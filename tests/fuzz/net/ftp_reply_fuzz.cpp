// The FTP reply parser and the passive-mode reply readers take whatever a server sends. The
// first byte chooses the size of the pieces the rest arrives in; the replies must not depend on
// it, and every reply must be a valid one.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/ftp_reply.h"
#include "tests/fuzz/fuzz_seeds.h"

namespace {
using mora::FtpReply;
using mora::FtpReplyParser;

std::vector<uint8_t> Seed(uint8_t piece, const std::string& text) {
    std::vector<uint8_t> bytes(text.size() + 1, piece);
    std::copy(text.begin(), text.end(), bytes.begin() + 1);
    return bytes;
}

// All replies, and whether the parser ended bad.
std::vector<FtpReply> Parse(const char* data, size_t size, size_t piece, bool& bad) {
    FtpReplyParser parser;
    std::vector<FtpReply> replies;
    bad = false;
    for (size_t at = 0; at < size && !bad; at += piece) {
        parser.Feed(data + at, std::min(piece, size - at));
        FtpReply reply;
        FtpReplyParser::Result r;
        while ((r = parser.Next(reply)) == FtpReplyParser::Result::Reply) {
            replies.push_back(reply);
        }
        bad = r == FtpReplyParser::Result::Bad;
    }
    return replies;
}
}  // namespace

std::vector<std::vector<uint8_t>> MoraFuzzSeeds() {
    return {
        Seed(0, "220 Ready.\r\n331 Password?\r\n230 Logged in.\r\n"),
        Seed(3, "211-Features:\r\n EPSV\r\n MDTM\r\n211 End\r\n"),
        Seed(1, "229 Entering Extended Passive Mode (|||6446|)\r\n"),
        Seed(5, "227 Entering Passive Mode (127,0,0,1,19,137).\r\n"),
        Seed(2, "150 Opening.\n226 Transfer complete.\n"),
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t piece = 1 + data[0] % 16;
    const char* text = reinterpret_cast<const char*>(data + 1);
    const size_t length = size - 1;

    bool badWhole = false, badPieces = false;
    const auto whole = Parse(text, length, length ? length : 1, badWhole);
    const auto pieces = Parse(text, length, piece, badPieces);
    if (whole.size() != pieces.size() || badWhole != badPieces) std::abort();
    for (size_t i = 0; i < whole.size(); ++i) {
        const FtpReply& r = whole[i];
        if (r.code != pieces[i].code || r.text != pieces[i].text) std::abort();
        if (r.code < 100 || r.code > 599) std::abort();
        if (r.text.size() > FtpReplyParser::kMaxText + FtpReplyParser::kMaxLine + 1) std::abort();
        uint8_t address[4];
        uint16_t port = 0;
        if (mora::ParsePasvReply(r.text, address, port) && port == 0) std::abort();
        if (mora::ParseEpsvReply(r.text, port) && port == 0) std::abort();
    }
    const std::string all(text, length);
    uint8_t address[4];
    uint16_t port = 0;
    mora::ParsePasvReply(all, address, port);
    mora::ParseEpsvReply(all, port);
    return 0;
}
