// The option parsers and the settings loader every command shares.

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "cli/command.h"
#include "platform/program_dir.h"
#include "settings/settings.h"

namespace mora::cli {

void Complain(const Args& args, const std::string& message) {
    std::fprintf(stderr, "mora-cli %s: %s\n", args.command.c_str(), message.c_str());
}

std::optional<long long> ParseNumber(const Args& args, const std::string& text, const char* what,
                                     long long min, long long max, const char* unit) {
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    // strtoll skips leading blanks and takes a sign; a number is digits only (after a '-').
    const bool digits = !text.empty() && (text[0] == '-' || (text[0] >= '0' && text[0] <= '9'));
    if (digits && *end == '\0' && errno == 0 && value >= min && value <= max) return value;
    const std::string counts = *unit ? unit : "a whole number";
    Complain(args, std::string(what) + " takes " + counts + " from " + std::to_string(min) +
                       " to " + std::to_string(max) + ", not \"" + text + "\"");
    return std::nullopt;
}

std::optional<long long> NumberOption(const Args& args, const std::string& name, long long fallback,
                                      long long min, long long max, const char* unit) {
    const std::optional<std::string> text = args.Get(name);
    if (!text) return fallback;
    return ParseNumber(args, *text, ("--" + name).c_str(), min, max, unit);
}

std::optional<uint32_t> ShiftOption(const Args& args) {
    const std::optional<long long> shift = NumberOption(args, "shift", 2, 0, 3);
    if (!shift) return std::nullopt;
    return static_cast<uint32_t>(*shift);
}

bool LoadCommandSettings(const Args& args, Settings& settings) {
    const std::optional<std::string> ini = args.Get("ini");
    if (!ini) {
        LoadSettings(settings, ProgramFile("MoraIni.sup"));
        return true;
    }
    if (LoadSettings(settings, *ini)) return true;
    std::fprintf(stderr, "%s: No ini-file found (missing, unreadable or not a settings file).\n",
                 ini->c_str());
    return false;
}

}  // namespace mora::cli
