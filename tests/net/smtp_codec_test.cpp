// The pieces of the mail client that need no server: base64 (one-shot and streaming), the
// CRAM-MD5 answer, the reply reader, the message layout and server texts.

#include <gtest/gtest.h>

#include <random>

#include "net/email_base64.h"
#include "net/email_mime.h"
#include "net/server_scheme.h"
#include "net/smtp_auth.h"
#include "net/smtp_reply.h"
#include "net/socket_stream.h"
#include "tests/net/smtp_server_fixture.h"

namespace mora {
namespace {

std::string Stream(const std::vector<uint8_t>& data, const std::vector<size_t>& pieces) {
    Base64Stream encoder;
    std::string out;
    size_t at = 0;
    for (size_t n : pieces) {
        encoder.Encode(data.data() + at, n, out);
        at += n;
    }
    encoder.Encode(data.data() + at, data.size() - at, out);
    encoder.Flush(out);
    return out;
}

std::string WithoutLineEnds(std::string s) {
    std::erase(s, '\r');
    std::erase(s, '\n');
    return s;
}

TEST(Base64, KnownVectorsAndDecodingStopsAtPadding) {
    const char* plain[] = {"", "f", "fo", "foo", "foob", "fooba", "foobar"};
    const char* coded[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(Base64Encode(std::string(plain[i])), coded[i]);
        EXPECT_EQ(Base64Decode(coded[i]), plain[i]);
    }
    EXPECT_EQ(Base64Decode("Zm9v YmFy"), "foo");
    EXPECT_EQ(Base64Decode("Zm9vYg"), "foob");  // missing padding still yields whole bytes
}

TEST(Base64, StreamingMatchesOneShotWhateverThePieces) {
    std::mt19937 rng(7);
    for (size_t size : {0u, 1u, 2u, 3u, 56u, 57u, 58u, 113u, 114u, 115u, 1000u, 4096u}) {
        auto data = test::TestBytes(size, static_cast<uint32_t>(size));
        const std::string whole = Base64Encode(data.data(), data.size());
        std::vector<size_t> pieces;
        for (size_t left = size; left > 0;) {
            size_t n = std::min<size_t>(left, rng() % 5);  // many 0, 1 and 2 byte writes
            pieces.push_back(n);
            left -= n;
        }
        const std::string streamed = Stream(data, pieces);
        EXPECT_EQ(WithoutLineEnds(streamed), whole) << size;
        EXPECT_EQ(Stream(data, {}), streamed) << size;
        EXPECT_LE(streamed.size(), Base64Stream::EncodedSizeBound(size) + 4);
    }
}

TEST(Base64, StreamedLinesAre76CharactersAndPaddingFollowsTheRemainder) {
    auto data = test::TestBytes(57 * 3 + 2, 1);
    const std::string out = Stream(data, {10, 1, 1, 100});
    size_t start = 0, lines = 0;
    for (size_t end; (end = out.find("\r\n", start)) != std::string::npos; start = end + 2) {
        EXPECT_EQ(end - start, 76u);
        ++lines;
    }
    EXPECT_EQ(lines, 3u);
    EXPECT_EQ(out.substr(start).size(), 4u);  // the last 2 bytes, without a line end
    EXPECT_EQ(out.back(), '=');
}

TEST(Base64, FinalGroupAndLineCountRestartAfterFlush) {
    auto encode = [](size_t n) { return Stream(test::TestBytes(n, 3), {}); };
    EXPECT_EQ(encode(30).find('='), std::string::npos);
    EXPECT_EQ(encode(31).substr(encode(31).size() - 2), "==");
    EXPECT_EQ(encode(32).substr(encode(32).size() - 1), "=");
    EXPECT_NE(encode(32).substr(encode(32).size() - 2), "==");

    Base64Stream encoder;
    std::string first, second;
    auto data = test::TestBytes(57, 4);
    encoder.Encode(data.data(), 40, first);
    encoder.Flush(first);
    encoder.Encode(data.data(), 57, second);  // exactly one line: the count started afresh
    EXPECT_EQ(second.size(), 78u);
    EXPECT_EQ(second.substr(76), "\r\n");
}

TEST(CramMd5, AnswersTheRfc2195ExampleAndHashesLongKeys) {
    EXPECT_EQ(CramMd5Response("tim", "tanstaaftanstaaf",
                              "PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+"),
              "dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw");
    // HMAC-MD5 with an 80-byte key (RFC 2202, case 6).
    EXPECT_EQ(
        CramMd5Response("u", std::string(80, '\xaa'),
                        "VGVzdCBVc2luZyBMYXJnZXIgVGhhbiBCbG9jay1TaXplIEtleSAtIEhhc2ggS2V5IEZpcnN0"),
        "dSA2YjFhYjdmZTRiZDdiZjhmMGI2MmU2Y2U2MWI5ZDBjZA==");
}

SmtpReply Gather(const std::string& bytes, size_t piece, size_t* used = nullptr) {
    SmtpReply reply;
    size_t total = 0;
    for (size_t at = 0; at < bytes.size(); at += piece) {
        total += reply.Take(bytes.data() + at, std::min(piece, bytes.size() - at));
    }
    if (used) *used = total;
    return reply;
}

TEST(SmtpReplyReader, JudgesTheLastLineHoweverTheReplyArrives) {
    const std::string multi =
        "250-mail.example 550 note\r\n250-8BITMIME\r\n550 mailbox unknown\r\n";
    for (size_t piece : {1u, 2u, 3u, 7u, 1000u}) {
        SmtpReply r = Gather(multi, piece);
        ASSERT_TRUE(r.IsComplete()) << piece;
        EXPECT_EQ(r.Code(), 550);
        EXPECT_EQ(r.LastText(), "mailbox unknown");
    }
    EXPECT_FALSE(Gather("250-first\r\n250-second\r\n", 1).IsComplete());
    EXPECT_EQ(Gather("250-first\r\n250-second\r\n", 1).Code(), 0);
    EXPECT_EQ(Gather("220 ready", 100).GetStatus(), SmtpReply::Status::incomplete);
    EXPECT_EQ(Gather("354\r\n", 2).Code(), 354);                    // code alone
    EXPECT_EQ(Gather("334 PDE4OTY+\n", 2).LastText(), "PDE4OTY+");  // bare line feed
}

TEST(SmtpReplyReader, LeavesWhatFollowsAndRefusesMalformedOrEndlessReplies) {
    size_t used = 0;
    SmtpReply r = Gather("235 ok\r\n250 next\r\n", 1000, &used);
    EXPECT_EQ(r.Code(), 235);
    EXPECT_EQ(used, 8u);
    for (const char* bad :
         {"hello\r\n", "25\r\n", "2500 x\r\n", "250_x\r\n", "099 x\r\n", "250-ok\r\nxyz\r\n"}) {
        EXPECT_EQ(Gather(bad, 3).GetStatus(), SmtpReply::Status::malformed) << bad;
        EXPECT_EQ(Gather(bad, 3).Code(), 0);
    }
    std::string endless = "250-";
    endless.append(SmtpReply::kMaxSize, 'x');
    EXPECT_EQ(Gather(endless, 4096).GetStatus(), SmtpReply::Status::malformed);
}

TEST(MailLayout, BodyIsTransparentAndHeaderValuesStayOnOneLine) {
    EXPECT_EQ(BodyText(".\n.x\nbare\rcr\r\nok", true), "..\r\n..x\r\nbare\r\ncr\r\nok");
    EXPECT_EQ(BodyText(".\n.x", false), ".\r\n.x");
    EXPECT_EQ(BodyText("a.b\n x.", true), "a.b\r\n x.");
    EXPECT_EQ(OneLine("Hi\r\nBcc: all@example.org"), "Hi  Bcc: all@example.org");
    const std::string head = AttachmentHead("say \"hi\"\n.wav", "b");
    EXPECT_NE(head.find("filename=\"say \\\"hi\\\" .wav\"\r\n"), std::string::npos);
    MailHeader h{"to@x.org", "S", "from@x.org"};
    const std::string b = NewMimeBoundary("text");
    const std::string message = MessageHead(h, "text", "a.wav", true, b) +
                                AttachmentHead("b.jpg", b) + MessageTail(true, b);
    size_t boundaries = 0;
    for (size_t at = 0; (at = message.find("\r\n--" + b + "\r\n", at)) != std::string::npos; ++at)
        ++boundaries;
    EXPECT_EQ(boundaries, 4u);  // text, two attachments, the final empty part
    EXPECT_EQ(message.substr(message.size() - b.size() - 15), "\r\n--" + b + "--\r\n\r\n\r\n.\r\n");
    EXPECT_EQ(MessageTail(false, b),
              MessageTail(true, b).substr(0, MessageTail(true, b).size() - 3));
}

// A body could end the text part early with a fixed boundary, and a line over 998 octets broke
// the message at strict servers.
TEST(MailLayout, BoundaryIsNeverInTheBodyAndLongLinesGoQuotedPrintable) {
    const std::string body = "--Mora-\n" + std::string(2000, 'a') + " =\xc3\xa4 \n.end";
    const std::string b = NewMimeBoundary(body);
    EXPECT_NE(b, NewMimeBoundary(body));
    EXPECT_EQ(body.find(b), std::string::npos);
    const std::string head = MessageHead({"t@x.org", "S", "f@x.org"}, body, "a.wav", true, b);
    EXPECT_NE(head.find("charset=UTF-8\r\nContent-Transfer-Encoding: quoted-printable\r\n"),
              std::string::npos);
    size_t start = 0;
    for (size_t end; (end = head.find("\r\n", start)) != std::string::npos; start = end + 2)
        EXPECT_LE(end - start, 998u);
    EXPECT_NE(head.find("=3D=C3=A4=20\r\n..end"), std::string::npos);
    EXPECT_FALSE(PlainAddress("a@x.org> SIZE=1"));
    EXPECT_TRUE(PlainAddress("a@x.org"));
}

TEST(ServerText, PortIsOptionalAndBlanksAreDropped) {
    std::string host;
    uint16_t port = 0;
    ASSERT_TRUE(SplitHostPort("mail.example.org", 25, host, port));
    EXPECT_EQ(host, "mail.example.org");
    EXPECT_EQ(port, 25);
    ASSERT_TRUE(SplitHostPort(" 10.0.0.1:2525\n", 25, host, port));
    EXPECT_EQ(host, "10.0.0.1");
    EXPECT_EQ(port, 2525);
    ASSERT_TRUE(SplitHostPort("[::1]:587", 25, host, port));
    EXPECT_EQ(host, "::1");
    EXPECT_EQ(port, 587);
    ASSERT_TRUE(SplitHostPort("fe80::1", 25, host, port));
    EXPECT_EQ(host, "fe80::1");
    EXPECT_FALSE(SplitHostPort("host:", 25, host, port));
    EXPECT_FALSE(SplitHostPort("host:70000", 25, host, port));
    EXPECT_FALSE(SplitHostPort("host:2x", 25, host, port));
}

TEST(ServerText, SchemeChoosesTransportAndDefaultPort) {
    const ServerScheme implicit = SplitMailScheme(" smtps://mail.example.org\n");
    EXPECT_EQ(implicit.transport, ServerTransport::ImplicitTls);
    EXPECT_EQ(implicit.address, "mail.example.org");
    EXPECT_EQ(implicit.defaultPort, 465);
    const ServerScheme start = SplitMailScheme("SMTP+STARTTLS://[::1]:2525");
    EXPECT_EQ(start.transport, ServerTransport::StartTls);
    EXPECT_EQ(start.address, "[::1]:2525");
    EXPECT_EQ(start.defaultPort, 587);
    EXPECT_FALSE(SplitMailScheme("mail.example.org:2525").Encrypted());
    EXPECT_FALSE(SplitMailScheme("ftps://mail.example.org").known);
}

}  // namespace
}  // namespace mora
