#include "stream/jstream.h"

namespace mora {

void JStream::SetPosition(int64_t) {}

uint64_t JStream::GetPosition() {
    return 0;
}

void JStream::Skip(int64_t) {}

}  // namespace mora
