// Reply parsing, passive-mode replies, server texts, remote paths and error messages.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "net/ftp_reply.h"
#include "net/ftp_stream.h"

namespace mora {
namespace {

using Result = FtpReplyParser::Result;

TEST(FtpReplyParser, SingleAndMultiLineRepliesInAnyPieces) {
    const std::string wire =
        "220 Ready.\r\n"
        "211-Features:\r\n EPSV\r\n211-still going\r\n 212 not the end\r\n211 End\r\n"
        "200\n";
    // Fed all at once and byte by byte, the same replies come out.
    for (size_t piece : {wire.size(), size_t{1}, size_t{7}}) {
        FtpReplyParser parser;
        std::vector<FtpReply> replies;
        for (size_t at = 0; at < wire.size(); at += piece) {
            parser.Feed(wire.data() + at, std::min(piece, wire.size() - at));
            FtpReply reply;
            Result r;
            while ((r = parser.Next(reply)) == Result::Reply) replies.push_back(reply);
            ASSERT_EQ(r, Result::NeedMore);
        }
        ASSERT_EQ(replies.size(), 3u) << "piece " << piece;
        EXPECT_EQ(replies[0].code, 220);
        EXPECT_EQ(replies[0].text, "Ready.");
        EXPECT_EQ(replies[1].code, 211);
        EXPECT_EQ(replies[1].text, "Features:\n EPSV\n211-still going\n 212 not the end\nEnd");
        EXPECT_EQ(replies[2].code, 200);
        EXPECT_EQ(replies[2].text, "");
    }
}

TEST(FtpReplyParser, RefusesWhatIsNotAReply) {
    for (const char* wire :
         {"hello\r\n", "22 short\r\n", "620 no such class\r\n", "220xReady\r\n", "\r\n"}) {
        FtpReplyParser parser;
        parser.Feed(wire, std::strlen(wire));
        FtpReply reply;
        EXPECT_EQ(parser.Next(reply), Result::Bad) << wire;
        EXPECT_EQ(parser.Next(reply), Result::Bad) << "stays bad";
    }
    // A line without end beyond the limit is refused before it fills memory.
    FtpReplyParser parser;
    const std::string endless(FtpReplyParser::kMaxLine + 10, '2');
    parser.Feed(endless.data(), endless.size());
    FtpReply reply;
    EXPECT_EQ(parser.Next(reply), Result::Bad);
    // So is a multi-line reply that never ends.
    FtpReplyParser chatty;
    std::string lines = "230-Welcome\r\n";
    for (size_t i = 0; i <= FtpReplyParser::kMaxLines; ++i) lines += "more\r\n";
    chatty.Feed(lines.data(), lines.size());
    EXPECT_EQ(chatty.Next(reply), Result::Bad);
}

TEST(FtpPassiveReplies, PasvAndEpsvPorts) {
    uint8_t address[4] = {};
    uint16_t port = 0;
    ASSERT_TRUE(ParsePasvReply("Entering Passive Mode (192,168,1,20,19,137).", address, port));
    EXPECT_EQ(address[0], 192);
    EXPECT_EQ(address[3], 20);
    EXPECT_EQ(port, 19 * 256 + 137);
    ASSERT_TRUE(ParsePasvReply("=10,0,0,1,0,21", address, port));
    EXPECT_EQ(port, 21);
    EXPECT_FALSE(ParsePasvReply("Entering Passive Mode (300,1,1,1,1,1)", address, port));
    EXPECT_FALSE(ParsePasvReply("Entering Passive Mode (1,2,3,4,5)", address, port));
    EXPECT_FALSE(ParsePasvReply("(1,2,3,4,0,0)", address, port));

    ASSERT_TRUE(ParseEpsvReply("Entering Extended Passive Mode (|||6446|)", port));
    EXPECT_EQ(port, 6446);
    ASSERT_TRUE(ParseEpsvReply("ok (note) (!!!2121!)", port));
    EXPECT_EQ(port, 2121);
    for (const char* bad :
         {"(|||0|)", "(|||70000|)", "(|||12a|)", "(||1|)", "(|||", "|||21|", "(|||21!)"}) {
        EXPECT_FALSE(ParseEpsvReply(bad, port)) << bad;
    }
}

TEST(FtpServerText, PortAfterTheLastColon) {
    auto check = [](const char* text, const char* host, uint16_t port) {
        FtpServerAddress a = ParseFtpServer(text);
        EXPECT_EQ(a.host, host) << text;
        EXPECT_EQ(a.port, port) << text;
        EXPECT_TRUE(a.portValid) << text;
    };
    check("ftp.example.org:2121", "ftp.example.org", 2121);
    check("ftp.example.org", "ftp.example.org", 21);
    check(":ftp.example.org", ":ftp.example.org", 21);  // a leading colon is no separator
    check("host:", "host", 21);
    check("host:0", "host", 21);
    check("[::1]:2121", "::1", 2121);
    check("[::1]", "::1", 21);
    check("fe80::1", "fe80::1", 21);
    EXPECT_FALSE(ParseFtpServer("host:70000").portValid);
    // A scheme chooses encryption; what follows it reads as before.
    check("ftps://[::1]:990/", "::1", 990);
    check("FTP://host", "host", 21);
    EXPECT_TRUE(ParseFtpServer("ftps://host").secure);
    EXPECT_FALSE(ParseFtpServer("ftp://host:2121").secure);
    EXPECT_FALSE(ParseFtpServer("sftp://host").schemeKnown);
}

TEST(FtpRemotePaths, SlashOnlyWhenNeeded) {
    EXPECT_EQ(FtpRemotePath("upload", "Mora.tst"), "upload/Mora.tst");
    EXPECT_EQ(FtpRemotePath("upload/", "Mora.tst"), "upload/Mora.tst");
    EXPECT_EQ(FtpRemotePath("", "Mora.tst"), "Mora.tst");

    Settings settings;
    InternetState internet;
    settings.PublishFileExt = "mp2";
    JStreamWrFTP stream(settings, internet);
    settings.FtpDestDir = "news";
    EXPECT_EQ(stream.RemotePath("clip"), "news/clip.mp2");
    settings.FtpDestDir = "";
    EXPECT_EQ(stream.RemotePath("clip"), "clip.mp2");
}

TEST(InternetErrors, MessagesByCode) {
    EXPECT_EQ(InternetErrorMessage("FtpOpenFile", {kNetExtendedError, 550, "No such file.", {}}),
              "FtpOpenFile 550 No such file.");
    EXPECT_EQ(
        InternetErrorMessage("X", {kNetExtendedError, 500, std::string(2000, 'a'), {}}).size(),
        std::string("X 500 ").size() + 799);
    EXPECT_EQ(InternetErrorMessage("InternetConnect", {kNetTimeout, 0, "", {}}), "Timeout");
    EXPECT_EQ(InternetErrorMessage("InternetConnect", {kNetIncorrectPassword, 530, "no", {}}),
              "Incorrect username or password");
    EXPECT_EQ(InternetErrorMessage("FTP DeleteFile busy", {}), "FTP DeleteFile busy");
}

}  // namespace
}  // namespace mora
