// Reading one Thunderbird account from a profile's prefs.js and signons.txt.

#include "ThunderbirdDetail.h"

#include "MozillaPrefsLine.h"

#include <accounts/MailAccount.h>

namespace thunderbird_detail {

namespace {

// Preference names of one account's parts.
struct TNames {
    std::string Server, Identity, Smtp;
    std::string S(const char* leaf) const { return Server + leaf; }
    std::string I(const char* leaf) const { return Identity + leaf; }
    std::string M(const char* leaf) const { return Smtp + leaf; }
};

TNames NamesFor(const std::string& server, const std::string& identity, const std::string& smtp) {
    return {"mail.server." + server + ".", "mail.identity." + identity + ".",
            "mail.smtpserver." + smtp + "."};
}

// Current versions keep only authMethod: an encrypted password, Kerberos, NTLM or "secure" is
// what useSecAuth and SPA stand for.
bool IsSecureAuthMethod(std::int32_t method) {
    return method == 4 || method == 5 || method == 6 || method == 8;
}

// The incoming-server fields both kinds share; each kind has its own setters.
template <class TAccount>
void ReadIncomingCommon(const TMozillaPrefsFile& prefs, const TNames& n, std::int32_t defaultPort,
                        TAccount& account) {
    std::string host = ReadText(prefs, n.S("hostname"));
    if (prefs.Exists(n.S("realhostname"))) {
        host = ReadText(prefs, n.S("realhostname"));
    }
    account.SetIncomingServer(host);
    account.SetIncomingPort(prefs.GetIntegerDef(n.S("port"), defaultPort));
    account.SetUseSSL(prefs.GetIntegerDef(n.S("socketType"), 0) == 3);
    account.SetUseSPA(prefs.Exists(n.S("useSecAuth"))
                          ? prefs.GetBool(n.S("useSecAuth"))
                          : IsSecureAuthMethod(prefs.GetIntegerDef(n.S("authMethod"), 0)));
}

void ReadPopFields(const TMozillaPrefsFile& prefs, const TNames& n, TPOPMailAccount& account) {
    ReadIncomingCommon(prefs, n, 110, account);
    account.SetLeaveOnServer(prefs.GetBoolDef(n.S("leave_on_server"), false));
    account.SetRemoveWhenExpired(prefs.GetBoolDef(n.S("delete_by_age_from_server"), false));
    account.SetRemoveWhenDeleted(prefs.GetBoolDef(n.S("delete_mail_left_on_server"), false));
    account.SetExpireDays(prefs.GetIntegerDef(n.S("num_days_to_leave_on_server"), 7));
}

void ReadImapFields(const TMozillaPrefsFile& prefs, const TNames& n, TIMAPMailAccount& account) {
    ReadIncomingCommon(prefs, n, 143, account);
    const std::int32_t retainBy = prefs.GetIntegerDef(n.S("retainBy"), 0);
    account.SetRemoveWhenExpired(retainBy == 2);
    account.SetRetainByCount(retainBy == 3);
    account.SetExpireDays(prefs.GetIntegerDef(n.S("daysToKeepHdrs"), 30));
    account.SetRetainCount(prefs.GetIntegerDef(n.S("numHdrsToKeep"), 0));
    account.SetKeepUnreadOnly(prefs.GetBoolDef(n.S("keepUnreadOnly"), false));
}

void ReadOutgoing(const TProfileFiles& files, const TNames& n, const std::string& loginName,
                  bool passwordsAvailable, TMailAccount& account) {
    const TMozillaPrefsFile& prefs = files.Prefs;
    account.SetSmtpServer(ReadText(prefs, n.M("hostname")));
    account.SetSmtpPort(prefs.GetIntegerDef(n.M("port"), 25));
    const std::int32_t trySsl = prefs.GetIntegerDef(n.M("try_ssl"), 0);
    account.SetSmtpUseSSL(trySsl == 3);
    account.SetSmtpUseTLS(trySsl == 2);
    account.SetSmtpUseSPA(IsSecureAuthMethod(prefs.GetIntegerDef(n.M("authMethod"), 0)));
    if (prefs.GetIntegerDef(n.M("auth_method"), 0) != 1) {
        // A reload too: a login Thunderbird no longer uses would be switched on again by a save.
        account.SetSmtpAuthMode(0);
        return;
    }
    account.SetSmtpAuthMode(2);
    account.SetSmtpUserName(ReadText(prefs, n.M("username")));
    if (passwordsAvailable) {
        // Stored under the outgoing login name; older entries under the incoming one.
        const std::string& user =
            account.SmtpUserName().empty() ? loginName : account.SmtpUserName();
        std::string password = files.Passwords.GetPassword("smtp", user, account.SmtpServer());
        if (password.empty() && user != loginName) {
            password = files.Passwords.GetPassword("smtp", loginName, account.SmtpServer());
        }
        account.SetSmtpPassword(password);
    }
}

void ReadIdentity(const TMozillaPrefsFile& prefs, const TNames& n, TMailAccount& account) {
    const std::string email = RequireText(prefs, n.I("useremail"));
    account.SetEmailAddress(email);
    account.SetAccountName(ReadText(prefs, n.I("fullName"), email));
    account.SetDisplayName(ReadText(prefs, n.S("name"), email));
    account.SetOrganization(ReadText(prefs, n.I("organization")));
    account.SetReplyTo(ReadText(prefs, n.I("reply_to")));
}

} // namespace

std::optional<TAccountLinks> ReadAccountLinks(const TMozillaPrefsFile& prefs,
                                              const std::string& accountKey) {
    const std::string prefix = "mail.account." + accountKey + ".";
    if (!prefs.Exists(prefix + "server") || !prefs.Exists(prefix + "identities")) {
        return std::nullopt;
    }
    TAccountLinks links;
    links.Server = ReadText(prefs, prefix + "server");
    const std::vector<std::string> identities = SplitList(ReadText(prefs, prefix + "identities"));
    if (!identities.empty()) {
        links.Identity = identities.front();
    }
    return links;
}

std::unique_ptr<TMailAccount> NewAccountForServer(const TMozillaPrefsFile& prefs,
                                                  const std::string& serverKey,
                                                  TMailProfile* profile) {
    const std::string type =
        prefs_detail::LowerAscii(ReadText(prefs, "mail.server." + serverKey + ".type"));
    if (type == "pop3") {
        return std::make_unique<TPOPMailAccount>(profile);
    }
    if (type == "imap") {
        return std::make_unique<TIMAPMailAccount>(profile);
    }
    return nullptr; // local folders, news, feeds
}

void ReadAccountFields(const TProfileFiles& files, const TAccountLinks& links,
                       const std::string& accountKey, const std::string& defaultAccountKey,
                       bool passwordsAvailable, TMailAccount& account) {
    const TMozillaPrefsFile& prefs = files.Prefs;
    const std::string smtp = ReadText(prefs, "mail.identity." + links.Identity + ".smtpServer",
                                      ReadText(prefs, "mail.smtp.defaultserver"));
    const TNames n = NamesFor(links.Server, links.Identity, smtp);
    const std::string loginName = ReadText(prefs, n.S("userName"));
    const std::string passwordHost = ReadText(prefs, n.S("hostname"));

    auto* pop = dynamic_cast<TPOPMailAccount*>(&account);
    auto* imap = dynamic_cast<TIMAPMailAccount*>(&account);
    if (pop != nullptr) {
        ReadPopFields(prefs, n, *pop);
    } else if (imap != nullptr) {
        ReadImapFields(prefs, n, *imap);
    }
    ReadOutgoing(files, n, loginName, passwordsAvailable, account);
    ReadIdentity(prefs, n, account);

    std::string userName = loginName;
    if (prefs.Exists(n.S("realuserName"))) {
        userName = ReadText(prefs, n.S("realuserName"));
    }
    account.SetUserName(userName);
    if (passwordsAvailable) {
        const char* scheme = imap != nullptr ? "imap" : "mailbox";
        account.SetPassword(files.Passwords.GetPassword(scheme, loginName, passwordHost));
        account.SetRememberPassword(prefs.GetBoolDef(n.S("remember_password"), false));
    }
    account.AssignIsDefault(accountKey == defaultAccountKey);

    account.StoreData().Clear();
    account.StoreData().Add("identity=" + links.Identity);
    account.StoreData().Add("server=" + links.Server);
    account.StoreData().Add("smtpserver=" + smtp);
}

} // namespace thunderbird_detail
