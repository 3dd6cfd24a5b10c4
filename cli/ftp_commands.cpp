// mora-cli ftp put / get / delete / test: transfers and the connection test with the settings'
// FTP server, user, password, passive flag and destination directory, each open to override.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/command.h"
#include "net/ftp_stream.h"
#include "net/ftp_test.h"
#include "settings/settings.h"

namespace mora::cli {
namespace {
using Json = nlohmann::ordered_json;
constexpr size_t kPiece = 16384;

const std::vector<std::string> kOptions = {"ini",     "server", "user",   "password",
                                           "passive", "dir",    "timeout"};
const std::vector<std::string> kPutOptions = {"ini",     "server", "user",    "password",
                                              "passive", "dir",    "timeout", "resume-at"};

const char* kCommonHelp =
    "The server, user, password, passive flag and destination directory come from the settings\n"
    "file (--ini FILE, default MoraIni.sup in the program folder); --server HOST[:PORT],\n"
    "--user, --password, --passive 0|1 and --dir override them. --timeout SECONDS bounds every\n"
    "wait (default 30 s to connect, 60 s for replies and data). Failures are printed on stderr\n"
    "with exit status 1.";

// Settings and Internet state for a command: kExitOk, or the exit status after a message.
int Prepare(const Args& args, Settings& settings, InternetState& internet) {
    if (!LoadCommandSettings(args, settings)) return kExitFailed;
    if (auto v = args.Get("server")) settings.FtpServer = *v;
    if (auto v = args.Get("user")) settings.FtpUser = *v;
    if (auto v = args.Get("password")) settings.FtpPassword = *v;
    if (auto v = args.Get("dir")) settings.FtpDestDir = *v;
    const auto passive = NumberOption(args, "passive", settings.FtpPassive, 0, 1);
    const auto seconds = NumberOption(args, "timeout", 0, 1, 3600, "seconds");
    if (!passive || !seconds) return kExitUsage;
    settings.FtpPassive = static_cast<uint8_t>(*passive);
    if (*seconds > 0) {
        const int ms = static_cast<int>(*seconds * 1000);
        internet.timeouts = {ms, ms, ms};
    }
    return kExitOk;
}

bool WantPositional(const Args& args, size_t count) {
    if (args.positional.size() == count) return true;
    Complain(args, "expected " + std::to_string(count) + " argument(s); see --help");
    return false;
}

int Put(const Args& args) {
    if (!WantPositional(args, 2)) return kExitUsage;
    Settings settings;
    InternetState internet;
    if (int status = Prepare(args, settings, internet); status != kExitOk) return status;
    const auto resumeOption = NumberOption(args, "resume-at", 0, 0, INT64_MAX, "a byte offset");
    if (!resumeOption) return kExitUsage;
    const auto resumeAt = static_cast<unsigned long long>(*resumeOption);
    const std::string& local = args.positional[0];
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(local.c_str(), "rb"),
                                                         std::fclose);
    struct stat st {};
    if (!file || ::fstat(fileno(file.get()), &st) != 0) {
        std::perror(local.c_str());
        return kExitFailed;
    }
    if (resumeAt > static_cast<unsigned long long>(st.st_size) ||
        (resumeAt > 0 && ::fseeko(file.get(), static_cast<off_t>(resumeAt), SEEK_SET) != 0)) {
        std::fprintf(stderr, "mora-cli ftp put: %s is shorter than %llu bytes\n", local.c_str(),
                     resumeAt);
        return kExitFailed;
    }
    const std::string remote = FtpRemotePath(settings.FtpDestDir, args.positional[1]);
    JStreamFTP stream(settings, internet);
    stream.ConnectWithSettings();
    if (!stream.Connection() || !stream.Connection()->IsConnected()) {
        if (settings.FtpServer.empty()) std::fprintf(stderr, "mora-cli ftp: no FTP server set\n");
        return kExitFailed;
    }
    if (args.Has("resume-at") && stream.Rest(resumeAt) != 0) {
        std::fprintf(stderr, "Resume not possible\non this server.\n");
        return kExitFailed;
    }
    stream.OpenFile(remote, false);
    unsigned long long sent = 0;
    std::vector<char> buffer(kPiece);
    while (stream.IsWritable()) {
        const size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (n == 0) break;
        stream.Write(buffer.data(), static_cast<uint32_t>(n));
        sent += n;
    }
    if (std::ferror(file.get())) {
        std::perror(local.c_str());
        return kExitFailed;
    }
    stream.CloseFile();
    if (!stream.IsGood()) return kExitFailed;
    Json out;
    out["remote"] = remote;
    out["bytes"] = sent;
    out["resumedAt"] = resumeAt;
    std::cout << out.dump() << "\n";
    return kExitOk;
}

int Get(const Args& args) {
    if (!WantPositional(args, 2)) return kExitUsage;
    Settings settings;
    InternetState internet;
    if (int status = Prepare(args, settings, internet); status != kExitOk) return status;
    const std::string remote = FtpRemotePath(settings.FtpDestDir, args.positional[0]);
    const std::string& local = args.positional[1];
    JStreamFTP stream(settings, internet);
    stream.ConnectWithSettings();
    if (!stream.Connection() || !stream.Connection()->IsConnected()) {
        if (settings.FtpServer.empty()) std::fprintf(stderr, "mora-cli ftp: no FTP server set\n");
        return kExitFailed;
    }
    uint64_t size = 0;
    if (!stream.Connection()->Client().Size(remote, size)) {
        if (!stream.Connection()->IsConnected()) {
            stream.Connection()->Report("FtpGetFileSize");
            return kExitFailed;
        }
        // Without a size the file is read to its end.
        size = UINT64_MAX;
    }
    stream.OpenFile(remote, true);
    if (!stream.IsReadable()) {
        stream.Connection()->Report("FtpOpenFile");
        return kExitFailed;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(local.c_str(), "wb"),
                                                         std::fclose);
    if (!file) {
        std::perror(local.c_str());
        return kExitFailed;
    }
    std::vector<char> buffer(kPiece);
    uint64_t received = 0;
    bool ok = true;
    while (ok && received < size) {
        size_t n = 0;
        if (size == UINT64_MAX) {
            long got = stream.Connection()->Client().ReadData(buffer.data(), buffer.size());
            if (got < 0) {
                stream.Connection()->Report("InternetReadFile");
                ok = false;
                break;
            }
            if (got == 0) break;
            n = static_cast<size_t>(got);
        } else {
            n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - received));
            stream.Read(buffer.data(), static_cast<uint32_t>(n));
            if (!stream.IsReadable()) {
                ok = false;
                break;
            }
        }
        ok = std::fwrite(buffer.data(), 1, n, file.get()) == n;
        if (!ok) std::perror(local.c_str());
        received += n;
    }
    stream.CloseFile();
    if (std::fclose(file.release()) != 0) ok = false;
    if (!ok) {
        std::remove(local.c_str());
        return kExitFailed;
    }
    Json out;
    out["remote"] = remote;
    out["bytes"] = received;
    std::cout << out.dump() << "\n";
    return kExitOk;
}

