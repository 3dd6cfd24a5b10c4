#pragma once
// Rewrites a whole file without ever leaving it half written: the content goes to a sibling
// temporary file that replaces the old one only when every write succeeded. On failure the old
// file stays as it was (the file stream has already told the user why).

#include <functional>
#include <string>

#include "stream/jstream.h"

namespace mora {

bool ReplaceFileSafely(const std::string& path, bool ownerOnly,
                       const std::function<void(JStream&)>& write);

}  // namespace mora
