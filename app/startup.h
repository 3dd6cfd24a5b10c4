#pragma once
// The start-up decisions of the main program that need no window: settings, equaliser profile,
// start-up project, screen pictures and window size.

#include <string>
#include <vector>

#include "app/app_state.h"

namespace mora {

// A command line that is non-empty and does not begin with a blank names a project.
bool IsProjectPathArgument(const std::string& commandLine);

// Loads MoraIni.sup and MoraSet.sup from the program folder and applies the start-up rules
// (FTP test passed, record gain, equaliser profile). Returns whether MoraIni.sup was read.
bool LoadStartupSettings(AppState& state);

// Applies the first of the leading named profiles whose name is EqProfileName; when all five
// are named and none matches, the equaliser is switched off.
void SelectStartupEqProfile(Settings& settings);
// Makes profile `index` the current equaliser (bands, switch and make-up gain).
void ApplyEqProfile(Settings& settings, int index);

// The five entries of the input options list: the names of the leading named profiles, then
// "EQ<place>" for the rest.
std::vector<std::string> InputOptionEntries(const Settings& settings);
// Takes the entry equal to `text` as the current profile; false (nothing changed) when no
// entry matches.
bool ChooseInputOption(Settings& settings, const std::string& text);

// Forces ScreenMode to 0 on a display wider than high and picks the screen picture pair.
ScreenBitmapPair ChooseScreenBitmaps(Settings& settings, int displayWidth, int displayHeight);

// Makes `path` (folder and name, with or without ".mpr") the current project, without loading.
void SetProjectFromPath(AppState& state, const std::string& path);
// Opens the start-up project: the command line's path, or the StartupProject rule.
void ChooseStartupProject(AppState& state);

// Reads section "Size" of size.txt (Landscape 0/1/2, Big 0/1), writes both keys back
// normalised and returns the client size of the main window.
ClientSize ReadClientSize(const std::string& sizePath);

}  // namespace mora
