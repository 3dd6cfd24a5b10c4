#pragma once
// Facts about the machine that the screens and the recorder show or act on.

#include <cstdint>
#include <optional>
#include <string>

namespace mora {

// Free bytes for an unprivileged user on the file system that holds `path`; nothing when it
// cannot be told.
std::optional<uint64_t> FreeDiskBytes(const std::string& path);

// Charge of the first battery in percent (0-100); nothing when there is no battery or it
// cannot be read. `powerSupplyDir` is the folder of the power-supply class.
std::optional<int> BatteryPercent(const std::string& powerSupplyDir = "/sys/class/power_supply");

struct MemoryStatus {
    uint64_t totalBytes = 0;
    uint64_t freeBytes = 0;
};
std::optional<MemoryStatus> GetMemoryStatus();

// A millisecond tick count from a monotonic clock.
uint32_t TickCountMs();

// The vector instructions the audio processing may use, in rising order. Each level's code
// gives the same samples, so the level only changes the speed.
enum class SimdLevel { None, Sse41, Avx2 };

// What this processor has, no higher than the cap.
SimdLevel SimdSupport();
// Caps the level, so that tests run the code older processors take; the environment variable
// MORA_SIMD ("none", "sse4.1" or "avx2") sets the cap at start.
void CapSimd(SimdLevel cap);

}  // namespace mora
