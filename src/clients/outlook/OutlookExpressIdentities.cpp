// Outlook Express store: saving identities and the client's options.

#include "clients/outlook/OutlookExpress.h"

#include "accounts/RegistryHelpers.h"
#include "clients/outlook/OutlookExpressKeys.h"
#include "platform/WriteTransaction.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace keys = outlook_express_keys;

namespace {

constexpr std::int32_t MillisecondsPerMinute = 60000;

// "Poll For Mail": the interval in milliseconds, -1 for never. An interval too long for the
// value is cut to the longest it can hold.
std::int32_t PollForMailValue(std::int32_t minutes) {
    if (minutes <= 0) {
        return -1;
    }
    constexpr std::int32_t longest =
        std::numeric_limits<std::int32_t>::max() / MillisecondsPerMinute;
    return std::min(minutes, longest) * MillisecondsPerMinute;
}

} // namespace

void TOutlookExpressMailAccounts::WriteMailCheck(const std::string& identity,
                                                 const TMailProfile& profile,
                                                 bool useStoreSettings) {
    const bool check =
        useStoreSettings ? CheckMailOnStartup() : profile.EffectiveCheckMailOnStartup();
    const std::int32_t interval =
        useStoreSettings ? PollInterval() : profile.EffectivePollInterval();
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    keys::OpenForWriting(registry, keys::MailCheck(identity));
    registry.WriteInteger(keys::CheckMailOnStartup, check ? 1 : 0);
    registry.WriteInteger(keys::PollForMail, PollForMailValue(interval));
}

void TOutlookExpressMailAccounts::SaveProfile(TMailProfile& profile) {
    std::string identity = profile.Location();
    const bool isNew = identity.empty();
    if (isNew) {
        identity = NewGuidString();
        if (identity.empty()) {
            throw std::runtime_error("No identifier could be made for the new identity \"" +
                                     profile.Name() + "\"");
        }
    }
    const bool firstIdentity = isNew && ProfileCount() == 1 && ProfileByIndex(0) == &profile;

    platform::TWriteTransaction transaction;
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (firstIdentity) {
        keys::OpenForWriting(registry, keys::Identities);
        registry.WriteString(keys::DefaultUserId, identity);
        registry.WriteInteger(keys::IdentityOrdinal, 2);
        registry.WriteString(keys::LastUserId, identity);
        registry.WriteString(keys::LastUsername, profile.Name());
    }
    keys::OpenForWriting(registry, keys::Identity(identity));
    registry.WriteString(keys::Username, profile.Name());
    if (isNew) {
        registry.WriteString(keys::UserId, identity);
    }
    registry.CloseKey();
    if (ProfilePasswordsAvailable()) {
        Passwords_.WriteIdentityPassword(identity, profile.ProfilePassword(),
                                         profile.PasswordProtected());
    }
    WriteMailCheck(identity, profile, false);
    // The new identity exists once the save has gone through; until then the model keeps it as
    // it was.
    transaction.AfterCommit([this, &profile, identity, firstIdentity] {
        profile.SetLocation(identity);
        if (firstIdentity) {
            profile.SetIsDefaultProfile(true);
            DefaultIdentity_ = StringToGuid(identity).value_or(platform::TGUID{});
        }
        if (profile.AccountFilePattern().empty()) {
            // The first identity owns the top-level account tree, as in Outlook Express.
            const std::string manager =
                firstIdentity ? keys::AccountManager : keys::IdentityAccountManager(identity);
            profile.SetAccountFilePattern(manager);
            profile.SetAccountsLocation(keys::AccountsOf(manager));
        }
    });
    transaction.Commit();
}

void TOutlookExpressMailAccounts::SaveClientSettings() {
    TMailProfile* profile = DefaultProfile();
    std::string identity = GuidToString(DefaultIdentity_);
    if (SameGuid(DefaultIdentity_, platform::TGUID{})) {
        // No "Default User ID": the options belong to the identity the wizard works with.
        identity = profile != nullptr ? profile->Location() : std::string();
    }
    if (identity.empty()) {
        return;
    }
    platform::TWriteTransaction transaction;
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    keys::OpenForWriting(registry, keys::IdentitySettings(identity));
    registry.WriteInteger(keys::HangupAfterSpool, HangUpAfterSpool() ? 1 : 0);
    registry.CloseKey();
    if (profile != nullptr && !profile->Location().empty()) {
        WriteMailCheck(profile->Location(), *profile, true);
    }
    transaction.Commit();
}
