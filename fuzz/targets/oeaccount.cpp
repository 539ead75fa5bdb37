// .oeaccount account files of Windows Mail and Windows Live Mail: any bytes parse or are refused
// with a line; a parsed document saves to a document that parses again and saves to the same
// bytes; and an account read from it, written and read again, reads back the same after that
// first write (the writer leaves out what only its defaults give, so the first write may drop
// values, the second none). Passwords stay out: sealing needs a system and is randomised.

#include "FormatTarget.h"

#include "accounts/HexText.h"
#include "accounts/MailAccount.h"
#include "clients/oeaccount/OeAccountDocument.h"
#include "clients/oeaccount/OeAccountValues.h"

#include <memory>

namespace {

std::unique_ptr<TMailAccount> ReadAccount(const TOeAccountDocument& document,
                                          const TOeAccountValueOptions& options) {
    std::unique_ptr<TMailAccount> account = NewAccountFor(document, nullptr);
    if (account) {
        harness::Require(ReadAccountValues(document, *account, options),
                         "an account of the document's kind does not read");
    }
    return account;
}

TOeAccountDocument Reparsed(const TOeAccountDocument& document) {
    std::string error;
    auto again = TOeAccountDocument::Parse(document.Save(), &error);
    harness::Require(again.has_value(), "a saved document does not parse: " + error);
    return std::move(*again);
}

void Fuzz(std::string_view bytes) {
    std::string error;
    const auto document = TOeAccountDocument::Parse(bytes, &error);
    if (!document) {
        harness::Require(error.rfind("line ", 0) == 0, "a parse error names no line: " + error);
        return;
    }
    const std::string saved = document->Save();
    harness::Require(Reparsed(*document).Save() == saved, "saving is not stable");

    TOeAccountValueOptions options;
    options.PasswordsAvailable = false;
    const auto account = ReadAccount(*document, options);
    if (!account) {
        return;
    }
    const auto first = AccountDocument(*account, options);
    harness::Require(first.has_value(), "a POP or IMAP account writes no document");
    const auto once = ReadAccount(Reparsed(*first), options);
    harness::Require(once != nullptr, "a written account reads as no account");
    const auto twice = ReadAccount(Reparsed(*AccountDocument(*once, options)), options);
    harness::Require(twice != nullptr && TMailAccount::SameProperties(*once, *twice),
                     "an account written twice reads back differently");
}

std::string Flag(bool value) {
    return value ? "1" : "0";
}

// What the stores take from the password text: nothing for text that is no whole bytes.
std::string PasswordText(const TOeAccountDocument& document, const char* name) {
    if (!document.HasValue(name)) {
        return "none";
    }
    const std::string text = ReadBinaryValue(document, name, "");
    const auto bytes = HexToBytes(text);
    if (!bytes) {
        return "not hexadecimal bytes: read as an empty password, remembered";
    }
    return bytes->empty() ? "empty: not remembered"
                          : "sealed, " + std::to_string(bytes->size()) + " bytes";
}

std::string Describe(const std::string& bytes, const std::string& fileName) {
    std::string error;
    const auto document = TOeAccountDocument::Parse(bytes, &error);
    if (!document) {
        return "error: " + fileName + ", " + error;
    }
    TOeAccountValueOptions options;
    options.PasswordsAvailable = false;
    const auto account = NewAccountFor(*document, nullptr);
    if (!account) {
        return "kind=none\n";
    }
    ReadAccountValues(*document, *account, options);
    const bool pop = account->Kind() == AccountKindPOP;
    std::string out = std::string("kind=") + (pop ? "POP" : "IMAP") + "\n";
    auto line = [&out](const std::string& key, const std::string& value) {
        out += key + "=" + value + "\n";
    };
    line("AccountName", account->AccountName());
    line("DisplayName", account->DisplayName());
    line("EmailAddress", account->EmailAddress());
    line("UserName", account->UserName());
    line("Password", PasswordText(*document, pop ? "POP3_Password2" : "IMAP_Password2"));
    if (pop) {
        const auto& p = static_cast<const TPOPMailAccount&>(*account);
        line("Incoming", p.IncomingServer() + ":" + std::to_string(p.IncomingPort()) +
                             " ssl=" + Flag(p.UseSSL()) + " spa=" + Flag(p.UseSPA()) +
                             " timeout=" + std::to_string(p.IncomingTimeout()));
        line("LeaveOnServer", Flag(p.LeaveOnServer()) + " expired=" + Flag(p.RemoveWhenExpired()) +
                                  " days=" + std::to_string(p.ExpireDays()) +
                                  " deleted=" + Flag(p.RemoveWhenDeleted()));
    } else {
        const auto& i = static_cast<const TIMAPMailAccount&>(*account);
        line("Incoming", i.IncomingServer() + ":" + std::to_string(i.IncomingPort()) +
                             " ssl=" + Flag(i.UseSSL()) + " spa=" + Flag(i.UseSPA()) +
                             " timeout=" + std::to_string(i.IncomingTimeout()));
    }
    line("Outgoing", account->SmtpServer() + ":" + std::to_string(account->SmtpPort()) +
                         " ssl=" + Flag(account->SmtpUseSSL()) +
                         " timeout=" + std::to_string(account->SmtpTimeout()));
    line("OutgoingLogin", "mode=" + std::to_string(account->SmtpAuthMode()) + " user=" +
                              account->SmtpUserName() + " spa=" + Flag(account->SmtpUseSPA()));
    const std::string& dialUp = account->ConnectionName();
    line("Connection",
         std::to_string(account->ConnectionType()) + (dialUp.empty() ? "" : " " + dialUp));
    return out;
}

const harness::TRegistration Registered{{"oeaccount", ".oeaccount", &Fuzz, &Describe}};

} // namespace
