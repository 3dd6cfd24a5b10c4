#include <gtest/gtest.h>

#include "stream/binary_io.h"
#include "stream/jstream_memory.h"
#include "stream/versioned_io.h"

namespace mora {
namespace {

TEST(BinaryIo, CountedStringsRoundTripAndEmptyStringsStoreOnlyTheCount) {
    JStreamMemory out;
    WriteStr(out, "");
    WriteStr(out, "Grüße \xF0\x9F\x8E\xA4");  // a character outside the BMP takes two units
    const auto& b = out.Bytes();
    ASSERT_GE(b.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 4), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(b[4], 8);  // 6 letters + a surrogate pair
    EXPECT_EQ(b.size(), 4u + 4u + 9u * 2u);
    EXPECT_EQ(b[b.size() - 1], 0);
    EXPECT_EQ(b[b.size() - 2], 0);

    JStreamMemory in(b);
    std::string first = "was here", second;
    EXPECT_TRUE(ReadStr(in, first));
    EXPECT_EQ(first, "");
    EXPECT_TRUE(ReadStr(in, second));
    EXPECT_EQ(second, "Grüße \xF0\x9F\x8E\xA4");
}

TEST(BinaryIo, ShortAndOversizedFieldsLeaveTheTargetAlone) {
    const uint8_t twoBytes[] = {0x34, 0x12};
    JStreamMemory in(twoBytes, sizeof twoBytes);
    uint32_t wide = 77;
    EXPECT_FALSE(ReadLE(in, wide));
    EXPECT_EQ(wide, 77u);
    uint16_t narrow = 5;
    EXPECT_FALSE(ReadLE(in, narrow));  // once the end was met, nothing more is read
    EXPECT_EQ(narrow, 5);

    // A count of four thousand million characters in a 10-byte file.
    const uint8_t huge[] = {0xFF, 0xFF, 0xFF, 0xFF, 'a', 0, 'b', 0, 0, 0};
    JStreamMemory hugeIn(huge, sizeof huge);
    std::string text = "kept";
    EXPECT_FALSE(ReadStr(hugeIn, text));
    EXPECT_EQ(text, "kept");

    // A count one unit too long for the bytes that follow.
    const uint8_t almost[] = {2, 0, 0, 0, 'a', 0, 'b', 0};
    JStreamMemory almostIn(almost, sizeof almost);
    EXPECT_FALSE(ReadStr(almostIn, text));
    EXPECT_EQ(text, "kept");
}

TEST(BinaryIo, SignedValuesAndGatesRoundTrip) {
    struct Rec {
        int16_t a = -30;
        uint32_t b = 0xDEADBEEF;
        std::string c = "gated";
    };
    auto fields = [](auto& io, Rec& r) {
        io.Int(r.a);
        if (io.Pass(3)) io.Int(r.b);
        io.Reserved(3);
        if (io.Pass(4)) io.Str(r.c);
    };
    Rec written;
    JStreamMemory out;
    FieldWriter writer{out};
    fields(writer, written);
    EXPECT_EQ(out.Bytes().size(), 2u + 4u + 3u + 4u + 12u);

    Rec v4{0, 0, "default"};
    JStreamMemory in(out.Bytes());
    FieldReader reader{in, 4};  // version 4: field c (gate 4) is absent
    fields(reader, v4);
    EXPECT_EQ(v4.a, -30);
    EXPECT_EQ(v4.b, 0xDEADBEEFu);
    EXPECT_EQ(v4.c, "default");
}

}  // namespace
}  // namespace mora
