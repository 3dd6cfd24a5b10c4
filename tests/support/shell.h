#pragma once
// Runs a shell command and returns what it printed on stdout (peer tools in tests).

#include <string>

namespace mora::test {

std::string CaptureCommand(const std::string& command);
// Runs a shell command with its output discarded; true when it exits with 0.
bool RunQuietly(const std::string& command);
// Single-quotes a word for the shell.
std::string ShellQuote(const std::string& word);

}  // namespace mora::test
