#include "tests/cli/cli_runner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/temp_dir.h"

namespace mora::test {
namespace {
std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
}  // namespace

CliResult RunCli(const std::vector<std::string>& args) {
    const char* cli = std::getenv("MORA_CLI");
    if (!cli) throw std::runtime_error("MORA_CLI is not set");
    TempDir dir;
    std::string command = Quote(cli);
    for (const auto& a : args) command += " " + Quote(a);
    command += " >" + Quote(dir.File("out")) + " 2>" + Quote(dir.File("err")) + " </dev/null";
    int raw = std::system(command.c_str());
    CliResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadFileText(dir.File("out"));
    r.err = ReadFileText(dir.File("err"));
    return r;
}

}  // namespace mora::test
