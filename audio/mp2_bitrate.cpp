#include "audio/mp2_bitrate.h"

#include "stream/report.h"

namespace mora {

bool MakeMp2Bitrate(int index, uint32_t levelValuesPerSecond, Mp2Bitrate& out) {
    if (index < 0 || index >= static_cast<int>(kMp2BitratesKbps.size()) ||
        levelValuesPerSecond == 0)
        return false;
    out.index = index;
    out.bitsPerSecond = kMp2BitratesKbps[static_cast<size_t>(index)] * 1000;
    out.frameLength = out.bitsPerSecond * 3 / 1000;
    out.bytesPerLevelUnit = out.bitsPerSecond / (8 * levelValuesPerSecond);
    return true;
}

bool SetBitrate(Mp2Bitrate& state, int index, uint32_t levelValuesPerSecond) {
    if (!MakeMp2Bitrate(index, levelValuesPerSecond, state)) {
        ReportError("Illegal bitrate");
        return false;
    }
    return true;
}

bool Mp2ModeAllows(int index, bool stereo) {
    if (index < 0 || index >= static_cast<int>(kMp2BitratesKbps.size())) return false;
    const uint32_t kbps = kMp2BitratesKbps[static_cast<size_t>(index)];
    return stereo ? kbps >= 64 && kbps != 80 : kbps <= 192;
}

std::string IllegalBitrateText(int index, bool stereo) {
    if (index < 0 || index >= static_cast<int>(kMp2BitratesKbps.size())) return "Illegal bitrate";
    return "Illegal bitrate for " + std::string(stereo ? "stereo" : "mono") + ": " +
           std::to_string(kMp2BitratesKbps[static_cast<size_t>(index)]) + " kbit/s";
}

int RecordableMp2BitrateIndex(int index, bool stereo) {
    if (index < 0 || index >= static_cast<int>(kMp2BitratesKbps.size()) ||
        Mp2ModeAllows(index, stereo))
        return index;
    int next = index;
    while (!Mp2ModeAllows(next, stereo)) next += stereo ? 1 : -1;
    return next;
}

}  // namespace mora
