#pragma once
// The byte-stream base of every file, socket, FTP and e-mail stream.
//
// Operations do not return success: a failing one clears `good`, shows the user a message at
// once and returns normally. Callers run a sequence of operations and test the state word
// afterwards. Once `good` is clear, reads and writes do nothing until the stream is opened again.

#include <cstdint>

namespace mora {

// Continuing an interrupted upload at a byte offset.
enum class ResumeResult : int { Resumed = 0, Refused = 1, NoConnection = 2 };

class JStream {
  public:
    enum StateBit : uint32_t { good = 1, open = 2, readMode = 4, atEnd = 8 };

    JStream() = default;
    virtual ~JStream() = default;
    JStream(const JStream&) = delete;
    JStream& operator=(const JStream&) = delete;

    // Only the file streams position; the others keep these do-nothing versions.
    virtual void SetPosition(int32_t position);
    virtual uint32_t GetPosition();
    virtual void Skip(int32_t offset);
    // The result means what the derived stream says it means (for files: bytes delivered or
    // written).
    virtual int32_t Read(void* buffer, uint32_t count) = 0;
    virtual int32_t Write(const void* buffer, uint32_t count) = 0;

    bool IsReadable() const { return (state & 7) == 7; }
    bool IsWritable() const { return (state & 7) == 3; }
    bool IsReady() const { return (state & 3) == 3; }
    bool IsGood() const { return (state & good) != 0; }
    bool IsOpen() const { return (state & open) != 0; }
    bool IsAtEnd() const { return (state & atEnd) != 0; }

    uint32_t state = 0;
};

}  // namespace mora
