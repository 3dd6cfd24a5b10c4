#include "project/editing.h"

namespace mora {}  // namespace mora