int Delete(const Args& args) {
    if (!WantPositional(args, 1)) return kExitUsage;
    Settings settings;
    InternetState internet;
    if (int status = Prepare(args, settings, internet); status != kExitOk) return status;
    FtpConnection connection(internet);
    connection.Connect("Mora", settings.FtpServer, settings.FtpUser, settings.FtpPassword,
                       settings.FtpPassive != 0);
    if (!connection.IsConnected()) {
        if (settings.FtpServer.empty()) std::fprintf(stderr, "mora-cli ftp: no FTP server set\n");
        return kExitFailed;
    }
    const std::string remote = FtpRemotePath(settings.FtpDestDir, args.positional[0]);
    if (!connection.DeleteFile(remote)) {
        if (!remote.empty()) connection.Report("FtpDeleteFile");
        return kExitFailed;
    }
    return kExitOk;
}

int Test(const Args& args) {
    if (!WantPositional(args, 0)) return kExitUsage;
    Settings settings;
    InternetState internet;
    if (int status = Prepare(args, settings, internet); status != kExitOk) return status;
    const auto seed = static_cast<uint32_t>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ ::getpid());
    const bool passed = FtpTest(settings, internet, seed, [](const std::string& text) {
        std::string line;
        for (char c : text) {
            if (c != '\r') line += c;
        }
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    });
    return passed ? kExitOk : kExitFailed;
}

const CommandRegistrar kPut{{
    "ftp put",
    "LOCAL NAME [--resume-at N] [options]",
    std::string("Uploads the file LOCAL as NAME in the destination directory (a \"/\" is put\n"
                "between them when needed). --resume-at N continues an interrupted upload: the\n"
                "server is asked to restart at byte N (REST) and the file is sent from byte N on.\n"
                "Prints {\"remote\", \"bytes\", \"resumedAt\"} as JSON.\n") +
        kCommonHelp,
    kPutOptions,
    {},
    Put,
}};

const CommandRegistrar kGet{{
    "ftp get",
    "NAME LOCAL [options]",
    std::string("Downloads NAME from the destination directory into the file LOCAL (removed again\n"
                "when the download fails). Prints {\"remote\", \"bytes\"} as JSON.\n") +
        kCommonHelp,
    kOptions,
    {},
    Get,
}};

const CommandRegistrar kDelete{{
    "ftp delete",
    "NAME [options]",
    std::string("Deletes NAME in the destination directory.\n") + kCommonHelp,
    kOptions,
    {},
    Delete,
}};

const CommandRegistrar kTest{{
    "ftp test",
    "[options]",
    std::string(
        "Runs the FTP test: writes Mora.tst into the destination directory, reads it back,\n"
        "compares and deletes it, printing each step. Exit status 0 only when the test\n"
        "ends with \"FTP Read and Write File OK\".\n") +
        kCommonHelp,
    kOptions,
    {},
    Test,
}};
}  // namespace
}  // namespace mora::cli
