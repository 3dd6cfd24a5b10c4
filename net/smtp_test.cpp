#include "net/smtp_test.h"

#include "net/smtp_client.h"
#include "platform/ui_services.h"
#include "settings/settings.h"

namespace mora {

int RunSmtpLogin(const Settings& settings, bool withAuthentication, int receiveTimeoutMs) {
    JStreamsmtp client;
    if (receiveTimeoutMs > 0) client.SetReceiveTimeout(receiveTimeoutMs);
    const int result = withAuthentication ? client.OpenAuth(settings.SMTPServer, settings.SMTPUser,
                                                            settings.SMTPPassword)
                                          : client.Open(settings.SMTPServer);
    if (client.IsLoggedIn()) client.Disconnect();
    return result;
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
        default:
            return "The server broke off the login.";
    }
}

int SmtpTest(const Settings& settings, bool withAuthentication) {
    const int result = RunSmtpLogin(settings, withAuthentication);
    Ui().MessageBox("Info", SmtpTestText(result), MsgIcon::Information, MsgButtons::Ok);
    return result;
}

}  // namespace mora
