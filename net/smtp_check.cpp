#include "net/smtp_check.h"

#include "net/ftp_check.h"
#include "net/smtp_client.h"
#include "platform/ui_services.h"
#include "settings/settings.h"

namespace mora {

SmtpLoginReport CheckSmtpLogin(const Settings& settings, bool withAuthentication,
                               int receiveTimeoutMs, const TlsTrust& trust) {
    JStreamsmtp client;
    client.trust = trust;
    if (receiveTimeoutMs > 0) client.SetReceiveTimeout(receiveTimeoutMs);
    SmtpLoginReport report;
    report.result = withAuthentication ? client.OpenAuth(settings.SMTPServer, settings.SMTPUser,
                                                         settings.SMTPPassword)
                                       : client.Open(settings.SMTPServer);
    report.securityMessage = client.SecurityMessage();
    if (client.IsLoggedIn()) {
        report.offersEncryption = client.OffersStartTls();
        client.Disconnect();
    }
    return report;
}

int RunSmtpLogin(const Settings& settings, bool withAuthentication, int receiveTimeoutMs) {
    return CheckSmtpLogin(settings, withAuthentication, receiveTimeoutMs, TlsTrust{}).result;
}

std::string SmtpTestText(int result) {
    switch (result) {
        case 0:
            return "SMTP-server Ok";
        case 1:
        case 2:
            return "Server found,\nbut doesn't respond";
        case 3:
            return "Server not found";
        case 4:
            return "Wrong username\nor password.";
        default:
            return "Unspecified error";
    }
}

std::string SmtpTestText(const SmtpLoginReport& report) {
    if (!report.securityMessage.empty()) return report.securityMessage;
    std::string text = SmtpTestText(report.result);
    if (report.offersEncryption) text += std::string("\n") + kOffersEncryption;
    return text;
}

std::string ExplainSmtpTestResult(int result) {
    switch (result) {
        case 0:
            return "Logged in; the server accepts mail from this account.";
        case 1:
            return "The server answered but refused the greeting: is this the outgoing mail "
                   "server?";
        case 2:
            return "Something answered but sent no mail greeting: check the port (25 unless "
                   "given after a colon).";
        case 3:
            return "No mail server answered: the connection was refused, or the name is not "
                   "known. Check the server name and port.";
        case 4:
            return "The server refused the user name or password.";
        case 5:
            return "The encrypted connection was not safe or not offered, so nothing was sent.";
        default:
            return "The server broke off the login.";
    }
}

int SmtpTest(const Settings& settings, bool withAuthentication) {
    TlsTrust trust;
    trust.askUser = true;
    const SmtpLoginReport report = CheckSmtpLogin(settings, withAuthentication, 0, trust);
    Ui().MessageBox("Info", SmtpTestText(report), MsgIcon::Information, MsgButtons::Ok);
    return report.result;
}

}  // namespace mora
