#pragma once
// Text is UTF-8 in memory; the counted string fields of our binary files are UTF-16LE on disk.
// Both conversions replace malformed input with U+FFFD instead of failing, so a damaged file
// still loads.

#include <string>
#include <string_view>

namespace mora {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace mora
