#include "ProviderAccountSetup.h"

#include "ProviderConstants.h"
#include "mozilla/Thunderbird.h"

#include <accounts/MailAccount.h>
#include <accounts/MailAccounts.h>
#include <accounts/MailProfile.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

// The C1 controls U+0080..U+009F are C2 80..C2 9F in UTF-8.
constexpr unsigned char C1Lead = 0xC2;
constexpr unsigned char C1First = 0x80;
constexpr unsigned char C1Last = 0x9F;

bool IsBlankOrControlByte(unsigned char c) {
    return c <= 0x20 || c == 0x7F;
}

bool IsC1Control(unsigned char lead, unsigned char next) {
    return lead == C1Lead && next >= C1First && next <= C1Last;
}

// Takes an account out of its profile's list in the model only; the client's configuration is
// not asked (the store's own deletion would write). Null when it is not in the list.
std::unique_ptr<TMailAccount> ForgetAccount(TMailProfile* profile, const TMailAccount* account) {
    const int index = profile != nullptr ? profile->IndexOfAccount(account) : -1;
    return index >= 0 ? profile->ExtractAccount(index) : nullptr;
}

// A new account taken back out of its profile when the save raises. After a failed save only
// the profile is sure to be there, so the account itself is not asked.
class TNewAccountGuard {
public:
    TNewAccountGuard(TMailProfile* profile, TMailAccount* account)
        : Profile_(profile), Account_(account) {}
    ~TNewAccountGuard() {
        if (!Done_) {
            ForgetAccount(Profile_, Account_);
        }
    }
    TNewAccountGuard(const TNewAccountGuard&) = delete;
    TNewAccountGuard& operator=(const TNewAccountGuard&) = delete;
    void Done() { Done_ = true; }

private:
    TMailProfile* Profile_;
    TMailAccount* Account_;
    bool Done_ = false;
};

// The default flags of a profile's accounts as they were before the provider's settings were
// applied, put back when the save raises: making the new account the default clears the flag of
// the others in the model, and a failed save must not leave the profile without its default.
class TDefaultFlagsGuard {
public:
    explicit TDefaultFlagsGuard(TMailProfile* profile) : Profile_(profile) {
        if (Profile_ == nullptr) {
            return;
        }
        for (const auto& account : Profile_->Accounts()) {
            Flags_.emplace_back(account.get(), account->IsDefault());
        }
    }
    ~TDefaultFlagsGuard() {
        if (Done_ || Profile_ == nullptr) {
            return;
        }
        for (const auto& [account, wasDefault] : Flags_) {
            if (Profile_->IndexOfAccount(account) >= 0) {
                account->AssignIsDefault(wasDefault);
            }
        }
    }
    TDefaultFlagsGuard(const TDefaultFlagsGuard&) = delete;
    TDefaultFlagsGuard& operator=(const TDefaultFlagsGuard&) = delete;
    void Done() { Done_ = true; }

private:
    TMailProfile* Profile_;
    std::vector<std::pair<TMailAccount*, bool>> Flags_;
    bool Done_ = false;
};

} // namespace

TMailAccounts* ChosenStore(TMailClient client, const TMailStoreList& stores) {
    switch (client) {
    case TMailClient::OutlookExpress:
        return stores[siOutlookExpress];
    case TMailClient::Outlook:
        return stores[siOutlook] != nullptr && stores[siOutlook]->Installed() ? stores[siOutlook]
                                                                              : stores[siOutlook98];
    case TMailClient::WindowsMail:
        return stores[siWindowsMail];
    case TMailClient::WindowsLiveMail:
        return stores[siWindowsLiveMail];
    case TMailClient::Thunderbird:
        return stores[siThunderbird];
    }
    return nullptr;
}

bool IsThunderbirdStore(const TMailAccounts* store) {
    return dynamic_cast<const TThunderbirdMailAccounts*>(store) != nullptr;
}

TMailAccounts* StoreOf(const TMailAccount& account) {
    const TMailProfile* profile = account.Profile();
    return profile != nullptr ? profile->Store() : nullptr;
}

bool ClientMustBeClosedToWrite(const TMailAccounts* store) {
    return IsThunderbirdStore(store);
}

std::string TrimBlanksAndControls(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    const auto at = [&text](std::size_t i) {
        return static_cast<unsigned char>(text[i]);
    };
    for (;;) {
        if (first < last && IsBlankOrControlByte(at(first))) {
            ++first;
        } else if (first + 1 < last && IsC1Control(at(first), at(first + 1))) {
            first += 2;
        } else {
            break;
        }
    }
    for (;;) {
        if (last > first && IsBlankOrControlByte(at(last - 1))) {
            --last;
        } else if (last > first + 1 && IsC1Control(at(last - 2), at(last - 1))) {
            last -= 2;
        } else {
            break;
        }
    }
    return std::string(text.substr(first, last - first));
}

TProviderAccountValues ProviderAccountValues(const TProviderAccountInput& input) {
    const std::string_view mailbox =
        std::string_view(input.Mailbox).substr(0, input.Mailbox.find('@'));
    TProviderAccountValues values;
    values.Name = TrimBlanksAndControls(input.Name);
    values.Address = TrimBlanksAndControls(std::string(mailbox) + '@' +
                                           std::string(provider::PrimaryMailDomain));
    values.LoginName = values.Address;
    values.Password = input.Password;
    values.DefaultWish = input.DefaultWish;
    return values;
}

TProviderAccountResult WriteProviderAccount(TMailAccount* existing, TMailAccounts* store,
                                            const TProviderAccountValues& values,
                                            platform::TTransactionMode mode) {
    TProviderAccountResult result;
    if (existing != nullptr && existing->Kind() != AccountKindPOP) {
        result.Outcome = TProviderAccountOutcome::NotPop;
        return result;
    }
    if (existing == nullptr && store == nullptr) {
        return result; // NoTarget
    }
    platform::TWriteTransaction transaction(mode);
    TMailAccount* account = existing;
    if (account == nullptr) {
        account =
            store->AddAccount(AccountKindPOP, values.Address, values.LoginName, values.Password);
        if (account == nullptr) {
            result.Outcome = TProviderAccountOutcome::NoProfile;
            return result;
        }
    }
    TNewAccountGuard guard(existing == nullptr ? account->Profile() : nullptr, account);
    TDefaultFlagsGuard defaults(account->Profile());
    const bool thunderbird = IsThunderbirdStore(StoreOf(*account));
    // Only POP accounts reach this point: the existing one was checked, a new one is made so.
    ApplyProviderSettings(static_cast<TPOPMailAccount&>(*account), values, thunderbird);
    account->Save();
    result.Changes = transaction.Commit();
    guard.Done();
    defaults.Done();
    result.Outcome = TProviderAccountOutcome::Written;
    result.Account = account;
    result.Added = existing == nullptr;
    if (mode == platform::TTransactionMode::DryRun && result.Added) {
        // The client did not get the account, so the model must not keep it either.
        result.DryRunAccount = ForgetAccount(account->Profile(), account);
    }
    return result;
}
