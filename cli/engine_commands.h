#pragma once
// mora-cli play PROJECT.mpr: the player over a project (the WAV player hands projects here).

#include "cli/command.h"

namespace mora::cli {

int PlayProject(const Args& args);

}  // namespace mora::cli
