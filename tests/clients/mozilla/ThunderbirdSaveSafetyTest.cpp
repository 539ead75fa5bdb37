// A Thunderbird save changes the whole profile or none of it: a file that cannot be written
// leaves every file and folder as it was and the store without the keys of the failed save, so
// a retry writes what a first successful save would have; a dry run lists the writes and
// changes nothing.

#include "ThunderbirdTestSupport.h"

#include <clients/mozilla/MozillaLogins.h>
#include <clients/mozilla/NssKeyDatabase.h>
#include <platform/Files.h>
#include <platform/HostFaults.h>
#include <platform/WriteTransaction.h>
#include <support/KeyDatabase.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

namespace {

using namespace thunderbird_test;
namespace fs = std::filesystem;

// signons.txt as an old version left it: the password of the account the profile has.
const std::string kSignons = "#2c\r\n.\r\nmailbox://erika@pop.example.com\r\n\\=username=\\\r\n~"
                             "ZXJpa2E=\r\n*\\=password=\\\r\n~c2VjcmV0\r\n.\r\n";
const std::string kLogins = "{\"nextId\":1,\"logins\":[],\"potentiallyVulnerablePasswords\":[],"
                            "\"dismissedBreachAlertsByLoginGUID\":{},\"version\":3}";

// Every file and folder below a host folder with its mode and bytes (NSS's databases by a hash of
// them). key4.db is NSS's own: it may get its login key when a save encrypts, before anything
// of ours is written.
std::map<std::string, std::string> TreeOf(const fs::path& folder) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).generic_string();
        if (name == "key4.db") {
            continue;
        }
        std::string& state = tree[name];
        state = std::to_string(static_cast<unsigned>(entry.status().permissions())) + " ";
        if (entry.is_directory()) {
            state += "<folder>";
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes(std::istreambuf_iterator<char>(in), {});
            state += entry.path().extension() == ".db"
                         ? "hash " + std::to_string(std::hash<std::string>{}(bytes))
                         : bytes;
        }
    }
    return tree;
}

std::string HostBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ThunderbirdSaveSafetyTest : public ThunderbirdFixture {
protected:
    void SetUp() override {
        InstallExe(115, 5, 0, 0);
        WriteSingleProfile("k3x9q2mf.default-esr");
        Dir = ProfileDir("k3x9q2mf.default-esr");
        WritePrefs(Dir, CurrentPrefs(Dir));
        System.WriteFile(Dir + "\\signons.txt", kSignons);
        System.WriteFile(Dir + "\\Mail\\pop.example.com\\Inbox", "");
        System.WriteFile(Dir + "\\Mail\\Local Folders\\Trash", "");
    }
    bool UseKeyDatabase() {
        if (!testing_support::KeyDatabaseUnavailableReason().empty()) {
            return false;
        }
        testing_support::CreateKeyDatabase(System.Host(Dir));
        System.WriteFile(kNss, "stands in for Thunderbird's NSS library");
        System.WriteFile(Dir + "\\logins.json", kLogins);
        return true;
    }
    TPOPMailAccount& AddProviderAccount(TThunderbirdMailAccounts& store) {
        auto& account = dynamic_cast<TPOPMailAccount&>(
            *store.AddAccount(AccountKindPOP, kAddress, kAddress, "Geheim-42"));
        account.SetAccountName("Anna Beispiel");
        account.SetDisplayName(kAddress);
        account.SetIncomingServer(kPopHost);
        account.SetUseSSL(true);
        account.SetIncomingPort(995);
        account.SetLeaveOnServer(true);
        account.SetSmtpServer(kSmtpHost);
        account.SetSmtpAuthMode(1);
        account.SetSmtpUseSSL(true);
        account.SetSmtpPort(465);
        account.SetIsDefault(true);
        return account;
    }
    // What a first successful save of the provider account into this profile writes.
    void ExpectFirstSaveKeys(const TMailAccount& account) {
        EXPECT_EQ(account.AccountKey(), "account3");
        EXPECT_EQ(account.StoreData().Value("identity"), "id2");
        EXPECT_EQ(account.StoreData().Value("server"), "server3");
        EXPECT_EQ(account.StoreData().Value("smtpserver"), "smtp2");
        TMozillaPrefsFile& prefs = ReadPrefs(Dir);
        EXPECT_EQ(prefs.GetString("mail.accountmanager.accounts"), "account1,account2,account3");
        EXPECT_EQ(prefs.GetInteger("mail.account.lastKey"), 3);
        EXPECT_EQ(prefs.GetString("mail.smtpservers"), "smtp1,smtp2");
        EXPECT_EQ(prefs.GetString("mail.server.server3.directory-rel"), "[ProfD]Mail/" + kPopHost);
        EXPECT_TRUE(platform::DirectoryExists(Dir + "\\Mail\\" + kPopHost));
        EXPECT_FALSE(System.Exists(Dir + "\\Mail\\" + kPopHost + "-1"));
    }
    std::string Dir;
};

