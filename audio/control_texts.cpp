#include "audio/control_texts.h"

#include <cstdio>

namespace mora {
namespace {
template <typename T>
std::string Format(const char* format, T value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
}  // namespace

std::string GainText(uint32_t gainDb) {
    return Format("%+2ddB", static_cast<int>(gainDb));
}
int GainKnob(uint32_t gainDb) {
    return static_cast<int>(gainDb * 65536 / 40);
}
std::string InterfaceGainText(int value) {
    return Format("%+2.0fdB", value * 0.5 - 96);
}
int InterfaceGainKnob(int value) {
    return (value - 126) * 512;
}

std::string VolumeText(uint32_t step) {
    return Format("%+2ddB", static_cast<int>(step) - 20);
}
int VolumeKnob(uint32_t step) {
    return static_cast<int>(step * 65536 / 20);
}
std::string InterfaceVolumeText(int value) {
    return Format("  %+2.0fdB", value - 121.0);
}
int InterfaceVolumeKnob(int value) {
    return (value - 111) * 4096;
}

}  // namespace mora
