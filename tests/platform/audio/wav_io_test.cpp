#include <gtest/gtest.h>

#include <cstring>

#include "platform/audio/wav_io.h"

namespace mora {
namespace {

struct Bytes {
    std::vector<uint8_t> data;
    Bytes& Tag(const char* t) {
        for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(t[i]));
        return *this;
    }
    Bytes& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& U16(uint16_t v) {
        data.push_back(static_cast<uint8_t>(v));
        data.push_back(static_cast<uint8_t>(v >> 8));
        return *this;
    }
    Bytes& Zeros(size_t n) {
        data.resize(data.size() + n, 0);
        return *this;
    }
    Bytes& Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t size = 16) {
        Tag("fmt ").U32(size).U16(tag).U16(channels).U32(rate).U32(rate * channels * bits / 8);
        U16(static_cast<uint16_t>(channels * bits / 8)).U16(bits);
        return Zeros(size - 16);
    }
};

bool Parse(const std::vector<uint8_t>& file, WavLayout& layout, std::string& error) {
    auto read = [&](uint64_t offset, uint8_t* dst, size_t n) -> size_t {
        if (offset >= file.size()) return 0;
        const size_t k = std::min<size_t>(n, file.size() - offset);
        std::memcpy(dst, file.data() + offset, k);
        return k;
    };
    return ParseWav(read, file.size(), layout, error);
}

TEST(WavLayout, FindsDataPastOtherChunksAndPadding) {
    Bytes b;
    b.Tag("RIFF").U32(0).Tag("WAVE").Fmt(1, 2, 48000, 24);
    b.Tag("LIST").U32(3).Zeros(4);  // odd size, one pad byte
    b.Tag("data").U32(12).Zeros(12);
    WavLayout layout;
    std::string error;
    ASSERT_TRUE(Parse(b.data, layout, error)) << error;
    EXPECT_EQ(layout.format, (PcmFormat{48000, 2, 24}));
    EXPECT_EQ(layout.dataOffset, b.data.size() - 12);
    EXPECT_EQ(layout.dataBytes, 12u);

    // Our own header reads back as written.
    auto header = WavHeader(PcmFormat{44100, 1, 16}, 8);
    header.resize(header.size() + 8);
    ASSERT_TRUE(Parse(header, layout, error));
    EXPECT_EQ(layout.format, (PcmFormat{44100, 1, 16}));
    EXPECT_EQ(layout.dataOffset, 44u);
    EXPECT_EQ(layout.dataBytes, 8u);

    // Past 4 GiB the sizes stop at the last whole frame that 32 bits describe; they never wrap.
    header = WavHeader(PcmFormat{44100, 2, 16}, 5ull << 30);
    EXPECT_EQ(GetLE32(&header[40]), 0xFFFFFFD8u);
    EXPECT_EQ(GetLE32(&header[4]), 0xFFFFFFFCu);
}

TEST(WavLayout, AcceptsExtensiblePcmAndACutOffDataChunkOfWholeFrames) {
    Bytes b;
    b.Tag("RIFF").U32(0).Tag("WAVE").Fmt(0xFFFE, 2, 44100, 16, 40);
    b.data[12 + 8 + 24] = 1;  // sub-format: PCM
    b.Tag("data").U32(0xFFFFFFFF).Zeros(11);
    WavLayout layout;
    std::string error;
    ASSERT_TRUE(Parse(b.data, layout, error)) << error;
    EXPECT_EQ(layout.dataBytes, 8u);  // 11 bytes on disk, two whole frames
}

TEST(WavLayout, RefusesWhatTheDevicesCannotPlay) {
    WavLayout layout;
    std::string error;
    auto refuse = [&](const Bytes& b, const char* why) {
        error.clear();
        EXPECT_FALSE(Parse(b.data, layout, error)) << why;
        EXPECT_NE(error.find(why), std::string::npos) << error;
    };
    Bytes notRiff;
    notRiff.Tag("RIFX").U32(0).Tag("WAVE");
    refuse(notRiff, "not a RIFF WAVE");
    Bytes floats;
    floats.Tag("RIFF").U32(0).Tag("WAVE").Fmt(3, 1, 44100, 32).Tag("data").U32(0);
    refuse(floats, "not integer PCM");
    Bytes eightBit;
    eightBit.Tag("RIFF").U32(0).Tag("WAVE").Fmt(1, 1, 44100, 8).Tag("data").U32(0);
    refuse(eightBit, "unsupported PCM format");
    Bytes noChannels;
    noChannels.Tag("RIFF").U32(0).Tag("WAVE").Fmt(1, 0, 44100, 16).Tag("data").U32(0);
    refuse(noChannels, "unsupported PCM format");
    Bytes dataFirst;
    dataFirst.Tag("RIFF").U32(0).Tag("WAVE").Tag("data").U32(0).Fmt(1, 1, 44100, 16);
    refuse(dataFirst, "no format chunk");
    Bytes noData;
    noData.Tag("RIFF").U32(0).Tag("WAVE").Fmt(1, 1, 44100, 16);
    refuse(noData, "no data chunk");
    Bytes shortFmt;
    shortFmt.Tag("RIFF").U32(0).Tag("WAVE").Tag("fmt ").U32(16).U16(1);
    refuse(shortFmt, "no format chunk");
}

}  // namespace
}  // namespace mora
