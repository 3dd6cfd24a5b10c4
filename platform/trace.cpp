#include "platform/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace mora {
namespace {
TraceSink& Sink() {
    static TraceSink sink;
    return sink;
}
}  // namespace

TraceSink SetTraceSink(TraceSink sink) {
    TraceSink old = std::move(Sink());
    Sink() = std::move(sink);
    return old;
}

void Trace(const char* format, ...) {
    static const bool toStderr = std::getenv("MORA_TRACE") != nullptr;
    if (!Sink() && !toStderr) return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string line;
    if (n > 0) {
        std::vector<char> buf(static_cast<size_t>(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), format, args);
        line.assign(buf.data(), static_cast<size_t>(n));
    }
    va_end(args);
    if (Sink()) {
        Sink()(line);
    } else {
        std::fprintf(stderr, "trace: %s\n", line.c_str());
    }
}

}  // namespace mora
