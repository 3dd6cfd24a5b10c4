#pragma once
// The shared error reporters: a modal message box captioned "Error" with the error icon and an
// OK button, shown through the user-interface services.

#include <string>

namespace mora {

// Network error codes of our own (12000-12174), kept apart from the system's errno values.
constexpr int kNetErrorFirst = 12000;
constexpr int kNetErrorLast = 12174;

// Shows `text` with the last system error (errno) and its description.
void ReportSystemError(const std::string& text);
// The same for an explicit error code (errno value or one of the network codes).
void ReportSystemError(const std::string& text, int code);
// The message ReportSystemError shows for `code`.
std::string SystemErrorMessage(const std::string& text, int code);
// Shows `text` unchanged.
void ReportError(const std::string& text);

}  // namespace mora
