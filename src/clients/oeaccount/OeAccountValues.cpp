#include "clients/oeaccount/OeAccountValues.h"

#include "accounts/Log.h"
#include "accounts/MailAccount.h"
#include "clients/oeaccount/OeAccountPasswords.h"

#include <cstdint>
#include <exception>

namespace {

using TDocument = TOeAccountDocument;
using TOptions = TOeAccountValueOptions;

// The incoming group's value names and defaults per kind.
struct TIncomingNames {
    const char* Prefix; // "POP3_" or "IMAP_"
    std::uint32_t DefaultPort;
};
constexpr TIncomingNames PopNames{"POP3_", 110};
constexpr TIncomingNames ImapNames{"IMAP_", 143};

constexpr std::uint32_t DefaultTimeout = 60;
constexpr std::uint32_t DefaultSmtpPort = 25;
constexpr std::uint32_t DefaultExpireDays = 5;
// Connection_Type: 2 dials up through Connectoid, 3 uses the network as it is.
constexpr std::uint32_t ClientDialUp = 2;
constexpr std::uint32_t ClientNetwork = 3;
// ConnectionType of the model: 3 dials up (2 is the other dial-up kind), 0 stores nothing.
constexpr std::uint8_t ModelDialUp = 3;
constexpr std::uint8_t ModelNone = 0;

std::string Name(const TIncomingNames& names, const char* leaf) {
    return std::string(names.Prefix) + leaf;
}

std::int32_t Number(std::uint32_t dword) {
    return static_cast<std::int32_t>(dword);
}

bool IsOne(const TDocument& document, std::string_view name) {
    return ReadDwordValue(document, name, 0) == 1;
}

// ---- Reading ----

void ReadIdentity(const TDocument& document, TMailAccount& account) {
    account.SetAccountName(ReadStringValue(document, "Account_Name", ""));
    account.SetDisplayName(ReadStringValue(document, "SMTP_Display_Name", ""));
    account.SetOrganization(ReadStringValue(document, "SMTP_Organization_Name", ""));
    account.SetEmailAddress(ReadStringValue(document, "SMTP_Email_Address", ""));
    account.SetReplyTo(ReadStringValue(document, "SMTP_Reply_To_Email_Address", ""));
}

template <class TAccount>
void ReadIncoming(const TDocument& document, const TIncomingNames& names, const TOptions& options,
                  TAccount& account) {
    account.SetUserName(ReadStringValue(document, Name(names, "User_Name"), ""));
    if (options.PasswordsAvailable) {
        const std::string sealed = ReadBinaryValue(document, Name(names, "Password2"), "");
        account.SetPassword(UnprotectPassword(sealed, options.SaltHex));
        account.SetRememberPassword(!sealed.empty());
    }
    account.SetIncomingServer(ReadStringValue(document, Name(names, "Server"), ""));
    account.SetIncomingPort(
        Number(ReadDwordValue(document, Name(names, "Port"), names.DefaultPort)));
    account.SetUseSSL(IsOne(document, Name(names, "Secure_Connection")));
    account.SetUseSPA(IsOne(document, Name(names, "Use_Sicily")));
    account.SetIncomingTimeout(
        Number(ReadDwordValue(document, Name(names, "Timeout"), DefaultTimeout)));
}

void ReadLeaveOnServer(const TDocument& document, TPOPMailAccount& account) {
    account.SetLeaveOnServer(IsOne(document, "Leave_Mail_On_Server"));
    account.SetRemoveWhenExpired(IsOne(document, "Remove_When_Expired"));
    account.SetExpireDays(Number(ReadDwordValue(document, "Expire_Days", DefaultExpireDays)));
    account.SetRemoveWhenDeleted(IsOne(document, "Remove_When_Deleted"));
}

void ClearSmtpLogin(TMailAccount& account) {
    account.SetSmtpAuthMode(0);
    account.SetSmtpUserName("");
    account.SetSmtpPassword("");
    account.SetSmtpUseSPA(false);
}

void ReadOwnSmtpLogin(const TDocument& document, const TOptions& options, TMailAccount& account) {
    account.SetSmtpAuthMode(2);
    account.SetSmtpUserName(ReadStringValue(document, "SMTP_User_Name", ""));
    if (options.PasswordsAvailable) {
        account.SetSmtpPassword(
            UnprotectPassword(ReadBinaryValue(document, "SMTP_Password2", ""), options.SaltHex));
    }
}

void ReadSmtpAuthentication(const TDocument& document, const TOptions& options,
                            TMailAccount& account) {
    switch (ReadDwordValue(document, "SMTP_Use_Sicily", 0)) {
    case 0:
        if (!options.GuardedSmtpAuthNone) {
            ClearSmtpLogin(account);
            break;
        }
        try {
            ClearSmtpLogin(account);
        } catch (const std::exception&) {
            AppLog().LogMessage(TLogLevel::Error, "exception on SMTPAuthMethod");
        }
        break;
    case 1: // own login with secure password authentication
        ReadOwnSmtpLogin(document, options, account);
        account.SetSmtpUseSPA(true);
        break;
    case 2: // the incoming server's login
        account.SetSmtpAuthMode(1);
        if (options.PasswordsAvailable) {
            account.SetSmtpPassword(account.Password());
        }
        break;
    case 3: // own login
        ReadOwnSmtpLogin(document, options, account);
        break;
    default:
        break;
    }
}

void ReadOutgoing(const TDocument& document, const TOptions& options, TMailAccount& account) {
    account.SetSmtpServer(ReadStringValue(document, "SMTP_Server", ""));
    account.SetSmtpPort(Number(ReadDwordValue(document, "SMTP_Port", DefaultSmtpPort)));
    account.SetSmtpUseSSL(IsOne(document, "SMTP_Secure_Connection"));
    account.SetSmtpTimeout(Number(ReadDwordValue(document, "SMTP_Timeout", DefaultTimeout)));
    ReadSmtpAuthentication(document, options, account);
}

void ReadConnection(const TDocument& document, TMailAccount& account) {
    const std::uint32_t type = ReadDwordValue(document, "Connection_Type", ClientNetwork);
    if (type == ClientDialUp) {
        account.SetConnectionType(ModelDialUp);
    } else if (type == ClientNetwork) {
        account.SetConnectionType(ModelNone);
    }
    account.SetConnectionName(ReadStringValue(document, "Connectoid", ""));
}

// ---- Writing ----

std::string Protected(const std::string& password, const TOptions& options, const char* valueName) {
    std::string sealed = ProtectPassword(password, options.SaltHex);
    if (sealed.empty()) {
        throw EOeAccountError(std::string("The password for \"") + valueName +
                              "\" could not be protected with data protection");
    }
    return sealed;
}

void WriteFlag(TDocument& document, std::string_view name, bool set) {
    if (set) {
        WriteDwordValue(document, name, 1);
    }
}

void WriteIdentity(const TMailAccount& account, TDocument& document) {
    WriteStringValue(document, "Account_Name", account.AccountName());
    WriteStringValue(document, "SMTP_Display_Name", account.DisplayName());
    WriteStringValue(document, "SMTP_Organization_Name", account.Organization());
    WriteStringValue(document, "SMTP_Email_Address", account.EmailAddress());
    WriteStringValue(document, "SMTP_Reply_To_Email_Address", account.ReplyTo());
}

template <class TAccount>
void WriteIncoming(const TAccount& account, const TIncomingNames& names, const TOptions& options,
                   TDocument& document) {
    WriteStringValue(document, Name(names, "User_Name"), account.UserName());
    if (options.PasswordsAvailable) {
        const std::string name = Name(names, "Password2");
        WriteBinaryValue(document, name, Protected(account.Password(), options, name.c_str()));
    }
    // The server's element tells the account's kind: without it the file would hold no account
    // any more, so it is written even when empty.
    WriteStringValueEvenEmpty(document, Name(names, "Server"), account.IncomingServer());
    const auto port = static_cast<std::uint32_t>(account.IncomingPort());
    if (port != names.DefaultPort) {
        WriteDwordValue(document, Name(names, "Port"), port);
    }
    WriteFlag(document, Name(names, "Use_Sicily"), account.UseSPA());
    WriteFlag(document, Name(names, "Secure_Connection"), account.UseSSL());
    WriteDwordValue(document, Name(names, "Timeout"),
                    static_cast<std::uint32_t>(account.IncomingTimeout()));
}

void WriteLeaveOnServer(const TPOPMailAccount& account, TDocument& document) {
    if (!account.LeaveOnServer()) {
        return;
    }
    WriteDwordValue(document, "Leave_Mail_On_Server", 1);
    if (account.RemoveWhenExpired()) {
        WriteDwordValue(document, "Remove_When_Expired", 1);
        WriteDwordValue(document, "Expire_Days", static_cast<std::uint32_t>(account.ExpireDays()));
    }
    WriteFlag(document, "Remove_When_Deleted", account.RemoveWhenDeleted());
}

void WriteSmtpAuthentication(const TMailAccount& account, const TOptions& options,
                             TDocument& document) {
    if (account.SmtpAuthMode() == 2) {
        WriteStringValue(document, "SMTP_User_Name", account.SmtpUserName());
        if (options.PasswordsAvailable && !account.SmtpPassword().empty()) {
            WriteBinaryValue(document, "SMTP_Password2",
                             Protected(account.SmtpPassword(), options, "SMTP_Password2"));
        }
        WriteDwordValue(document, "SMTP_Use_Sicily", account.SmtpUseSPA() ? 1 : 3);
    } else if (account.SmtpAuthMode() == 1) {
        WriteDwordValue(document, "SMTP_Use_Sicily", 2);
        if (options.PasswordsAvailable) {
            WriteBinaryValue(document, "SMTP_Password2",
                             Protected(account.Password(), options, "SMTP_Password2"));
        }
    }
}

void WriteOutgoing(const TMailAccount& account, const TOptions& options, TDocument& document) {
    WriteStringValue(document, "SMTP_Server", account.SmtpServer());
    const auto port = static_cast<std::uint32_t>(account.SmtpPort());
    if (port != DefaultSmtpPort) {
        WriteDwordValue(document, "SMTP_Port", port);
    }
    WriteFlag(document, "SMTP_Secure_Connection", account.SmtpUseSSL());
    WriteSmtpAuthentication(account, options, document);
    WriteDwordValue(document, "SMTP_Timeout", static_cast<std::uint32_t>(account.SmtpTimeout()));
}

void WriteConnection(const TMailAccount& account, TDocument& document) {
    const bool dialUp = account.ConnectionType() == 2 || account.ConnectionType() == 3;
    // Overwrites the first element in place, so it stays first.
    WriteDwordValue(document, "Connection_Type", dialUp ? ClientDialUp : ClientNetwork);
    if (dialUp) {
        WriteStringValue(document, "Connectoid", account.ConnectionName());
    }
}

} // namespace

