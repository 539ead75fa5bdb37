#pragma once
// logins.json: the login store of current Mozilla applications. Written by the application as
// compact JSON:
//
//   {"nextId":3,"logins":[{"id":1,"hostname":"mailbox://pop.example.com",
//     "httpRealm":"mailbox://pop.example.com","formSubmitURL":null,"usernameField":"",
//     "passwordField":"","encryptedUsername":"MDIEEPgAAA...","encryptedPassword":"MDIEEPgAAA...",
//     "guid":"{0a1b...}","encType":1,"timeCreated":1700000000000,"timeLastUsed":1700000000000,
//     "timePasswordChanged":1700000000000,"timesUsed":1,"syncCounter":1,"everSynced":false,
//     "encryptedUnknownFields":null}, ...],
//    "potentiallyVulnerablePasswords":[],"dismissedBreachAlertsByLoginGUID":{},"version":3}
//
// Mail logins have the server URI as both hostname and realm: "mailbox://host" (POP),
// "imap://host", "smtp://host". User name and password are encrypted with the profile's key
// database (TLoginCrypto). Every login, field and member the file had is kept as it was; only the
// login being set and nextId change.

#include "Json.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Encryption of login fields the way the application does it (base64 text).
class TLoginCrypto {
public:
    virtual ~TLoginCrypto() = default;
    // Raises when the text cannot be encrypted.
    virtual std::string Encrypt(const std::string& plain) = 0;
    // None when the text does not decrypt with this key database.
    virtual std::optional<std::string> Decrypt(const std::string& encrypted) = 0;
};

// One mail login as this system sets it.
struct TMozillaLogin {
    std::string Origin; // "mailbox://pop.example.com"; also the realm
    std::string UserName;
    std::string Password;
};

// What a new login is stamped with: the time (milliseconds since 1970) and a new GUID.
struct TLoginStamp {
    std::int64_t NowMs = 0;
    std::string Guid; // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"
};

class TMozillaLoginsFile {
public:
    // An empty store, as the application writes it the first time.
    TMozillaLoginsFile();
    // Raises EJsonError, naming the line, when the text is no JSON, no JSON object, or its
    // "logins" is no list (the caller must then leave the file alone: it holds what it holds).
    static TMozillaLoginsFile FromText(std::string_view bytes);
    std::string ToText() const { return WriteJson(Root_); }

    // Logins in the file, tombstones of deleted ones included.
    std::size_t Count() const;
    // The password of the live login for this origin and user; none when there is none.
    std::optional<std::string> FindPassword(const std::string& origin, const std::string& userName,
                                            TLoginCrypto& crypto) const;
    // Gives the login for (origin, user) this password: changes the password of the existing
    // login in place (when it differs) or adds a new login with the next id.
    void SetLogin(const TMozillaLogin& login, TLoginCrypto& crypto, const TLoginStamp& stamp);

private:
    TJsonValue* FindLogin(const std::string& origin, const std::string& userName,
                          TLoginCrypto& crypto);
    std::int64_t TakeNextId();

    TJsonValue Root_;
};
