#include "project/project_store.h"

namespace mora {}  // namespace mora
