#include "audio/bwf_metadata.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/riff.h"

namespace mora {
namespace {
template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buf[512];
    int n = std::snprintf(buf, sizeof buf, format, args...);
    return std::string(buf,
                       static_cast<size_t>(std::clamp(n, 0, static_cast<int>(sizeof buf) - 1)));
}

void PutText(uint8_t* p, size_t width, const std::string& text) {
    std::memcpy(p, text.data(), std::min(width, text.size()));
}

std::string CodingHistory(const BwfSource& s, bool stereo) {
    const char* mode = stereo && !(s.mp2Recordings && s.fastPublish) ? "stereo" : "mono";
    if (!s.mp2Recordings) {
        return Format("A=PCM,F=%u,W=16,M=%s\r\nA=PCM,F=48000,W=16,M=%s,T=Mora by Quorvane \r\n",
                      s.recordingRate, mode, mode);
    }
    return Format(
        "A=PCM,F=%u,W=16,M=%s\r\nA=MPEG1L2,F=48000,B=%u,W=16,M=%s,T=Mora by Quorvane \r\n",
        s.recordingRate, mode, s.mp2BitrateKbps, mode);
}

// "hh:mm:ss:t" of a position counted in level values.
std::string CueTime(uint32_t position, uint32_t perSecond) {
    const uint32_t seconds = position / perSecond;
    const uint32_t tenths = (position % perSecond) * 10 / perSecond;
    return Format("%02u:%02u:%02u:%1u", seconds / 3600, seconds / 60 % 60, seconds % 60, tenths);
}

std::vector<uint8_t> BuildLevl(const BwfSource& s, uint32_t total, uint8_t& peakOfPeaks) {
    std::vector<uint8_t> levl(128 + (total & ~3u) + 4, 0);
    uint32_t at = 128, peakPos = 0;
    peakOfPeaks = 0;
    for (const auto& clip : s.clips) {
        for (uint8_t level : clip.levels) {
            const uint8_t peak = s.levelToPeak[level];
            if (peak > peakOfPeaks) {
                peakOfPeaks = peak;
                peakPos = at - 128;
            }
            levl[at++] = peak;
        }
    }
    uint32_t shift = 0;
    while ((5u << shift) < s.levelValuesPerSecond) ++shift;
    PutTag(&levl[0], "levl");
    PutLE32(&levl[4], static_cast<uint32_t>(levl.size() - 8));
    PutLE32(&levl[8], 0);
    PutLE32(&levl[12], 1);
    PutLE32(&levl[16], 1);
    PutLE32(&levl[20], 9600u >> shift);
    PutLE32(&levl[24], 1);
    PutLE32(&levl[28], total);
    PutLE32(&levl[32], peakPos);
    PutLE32(&levl[36], 128);
    const RecordingTime& t = s.firstRecording;
    PutText(&levl[40], 28,
            Format("%04d:%02d:%02d:%02d:%02d:%02d:%03d", t.year, t.month, t.day, t.hour, t.minute,
                   t.second, t.millisecond));
    return levl;
}

std::string QualityReport(const BwfSource& s, uint8_t peakOfPeaks) {
    const double db = peakOfPeaks > 0 ? 20 * std::log10(peakOfPeaks / 255.0) : -99.9;
    std::string text = "SM=00:00:00:0\r\n";
    text += Format("P=QP:MaxPeak:%.1fdBFSL;%.1fdBFSR\r\n", db, db);
    uint32_t cue = 0, start = 0;
    for (size_t i = 0; i < s.clips.size(); ++i) {
        const BwfClip& clip = s.clips[i];
        for (const auto& [position, index] : clip.markers) {
            text += Format("C=N%03u, TS=%s, T=%sM%d\r\n", cue++,
                           CueTime(start + position, s.levelValuesPerSecond).c_str(),
                           clip.name.c_str(), index);
        }
        start += static_cast<uint32_t>(clip.levels.size());
        const std::string next = i + 1 < s.clips.size() ? s.clips[i + 1].name : "End";
        text += Format("C=N%03u, TS=%s, T=%s\r\n", cue++,
                       CueTime(start, s.levelValuesPerSecond).c_str(), next.c_str());
    }
    return text;
}
}  // namespace

uint32_t ModifiedJulianDay(int year, int month, int day) {
    if (month <= 2) {
        month += 12;
        year -= 1;
    }
    const int a = year / 100;
    return static_cast<uint32_t>(static_cast<int>(std::floor(365.25 * year)) +
                                 static_cast<int>(std::floor(30.6001 * (month + 1))) + day + 2 - a +
                                 a / 4 - 679006);
}

std::array<uint8_t, 64> BuildUmid(const BwfSource& s, bool stereo, uint32_t timeReference) {
    std::array<uint8_t, 64> u{};
    const uint8_t label[10] = {0x06, 0x0A, 0x2B, 0x34, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01};
    std::memcpy(u.data(), label, sizeof label);
    u[10] = stereo ? 9 : 8;
    u[11] = 0x13;
    u[12] = 0x33;
    u[13] = 0x01;
    u[14] = 0x12;
    u[15] = 0x34;
    PutLE32(&u[16], timeReference);
    uint32_t mjd =
        ModifiedJulianDay(s.firstRecording.year, s.firstRecording.month, s.firstRecording.day);
    for (int i = 0; i < 3; ++i) {  // six BCD digits, least significant pair first
        const uint32_t pair = mjd % 100;
        mjd /= 100;
        u[20 + static_cast<size_t>(i)] = static_cast<uint8_t>((pair / 10) << 4 | (pair % 10));
    }
    u[23] = 0x80;
    PutLE16(&u[24], s.tickLow);
    std::copy(s.umidCountry.begin(), s.umidCountry.end(), u.begin() + 52);
    std::copy(s.umidOrg.begin(), s.umidOrg.end(), u.begin() + 56);
    std::copy(s.umidUser.begin(), s.umidUser.end(), u.begin() + 60);
    return u;
}

