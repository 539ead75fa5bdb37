#include "AccountListing.h"

#include "CommandLine.h"
#include "TextTable.h"

#include <accounts/MailAccounts.h>
#include <clients/ProviderAddress.h>
#include <clients/mozilla/Json.h>

namespace accounts_tool {

namespace {

TListedAccount ListedAccount(const TMailAccount& account) {
    TListedAccount listed;
    listed.Key = account.AccountKey();
    listed.AccountName = account.AccountName();
    listed.DisplayName = account.DisplayName();
    listed.Address = account.EmailAddress();
    listed.Protocol = account.Kind() == AccountKindIMAP ? "IMAP" : "POP3";
    listed.IsDefault = account.IsDefault();
    listed.IsProvider = IsProviderAddress(account.EmailAddress());
    return listed;
}

TListedClient ListedClient(TMailAccounts& store, int storeIndex) {
    TListedClient client;
    client.Option = ClientOptionOfStore(storeIndex);
    client.Name = store.ClientName();
    client.Version = store.ClientVersion();
    client.Running = store.IsClientRunning();
    const TMailProfile* used = store.DefaultProfile();
    for (const auto& profile : store.Profiles()) {
        TListedProfile listed;
        listed.Name = profile->Name();
        listed.Used = profile.get() == used;
        for (const auto& account : profile->Accounts()) {
            listed.Accounts.push_back(ListedAccount(*account));
        }
        client.Profiles.push_back(std::move(listed));
    }
    return client;
}

std::string YesOrDash(bool value) {
    return value ? "yes" : "-";
}

TJsonValue AccountJson(const TListedAccount& account) {
    TJsonValue json = TJsonValue::Object();
    json.Set("key", TJsonValue::String(account.Key));
    json.Set("accountName", TJsonValue::String(account.AccountName));
    json.Set("displayName", TJsonValue::String(account.DisplayName));
    json.Set("address", TJsonValue::String(account.Address));
    json.Set("protocol", TJsonValue::String(account.Protocol));
    json.Set("default", TJsonValue::Boolean(account.IsDefault));
    json.Set("provider", TJsonValue::Boolean(account.IsProvider));
    return json;
}

TJsonValue ProfileJson(const TListedProfile& profile) {
    TJsonValue json = TJsonValue::Object();
    json.Set("name", TJsonValue::String(profile.Name));
    json.Set("used", TJsonValue::Boolean(profile.Used));
    TJsonValue accounts = TJsonValue::Array();
    for (const TListedAccount& account : profile.Accounts) {
        accounts.Items().push_back(AccountJson(account));
    }
    json.Set("accounts", std::move(accounts));
    return json;
}

} // namespace

std::string ShortKey(const std::string& key) {
    const std::size_t slash = key.find_last_of('\\');
    return slash == std::string::npos ? key : key.substr(slash + 1);
}

std::string ClientOptionOfStore(int storeIndex) {
    switch (storeIndex) {
    case siOutlook98:
    case siOutlook:
        return ClientOptionName(TMailClient::Outlook);
    case siOutlookExpress:
        return ClientOptionName(TMailClient::OutlookExpress);
    case siWindowsMail:
        return ClientOptionName(TMailClient::WindowsMail);
    case siWindowsLiveMail:
        return ClientOptionName(TMailClient::WindowsLiveMail);
    case siThunderbird:
        return ClientOptionName(TMailClient::Thunderbird);
    default:
        return {};
    }
}

std::vector<TListedClient> ListClients(const TMailStoreList& stores) {
    std::vector<TListedClient> clients;
    for (int i = 0; i < StoreCount; ++i) {
        if (stores[i] != nullptr && stores[i]->Installed()) {
            clients.push_back(ListedClient(*stores[i], i));
        }
    }
    return clients;
}

std::string FormatListTable(const std::vector<TListedClient>& clients) {
    if (clients.empty()) {
        return "No mail client that the assistant can configure is installed.\n";
    }
    // The key comes last: an account file's name is long.
    TTextTable table(
        {"Client", "Profile", "Account", "Address", "Protocol", "Default", "Quenlix", "Key"});
    for (const TListedClient& client : clients) {
        const std::string name = client.Name + (client.Running ? " (running)" : "");
        if (client.Profiles.empty()) {
            table.AddRow({name, "(no profile)"});
        }
        for (const TListedProfile& profile : client.Profiles) {
            const std::string profileName = profile.Name + (profile.Used ? " *" : "");
            if (profile.Accounts.empty()) {
                table.AddRow({name, profileName, "(no accounts)"});
            }
            for (const TListedAccount& account : profile.Accounts) {
                table.AddRow({name, profileName, account.AccountName, account.Address,
                              account.Protocol, YesOrDash(account.IsDefault),
                              YesOrDash(account.IsProvider), ShortKey(account.Key)});
            }
        }
    }
    return table.Text() +
           "\n* the profile the assistant works with: add writes there, adapt finds accounts "
           "there.\n";
}

std::string FormatListJson(const std::vector<TListedClient>& clients) {
    TJsonValue list = TJsonValue::Array();
    for (const TListedClient& client : clients) {
        TJsonValue json = TJsonValue::Object();
        json.Set("client", TJsonValue::String(client.Option));
        json.Set("name", TJsonValue::String(client.Name));
        json.Set("version", TJsonValue::String(client.Version));
        json.Set("running", TJsonValue::Boolean(client.Running));
        TJsonValue profiles = TJsonValue::Array();
        for (const TListedProfile& profile : client.Profiles) {
            profiles.Items().push_back(ProfileJson(profile));
        }
        json.Set("profiles", std::move(profiles));
        list.Items().push_back(std::move(json));
    }
    TJsonValue root = TJsonValue::Object();
    root.Set("clients", std::move(list));
    return WriteJson(root) + "\n";
}

} // namespace accounts_tool
