#include <algorithm>
#include <cstdio>
#include <iostream>

#include "cli/command.h"

namespace mora::cli {

std::vector<Command>& Commands() {
    static std::vector<Command> commands;
    return commands;
}

bool Args::Has(const std::string& name) const {
    return values.count(name) || std::find(flags.begin(), flags.end(), name) != flags.end();
}

std::optional<std::string> Args::Get(const std::string& name) const {
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

std::string Args::Get(const std::string& name, const std::string& fallback) const {
    return Get(name).value_or(fallback);
}

std::optional<std::string> ParseArgs(const Command& command, const std::vector<std::string>& words,
                                     Args& args) {
    auto takes = [](const std::vector<std::string>& list, const std::string& name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.size() < 3 || word.compare(0, 2, "--") != 0) {
            args.positional.push_back(word);
            continue;
        }
        std::string name = word.substr(2);
        std::optional<std::string> inlineValue;
        if (auto eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        if (takes(command.valueOptions, name)) {
            if (inlineValue) {
                args.values[name] = *inlineValue;
            } else if (i + 1 < words.size()) {
                args.values[name] = words[++i];
            } else {
                return "--" + name + " needs a value";
            }
        } else if (takes(command.flagOptions, name) && !inlineValue) {
            args.flags.push_back(name);
        } else {
            return "unknown option --" + name;
        }
    }
    return std::nullopt;
}

namespace {
void PrintUsage(const Command& c, std::FILE* out) {
    std::fprintf(out, "usage: mora-cli %s %s\n\n%s\n", c.words.c_str(), c.usage.c_str(),
                 c.help.c_str());
}

bool InGroup(const Command& c, const std::string& group) {
    return group.empty() || c.words == group || c.words.rfind(group + " ", 0) == 0;
}

// The commands of `group` (every command when it is empty); false when the group has none.
bool PrintOverview(std::FILE* out, const std::string& group = "") {
    auto sorted = Commands();
    std::erase_if(sorted, [&](const Command& c) { return !InGroup(c, group); });
    if (sorted.empty()) return false;
    std::sort(sorted.begin(), sorted.end(),
              [](const Command& a, const Command& b) { return a.words < b.words; });
    std::fprintf(out, "usage: mora-cli %s [ARGS...]\n\nCommands:\n",
                 group.empty() ? "COMMAND" : group.c_str());
    for (const auto& c : sorted) std::fprintf(out, "  %s %s\n", c.words.c_str(), c.usage.c_str());
    std::fprintf(out, "\n'mora-cli COMMAND --help' tells more of one command.\n");
    return true;
}

// The registered command whose words open the command line, preferring the longest.
const Command* Find(const std::vector<std::string>& words, size_t& used) {
    const Command* best = nullptr;
    for (const auto& c : Commands()) {
        std::vector<std::string> parts;
        size_t start = 0;
        while (start <= c.words.size()) {
            size_t space = c.words.find(' ', start);
            if (space == std::string::npos) space = c.words.size();
            parts.push_back(c.words.substr(start, space - start));
            start = space + 1;
        }
        if (parts.size() > words.size() || (best && parts.size() <= used)) continue;
        if (std::equal(parts.begin(), parts.end(), words.begin())) {
            best = &c;
            used = parts.size();
        }
    }
    return best;
}
}  // namespace
}  // namespace mora::cli

int main(int argc, char** argv) {
    using namespace mora::cli;
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        PrintOverview(words.empty() ? stderr : stdout);
        return words.empty() ? kExitUsage : kExitOk;
    }
    size_t used = 0;
    const Command* command = Find(words, used);
    if (!command) {
        // A group's first word alone ("mora-cli ftp", "mora-cli ftp --help") lists the group.
        const bool help = words.size() == 2 && (words[1] == "--help" || words[1] == "-h");
        if (words.size() == 1 || help) {
            if (PrintOverview(help ? stdout : stderr, words[0])) return help ? kExitOk : kExitUsage;
        }
        std::fprintf(stderr, "mora-cli: unknown command '%s'\n\n", words[0].c_str());
        PrintOverview(stderr);
        return kExitUsage;
    }
    std::vector<std::string> rest(words.begin() + static_cast<long>(used), words.end());
    if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
        PrintUsage(*command, stdout);
        return kExitOk;
    }
    Args args;
    args.command = command->words;
    if (auto error = ParseArgs(*command, rest, args)) {
        std::fprintf(stderr, "mora-cli %s: %s\n", command->words.c_str(), error->c_str());
        PrintUsage(*command, stderr);
        return kExitUsage;
    }
    return command->run(args);
}
