#include "stream/jstream_memory.h"

#include <algorithm>
#include <cstring>

namespace mora {

JStreamMemory::JStreamMemory() {
    state = good | open;
}

JStreamMemory::JStreamMemory(const void* bytes, size_t size)
    : JStreamMemory(std::vector<uint8_t>(static_cast<const uint8_t*>(bytes),
                                         static_cast<const uint8_t*>(bytes) + size)) {}

JStreamMemory::JStreamMemory(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
    state = good | open | readMode;
}

void JStreamMemory::SetPosition(int64_t position) {
    if (!IsReady()) return;
    if (position < 0) {
        state &= ~good;
        return;
    }
    position_ = static_cast<size_t>(position);
}

uint64_t JStreamMemory::GetPosition() {
    return IsReady() ? position_ : 0;
}

void JStreamMemory::Skip(int64_t offset) {
    if (!IsReady()) return;
    int64_t target = static_cast<int64_t>(position_) + offset;
    if (target < 0) {
        state &= ~good;
        return;
    }
    position_ = static_cast<size_t>(target);
}

int32_t JStreamMemory::Read(void* buffer, uint32_t count) {
    if (!IsReadable() || count == 0) return 0;
    size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    size_t n = std::min<size_t>(count, available);
    if (n) std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    if (n < count) {
        std::memset(static_cast<uint8_t*>(buffer) + n, 0, count - n);
        state |= atEnd;
    }
    return static_cast<int32_t>(n);
}

int32_t JStreamMemory::Write(const void* buffer, uint32_t count) {
    if (!IsWritable()) return 0;
    if (position_ + count > bytes_.size()) bytes_.resize(position_ + count);
    if (count) std::memcpy(bytes_.data() + position_, buffer, count);
    position_ += count;
    return static_cast<int32_t>(count);
}

}  // namespace mora
