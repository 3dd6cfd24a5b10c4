#pragma once
// mora-cli's commands. A command file defines its handler and registers it with a static
// CommandRegistrar; main() finds it by its words ("settings show").

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace mora {
struct Settings;
}

namespace mora::cli {

// Exit statuses shared by all commands.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the operation failed; the message is on stderr
constexpr int kExitUsage = 2;   // the command line or a value was refused

struct Args {
    std::string command;  // the command's words, for messages ("ftp put")
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;  // options that take a value, without "--"
    std::vector<std::string> flags;             // options without a value, without "--"

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

// The tools every command uses, so that each option means and reports the same everywhere.
// Each prints "mora-cli COMMAND: ..." on stderr when it refuses.

// `text` as a whole number from `min` to `max`; `what` names it ("--gain", "SECONDS") and
// `unit` says what it counts ("whole dB"), for the message.
std::optional<long long> ParseNumber(const Args& args, const std::string& text, const char* what,
                                     long long min, long long max, const char* unit = "");
// --NAME parsed as above, `fallback` when it is absent.
std::optional<long long> NumberOption(const Args& args, const std::string& name, long long fallback,
                                      long long min, long long max, const char* unit = "");
// --shift: the level-resolution shift, 0 to 3 (5 << S level values a second), default 2.
std::optional<uint32_t> ShiftOption(const Args& args);
// The settings of --ini FILE, else of MoraIni.sup in the program folder. A missing default file
// leaves the defaults; a --ini FILE that cannot be read is refused (false after the message).
bool LoadCommandSettings(const Args& args, Settings& settings);
// The text "mora-cli COMMAND: MESSAGE" on stderr.
void Complain(const Args& args, const std::string& message);

}  // namespace mora::cli