BwfMetadata BuildBwfMetadata(const BwfSource& s) {
    BwfMetadata m;
    m.levelValuesPerSecond = s.levelValuesPerSecond;
    for (const auto& clip : s.clips) {
        m.channels = std::max(m.channels, clip.channels);
        m.totalLevelValues += static_cast<uint32_t>(clip.levels.size());
    }
    const std::string history = CodingHistory(s, m.stereo());
    m.history.assign(history.begin(), history.end());
    m.history.resize((history.size() & ~size_t{1}) + 2, 0);

    uint8_t peakOfPeaks = 0;
    m.levl = BuildLevl(s, m.totalLevelValues, peakOfPeaks);
    const std::string report = QualityReport(s, peakOfPeaks);
    m.qlty.assign(((report.size() + 16) & ~size_t{3}) + 4, 0);
    std::memcpy(&m.qlty[16], report.data(), report.size());
    for (unsigned char c : report) m.reportChecksum += c;
    PutTag(&m.qlty[0], "qlty");
    PutLE32(&m.qlty[4], static_cast<uint32_t>(m.qlty.size() - 8));
    PutLE32(&m.qlty[8], m.reportChecksum);

    uint8_t* h = m.header.data();
    PutTag(h, "RIFF");
    PutTag(h + 8, "WAVE");
    PutTag(h + 12, "bext");
    PutLE32(h + 16, HistoryEvenLength(m) + 604);
    uint8_t* bext = h + 20;
    PutText(bext, 255, s.description);
    PutText(bext + 256, 32, "PC");
    PutText(bext + 288, 32, "Mora");
    const RecordingTime& t = s.firstRecording;
    PutText(bext + 320, 10, Format("%04d-%02d-%02d", t.year, t.month, t.day));
    PutText(bext + 330, 8, Format("%02d:%02d:%02d", t.hour, t.minute, t.second));
    const uint32_t timeReference =
        static_cast<uint32_t>(t.hour * 3600 + t.minute * 60 + t.second) * 48000u;
    PutLE32(bext + 338, timeReference);
    PutLE32(bext + 342, 0);
    PutLE16(bext + 346, 1);
    const auto umid = BuildUmid(s, m.stereo(), timeReference);
    std::memcpy(bext + 348, umid.data(), umid.size());
    return m;
}

uint32_t FramesForLevelValues(uint32_t levelValues, uint32_t levelValuesPerSecond) {
    const uint64_t samples = uint64_t{levelValues} * 48000 / levelValuesPerSecond;
    return static_cast<uint32_t>((samples + kMp2FrameSamples - 1) / kMp2FrameSamples);
}

uint32_t HistoryEvenLength(const BwfMetadata& m) {
    return static_cast<uint32_t>(m.history.size() - 2);
}

uint64_t RiffSizeMpeg(const BwfMetadata& m, uint64_t dataBytes) {
    return HistoryEvenLength(m) + dataBytes + 704 + m.levl.size() + m.qlty.size();
}

void SetHeaderSizes(BwfMetadata& m, uint32_t riffSize) {
    PutLE32(&m.header[4], riffSize);
}

std::array<uint8_t, 88> MpegFormatBlock(int channels, const Mp2Bitrate& bitrate, uint32_t frames) {
    std::array<uint8_t, 88> b{};
    uint8_t* p = b.data();
    PutTag(p, "fmt ");
    PutLE32(p + 4, 40);
    PutLE16(p + 8, 0x0050);
    PutLE16(p + 10, static_cast<uint32_t>(channels));
    PutLE32(p + 12, 48000);
    PutLE32(p + 16, bitrate.bitsPerSecond / 8);
    PutLE16(p + 20, bitrate.frameLength);
    PutLE16(p + 22, 0);
    PutLE16(p + 24, 22);
    PutLE16(p + 26, 2);
    PutLE32(p + 28, bitrate.bitsPerSecond);
    PutLE16(p + 32, channels == 2 ? 1 : 8);
    PutLE16(p + 38, 0x0010);
    PutTag(p + 48, "fact");
    PutLE32(p + 52, 4);
    PutLE32(p + 56, frames * kMp2FrameSamples);
    PutTag(p + 60, "mext");
    PutLE32(p + 64, 12);
    PutLE16(p + 68, 3);
    PutLE16(p + 70, bitrate.frameLength);
    PutTag(p + 80, "data");
    PutLE32(p + 84, frames * bitrate.frameLength);
    return b;
}

std::array<uint8_t, 44> PcmFormatBlock(int channels, uint32_t factSamples, uint32_t dataBytes) {
    std::array<uint8_t, 44> b{};
    uint8_t* p = b.data();
    const auto ch = static_cast<uint32_t>(channels);
    PutTag(p, "fmt ");
    PutLE32(p + 4, 16);
    PutLE16(p + 8, 1);
    PutLE16(p + 10, ch);
    PutLE32(p + 12, 48000);
    PutLE32(p + 16, ch * 96000);
    PutLE16(p + 20, ch * 2);
    PutLE16(p + 22, 16);
    PutTag(p + 24, "fact");
    PutLE32(p + 28, 4);
    PutLE32(p + 32, factSamples);
    PutTag(p + 36, "data");
    PutLE32(p + 40, dataBytes);
    return b;
}

}  // namespace mora
