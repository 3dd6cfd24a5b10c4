#include "project/clip_list.h"

namespace mora {}  // namespace mora
