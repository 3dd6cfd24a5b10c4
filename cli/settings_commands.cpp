// mora-cli settings show / set: the settings record and the last-run state as JSON, and
// changes of single fields.

#include <sys/stat.h>

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/command.h"
#include "platform/program_dir.h"
#include "settings/settings.h"
#include "settings/settings_fields.h"

namespace mora::cli {
namespace {
using Json = nlohmann::ordered_json;

// "FtpProfiles[3].Server" -> "/FtpProfiles/3/Server"
Json::json_pointer PointerFor(const std::string& name) {
    std::string pointer = "/";
    for (char c : name) {
        if (c == '[' || c == '.') {
            pointer += '/';
        } else if (c != ']') {
            pointer += c;
        }
    }
    return Json::json_pointer(pointer);
}

void AddFields(Json& json, const std::function<void(const FieldVisitor&)>& forEach) {
    forEach([&](const std::string& name, FieldRef field) {
        std::visit([&](auto* value) { json[PointerFor(name)] = *value; }, field);
    });
}

int Show(const Args& args) {
    const std::string ini = args.Get("ini", ProgramFile("MoraIni.sup"));
    const std::string lastStatePath = args.Get("last-state", ProgramFile("MoraSet.sup"));
    Settings settings;
    LastState lastState;
    const bool loaded = LoadSettings(settings, ini);
    // The settings fields stay those of MoraIni.sup; LastState shows MoraSet.sup's own.
    Settings taken = settings;
    LoadLastState(lastState, taken, lastStatePath);

    Json json;
    json["version"] = settings.version;
    AddFields(json, [&](const FieldVisitor& v) { ForEachSettingsField(settings, v); });
    Json last;
    AddFields(last, [&](const FieldVisitor& v) { ForEachLastStateField(lastState, v); });
    json["LastState"] = last;
    std::cout << json.dump(2) << "\n";
    if (!loaded) {
        std::fprintf(stderr,
                     "%s: No ini-file found (missing, unreadable or not a settings file).\n",
                     ini.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

int Set(const Args& args) {
    const std::string ini = args.Get("ini", ProgramFile("MoraIni.sup"));
    if (args.positional.empty()) {
        std::fprintf(stderr, "mora-cli settings set: name a field to change (NAME=VALUE)\n");
        return kExitUsage;
    }
    Settings settings;
    struct stat st {};
    if (::stat(ini.c_str(), &st) == 0 && !LoadSettings(settings, ini)) {
        std::fprintf(stderr, "%s: not a settings file; it was left untouched.\n", ini.c_str());
        return kExitFailed;
    }
    for (const auto& assignment : args.positional) {
        auto eq = assignment.find('=');
        if (eq == std::string::npos || eq == 0) {
            std::fprintf(stderr,
                         "mora-cli settings set: \"%s\" is not NAME=VALUE; nothing was changed.\n",
                         assignment.c_str());
            return kExitUsage;
        }
        std::string error;
        if (!SetSettingsField(settings, assignment.substr(0, eq), assignment.substr(eq + 1),
                              error)) {
            std::fprintf(stderr, "mora-cli settings set: %s; nothing was changed.\n",
                         error.c_str());
            return kExitUsage;
        }
    }
    return SaveSettings(settings, ini) ? kExitOk : kExitFailed;
}

const CommandRegistrar kShow{{
    "settings show",
    "[--ini FILE] [--last-state FILE]",
    "Prints the settings record (MoraIni.sup) and the last-run state (MoraSet.sup) as one JSON\n"
    "object. Defaults stand in for missing files; a missing or foreign MoraIni.sup is also\n"
    "reported on stderr with exit status 1. Both files default to the program folder.",
    {"ini", "last-state"},
    {},
    Show,
}};

const CommandRegistrar kSet{{
    "settings set",
    "NAME=VALUE... [--ini FILE]",
    "Changes the named fields of MoraIni.sup and writes it in the newest version. Table fields\n"
    "are named like FtpProfiles[3].Server=host or EqBands[0].Gain=-30. An unknown name or a bad\n"
    "value is refused with exit status 2 and the file stays untouched. A missing file is created\n"
    "from the defaults.",
    {"ini"},
    {},
    Set,
}};
}  // namespace
}  // namespace mora::cli
