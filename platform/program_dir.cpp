#include "platform/program_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace mora {
namespace {
std::string& Override() {
    static std::string dir;
    return dir;
}

std::string WithSlash(std::string dir) {
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

std::string ExecutableFolder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return WithSlash(exe.parent_path().string());
}

std::string Resolve() {
    // Absolute, so that the program's change into its folder does not apply a relative one twice.
    if (const char* home = std::getenv("MORA_HOME"); home && *home) {
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(home, ec);
        const std::string dir = WithSlash(ec ? std::string(home) : absolute.string());
        ::mkdir(dir.c_str(), 0700);  // created owner-only when missing, like the default
        return dir;
    }
    std::string exeDir = ExecutableFolder();
    if (!exeDir.empty() && access(exeDir.c_str(), W_OK) == 0) return exeDir;
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        base = WithSlash(xdg);
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = WithSlash(home) + ".local/share/";
    } else {
        base = "/tmp/";
    }
    std::string dir = base + "Mora/";
    std::error_code ec;
    std::filesystem::create_directories(base, ec);
    // The folder holds the settings with their passwords: only its owner may enter it.
    ::mkdir(dir.c_str(), 0700);
    return dir;
}
}  // namespace

std::string ProgramDir() {
    if (!Override().empty()) return Override();
    static const std::string resolved = Resolve();
    return resolved;
}

std::string ProgramFile(const std::string& name) {
    return ProgramDir() + name;
}

void SetProgramDir(const std::string& dir) {
    Override() = WithSlash(dir);
}

std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace mora
