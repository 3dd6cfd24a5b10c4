#include "project/project_file.h"

namespace mora {}  // namespace mora
