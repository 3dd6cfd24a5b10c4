#pragma once
// The setup program's SMTP test: logs in to the configured mail server (with authentication
// when asked), says goodbye and tells the user how it went. No mail is sent. A server whose
// certificate no authority vouches for is shown by its fingerprint with the question "Trust
// this server?"; a server reached in clear that offers STARTTLS is pointed out.

#include <string>

#include "net/tls_channel.h"

namespace mora {

struct Settings;

struct SmtpLoginReport {
    int result = 0;                 // as JStreamsmtp::OpenAuth
    bool offersEncryption = false;  // a plain session to a server that offers STARTTLS
    std::string securityMessage;    // why encryption could not be had (result 5)
};

// Logs in and out; only `trust` may ask the user about a certificate.
SmtpLoginReport CheckSmtpLogin(const Settings& settings, bool withAuthentication,
                               int receiveTimeoutMs, const TlsTrust& trust);
// The login's result (0 logged in, 1 to 5 as JStreamsmtp::OpenAuth) without telling anyone.
int RunSmtpLogin(const Settings& settings, bool withAuthentication, int receiveTimeoutMs = 0);
// The text the test shows for a login result.
std::string SmtpTestText(int result);
// What a login result means, in plain words for the reporter who has to fix the setting.
std::string ExplainSmtpTestResult(int result);
// The text the test shows for a whole report.
std::string SmtpTestText(const SmtpLoginReport& report);
// Runs the login and shows its text in a box titled "Info"; returns the result.
int SmtpTest(const Settings& settings, bool withAuthentication);

}  // namespace mora
