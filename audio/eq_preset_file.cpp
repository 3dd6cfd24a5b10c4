#include "audio/eq_preset_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/riff.h"

namespace mora {
namespace {
constexpr size_t kRecordBytes = 10;
}

std::array<uint8_t, kEqPresetBytes> EncodeEqPreset(const EqBandSet& bands) {
    std::array<uint8_t, kEqPresetBytes> out{};
    for (int b = 0; b < kEqBandCount; ++b) {
        uint8_t* p = out.data() + b * kRecordBytes;
        const EqBand& band = bands[b];
        PutLE16(p, band.Frequency);
        PutLE16(p + 2, static_cast<uint16_t>(band.Gain));
        PutLE16(p + 4, band.Q);
        PutLE32(p + 6, band.Enabled);
    }
    return out;
}

bool DecodeEqPreset(const uint8_t* data, size_t size, EqBandSet& bands) {
    if (!data || size != kEqPresetBytes) return false;
    for (int b = 0; b < kEqBandCount; ++b) {
        const uint8_t* p = data + b * kRecordBytes;
        EqBand& band = bands[b];
        band.Frequency = GetLE16(p);
        band.Gain = static_cast<int16_t>(GetLE16(p + 2));
        band.Q = GetLE16(p + 4);
        band.Enabled = GetLE32(p + 6);
    }
    return true;
}

bool SaveEqPresetFile(const std::string& path, const EqBandSet& bands, std::string& error) {
    const auto bytes = EncodeEqPreset(bands);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         &std::fclose);
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
        std::fclose(file.release()) != 0) {
        error = path + ": the preset could not be written";
        return false;
    }
    return true;
}

bool LoadEqPresetFile(const std::string& path, EqBandSet& bands, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    uint8_t bytes[kEqPresetBytes + 1];
    const size_t got = std::fread(bytes, 1, sizeof bytes, file.get());
    if (!DecodeEqPreset(bytes, got, bands)) {
        error = path + ": not an EQ preset (a preset file holds 30 bytes)";
        return false;
    }
    return true;
}

std::string EqPresetName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

}  // namespace mora
