#include "project/current_recording.h"

namespace mora {}  // namespace mora
