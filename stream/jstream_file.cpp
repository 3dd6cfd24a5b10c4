#include "stream/jstream_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/trace.h"
#include "stream/report.h"

namespace mora {

JStreamFile::JStreamFile(const std::string& path, bool forReading) {
    Open(path, forReading);
}

JStreamFile::JStreamFile(const std::string& path, Access access, Share share,
                         Disposition disposition, uint32_t attributes) {
    OpenEx(path, access, share, disposition, attributes);
}

JStreamFile::~JStreamFile() {
    Close();
}

bool JStreamFile::OpenHandle(const std::string& path, int flags) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        state &= ~(good | open);
        return false;
    }
    handle_ = fd;
    state |= good | open;
    state &= ~atEnd;
    return true;
}

void JStreamFile::Open(const std::string& path, bool forReading) {
    Close();
    if (forReading) {
        state |= readMode;
    } else {
        state &= ~readMode;
    }
    if (path.empty()) {
        state &= ~good;
        ReportError("CreateFile no filename,read2");
        return;
    }
    int flags = forReading ? O_RDONLY : (O_WRONLY | O_CREAT | O_TRUNC);
    if (!OpenHandle(path, flags)) ReportSystemError("Cannot open file : " + path);
}

void JStreamFile::OpenEx(const std::string& path, Access access, Share, Disposition disposition,
                         uint32_t) {
    Close();
    const bool reading = access == Access::Read;
    if (reading) {
        state |= readMode;
    } else {
        state &= ~readMode;
    }
    if (path.empty()) {
        state &= ~good;
        ReportError("CreateFile no filename,read");
        return;
    }
    int flags = reading ? O_RDONLY : O_WRONLY;
    switch (disposition) {
        case Disposition::CreateAlways:
            flags |= O_CREAT | O_TRUNC;
            break;
        case Disposition::OpenExisting:
            break;
        case Disposition::OpenAlways:
            flags |= O_CREAT;
            break;
    }
    if (!OpenHandle(path, flags)) ReportSystemError("CreateFile");
}

void JStreamFile::Close() {
    if (handle_ >= 0) ::close(handle_);
    handle_ = -1;
    state &= ~open;
}

uint64_t JStreamFile::GetSize() {
    if (!IsReady()) return 0;
    struct stat st {};
    if (fstat(handle_, &st) != 0) return 0;
    return static_cast<uint64_t>(st.st_size);
}

void JStreamFile::CreateForAppend(const std::string& path) {
    Close();
    state &= ~readMode;
    if (path.empty()) {
        state &= ~good;
        ReportError("CreateFile no filename at append");
        return;
    }
    if (!OpenHandle(path, O_WRONLY | O_CREAT | O_TRUNC)) {
        ReportSystemError("Cannot open file : " + path);
        return;
    }
    Close();
}

uint32_t JStreamFile::ReopenAtEnd(const std::string& path) {
    Close();
    state &= ~readMode;
    if (path.empty() || !OpenHandle(path, O_WRONLY | O_CREAT)) {
        state &= ~(good | open);
        return 0;
    }
    off_t end = ::lseek(handle_, 0, SEEK_END);
    if (end < 0) {
        state &= ~good;
        return 0;
    }
    return static_cast<uint32_t>(end);
}

void JStreamFile::AppendWrite(const std::string& path, const void* buffer, uint32_t count) {
    if (!IsGood()) return;
    ReopenAtEnd(path);
    Write(buffer, count);
    Close();
}

void JStreamFile::CreateUnique(const std::string& path, std::string& created) {
    Close();
    state &= ~readMode;
    std::string name = path + ".XXXXXX";
    // mkostemp creates with O_EXCL at mode 0600, so nothing that exists is ever reused.
    int fd;
    do {
        fd = ::mkostemp(name.data(), O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        state &= ~(good | open);
        ReportSystemError("Cannot open file : " + path);
        return;
    }
    handle_ = fd;
    state |= good | open;
    state &= ~atEnd;
    created = name;
}

bool JStreamFile::Truncate(uint64_t size) {
    return IsReady() && ::ftruncate(handle_, static_cast<off_t>(size)) == 0;
}

void JStreamFile::Move(int64_t offset, int whence) {
    if (!IsReady()) return;
    if (::lseek(handle_, static_cast<off_t>(offset), whence) < 0) {
        int code = errno;
        state &= ~good;
        ReportSystemError("Position", code);
    }
}

void JStreamFile::SetPosition(int64_t position) {
    Move(position, SEEK_SET);
}

void JStreamFile::Skip(int64_t offset) {
    Move(offset, SEEK_CUR);
}

uint64_t JStreamFile::GetPosition() {
    if (!IsReady()) return 0;
    off_t pos = ::lseek(handle_, 0, SEEK_CUR);
    if (pos < 0) {
        int code = errno;
        state &= ~good;
        ReportSystemError("Position", code);
        return 0;
    }
    return static_cast<uint64_t>(pos);
}

int32_t JStreamFile::Read(void* buffer, uint32_t count) {
    if (!IsReadable() || count == 0) return 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::read(handle_, bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int code = errno;
            std::memset(buffer, 0, count);
            state &= ~good;
            ReportSystemError("ReadFile", code);
            return 0;
        }
        if (n == 0) break;
        done += static_cast<uint32_t>(n);
    }
    if (done < count) {
        std::memset(bytes + done, 0, count - done);
        Trace("EOF nr %u n %u", done, count);
        state |= atEnd;
    }
    return static_cast<int32_t>(done);
}

int32_t JStreamFile::Write(const void* buffer, uint32_t count) {
    if (!IsWritable()) return 0;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::write(handle_, bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int code = n < 0 ? errno : ENOSPC;
            state &= ~good;
            ReportSystemError("WriteFile", code);
            break;
        }
        done += static_cast<uint32_t>(n);
    }
    return static_cast<int32_t>(done);
}

}  // namespace mora
