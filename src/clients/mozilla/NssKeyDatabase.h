#pragma once
// A profile's key database (key4.db) opened through NSS, the library Thunderbird itself uses,
// to encrypt and decrypt login fields exactly as Thunderbird does (NSS's "secret decoder ring",
// base64 text). The library is loaded at run time: the installed Thunderbird's own nss3.dll, so
// the key database is handled by the NSS version that wrote it.
//
// Each open database has its own NSS context. NSS encrypts with the process's one internal key
// database, so only one profile is open at a time in the whole process: opening waits for the
// previous one to be closed.

#include "MozillaLogins.h"

#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

class ENssError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TNssApi;
struct NSSInitContextStr;

class TNssKeyDatabase : public TLoginCrypto {
public:
    enum class TOpenResult {
        Opened,
        NoLibrary,       // the NSS library cannot be loaded
        NoKeyDatabase,   // the profile has no key4.db
        CannotOpen,      // NSS refused the database
        PrimaryPassword, // protected by a primary password: opening it would ask the user
        NotSetUp,        // read-only: never used before, and setting it up would change it
    };
    enum class TAccess {
        ReadWrite, // NSS may change key4.db: set it up, add the login key at the first encryption
        ReadOnly   // key4.db stays as it is; encryption fails when the login key is missing
    };

    // Opens key4.db in the profile folder (a Windows path) with the NSS library named by a Windows
    // path or module name. With write access, a database never used before gets the empty
    // password, as Thunderbird gives it at its first start. None, with the reason in `result`,
    // when it cannot be used without the user.
    static std::unique_ptr<TNssKeyDatabase> Open(const std::string& nssLibrary,
                                                 const std::string& profileDir, TOpenResult& result,
                                                 TAccess access = TAccess::ReadWrite);
    ~TNssKeyDatabase() override; // closes the NSS context
    TNssKeyDatabase(const TNssKeyDatabase&) = delete;
    TNssKeyDatabase& operator=(const TNssKeyDatabase&) = delete;

    // Raises ENssError (naming the NSS error, never the text) when encryption fails.
    std::string Encrypt(const std::string& plain) override;
    std::optional<std::string> Decrypt(const std::string& encrypted) override;

    // A short English description of an open result, for the log.
    static std::string Describe(TOpenResult result);

private:
    TNssKeyDatabase(const TNssApi& api, NSSInitContextStr* context,
                    std::unique_lock<std::mutex> lock);

    const TNssApi& Api_;
    NSSInitContextStr* Context_;
    std::unique_lock<std::mutex> Lock_; // the process's one open key database
};
