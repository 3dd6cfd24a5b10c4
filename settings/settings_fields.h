#pragma once
// Every stored field of the settings record and the last-run state by name, for tools that show
// or change single settings (mora-cli, tests). Names are the record's own ("FtpServer"); fields
// inside tables are written "FtpProfiles[3].Server", "EqBands[0].Gain", "UmidCountry[2]".

#include <cstdint>
#include <functional>
#include <string>
#include <variant>

#include "settings/settings.h"

namespace mora {

using FieldRef = std::variant<uint8_t*, int16_t*, uint16_t*, uint32_t*, std::string*>;
using FieldVisitor = std::function<void(const std::string& name, FieldRef field)>;

// Calls `visit` for every field in file order (tables at the place of their first field).
void ForEachSettingsField(Settings& settings, const FieldVisitor& visit);
void ForEachLastStateField(LastState& state, const FieldVisitor& visit);

// Sets the named field from text. On failure returns false with `error` saying why and leaves
// the record unchanged.
bool SetSettingsField(Settings& settings, const std::string& name, const std::string& value,
                      std::string& error);

}  // namespace mora
