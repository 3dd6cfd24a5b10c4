// mora-cli smtp test / send: log in to the mail server of the settings, or send one message with
// attachments through the e-mail stream the publishing jobs use.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/command.h"
#include "net/email_stream.h"
#include "net/smtp_test.h"
#include "platform/program_dir.h"
#include "settings/settings.h"

namespace mora::cli {
namespace {
const std::vector<std::string> kServerOptions = {"ini", "server", "user", "password", "timeout"};

// The settings file's SMTP values with the command line's overrides: kExitOk, or the exit
// status after a message.
int LoadSmtpSettings(const Args& args, Settings& settings, int& timeoutMs) {
    if (!LoadCommandSettings(args, settings)) return kExitFailed;
    if (auto v = args.Get("server")) settings.SMTPServer = *v;
    if (auto v = args.Get("user")) settings.SMTPUser = *v;
    if (auto v = args.Get("password")) settings.SMTPPassword = *v;
    if (args.Has("auth")) settings.SmtpAuth = 1;
    if (args.Has("no-auth")) settings.SmtpAuth = 0;
    const auto ms = NumberOption(args, "timeout", 0, 1, 600000, "milliseconds");
    if (!ms) return kExitUsage;
    timeoutMs = static_cast<int>(*ms);
    return kExitOk;
}

int Test(const Args& args) {
    Settings settings;
    int timeoutMs = 0;
    if (int status = LoadSmtpSettings(args, settings, timeoutMs)) return status;
    const int result = RunSmtpLogin(settings, settings.SmtpAuth != 0, timeoutMs);
    std::printf("%s\n", SmtpTestText(result).c_str());
    return result == 0 ? kExitOk : kExitFailed;
}

bool ReadWhole(const std::string& path, std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// Streams one file into the open message; false when the file could not be read whole or the
// message failed.
bool SendFile(JStreamEMAIL& email, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<char> buffer(1 << 20);
    size_t n;
    while (email.IsGood() && (n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) {
        email.Write(buffer.data(), static_cast<uint32_t>(n));
    }
    const bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) std::fprintf(stderr, "mora-cli smtp send: cannot read %s\n", path.c_str());
    return ok && email.IsGood();
}

int Send(const Args& args) {
    auto to = args.Get("to");
    auto subject = args.Get("subject");
    if (!to || !subject || args.positional.empty()) {
        std::fprintf(stderr, "mora-cli smtp send: give --to, --subject and at least one file\n");
        return kExitUsage;
    }
    Settings settings;
    int timeoutMs = 0;
    if (int status = LoadSmtpSettings(args, settings, timeoutMs)) return status;
    settings.SendThrough = args.Has("outbox") ? 1 : 2;
    std::string body;
    if (auto file = args.Get("body-file"); file && !ReadWhole(*file, body)) {
        std::fprintf(stderr, "mora-cli smtp send: cannot read %s\n", file->c_str());
        return kExitFailed;
    }
    for (const auto& path : args.positional) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) {
            std::fprintf(stderr, "mora-cli smtp send: cannot read %s\n", path.c_str());
            return kExitFailed;
        }
        std::fclose(f);
    }

    MailValues values{*to, *subject, args.Get("from", kDefaultSender)};
    JStreamEMAIL email(settings, values);
    if (timeoutMs > 0) email.SetReceiveTimeout(timeoutMs);
    email.Open(FileNameOf(args.positional[0]), false, body);
    bool ok = email.IsReady();
    for (size_t i = 0; ok && i < args.positional.size(); ++i) {
        if (i > 0) email.StartAttachment(FileNameOf(args.positional[i]));
        ok = email.IsGood() && SendFile(email, args.positional[i]);
    }
    if (ok) {
        email.Close();
        ok = email.IsGood();
    } else {
        email.Abandon();
    }
    if (!ok) {
        std::fprintf(stderr, "mora-cli smtp send: the message was not sent\n");
        return kExitFailed;
    }
    if (args.Has("outbox")) std::printf("%s\n", email.OutboxFile().c_str());
    return kExitOk;
}

const CommandRegistrar kTest{{
    "smtp test",
    "[--auth|--no-auth] [--server HOST[:PORT]] [--user NAME] [--password PW] [--timeout MS] "
    "[--ini FILE]",
    "Logs in to the SMTP server of the settings (SMTPServer, SMTPUser, SMTPPassword; with\n"
    "authentication when SmtpAuth is set or --auth is given), says goodbye and prints the\n"
    "result as the setup program shows it. Exit status 0 only for \"SMTP-server Ok\". The\n"
    "options override the settings; --timeout limits each wait for a reply (default 10000).",
    kServerOptions,
    {"auth", "no-auth"},
    Test,
}};

std::vector<std::string> SendOptions() {
    auto options = kServerOptions;
    options.insert(options.end(), {"to", "subject", "from", "body-file"});
    return options;
}

const CommandRegistrar kSend{{
    "smtp send",
    "--to ADDR --subject TEXT [--from ADDR] [--body-file FILE] [--outbox] [--auth|--no-auth]\n"
    "    [--server HOST[:PORT]] [--user NAME] [--password PW] [--timeout MS] [--ini FILE] FILE...",
    "Sends one e-mail with the text of --body-file and the files as attachments, in order,\n"
    "through the SMTP server of the settings (the options override them). Exit status 0 only\n"
    "when the server accepted the message; otherwise the reason is on stderr and the status\n"
    "is 1. With --outbox the message is written as an .eml file into Outbox/<OutboxAccount>/\n"
    "of the program folder instead, and its path is printed.",
    SendOptions(),
    {"auth", "no-auth", "outbox"},
    Send,
}};
}  // namespace
}  // namespace mora::cli
