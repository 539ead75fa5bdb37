#include "AccountWork.h"

#include "AccountListing.h"
#include "ChangeReport.h"
#include "ToolExit.h"

#include <accounts/MailAccounts.h>
#include <clients/ProviderAddress.h>

#include <algorithm>
#include <exception>

namespace accounts_tool {

namespace {

[[noreturn]] void NoTarget(const std::string& message) {
    throw EToolError(ecNoTarget, message);
}

std::string ClientTitle(TMailClient client) {
    switch (client) {
    case TMailClient::OutlookExpress:
        return "Outlook Express";
    case TMailClient::Outlook:
        return "Outlook";
    case TMailClient::WindowsMail:
        return "Windows Mail";
    case TMailClient::WindowsLiveMail:
        return "Windows Live Mail";
    case TMailClient::Thunderbird:
        break;
    }
    return "Thunderbird";
}

// The stores the client stands for that are installed, the one that takes new accounts first.
std::vector<TMailAccounts*> InstalledStores(TMailClient client, const TMailStoreList& stores) {
    std::vector<TMailAccounts*> candidates = {ChosenStore(client, stores)};
    if (client == TMailClient::Outlook) {
        candidates = {stores[siOutlook], stores[siOutlook98]};
    }
    candidates.erase(std::remove(candidates.begin(), candidates.end(), nullptr), candidates.end());
    if (candidates.empty()) {
        NoTarget("this build of quenlix-accounts cannot configure " + ClientTitle(client) + " yet");
    }
    candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                    [](const TMailAccounts* store) { return !store->Installed(); }),
                     candidates.end());
    if (candidates.empty()) {
        NoTarget(ClientTitle(client) + " is not installed on this computer");
    }
    return candidates;
}

TMailAccounts& StoreForNewAccount(TMailClient client, const TMailStoreList& stores) {
    InstalledStores(client, stores);
    TMailAccounts* store = ChosenStore(client, stores);
    if (store == nullptr || store->DefaultProfile() == nullptr) {
        NoTarget(ClientTitle(client) + " has no profile to add an account to; start " +
                 ClientTitle(client) + " once so that it makes one");
    }
    return *store;
}

void RequireClosed(const TMailAccounts* store, TMailClient client) {
    if (ClientMustBeClosedToWrite(store) && store->IsClientRunning()) {
        throw EToolError(ecClientRunning, ClientTitle(client) +
                                              " is running; close it and run the command again "
                                              "(it would overwrite the change when it ends)");
    }
}

