#pragma once
// printf-style texts of the screens' short fields: times, percentages, counts.

#include <cstdio>
#include <string>

namespace mora {

template <typename... Values>
std::string Format(const char* format, Values... values) {
    char text[64];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

}  // namespace mora
