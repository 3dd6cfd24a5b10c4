#pragma once
// mora-cli's commands. A command file defines its handler and registers it with a static
// CommandRegistrar; main() finds it by its words ("settings show").

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace mora::cli {

// Exit statuses shared by all commands.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the operation failed; the message is on stderr
constexpr int kExitUsage = 2;   // the command line or a value was refused

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;  // options that take a value, without "--"
    // Every value of an option given more than once, in order.
    std::map<std::string, std::vector<std::string>> allValues;
    std::vector<std::string> flags;  // options without a value, without "--"

    bool Has(const std::string& name) const;
    std::optional<std::string> Get(const std::string& name) const;
    std::string Get(const std::string& name, const std::string& fallback) const;
};

struct Command {
    std::string words;                      // "settings show"
    std::string usage;                      // arguments after the words
    std::string help;                       // what it does, shown by --help
    std::vector<std::string> valueOptions;  // options that take a value ("ini" for --ini FILE)
    std::vector<std::string> flagOptions;   // options without a value
    int (*run)(const Args& args) = nullptr;
};

std::vector<Command>& Commands();

struct CommandRegistrar {
    explicit CommandRegistrar(Command command) { Commands().push_back(std::move(command)); }
};

// Parses options after the command words. Returns an error text when an option is unknown or
// lacks its value.
std::optional<std::string> ParseArgs(const Command& command, const std::vector<std::string>& words,
                                     Args& args);

}  // namespace mora::cli
