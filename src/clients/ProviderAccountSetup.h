#pragma once
// Writing the provider's account once the login has been proven: the one routine behind the
// setup page and the command-line tool, so that the two can never write differently. It takes
// the target (the existing account the user picked, or a new account of the chosen store), sets
// the fixed settings with the client's field mapping and the default rule, saves once inside one
// write transaction, and takes a new account back out of the model when the save fails.

#include "ProviderAccountSettings.h"

#include <accounts/MailAccount.h>
#include <platform/WriteTransaction.h>

#include <array>
#include <memory>
#include <string>
#include <string_view>

class TMailAccounts;

// The clients a user can choose for a new account. Outlook stands for both Outlook stores.
enum class TMailClient { OutlookExpress, Outlook, WindowsMail, WindowsLiveMail, Thunderbird };

// The six stores in the data module's creation order; an entry is null when that client's store
// is not part of this build.
enum TStoreIndex {
    siOutlook98,
    siOutlook,
    siOutlookExpress,
    siWindowsMail,
    siWindowsLiveMail,
    siThunderbird,
    StoreCount
};
using TMailStoreList = std::array<TMailAccounts*, StoreCount>;

// The store a new account of the client goes to: for Outlook the 2002/2003/2007 store when it is
// installed, otherwise the 98/2000 store. Null when that store is not part of this build.
TMailAccounts* ChosenStore(TMailClient client, const TMailStoreList& stores);

bool IsThunderbirdStore(const TMailAccounts* store);
// The store of the account's profile; null for an account outside any profile.
TMailAccounts* StoreOf(const TMailAccount& account);
// Whether the client must have ended before its configuration is written. Only Thunderbird is
// asked: it rewrites prefs.js when it ends and would undo the save. The other clients are
// written while they may run.
bool ClientMustBeClosedToWrite(const TMailAccounts* store);

// What the user typed, as the setup page reads it from the user-data page.
struct TProviderAccountInput {
    std::string Name;     // the person's name
    std::string Mailbox;  // the mailbox name; a typed "@domain" is cut off as the page does
    std::string Password; // exactly as typed
    bool DefaultWish = false;
};

// Leading and trailing blanks and control characters removed (UTF-8: C0 controls, blank,
// DEL and the C1 controls).
std::string TrimBlanksAndControls(std::string_view text);
// Name trimmed; Address = mailbox "@" primary domain, trimmed as a whole (blanks at the end of
// the mailbox stay in front of "@"); LoginName = Address; Password as typed.
TProviderAccountValues ProviderAccountValues(const TProviderAccountInput& input);

enum class TProviderAccountOutcome {
    Written,   // saved; in a dry run, prepared
    NoTarget,  // neither an existing account nor a store to add one to
    NotPop,    // the existing account is no POP account: POP settings would break it
    NoProfile, // the store has no profile to add an account to
};

struct TProviderAccountResult {
    TProviderAccountOutcome Outcome = TProviderAccountOutcome::NoTarget;
    // The account written. A new Thunderbird account for a mailbox the profile already has is
    // saved as that account and set aside by the store: it may no longer be in its profile.
    TMailAccount* Account = nullptr;
    bool Added = false; // made by this call, not an existing account
    // What the save wrote, or in a dry run would write (passwords as the client stores them).
    platform::TPreparedChanges Changes;
    // A dry run's new account, out of its profile again; Account points to it.
    std::unique_ptr<TMailAccount> DryRunAccount;
};

// Writes the provider's account into the existing account when one is given, otherwise into a
// new POP account that the store adds to its default profile. Nothing is written unless the
// outcome is Written. A dry run prepares the same writes and writes nothing; a new account is
// then taken back out of the model (DryRunAccount keeps it for the caller), an adapted one keeps
// the values it would have been given.
// Raises what the store raises when the account cannot be made or saved; nothing is written
// then, and a new account is taken back out of the model.
TProviderAccountResult
WriteProviderAccount(TMailAccount* existing, TMailAccounts* store,
                     const TProviderAccountValues& values,
                     platform::TTransactionMode mode = platform::TTransactionMode::Write);
