#include "platform/system_facts.h"

#include <sys/statvfs.h>
#include <sys/sysinfo.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace mora {

std::optional<uint64_t> FreeDiskBytes(const std::string& path) {
    struct statvfs st {};
    if (statvfs(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
}

std::optional<int> BatteryPercent(const std::string& powerSupplyDir) {
    std::error_code ec;
    std::filesystem::directory_iterator it(powerSupplyDir, ec), end;
    std::optional<std::filesystem::path> first;
    for (; !ec && it != end; it.increment(ec)) {
        std::ifstream type(it->path() / "type");
        std::string kind;
        if (type >> kind && kind == "Battery" && (!first || it->path() < *first))
            first = it->path();
    }
    if (!first) return std::nullopt;
    std::ifstream capacity(*first / "capacity");
    int percent = -1;
    if (!(capacity >> percent) || percent < 0 || percent > 100) return std::nullopt;
    return percent;
}

std::optional<MemoryStatus> GetMemoryStatus() {
    struct sysinfo info {};
    if (sysinfo(&info) != 0) return std::nullopt;
    return MemoryStatus{static_cast<uint64_t>(info.totalram) * info.mem_unit,
                        static_cast<uint64_t>(info.freeram) * info.mem_unit};
}

uint32_t TickCountMs() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

namespace {

SimdLevel ProcessorSimd() {
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("avx2")) return SimdLevel::Avx2;
    if (__builtin_cpu_supports("sse4.1")) return SimdLevel::Sse41;
#endif
    return SimdLevel::None;
}

SimdLevel CapFromEnvironment() {
    const char* text = std::getenv("MORA_SIMD");
    const std::string cap = text ? text : "";
    if (cap == "none") return SimdLevel::None;
    if (cap == "sse4.1") return SimdLevel::Sse41;
    return SimdLevel::Avx2;
}

std::atomic<SimdLevel>& Cap() {
    static std::atomic<SimdLevel> cap{CapFromEnvironment()};
    return cap;
}

}  // namespace

SimdLevel SimdSupport() {
    static const SimdLevel processor = ProcessorSimd();
    return std::min(processor, Cap().load(std::memory_order_relaxed));
}

void CapSimd(SimdLevel cap) {
    Cap().store(cap, std::memory_order_relaxed);
}

}  // namespace mora
