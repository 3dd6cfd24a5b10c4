#pragma once
// Diagnostic trace: formatted lines that never reach the user. They go to stderr when the
// environment variable MORA_TRACE is set, or to a sink that a test installs.

#include <functional>
#include <string>

namespace mora {

void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Replaces where trace lines go; an empty function restores the default. Returns the old sink.
using TraceSink = std::function<void(const std::string&)>;
TraceSink SetTraceSink(TraceSink sink);

}  // namespace mora
