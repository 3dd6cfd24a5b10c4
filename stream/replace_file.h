#pragma once
// Rewrites a whole file without ever leaving it half written: the content goes to a new sibling
// temporary file (a unique name, created owner-only, so nothing planted beside the file can catch
// it) that replaces the old one only when every write succeeded, and the file and its folder are
// synced. `ownerOnly` files (passwords) end readable by the owner only; others keep their mode.
// On failure the old file stays as it was (the user has been told why).

#include <functional>
#include <string>

#include "stream/jstream.h"

namespace mora {

bool ReplaceFileSafely(const std::string& path, bool ownerOnly,
                       const std::function<void(JStream&)>& write);

}  // namespace mora
