#pragma once
// The program folder, where settings, size.txt, skins and the program's other files live:
// MORA_HOME when set; otherwise the executable's folder when it is writable; otherwise
// $XDG_DATA_HOME/Mora/ (default ~/.local/share/Mora/). A missing folder is created for its owner
// only. Always ends in '/'.

#include <string>

namespace mora {

std::string ProgramDir();
// ProgramDir() + name.
std::string ProgramFile(const std::string& name);
// Fixes the program folder (tests, and programs that take it from their command line); an
// empty string returns to the rule above. A missing trailing '/' is added.
void SetProgramDir(const std::string& dir);

// The folder part of a path, up to and including the last '/'; empty when there is none.
std::string FolderOf(const std::string& path);
// The part after the last '/'.
std::string FileNameOf(const std::string& path);

}  // namespace mora
