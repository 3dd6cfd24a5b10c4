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

}  // namespace mora
