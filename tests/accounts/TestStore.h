#pragma once
// A store for tests that records which operations were called and with what, and can be
// told what to answer.

#include "accounts/MailAccounts.h"
#include "platform/Registry.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace accounts_testing {

// A monitor that only remembers how often it was told to stop.
class TRecordingMonitor : public TMailMonitor {
public:
    void Terminate() override { ++Terminations; }
    int Terminations = 0;
};

class TTestStore : public TMailAccounts {
public:
    // Loads nothing; AutoSave is set last, as real stores do.
    explicit TTestStore(bool autoSave = false, bool registryBased = false)
        : TMailAccounts(false), RegistryBased(registryBased) {
        SetAutoSave(autoSave);
    }
    ~TTestStore() override { ShutDownMonitors(); }

    // ---- What the store answers ----
    bool RegistryBased = false;
    bool ClientRunning = false;
    // Keys that ListAccountKeys yields; unset: the base listing.
    std::optional<std::vector<std::string>> ScriptedKeys;
    // Keys LoadAccount can load (as POP accounts); others give none.
    std::vector<std::string> LoadableKeys;
    bool ThrowOnLoad = false;
    // Runs on the account in ReloadPOPAccount/ReloadIMAPAccount.
    std::function<void(TMailAccount&)> ReloadAction;
    int NextKeyNumber = 1;

    // ---- What was asked ----
    std::vector<std::string> Calls; // operation names, in call order
    std::vector<std::string> LoadedKeys;
    std::vector<bool> AutoSaveDuringLoad;
    std::vector<TAccountProperties> SavedStates; // the account's properties at each save
    std::vector<std::string> ReadPaths;          // registry key the Read*Account operations got
    std::vector<std::shared_ptr<TRecordingMonitor>> StartedMonitors; // kept alive for checks

    int CallCount(const std::string& name) const {
        int count = 0;
        for (const auto& call : Calls) {
            count += call == name ? 1 : 0;
        }
        return count;
    }
    int SaveCount() const { return static_cast<int>(SavedStates.size()); }

    // ---- Operations ----
    std::vector<std::string> ListAccountFiles(TMailProfile* profile) override {
        Calls.push_back("ListAccountFiles");
        return ScriptedKeys ? *ScriptedKeys : TMailAccounts::ListAccountFiles(profile);
    }
    std::vector<std::string> ListRegistryAccountKeys(TMailProfile* profile) override {
        Calls.push_back("ListRegistryAccountKeys");
        return ScriptedKeys ? *ScriptedKeys : TMailAccounts::ListRegistryAccountKeys(profile);
    }
    std::unique_ptr<TMailAccount> LoadAccount(TMailProfile* profile, const std::string& key,
                                              const std::string& defaultKey) override {
        Calls.push_back("LoadAccount");
        LoadedKeys.push_back(key + "|" + defaultKey);
        AutoSaveDuringLoad.push_back(AutoSave());
        if (ThrowOnLoad) {
            throw std::runtime_error("unreadable account");
        }
        for (const auto& loadable : LoadableKeys) {
            if (loadable == key) {
                auto account = std::make_unique<TPOPMailAccount>(profile);
                account->SetAccountKey(key);
                account->SetAccountName("loaded " + key); // AutoSave is off: never saves
                return account;
            }
        }
        return nullptr;
    }
    bool IsClientRunning() const override { return ClientRunning; }
    void DeleteAccount(TMailProfile* profile, int index) override {
        Calls.push_back("DeleteAccount");
        TMailAccounts::DeleteAccount(profile, index);
    }
    void StartAccountMonitor(TMailAccount& account) override {
        Calls.push_back("StartAccountMonitor");
        StartedMonitors.push_back(std::make_shared<TRecordingMonitor>());
        account.AddMonitor(StartedMonitors.back());
    }
    void StopAccountMonitor(TMailAccount& account) override {
        Calls.push_back("StopAccountMonitor");
        TMailAccounts::StopAccountMonitor(account);
    }
    void StartProfileMonitor(TMailProfile& profile) override {
        Calls.push_back("StartProfileMonitor");
        StartedMonitors.push_back(std::make_shared<TRecordingMonitor>());
        profile.AddMonitor(StartedMonitors.back());
    }
    void StopProfileMonitor(TMailProfile& profile) override {
        Calls.push_back("StopProfileMonitor");
        TMailAccounts::StopProfileMonitor(profile);
    }
    void ReloadPOPAccount(TMailAccount& account) override {
        Calls.push_back("ReloadPOPAccount");
        if (ReloadAction) {
            ReloadAction(account);
        }
    }
    void ReloadIMAPAccount(TMailAccount& account) override {
        Calls.push_back("ReloadIMAPAccount");
        if (ReloadAction) {
            ReloadAction(account);
        }
    }
    void ReadPOPAccount(platform::TRegistry& key, TMailAccount&) override {
        Calls.push_back("ReadPOPAccount");
        ReadPaths.push_back(key.CurrentPath());
    }
    void ReadIMAPAccount(platform::TRegistry& key, TMailAccount&) override {
        Calls.push_back("ReadIMAPAccount");
        ReadPaths.push_back(key.CurrentPath());
    }
    std::string NewAccountKey(TMailProfile*) override {
        Calls.push_back("NewAccountKey");
        return "account" + std::to_string(NextKeyNumber++);
    }
    bool IsRegistryBased() const override { return RegistryBased; }
    void SaveClientSettings() override { Calls.push_back("SaveClientSettings"); }
    void SaveAccount(TMailAccount& account) override {
        Calls.push_back("SaveAccount");
        SavedStates.push_back(account.GetProperties());
    }
    void Hook(int) override {}
};

// The value of one property in a property list; throws when it is not there.
inline TPropertyValue PropertyOf(const TAccountProperties& properties, std::uint8_t id) {
    for (const auto& property : properties) {
        if (property.Id == id) {
            return property.Value;
        }
    }
    throw std::out_of_range("no property " + std::to_string(id));
}

// A text property value, for comparisons with PropertyOf.
inline TPropertyValue Text(const char* text) {
    return TPropertyValue(std::string(text));
}

} // namespace accounts_testing
