// Upload and download throughput of a 200 MiB file over loopback through the FTP stream in
// 16 KiB pieces, beside curl -T / curl -o against the same server in the same run.
// Usage: bench_ftp_throughput [MiB]

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/ftp_bench.h"
#include "net/ftp_stream.h"
#include "platform/ui_services.h"
#include "settings/settings.h"
#include "tests/net/ftp_server.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr uint32_t kPiece = 16384;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool RunCurl(const std::string& args) {
    const std::string command = "curl -s -S --fail " + args;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<char> Pattern(size_t size) {
    std::vector<char> bytes(size);
    uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<char>(x >> 24);
    }
    return bytes;
}

void Report(const char* what, double ours, double curl, double mib) {
    std::printf("%-9s JStreamFTP %8.1f MiB/s   curl %8.1f MiB/s   ratio %.2f\n", what, mib / ours,
                mib / curl, curl / ours);
}
}  // namespace

int main(int argc, char** argv) {
    const size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    const size_t size = mib * 1024 * 1024;
    mora::test::FtpTestServer server;
    const std::string local = server.Home() + "../source.bin";
    const std::vector<char> piece = Pattern(kPiece * 64);
    {
        std::FILE* f = std::fopen(local.c_str(), "wb");
        for (size_t at = 0; at < size; at += piece.size()) {
            std::fwrite(piece.data(), 1, std::min(piece.size(), size - at), f);
        }
        std::fclose(f);
    }

    mora::Settings settings;
    settings.FtpServer = server.ServerText();
    settings.FtpUser = mora::test::FtpTestServer::kUser;
    settings.FtpPassword = mora::test::FtpTestServer::kPassword;
    settings.FtpPassive = 1;
    mora::InternetState internet;

    // Upload: the bytes come from memory, as the publishing writers deliver them.
    auto start = Clock::now();
    if (!mora::bench::UploadFromMemory(settings, internet, piece, size, kPiece)) return 1;
    const double oursUp = Seconds(start);

    const std::string url =
        "ftp://" + settings.FtpUser + ":" + settings.FtpPassword + "@" + settings.FtpServer + "/";
    start = Clock::now();
    if (!RunCurl("-T '" + local + "' '" + url + "curl.bin'")) return 1;
    const double curlUp = Seconds(start);

    start = Clock::now();
    {
        mora::JStreamFTP stream(settings, internet);
        stream.ConnectWithSettings();
        stream.OpenFile("ours.bin", true);
        std::vector<char> buffer(kPiece);
        for (size_t at = 0; at < size && stream.IsReadable(); at += kPiece) {
            stream.Read(buffer.data(), kPiece);
        }
        if (!stream.IsReadable()) return 1;
        stream.CloseFile();
    }
    const double oursDown = Seconds(start);

    start = Clock::now();
    if (!RunCurl("-o /dev/null '" + url + "curl.bin'")) return 1;
    const double curlDown = Seconds(start);

    std::printf("%zu MiB over loopback to pyftpdlib, 16 KiB pieces (ratio = curl time / ours)\n",
                mib);
    Report("upload", oursUp, curlUp, static_cast<double>(mib));
    Report("download", oursDown, curlDown, static_cast<double>(mib));
    return 0;
}
