#pragma once
// The setup program's SMTP test: logs in to the configured mail server (with authentication
// when asked), says goodbye and tells the user how it went. No mail is sent.

#include <string>

namespace mora {

struct Settings;

// The login's result (0 logged in, 1 to 4 as JStreamsmtp::OpenAuth) without telling anyone.
int RunSmtpLogin(const Settings& settings, bool withAuthentication, int receiveTimeoutMs = 0);
// The text the test shows for a login result.
std::string SmtpTestText(int result);
// What a login result means, in plain words for the reporter who has to fix the setting.
std::string ExplainSmtpTestResult(int result);
// Runs the login and shows its text in a box titled "Info"; returns the result.
int SmtpTest(const Settings& settings, bool withAuthentication);

}  // namespace mora
