#include "tests/cli/cli_runner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace mora::test {

CliResult RunCli(const std::vector<std::string>& args, const std::string& input) {
    const char* cli = std::getenv("MORA_CLI");
    if (!cli) throw std::runtime_error("MORA_CLI is not set");
    TempDir dir;
    std::string command = ShellQuote(cli);
    for (const auto& a : args) command += " " + ShellQuote(a);
    WriteFileText(dir.File("in"), input);
    command += " >" + ShellQuote(dir.File("out")) + " 2>" + ShellQuote(dir.File("err")) + " <" +
               ShellQuote(dir.File("in"));
    int raw = std::system(command.c_str());
    CliResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadFileText(dir.File("out"));
    r.err = ReadFileText(dir.File("err"));
    return r;
}

}  // namespace mora::test
