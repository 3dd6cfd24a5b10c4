#include "stream/jstream.h"

namespace mora {

void JStream::SetPosition(int32_t) {}

uint32_t JStream::GetPosition() {
    return 0;
}

void JStream::Skip(int32_t) {}

}  // namespace mora
