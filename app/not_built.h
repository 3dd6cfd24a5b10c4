#pragma once
// Operations whose owners are not part of the program yet all come here: a trace line, and
// nothing the user could mistake for the real thing.

namespace mora {

void NotBuilt(const char* what);

}  // namespace mora
