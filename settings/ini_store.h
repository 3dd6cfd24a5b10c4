#pragma once
// The integer text store behind size.txt and the skin files: whitespace-separated tokens, "[Name]"
// opens a section, "Key=123" holds a value. Keys match by prefix (a lookup of "Big" takes
// "Bigger=0"). Writing normalises the whole file: one token per line, CR LF line ends and a
// blank line before every section header.

#include <string>

namespace mora {

// The value of `key` in `section`, or `def` when the file, the section, the key or its "="
// is missing.
int IniReadInt(const std::string& section, const std::string& key, int def,
               const std::string& path);
// Sets `key` in `section`, creating the file, the section or the key as needed. I/O failures
// are ignored.
void IniWriteInt(const std::string& section, const std::string& key, int value,
                 const std::string& path);

}  // namespace mora
