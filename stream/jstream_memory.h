#pragma once
// A stream over bytes in memory, with the file stream's read and position rules (short reads
// zero-fill and set atEnd). Readers take a JStream, so tests and fuzz targets feed them bytes
// without touching the disk, and writers can build a file image before it is sent.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "stream/jstream.h"

namespace mora {

class JStreamMemory : public JStream {
  public:
    // An empty stream open for writing.
    JStreamMemory();
    // A stream open for reading `bytes`.
    JStreamMemory(const void* bytes, size_t size);
    explicit JStreamMemory(std::vector<uint8_t> bytes);

    void SetPosition(int64_t position) override;
    uint64_t GetPosition() override;
    void Skip(int64_t offset) override;
    int32_t Read(void* buffer, uint32_t count) override;
    int32_t Write(const void* buffer, uint32_t count) override;

    uint64_t GetSize() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};

}  // namespace mora
