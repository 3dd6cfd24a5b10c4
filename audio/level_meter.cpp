#include "audio/level_meter.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mora {

LevelTables BuildLevelTables() {
    LevelTables t;
    t.forward[0] = kLevelSilent;
    for (int v = 1; v < 512; ++v) {
        double dB = 20.0 * std::log10(v / 511.0);
        double x;
        if (dB >= -10.0) {
            x = -3.0 * dB;
        } else if (dB >= -30.0) {
            x = 15.0 - 1.5 * dB;
        } else {
            x = 30.0 - dB;
        }
        int level = static_cast<int>(x + 0.5);
        if (level > kLevelSilent) level = kLevelSilent;
        if (level < 0) level = 0;
        t.forward[v] = static_cast<uint8_t>(level);
        // Later (louder) values overwrite earlier ones, so each level keeps its largest peak.
        t.reverse[level] = static_cast<uint16_t>(v >> 1);
    }
    return t;
}

uint8_t BufferLevel(const LevelTables& tables, const uint8_t* data, uint32_t length,
                    int bitsPerSample) {
    int32_t peak = 0;
    if (bitsPerSample == 24) {
        for (uint32_t i = 0; i + 3 <= length; i += 3) {
            int32_t upper = static_cast<int16_t>(data[i + 1] | (data[i + 2] << 8));
            if (upper > peak) peak = upper;
        }
    } else {
        // The extremes in 16 bits first, eight samples at a time where the vector unit can.
        int16_t lo = 0, hi = 0;
        uint32_t i = 0;
#if defined(__SSE2__)
        __m128i vlo = _mm_setzero_si128(), vhi = _mm_setzero_si128();
        for (; i + 16 <= length; i += 16) {
            const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            vlo = _mm_min_epi16(vlo, s);
            vhi = _mm_max_epi16(vhi, s);
        }
        alignas(16) std::array<int16_t, 8> los{}, his{};
        _mm_store_si128(reinterpret_cast<__m128i*>(los.data()), vlo);
        _mm_store_si128(reinterpret_cast<__m128i*>(his.data()), vhi);
        lo = *std::min_element(los.begin(), los.end());
        hi = *std::max_element(his.begin(), his.end());
#endif
        for (; i + 2 <= length; i += 2) {
            const auto s = static_cast<int16_t>(data[i] | (data[i + 1] << 8));
            lo = std::min(lo, s);
            hi = std::max(hi, s);
        }
        peak = std::max<int32_t>(hi, -int32_t{lo});
    }
    // -32768 has no positive 16-bit counterpart; it reads as full scale like 32767.
    if (peak > 32767) peak = 32767;
    return tables.forward[peak >> 6];
}

uint16_t ReversePeak(const LevelTables& tables, uint8_t level) {
    return level < tables.reverse.size() ? tables.reverse[level] : 0;
}

}  // namespace mora
