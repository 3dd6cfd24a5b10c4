#include "project/save_selection.h"

namespace mora {}  // namespace mora
