#include "app/not_built.h"

#include "platform/trace.h"

namespace mora {

void NotBuilt(const char* what) {
    Trace("not available yet: %s", what);
}

}  // namespace mora
