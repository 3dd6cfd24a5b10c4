#include "stream/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "platform/program_dir.h"
#include "stream/jstream_file.h"
#include "stream/report.h"

namespace mora {
namespace {

// The permission bits a new file gets here: 0666 less the process's umask. Read from /proc, since
// setting the umask to learn it would race with files other threads create meanwhile.
mode_t NewFileMode() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            return 0666 & ~static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
        }
    }
    return 0644;
}

// A replaced file keeps its permission bits; a new one gets the usual ones.
mode_t ModeFor(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
    return NewFileMode();
}

// The rename is durable only once the folder's entry is on disk.
void SyncFolder(const std::string& path) {
    const std::string folder = FolderOf(path).empty() ? "." : FolderOf(path);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool ReplaceFileSafely(const std::string& path, bool ownerOnly,
                       const std::function<void(JStream&)>& write) {
    const mode_t mode = ownerOnly ? (S_IRUSR | S_IWUSR) : ModeFor(path);
    std::string temp;
    JStreamFile file;
    file.CreateUnique(path, temp);
    if (!file.IsWritable()) return false;
    bool ok = ::fchmod(file.Handle(), mode) == 0;
    if (!ok) ReportSystemError("Cannot open file : " + path);
    if (ok) write(file);
    ok = ok && file.IsGood() && ::fsync(file.Handle()) == 0;
    file.Close();
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ReportSystemError("Cannot open file : " + path);
        ok = false;
    }
    if (ok) SyncFolder(path);
    if (!ok) std::remove(temp.c_str());
    return ok;
}

}  // namespace mora
