#pragma once
// How the "Input EQ" page's sliders map to band values. Vertical sliders run from 0 at the top
// to 100 at the bottom; the overall gain slider from 0 to 50.

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mora {

inline constexpr int kEqSliderMax = 100;
inline constexpr int kGainSliderMax = 50;

// The frequency slider's lowest frequency per band (High, Mid, Low).
inline double EqBaseFrequency(int band) {
    return band == 0 ? 1000.0 : band == 1 ? 250.0 : 20.0;
}

// base × 10^((100 − p) / 77), in whole hertz.
inline uint16_t SliderFrequency(int band, int p) {
    const double hz = EqBaseFrequency(band) * std::pow(10.0, (kEqSliderMax - p) / 77.0);
    return static_cast<uint16_t>(std::clamp(hz + 1e-6, 0.0, 65535.0));
}
inline int FrequencySlider(int band, double hz) {
    if (hz <= 0) return kEqSliderMax;
    const double p = kEqSliderMax - 77.0 * std::log10(hz / EqBaseFrequency(band));
    return std::clamp(static_cast<int>(std::lround(p)), 0, kEqSliderMax);
}

// 200 − 4p tenths of a dB: +20.0 dB at the top, −20.0 dB at the bottom.
inline int16_t SliderGain(int p) {
    return static_cast<int16_t>(200 - 4 * p);
}
inline int GainSlider(int tenths) {
    return std::clamp(static_cast<int>(std::lround((200 - tenths) / 4.0)), 0, kEqSliderMax);
}

// 101 − p tenths: 10.1 at the top, 0.1 at the bottom.
inline uint16_t SliderQ(int p) {
    return static_cast<uint16_t>(101 - p);
}
inline int QFactorSlider(int tenths) {
    return std::clamp(101 - tenths, 0, kEqSliderMax);
}

// p − 25 dB.
inline int16_t SliderOverallGain(int p) {
    return static_cast<int16_t>(p - 25);
}
inline int OverallGainSlider(int db) {
    return std::clamp(db + 25, 0, kGainSliderMax);
}

}  // namespace mora
