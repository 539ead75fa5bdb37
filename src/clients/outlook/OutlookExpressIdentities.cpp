// Outlook Express store: saving identities and the client's options.

#include "clients/outlook/OutlookExpress.h"

#include "accounts/RegistryHelpers.h"
#include "accounts/RegistrySaveSteps.h"
#include "accounts/SaveSteps.h"
#include "clients/outlook/OutlookExpressKeys.h"

#include <limits>

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

void AddIdentityPassword(TSaveSteps& steps, TStoredPasswords& passwords,
                         const std::string& identity, const std::string& password,
                         bool switchedOn) {
    steps.Add("the identity password item of " + identity,
              [&passwords, identity, password, switchedOn]() -> TSaveSteps::TUndo {
                  auto old = passwords.ReadIdentityItem(identity);
                  passwords.WriteIdentityPassword(identity, password, switchedOn);
                  return [&passwords, identity, old = std::move(old)] {
                      passwords.RestoreIdentityItem(identity, old);
                  };
              });
}

} // namespace

void TOutlookExpressMailAccounts::PrepareMailCheck(const std::string& identity,
                                                   const TMailProfile& profile,
                                                   bool useStoreSettings,
                                                   TRegistrySaveSteps& registry) {
    const bool check =
        useStoreSettings ? CheckMailOnStartup() : profile.EffectiveCheckMailOnStartup();
    const std::int32_t interval =
        useStoreSettings ? PollInterval() : profile.EffectivePollInterval();
    const std::string key = keys::MailCheck(identity);
    registry.WriteInteger(key, keys::CheckMailOnStartup, check ? 1 : 0);
    registry.WriteInteger(key, keys::PollForMail, PollForMailValue(interval));
}

void TOutlookExpressMailAccounts::SaveProfile(TMailProfile& profile) {
    std::string identity = profile.Location();
    const bool isNew = identity.empty();
    if (isNew) {
        identity = NewGuidString();
        if (identity.empty()) {
            throw ESaveError("No identifier could be made for the new identity \"" +
                             profile.Name() + "\"");
        }
    }
    const bool onlyProfile = ProfileCount() == 1 && ProfileByIndex(0) == &profile;
    const bool firstIdentity = isNew && onlyProfile;

    TSaveSteps steps;
    TRegistrySaveSteps registry(steps);
    if (firstIdentity) {
        registry.WriteString(keys::Identities, keys::DefaultUserId, identity);
        registry.WriteInteger(keys::Identities, keys::IdentityOrdinal, 2);
        registry.WriteString(keys::Identities, keys::LastUserId, identity);
        registry.WriteString(keys::Identities, keys::LastUsername, profile.Name());
    }
    registry.WriteString(keys::Identity(identity), keys::Username, profile.Name());
    if (isNew) {
        registry.WriteString(keys::Identity(identity), keys::UserId, identity);
    }
    PrepareMailCheck(identity, profile, false, registry);
    if (ProfilePasswordsAvailable()) {
        AddIdentityPassword(steps, Passwords_, identity, profile.ProfilePassword(),
                            profile.PasswordProtected());
    }
    registry.AddSave();
    steps.Run();

    // The new identity exists now; until here the model kept it as it was.
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
    TSaveSteps steps;
    TRegistrySaveSteps registry(steps);
    registry.WriteInteger(keys::IdentitySettings(identity), keys::HangupAfterSpool,
                          HangUpAfterSpool() ? 1 : 0);
    if (profile != nullptr && !profile->Location().empty()) {
        PrepareMailCheck(profile->Location(), *profile, true, registry);
    }
    registry.AddSave();
    steps.Run();
}
