#pragma once
// The file stream on which settings, projects, level files and every audio reader and writer
// are built. No buffering of its own: callers read and write in large blocks.

#include <cstdint>
#include <string>

#include "stream/jstream.h"

namespace mora {

class JStreamFile : public JStream {
  public:
    enum class Access { Read, Write };
    enum class Disposition { CreateAlways, OpenExisting, OpenAlways };
    // Kept for the callers' sake; file sharing is not enforced on this system.
    enum class Share { None, Read };

    JStreamFile() = default;
    JStreamFile(const std::string& path, bool forReading);
    JStreamFile(const std::string& path, Access access, Share share, Disposition disposition,
                uint32_t attributes = 0);
    ~JStreamFile() override;

    // Opens an existing file for reading, or creates (truncating) one for writing.
    void Open(const std::string& path, bool forReading);
    // Opens with an explicit access and disposition, for example an existing file for writing
    // without truncating it.
    void OpenEx(const std::string& path, Access access, Share share, Disposition disposition,
                uint32_t attributes = 0);
    void Close();
    // Size of the open file; 0 when the stream is not ready or the size cannot be read.
    uint64_t GetSize();

    // Append mode: the file is complete on disk after every write, because no handle is kept
    // open between writes.
    void CreateForAppend(const std::string& path);
    uint32_t ReopenAtEnd(const std::string& path);
    void AppendWrite(const std::string& path, const void* buffer, uint32_t count);

    // Creates and opens for writing a new file named `path` + ".XXXXXX" with a name no other
    // file or link holds, readable and writable by its owner only; `created` gets its name.
    // A file or link planted beside `path` is never opened. Reports a failure.
    void CreateUnique(const std::string& path, std::string& created);
    // Shortens (or lengthens) the open file to `size` bytes; false on failure, no message.
    bool Truncate(uint64_t size);

    void SetPosition(int64_t position) override;
    uint64_t GetPosition() override;
    void Skip(int64_t offset) override;
    int32_t Read(void* buffer, uint32_t count) override;
    int32_t Write(const void* buffer, uint32_t count) override;

    int Handle() const { return handle_; }

  private:
    // Opens `path` with POSIX flags; on success sets good and open and clears atEnd.
    bool OpenHandle(const std::string& path, int flags);
    void Move(int64_t offset, int whence);

    int handle_ = -1;
};

}  // namespace mora
