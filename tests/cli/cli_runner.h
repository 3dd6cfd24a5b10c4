#pragma once
// Runs mora-cli (the path in MORA_CLI) and captures what it printed.

#include <string>
#include <vector>

namespace mora::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// `input` is what the command reads on standard input.
CliResult RunCli(const std::vector<std::string>& args, const std::string& input = "");

}  // namespace mora::test
