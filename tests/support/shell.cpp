#include "tests/support/shell.h"

#include <cstdio>

namespace mora::test {

std::string CaptureCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buf[4096];
        while (size_t n = fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
        pclose(pipe);
    }
    return out;
}

std::string ShellQuote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace mora::test