bool SameText(std::string_view a, std::string_view b) {
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

struct TFoundAccount {
    TMailAccount* Account = nullptr;
    bool InUsedProfile = false; // the profile the assistant works with
};

std::vector<TFoundAccount> MatchingAccounts(const TAccountRequest& request,
                                            const std::vector<TMailAccounts*>& stores) {
    std::vector<TFoundAccount> found;
    for (TMailAccounts* store : stores) {
        const TMailProfile* used = store->DefaultProfile();
        for (const auto& profile : store->Profiles()) {
            for (const auto& account : profile->Accounts()) {
                const bool matches =
                    request.Key ? SameText(account->AccountKey(), *request.Key) ||
                                      SameText(ShortKey(account->AccountKey()), *request.Key)
                                : SameText(account->EmailAddress(), request.Address.value_or(""));
                if (matches) {
                    found.push_back({account.get(), profile.get() == used});
                }
            }
        }
    }
    return found;
}

std::string ProfileName(const TMailAccount& account) {
    return account.Profile() != nullptr ? account.Profile()->Name() : std::string();
}

TMailAccount& AccountToAdapt(const TAccountRequest& request, const TMailStoreList& stores) {
    const std::string title = ClientTitle(request.Client);
    const std::string what = request.Key ? "the key \"" + *request.Key + "\""
                                         : "the address \"" + request.Address.value_or("") + "\"";
    const std::vector<TFoundAccount> found =
        MatchingAccounts(request, InstalledStores(request.Client, stores));
    std::vector<TMailAccount*> usable;
    for (const TFoundAccount& account : found) {
        if (account.InUsedProfile) {
            usable.push_back(account.Account);
        }
    }
    if (usable.empty() && found.empty()) {
        NoTarget(title + " has no account with " + what +
                 "; \"quenlix-accounts list\" shows its accounts");
    }
    if (usable.empty()) {
        NoTarget("the account with " + what + " is in the profile \"" +
                 ProfileName(*found.front().Account) + "\" of " + title +
                 ", and the assistant works only with the profile marked \"*\" by the list "
                 "command");
    }
    if (usable.size() > 1) {
        std::string keys;
        for (const TMailAccount* account : usable) {
            keys += (keys.empty() ? "" : ", ") + ShortKey(account->AccountKey());
        }
        NoTarget("several accounts of " + title + " have " + what + " (keys " + keys +
                 "); choose one with --key");
    }
    TMailAccount& account = *usable.front();
    if (!IsProviderAddress(account.EmailAddress())) {
        NoTarget("the account with " + what + " (" + account.EmailAddress() +
                 ") is not an account of Quenlix mail, and only those are adapted; add a new "
                 "account with \"add\" instead");
    }
    return account;
}

// A new account's key is the client's only once the save went through (a store may save it as
// an account the profile already has), so a dry run of add names none.
std::string AccountDescription(const TMailAccount& account, const std::string& profileName,
                               TMailClient client, bool withKey) {
    std::string text =
        "the Quenlix account " + account.EmailAddress() + " in " + ClientTitle(client);
    if (!profileName.empty()) {
        text += ", profile \"" + profileName + "\"";
    }
    return text + " (" + (withKey ? "key " + ShortKey(account.AccountKey()) + ", " : "") +
           "default account: " + (account.IsDefault() ? "yes" : "no") + ")";
}

// Where the system has no place for the client's passwords (no Protected Storage after
// Windows XP, say), the account is written without one: the user must know that the client
// will ask for it.
std::string PasswordNote(const TAccountRequest& request, const TMailAccounts& store) {
    if (store.AccountPasswordsAvailable()) {
        return "";
    }
    return std::string("The password ") + (request.DryRun ? "would not be" : "was not") +
           " stored: this computer offers " + ClientTitle(request.Client) +
           " no safe place for it, so " + ClientTitle(request.Client) +
           " will ask for it when it first fetches mail.\n";
}

// tookOver: a new account for a mailbox the profile already had was saved as that account
// (as Thunderbird's store does rather than keep two accounts of one mailbox).
std::string Report(const TAccountRequest& request, const TProviderAccountResult& result,
                   const TMailAccounts& store, const std::string& profileName, bool tookOver) {
    const std::string account = AccountDescription(*result.Account, profileName, request.Client,
                                                   request.Adapt || !request.DryRun);
    const std::string note =
        (tookOver ? "The profile already had an account for this mailbox, so that account is "
                    "brought up to date instead of a second one being added.\n"
                  : "") +
        PasswordNote(request, store);
    if (request.DryRun) {
        return "Dry run: nothing was written. " +
               std::string(request.Adapt ? "adapt would change " : "add would add ") + account +
               ".\n" + note + "It would write (passwords shown as \"(password)\"):\n" +
               FormatChanges(result.Changes, true);
    }
    return std::string(request.Adapt ? "Adapted " : "Added ") + account + ".\n" + note +
           "Written:\n" + FormatChanges(result.Changes, false);
}

TProviderAccountResult Write(const TAccountRequest& request, TMailAccount* existing,
                             TMailAccounts* store, bool defaultWish) {
    TProviderAccountInput input;
    input.Name = request.Name;
    input.Mailbox = request.Mailbox;
    input.Password = request.Password;
    input.DefaultWish = defaultWish;
    const platform::TTransactionMode mode =
        request.DryRun ? platform::TTransactionMode::DryRun : platform::TTransactionMode::Write;
    TProviderAccountResult result;
    try {
        result = WriteProviderAccount(existing, store, ProviderAccountValues(input), mode);
    } catch (const std::exception& error) {
        throw EToolError(ecNotWritten, "the account could not be written into " +
                                           ClientTitle(request.Client) + ": " + error.what() +
                                           ". Nothing of it was changed; remove the cause and "
                                           "run the command again.");
    }
    switch (result.Outcome) {
    case TProviderAccountOutcome::Written:
        break;
    case TProviderAccountOutcome::NotPop:
        NoTarget("the account is an IMAP account, and the assistant sets up POP3 accounts "
                 "only; add a new account with \"add\" instead");
    case TProviderAccountOutcome::NoProfile:
    case TProviderAccountOutcome::NoTarget:
        NoTarget(ClientTitle(request.Client) + " has no profile to add an account to");
    }
    return result;
}

} // namespace

TAccountRequest AccountRequest(const TToolOptions& options, std::string password) {
    TAccountRequest request;
    request.Adapt = options.Command == TToolCommand::Adapt;
    request.Client = options.Client.value_or(TMailClient::Thunderbird);
    request.Address = options.Address;
    request.Key = options.Key;
    request.Name = options.Name;
    request.Mailbox = options.Mailbox;
    request.Password = std::move(password);
    request.DefaultWish = options.DefaultWish;
    request.DryRun = options.DryRun;
    return request;
}

std::string DoAccountWork(const TAccountRequest& request, const TMailStoreList& stores) {
    if (request.Adapt) {
        TMailAccount& account = AccountToAdapt(request, stores);
        RequireClosed(StoreOf(account), request.Client);
        const std::string profileName = ProfileName(account);
        // As the user-data page presets its check box: the account's own mark.
        const bool wish = request.DefaultWish.value_or(account.IsDefault());
        TMailAccounts& store = *StoreOf(account);
        return Report(request, Write(request, &account, nullptr, wish), store, profileName, false);
    }
    TMailAccounts& store = StoreForNewAccount(request.Client, stores);
    RequireClosed(&store, request.Client);
    const TMailProfile& profile = *store.DefaultProfile();
    // The profile's accounts before the new one: a key among them was taken over.
    std::vector<std::string> keysBefore;
    for (const auto& account : profile.Accounts()) {
        keysBefore.push_back(account->AccountKey());
    }
    const TProviderAccountResult result =
        Write(request, nullptr, &store, request.DefaultWish.value_or(false));
    const bool tookOver = std::find(keysBefore.begin(), keysBefore.end(),
                                    result.Account->AccountKey()) != keysBefore.end();
    return Report(request, result, store, profile.Name(), tookOver);
}

} // namespace accounts_tool
