#pragma once
// The values of a mail account in an ".oeaccount" file and the account fields they stand for,
// read and written in the clients' orders and with their defaults. Shared by the Windows Mail
// and Windows Live Mail stores.

#include "clients/oeaccount/OeAccountDocument.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

class TMailAccount;
class TMailProfile;

// A value that could not be written (a password that data protection refused to seal). The
// message names the value, never a password.
class EOeAccountError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TOeAccountValueOptions {
    // Passwords are read and written only when the store has them (a usable salt).
    bool PasswordsAvailable = true;
    std::string SaltHex;
    // Windows Live Mail: clearing the outgoing login for "SMTP_Use_Sicily" 0 runs guarded, an
    // error logged as "exception on SMTPAuthMethod" and reading going on.
    bool GuardedSmtpAuthNone = false;
};

// AccountKindPOP when the root has a POP3_Server element, else AccountKindIMAP when it has an
// IMAP_Server element, else 0 (news, directory service and anything else).
int AccountKindOf(const TOeAccountDocument& document);

// A new account of the document's kind for the profile; none for another kind.
std::unique_ptr<TMailAccount> NewAccountFor(const TOeAccountDocument& document,
                                            TMailProfile* profile);

// Reads every value of the account's kind into it through its setters (the caller keeps
// AutoSave off). False, and nothing read, when the document is not of the account's kind.
bool ReadAccountValues(const TOeAccountDocument& document, TMailAccount& account,
                       const TOeAccountValueOptions& options);

// A new document holding the account's values in the clients' order, with Connection_Type
// first; none for an account that is neither POP nor IMAP. Raises EOeAccountError when a
// password cannot be protected, so that nothing is written without it.
std::optional<TOeAccountDocument> AccountDocument(const TMailAccount& account,
                                                  const TOeAccountValueOptions& options);
