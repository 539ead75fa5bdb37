#pragma once
// The store of a client that keeps each account as an ".oeaccount" file below its store folder
// (the user's local application data + "\Microsoft\<client>\"): Windows Mail and Windows Live
// Mail. One profile, "Mainprofile", holds the account files found one folder level down; the
// client's registry key holds the 16-byte "Salt" that seals the passwords, and
// HKCU\Software\Microsoft\IAM names the default account's file in "Default Mail Account".
//
// AccountKey and StoreLocation of a loaded account are its file's full path; a new account's
// key is a bare file name until its first save places it in a folder.

#include "accounts/MailAccounts.h"
#include "accounts/RandomSource.h"
#include "clients/oeaccount/OeAccountValues.h"

#include <memory>
#include <optional>
#include <string>

// What tells the clients apart.
struct TOeAccountClient {
    std::string ClientName;        // "Windows Mail"
    std::string ProgramFile;       // "WinMail.exe": its App Paths entry and its process name
    bool ExpandProgramPath = true; // environment variables in the App Paths entry are expanded
    std::string ClientKey;         // "\Software\Microsoft\Windows Mail" in the current user's hive
    std::string StoreFolderName;   // "Windows Mail", below "<local application data>\Microsoft\"
    // Taken when the program's version resource cannot be read; empty for no substitute.
    std::string SubstituteVersion;
    int SubstituteMajorVersion = 0;
    // A new POP account goes to "Local Folders"; otherwise every new account gets a folder of
    // its own, named after the account.
    bool NewPopAccountsInLocalFolders = true;
    bool GuardedSmtpAuthNone = false; // see TOeAccountValueOptions
};

class TOeAccountStore : public TMailAccounts {
public:
    ~TOeAccountStore() override;

    // The account file at the path (`accountKey`) as an account of the profile, not yet entered
    // in it; none for a file that cannot be read or parsed or is neither POP nor IMAP. It is
    // the default account when its file name equals the default name exactly (read from the
    // registry when `defaultAccountKey` is empty).
    std::unique_ptr<TMailAccount> LoadAccount(TMailProfile* profile, const std::string& accountKey,
                                              const std::string& defaultAccountKey) override;
    bool IsClientRunning() const override;
    // Deletes the account's file (an IMAP account: its whole folder, see DeleteAccountFiles),
    // ignoring failures, then the account.
    void DeleteAccount(TMailProfile* profile, int index) override;
    // A file monitor on the account's file reporting to OnAccountChanged; nothing when the
    // account has monitors already or was never saved.
    void StartAccountMonitor(TMailAccount& account) override;
    // Read the account's file (StoreLocation) again when it still holds an account of its kind.
    void ReloadPOPAccount(TMailAccount& account) override;
    void ReloadIMAPAccount(TMailAccount& account) override;
    // "account{GUID}.oeaccount"; "account.oeaccount" when no GUID can be made.
    std::string NewAccountKey(TMailProfile* profile) override;
    bool IsRegistryBased() const override { return false; }
    // "Hangup After Spool" in the client key, "Check Mail on Startup" and "Poll For Mail"
    // (milliseconds, -1 for never) in its subkey "Mail".
    void SaveClientSettings() override;
    // Writes the account's file afresh (values the tables do not list are gone), creating the
    // folder of a new account, and names it in "Default Mail Account" when it is the default.
    // All of it or nothing is written, in one write transaction (an outer one, a dry run say,
    // takes it in); a failure raises an error naming what could not be written. The account's
    // key becomes the file's full path once the save has been committed.
    void SaveAccount(TMailAccount& account) override;
    void Hook(int) override {}

    // The salt as 32 upper-case hexadecimal digits (empty when the client key's "Salt" is no
    // usable binary value: passwords are then neither read nor written).
    const std::string& SaltHex() const { return SaltHex_; }
    // "<local application data>\Microsoft\<client>\", with the trailing backslash.
    const std::string& StoreDirectory() const { return StoreDirectory_; }
    // A folder name for a new account below StoreDirectory, ending with a backslash: the name
    // without the characters file names cannot hold, with " (1)", " (2)" ... appended while a
    // folder of that name exists.
    std::string UniqueAccountFolder(const std::string& accountName) const;
    // "Default Mail Account"; empty when it or the client key is missing.
    std::string ReadDefaultAccountName() const;
    // Loads every account file one folder level below the profile's AccountsLocation; a file
    // that cannot be loaded is left out and the others load.
    void ScanAccountFiles(TMailProfile& profile, const std::string& defaultName);

protected:
    // Detects and loads the client; a missing program file or client key leaves the store not
    // installed and empty. The random source makes a missing salt.
    TOeAccountStore(TOeAccountClient client, bool autoSave, TRandomSource& random);

private:
    void Detect(TRandomSource& random);
    bool ReadClientKey(TRandomSource& random);
    void ReadClientVersion(const std::string& program);
    void ReloadAccount(TMailAccount& account);
    std::string AccountFilePath(const TMailAccount& account) const;
    void DeleteAccountFiles(const TMailProfile& profile, const TMailAccount& account);
    TOeAccountValueOptions ValueOptions() const;

    TOeAccountClient Client_;
    std::string SaltHex_;
    std::string StoreDirectory_;
};

// Where both clients name the default account's file: "Default Mail Account" in this key of the
// current user's hive.
inline constexpr const char* DefaultMailAccountKey = "\\Software\\Microsoft\\IAM";
inline constexpr const char* DefaultMailAccountValue = "Default Mail Account";

// The account file as a document; none when it cannot be read or is not well-formed XML.
std::optional<TOeAccountDocument> ReadAccountFile(const std::string& path);