// ---- a file that cannot be written -----------------------------------------------------------

enum class TFault { ReadOnlyPrefs, ReadOnlySignons, ReadOnlyLogins, FullDisk };

struct TFaultCase {
    const char* Name;
    TFault Fault;
    const char* NamedFile; // what the error names
    bool WithKeys;         // the profile has a key database and logins.json
};

void PrintTo(const TFaultCase& c, std::ostream* os) {
    *os << c.Name;
}

class ThunderbirdFailedSaveSafetyTest : public ThunderbirdSaveSafetyTest,
                                        public ::testing::WithParamInterface<TFaultCase> {
protected:
    std::string FaultyFile() const { return Dir + "\\" + GetParam().NamedFile; }
    void SetReadOnly(bool readOnly) {
        if (GetParam().Fault != TFault::FullDisk) {
            ASSERT_TRUE(platform::SetFileAttributes(FaultyFile(),
                                                    readOnly ? platform::FILE_ATTRIBUTE_READONLY
                                                             : platform::FILE_ATTRIBUTE_NORMAL));
        }
    }
};

// Big enough for the save journal and signons.txt, too small for prefs.js.
constexpr rlim_t kFullDiskBytes = 2048;

TEST_P(ThunderbirdFailedSaveSafetyTest, FailedSaveChangesNothingAndTheRetryWritesTheFirstKeys) {
    if (GetParam().WithKeys && !UseKeyDatabase()) {
        GTEST_SKIP() << testing_support::KeyDatabaseUnavailableReason();
    }
    SetReadOnly(true);
    const auto before = TreeOf(System.Host(Dir));
    const auto store = Open();
    const std::int32_t smtpNumber = store->HighestSmtpNumber();
    TPOPMailAccount& account = AddProviderAccount(*store);
    try {
        std::optional<platform_test::TFileSizeLimit> fullDisk;
        if (GetParam().Fault == TFault::FullDisk) {
            fullDisk.emplace(kFullDiskBytes);
        }
        account.Save();
        ADD_FAILURE() << "the save reported success";
    } catch (const platform::EFileError& error) {
        EXPECT_NE(std::string(error.what()).find(FaultyFile()), std::string::npos) << error.what();
        EXPECT_EQ(std::string(error.what()).find("Geheim-42"), std::string::npos);
    }
    EXPECT_EQ(TreeOf(System.Host(Dir)), before);
    EXPECT_EQ(store->HighestSmtpNumber(), smtpNumber);
    EXPECT_EQ(account.StoreData().Value("identity"), "");
    EXPECT_EQ(account.StoreData().Value("server"), "");
    EXPECT_EQ(account.StoreData().Value("smtpserver"), "");

    SetReadOnly(false);
    account.Save();
    ExpectFirstSaveKeys(account);
    EXPECT_EQ(store->HighestSmtpNumber(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ThunderbirdFailedSaveSafetyTest,
    ::testing::Values(TFaultCase{"ReadOnlyPrefs", TFault::ReadOnlyPrefs, "prefs.js", false},
                      TFaultCase{"ReadOnlyPrefsWithKeys", TFault::ReadOnlyPrefs, "prefs.js", true},
                      TFaultCase{"ReadOnlySignons", TFault::ReadOnlySignons, "signons.txt", false},
                      TFaultCase{"ReadOnlySignonsWithKeys", TFault::ReadOnlySignons, "signons.txt",
                                 true},
                      TFaultCase{"ReadOnlyLogins", TFault::ReadOnlyLogins, "logins.json", true},
                      TFaultCase{"FullDisk", TFault::FullDisk, "prefs.js", false}),
    [](const ::testing::TestParamInfo<TFaultCase>& info) { return std::string(info.param.Name); });

TEST_F(ThunderbirdSaveSafetyTest, LocalFoldersOfAnEmptyProfileAreAllOrNothing) {
    WritePrefs(Dir, Str("browser.cache.disk.capacity", "0"));
    fs::remove_all(System.Host(Dir + "\\Mail"));
    ASSERT_TRUE(platform::SetFileAttributes(Dir + "\\prefs.js", platform::FILE_ATTRIBUTE_READONLY));
    const auto before = TreeOf(System.Host(Dir));
    const auto store = Open();
    EXPECT_THROW(store->AddAccount(AccountKindPOP, kAddress, kAddress, "Geheim-42"),
                 platform::EFileError);
    EXPECT_EQ(TreeOf(System.Host(Dir)), before); // no ImapMail, Mail, News
    EXPECT_EQ(store->AccountCount(), 0);

    ASSERT_TRUE(platform::SetFileAttributes(Dir + "\\prefs.js", platform::FILE_ATTRIBUTE_NORMAL));
    TMailAccount* account = store->AddAccount(AccountKindPOP, kAddress, kAddress, "Geheim-42");
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->AccountKey(), "account3");
    EXPECT_TRUE(platform::DirectoryExists(Dir + "\\Mail\\Local Folders"));
    EXPECT_EQ(ReadPrefs(Dir).GetString("mail.server.server1.type"), "none");
}

// The wizard's way in an empty profile: the account is made (which writes the scaffolding), its
// save fails, the page forgets the account, and the retry makes and saves it anew. The profile
// ends exactly as after a first successful attempt.
TEST_F(ThunderbirdSaveSafetyTest, RetryInAnEmptyProfileEndsAsAFirstSuccessfulSave) {
    const auto resetProfile = [this] {
        fs::remove_all(System.Host(Dir));
        WritePrefs(Dir, Str("browser.cache.disk.capacity", "0"));
        System.WriteFile(Dir + "\\signons.txt", "#2c\r\n.\r\n");
    };
    const auto addAndSave = [this](TThunderbirdMailAccounts& store) {
        TPOPMailAccount& account = AddProviderAccount(store);
        account.Save();
    };
    resetProfile();
    addAndSave(*Open());
    const auto firstSuccess = TreeOf(System.Host(Dir));

    resetProfile();
    const auto store = Open();
    ASSERT_TRUE(
        platform::SetFileAttributes(Dir + "\\signons.txt", platform::FILE_ATTRIBUTE_READONLY));
    EXPECT_THROW(addAndSave(*store), platform::EFileError);
    TMailProfile& profile = *store->ProfileByIndex(0);
    ASSERT_EQ(profile.AccountCount(), 1);
    profile.ExtractAccount(0);
    ASSERT_TRUE(
        platform::SetFileAttributes(Dir + "\\signons.txt", platform::FILE_ATTRIBUTE_NORMAL));
    addAndSave(*store);
    EXPECT_EQ(TreeOf(System.Host(Dir)), firstSuccess);
}

// ---- a dry run ---------------------------------------------------------------------------------

const platform::TFileChange* FindChange(const platform::TPreparedChanges& changes,
                                        platform::TFileChange::TKind kind,
                                        const std::string& path) {
    const auto found = std::find_if(changes.Files.begin(), changes.Files.end(), [&](const auto& c) {
        return c.Kind == kind && platform::NormalizePath(c.Path) == platform::NormalizePath(path);
    });
    return found == changes.Files.end() ? nullptr : &*found;
}

TEST_F(ThunderbirdSaveSafetyTest, DryRunListsThePreparedWritesAndChangesNothing) {
    const auto before = TreeOf(System.Host(Dir));
    const auto store = Open();
    TPOPMailAccount& account = AddProviderAccount(*store);
    platform::TPreparedChanges changes;
    {
        platform::TWriteTransaction dryRun(platform::TTransactionMode::DryRun);
        account.Save();
        changes = dryRun.Commit();
    }
    EXPECT_EQ(TreeOf(System.Host(Dir)), before);
    EXPECT_EQ(store->HighestSmtpNumber(), 1);
    EXPECT_EQ(account.StoreData().Value("server"), "");

    using TKind = platform::TFileChange::TKind;
    EXPECT_NE(FindChange(changes, TKind::FolderCreated, Dir + "\\Mail\\" + kPopHost), nullptr);
    const platform::TFileChange* signons =
        FindChange(changes, TKind::FileWritten, Dir + "\\signons.txt");
    ASSERT_NE(signons, nullptr);
    EXPECT_EQ(signons->OldBytes, kSignons);
    const platform::TFileChange* prefs =
        FindChange(changes, TKind::FileWritten, Dir + "\\prefs.js");
    ASSERT_NE(prefs, nullptr);
    ASSERT_TRUE(prefs->NewBytes.has_value());
    EXPECT_NE(prefs->NewBytes->find(Str("mail.server.server3.hostname", kPopHost)),
              std::string::npos);
    EXPECT_EQ(changes.Files.size(), 3u) << "nothing else";

    // The real save afterwards allocates what the dry run showed.
    account.Save();
    ExpectFirstSaveKeys(account);
    EXPECT_EQ(System.ReadFile(Dir + "\\prefs.js"), *prefs->NewBytes);
}

TEST_F(ThunderbirdSaveSafetyTest, DryRunLeavesTheKeyDatabaseAlone) {
    if (!UseKeyDatabase()) {
        GTEST_SKIP() << testing_support::KeyDatabaseUnavailableReason();
    }
    const fs::path keyDatabase = System.Host(Dir + "\\key4.db");
    const auto store = Open();
    TPOPMailAccount& account = AddProviderAccount(*store);
    using TKind = platform::TFileChange::TKind;
    const auto dryRun = [&] {
        platform::TWriteTransaction transaction(platform::TTransactionMode::DryRun);
        account.Save();
        return transaction.Commit();
    };
    // A key database that has no login key yet would need one to encrypt: a dry run cannot
    // show the logins then.
    const std::string fresh = HostBytes(keyDatabase);
    const platform::TPreparedChanges first = dryRun();
    EXPECT_EQ(HostBytes(keyDatabase), fresh);
    EXPECT_EQ(FindChange(first, TKind::FileWritten, Dir + "\\logins.json"), nullptr);

    account.Save();
    const std::string keyed = HostBytes(keyDatabase);
    account.SetPassword("Neu-43");
    const platform::TPreparedChanges second = dryRun();
    EXPECT_EQ(HostBytes(keyDatabase), keyed);
    const platform::TFileChange* logins =
        FindChange(second, TKind::FileWritten, Dir + "\\logins.json");
    ASSERT_NE(logins, nullptr);
    TNssKeyDatabase::TOpenResult result = TNssKeyDatabase::TOpenResult::Opened;
    const auto keys = TNssKeyDatabase::Open(kNss, Dir, result);
    ASSERT_NE(keys, nullptr) << TNssKeyDatabase::Describe(result);
    EXPECT_EQ(TMozillaLoginsFile::FromText(*logins->NewBytes)
                  .FindPassword("mailbox://" + kPopHost, kAddress, *keys),
              "Neu-43");
    EXPECT_EQ(TMozillaLoginsFile::FromText(System.ReadFile(Dir + "\\logins.json"))
                  .FindPassword("mailbox://" + kPopHost, kAddress, *keys),
              "Geheim-42");
}

} // namespace
