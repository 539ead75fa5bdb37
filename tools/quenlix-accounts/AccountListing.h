#pragma once
// What the list command shows: every installed client with its profiles and their accounts,
// the provider's accounts marked, as a table for people or as JSON for scripts.

#include <clients/ProviderAccountSetup.h>

#include <string>
#include <vector>

namespace accounts_tool {

struct TListedAccount {
    std::string Key;
    std::string AccountName;
    std::string DisplayName;
    std::string Address;
    std::string Protocol; // "POP3" or "IMAP"
    bool IsDefault = false;
    bool IsProvider = false; // an address in one of the provider's domains
};

struct TListedProfile {
    std::string Name;
    bool Used = false; // the profile the assistant reads and writes (the store's default one)
    std::vector<TListedAccount> Accounts;
};

struct TListedClient {
    std::string Option; // the --client value that names it
    std::string Name;   // as the store names it
    std::string Version;
    bool Running = false;
    std::vector<TListedProfile> Profiles;
};

// The installed clients in the data module's order.
std::vector<TListedClient> ListClients(const TMailStoreList& stores);

// A key as the table shows it and --key also takes it: the file name of a key that is an
// account file's path (Windows Mail, Windows Live Mail), otherwise the whole key.
std::string ShortKey(const std::string& key);

// The --client value of the store at the index.
std::string ClientOptionOfStore(int storeIndex);

std::string FormatListTable(const std::vector<TListedClient>& clients);
// One line of compact JSON: {"clients":[{"client","name","version","running","profiles":[{"name",
// "used","accounts":[{"key","accountName","displayName","address","protocol","default",
// "provider"}]}]}]}
std::string FormatListJson(const std::vector<TListedClient>& clients);

} // namespace accounts_tool
