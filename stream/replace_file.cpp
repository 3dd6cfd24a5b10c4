#include "stream/replace_file.h"

#include <unistd.h>

#include <cstdio>

#include "stream/jstream_file.h"
#include "stream/report.h"

namespace mora {

bool ReplaceFileSafely(const std::string& path, bool ownerOnly,
                       const std::function<void(JStream&)>& write) {
    const std::string temp = path + ".new";
    JStreamFile file(temp, false);
    if (!file.IsWritable()) return false;
    if (ownerOnly) file.RestrictToOwner();
    write(file);
    bool ok = file.IsGood() && ::fsync(file.Handle()) == 0;
    file.Close();
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ReportSystemError("Cannot open file : " + path);
        ok = false;
    }
    if (!ok) std::remove(temp.c_str());
    return ok;
}

}  // namespace mora