int AccountKindOf(const TOeAccountDocument& document) {
    if (document.HasValue("POP3_Server")) {
        return AccountKindPOP;
    }
    return document.HasValue("IMAP_Server") ? AccountKindIMAP : 0;
}

std::unique_ptr<TMailAccount> NewAccountFor(const TOeAccountDocument& document,
                                            TMailProfile* profile) {
    switch (AccountKindOf(document)) {
    case AccountKindPOP:
        return std::make_unique<TPOPMailAccount>(profile);
    case AccountKindIMAP:
        return std::make_unique<TIMAPMailAccount>(profile);
    default:
        return nullptr;
    }
}

bool ReadAccountValues(const TOeAccountDocument& document, TMailAccount& account,
                       const TOeAccountValueOptions& options) {
    if (AccountKindOf(document) != account.Kind()) {
        return false;
    }
    ReadIdentity(document, account);
    if (auto* pop = dynamic_cast<TPOPMailAccount*>(&account)) {
        ReadIncoming(document, PopNames, options, *pop);
        ReadLeaveOnServer(document, *pop);
    } else if (auto* imap = dynamic_cast<TIMAPMailAccount*>(&account)) {
        ReadIncoming(document, ImapNames, options, *imap);
    }
    ReadOutgoing(document, options, account);
    ReadConnection(document, account);
    return true;
}

std::optional<TOeAccountDocument> AccountDocument(const TMailAccount& account,
                                                  const TOeAccountValueOptions& options) {
    const auto* pop = dynamic_cast<const TPOPMailAccount*>(&account);
    const auto* imap = dynamic_cast<const TIMAPMailAccount*>(&account);
    if (pop == nullptr && imap == nullptr) {
        return std::nullopt;
    }
    TOeAccountDocument document;
    WriteDwordValue(document, "Connection_Type", ClientNetwork); // holds the first place
    WriteIdentity(account, document);
    if (pop != nullptr) {
        WriteIncoming(*pop, PopNames, options, document);
        WriteLeaveOnServer(*pop, document);
    } else {
        WriteIncoming(*imap, ImapNames, options, document);
    }
    WriteOutgoing(account, options, document);
    WriteConnection(account, document);
    return document;
}
