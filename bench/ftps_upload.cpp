// Upload throughput over FTPS (explicit TLS, protected passive data connection) on loopback
// through the FTP stream in 16 KiB pieces, beside curl --ssl-reqd -T to the same server in the
// same run. The server's certificate comes from an authority made for the run.
// Usage: bench_ftps_upload [MiB]

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/ftp_bench.h"
#include "net/ftp_stream.h"
#include "settings/settings.h"
#include "tests/net/ftp_server.h"
#include "tests/net/tls_fixture.h"
#include "tests/support/shell.h"

namespace {
using Clock = std::chrono::steady_clock;
using mora::test::ShellQuote;
constexpr uint32_t kPiece = 16384;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
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
}  // namespace

int main(int argc, char** argv) {
    const size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    const size_t size = mib * 1024 * 1024;
    const auto& certificates = mora::test::TestCertificates::Get();
    mora::test::TestTrust trust;
    mora::test::FtpTestServer server("normal", "127.0.0.1",
                                     {"--certfile", certificates.ServerPem()});
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
    settings.FtpServer = "ftps://" + server.ServerText();
    settings.FtpUser = mora::test::FtpTestServer::kUser;
    settings.FtpPassword = mora::test::FtpTestServer::kPassword;
    settings.FtpPassive = 1;
    mora::InternetState internet;

    auto start = Clock::now();
    if (!mora::bench::UploadFromMemory(settings, internet, piece, size, kPiece)) return 1;
    const double ours = Seconds(start);

    const std::string url = "ftp://" + settings.FtpUser + ":" + settings.FtpPassword + "@" +
                            server.ServerText() + "/curl.bin";
    start = Clock::now();
    const int status = std::system(("curl -s -S --fail --ssl-reqd --cacert " +
                                    ShellQuote(certificates.AuthorityFile()) + " -T " +
                                    ShellQuote(local) + " " + ShellQuote(url))
                                       .c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
    const double curl = Seconds(start);

    std::printf("%zu MiB upload over FTPS on loopback to pyftpdlib, 16 KiB pieces\n", mib);
    std::printf(
        "upload    JStreamFTP %8.1f MiB/s   curl --ssl-reqd -T %8.1f MiB/s   ratio %.2f "
        "(curl time / ours)\n",
        static_cast<double>(mib) / ours, static_cast<double>(mib) / curl, curl / ours);
    return 0;
}
