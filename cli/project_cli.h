#pragma once
// What the project and edit commands share: reading a project from the shell's paths and
// printing it as JSON.

#include <nlohmann/json.hpp>
#include <string>

#include "cli/command.h"
#include "project/project_state.h"
#include "settings/settings.h"

namespace mora::cli {

// `path` made absolute against the working folder.
std::string AbsolutePath(const std::string& path);

// The settings of the program folder (or --ini FILE), with the FTP test taken as passed, as
// the program starts.
bool LoadCliSettings(const Args& args, Settings& settings);

// Loads the project file at `path` as "Open project" does. False (reported) when it is missing
// or refused.
bool OpenCliProject(ProjectState& state, const Settings& settings, const std::string& path);

// The project as `project show` prints it.
nlohmann::ordered_json ProjectJson(const ProjectState& state, uint32_t version);

}  // namespace mora::cli
