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

CliResult RunCli(const std::vector<std::string>& args);

}  // namespace mora::test
