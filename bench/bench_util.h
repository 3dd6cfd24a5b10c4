#pragma once
// Shared pieces of the benchmarks: CPU time of this process and of finished child processes,
// running a peer tool, and printing a comparison.

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace mora::bench {

inline double Seconds(const timeval& t) {
    return t.tv_sec + t.tv_usec / 1e6;
}

// CPU seconds (user + system) used so far by this process.
inline double SelfCpu() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return Seconds(u.ru_utime) + Seconds(u.ru_stime);
}

// Runs a shell command and returns the CPU seconds its processes used; negative on failure.
inline double ChildCpu(const std::string& command) {
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    int status = std::system((command + " >/dev/null 2>&1").c_str());
    getrusage(RUSAGE_CHILDREN, &after);
    if (status != 0) return -1;
    return Seconds(after.ru_utime) - Seconds(before.ru_utime) + Seconds(after.ru_stime) -
           Seconds(before.ru_stime);
}

// "what: ours X s of audio per CPU second, peer Y, ratio X/Y"
inline void Compare(const char* what, double audioSeconds, double ourCpu, const char* peer,
                    double peerCpu) {
    const double ours = audioSeconds / ourCpu;
    if (peerCpu <= 0) {
        std::printf("%-40s ours %8.1f s/s   %s: not available\n", what, ours, peer);
        return;
    }
    const double theirs = audioSeconds / peerCpu;
    std::printf("%-40s ours %8.1f s/s   %s %8.1f s/s   ratio %.2f\n", what, ours, peer, theirs,
                ours / theirs);
}

}  // namespace mora::bench
