// Attachment encoding speed: our streaming base64 encoder against coreutils' base64 (76-character
// lines), both reading the same file in 1 MiB blocks and writing to /dev/null.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "net/email_base64.h"

namespace {
double Seconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

int main() {
    const size_t size = 256u << 20;
    const std::string path = "/tmp/mora_bench_base64.bin";
    {
        std::vector<unsigned char> data(size);
        std::mt19937 rng(1);
        for (auto& b : data) b = static_cast<unsigned char>(rng());
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return 1;
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
    }
    auto start = std::chrono::steady_clock::now();
    {
        std::FILE* in = std::fopen(path.c_str(), "rb");
        std::FILE* out = std::fopen("/dev/null", "wb");
        std::vector<char> buffer(1 << 20);
        mora::Base64Stream encoder;
        std::string encoded;
        size_t n;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
            encoded.clear();
            encoder.Encode(buffer.data(), n, encoded);
            std::fwrite(encoded.data(), 1, encoded.size(), out);
        }
        encoded.clear();
        encoder.Flush(encoded);
        std::fwrite(encoded.data(), 1, encoded.size(), out);
        std::fclose(in);
        std::fclose(out);
    }
    const double ours = Seconds(start);
    start = std::chrono::steady_clock::now();
    const int rc = std::system(("base64 -w 76 < " + path + " > /dev/null").c_str());
    const double peer = Seconds(start);
    std::remove(path.c_str());
    if (rc != 0) return 1;
    const double mib = static_cast<double>(size) / (1 << 20);
    std::printf(
        "base64 of %.0f MiB: Base64Stream %.3f s (%.0f MiB/s), coreutils base64 %.3f s "
        "(%.0f MiB/s), ratio ours/peer time %.2f\n",
        mib, ours, mib / ours, peer, mib / peer, ours / peer);
    return 0;
}
