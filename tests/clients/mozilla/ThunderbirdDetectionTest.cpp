#include "ThunderbirdTestSupport.h"

#include <clients/mozilla/MozillaInstallHash.h>
#include <platform/Files.h>
#include <platform/Registry.h>

namespace {

using namespace thunderbird_test;

class ThunderbirdDetectionTest : public ThunderbirdFixture {};

TEST(ThunderbirdNotInstalledTest, MissingAppPathsOrExecutableLeavesTheStoreEmpty) {
    {
        testing_support::TTestSystem system;
        TThunderbirdMailAccounts store(false);
        EXPECT_FALSE(store.Installed());
        EXPECT_FALSE(store.AccountPasswordsAvailable());
        EXPECT_EQ(store.ProfileCount(), 0);
        EXPECT_EQ(store.AccountCount(), 0);
        EXPECT_EQ(store.AddAccount(AccountKindPOP, "a@b.c", "a@b.c", "pw"), nullptr);
    }
    {
        // App Paths names a file that is not there.
        testing_support::TTestSystem system("", AppPathsReg());
        TThunderbirdMailAccounts store(false);
        EXPECT_FALSE(store.Installed());
        EXPECT_EQ(store.ClientName(), "");
    }
}

TEST_F(ThunderbirdDetectionTest, ExecutableWithoutProfilesIniIsFoundButNotInstalled) {
    InstallExe(2, 0, 0, 24);
    const auto store = Open();
    EXPECT_FALSE(store->Installed());
    EXPECT_TRUE(store->AccountPasswordsAvailable());
    EXPECT_EQ(store->ClientName(), "Thunderbird");
    EXPECT_EQ(store->ClientMajorVersion(), 2);
    EXPECT_EQ(store->ClientVersion(), "2.0.0.24");
    EXPECT_EQ(store->AppDataDir(), AppData + "\\Thunderbird\\");
    EXPECT_FALSE(store->IsDefaultClient());
    EXPECT_FALSE(store->IsRegistryBased());
    EXPECT_TRUE(store->AccountsShareFile());
}

TEST_F(ThunderbirdDetectionTest, ProfilesIniSectionsBecomeProfiles) {
    InstallExe();
    System.WriteFile(ThunderbirdDir + "\\profiles.ini",
                     "[General]\r\nStartWithLastProfile=1\r\n\r\n"
                     "[Profile0]\r\nName=work\r\nIsRelative=1\r\nPath=Profiles/abc.default\r\n\r\n"
                     "[Profile1]\r\nIsRelative=0\r\nPath=D:/Mail/Private\r\nDefault=1\r\n\r\n"
                     "[Profile2]\r\nPath=Profiles/x\r\n\r\n"
                     "[Other]\r\nName=not a profile\r\nPath=y\r\n");
    const auto store = Open();
    ASSERT_EQ(store->ProfileCount(), 3);
    EXPECT_TRUE(store->Installed());
    const TMailProfile* work = store->ProfileByIndex(0);
    EXPECT_EQ(work->Name(), "work");
    EXPECT_EQ(work->Location(), ThunderbirdDir + "\\Profiles\\abc.default");
    EXPECT_EQ(work->AccountsLocation(), ThunderbirdDir + "\\Profiles\\abc.default\\prefs.js");
    EXPECT_FALSE(work->IsDefaultProfile());
    const TMailProfile* priv = store->ProfileByIndex(1);
    EXPECT_EQ(priv->Name(), "default");
    EXPECT_EQ(priv->Location(), "D:\\Mail\\Private");
    EXPECT_TRUE(priv->IsDefaultProfile());
    EXPECT_EQ(store->ProfileByIndex(2)->Location(), ThunderbirdDir + "\\Profiles\\x");
    EXPECT_EQ(store->DefaultProfile(), priv);
    EXPECT_EQ(store->AccountCount(), 0); // no prefs.js anywhere
}

TEST_F(ThunderbirdDetectionTest, LoadingWritesNothing) {
    InstallExe();
    WriteSingleProfile("p");
    const std::string prefs =
        Str("mail.accountmanager.accounts", "account1") +
        Str("mail.account.account1.server", "server1") +
        Str("mail.account.account1.identities", "id1") + Str("mail.server.server1.type", "pop3") +
        Str("mail.identity.id1.useremail", "a@b.c") + "user_pref(\"unsorted.z\", 1);\r\n";
    WritePrefs(ProfileDir("p"), prefs);
    const auto before = platform::FileEntry(ProfileDir("p") + "\\prefs.js");
    const auto store = Open();
    EXPECT_EQ(store->AccountCount(), 1);
    EXPECT_EQ(System.ReadFile(ProfileDir("p") + "\\prefs.js"), kHeader + prefs);
    EXPECT_EQ(platform::FileEntry(ProfileDir("p") + "\\prefs.js")->LastWriteTime,
              before->LastWriteTime);
    EXPECT_FALSE(System.Exists(ProfileDir("p") + "\\signons.txt"));
}

class ThunderbirdDefaultClientTest : public ThunderbirdFixture {
protected:
    ThunderbirdDefaultClientTest()
        : ThunderbirdFixture(AppPathsReg() +
                             "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Clients\\Mail]\r\n"
                             "@=\"Mozilla Thunderbird\"\r\n") {}
};

TEST_F(ThunderbirdDefaultClientTest, DefaultClientNameContainingThunderbird) {
    InstallExe();
    EXPECT_TRUE(Open()->IsDefaultClient());
}

TEST_F(ThunderbirdDetectionTest, ClientRunsWhileAThunderbirdProcessRuns) {
    InstallExe();
    const auto store = Open();
    EXPECT_FALSE(store->IsClientRunning());
    testing_support::TTestProcess process = System.StartProcess("C:\\Elsewhere\\THUNDERBIRD.EXE");
    EXPECT_TRUE(store->IsClientRunning());
    process.End();
    EXPECT_FALSE(store->IsClientRunning());
}

// Installers may register the program path as an expandable string.
TEST(ThunderbirdAppPathsTest, ExpandableStringDefaultValueIsExpandedAndFound) {
    testing_support::TTestSystem system;
    system.WritePe(kExe, 115, 0, 0, 0);
    {
        platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(registry.OpenKey(
            "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\thunderbird.exe", true));
        registry.WriteExpandString("", "%ProgramFiles%\\Mozilla Thunderbird\\thunderbird.exe");
        registry.CloseKey();
    }
    const TThunderbirdMailAccounts store(false);
    EXPECT_TRUE(store.AccountPasswordsAvailable());
    EXPECT_EQ(store.ClientMajorVersion(), 115);
}

// Since version 68 each installation names the profile it starts in an [Install<hash>] section
// of profiles.ini, whatever Default=1 says; the hash is that of the installation's folder as the
// file system spells it. The registry names the program in other case here.
struct TInstallCase {
    const char* Name;
    std::string Installs; // sections before the profiles
    const char* DefaultProfile;
};

void PrintTo(const TInstallCase& c, std::ostream* os) {
    *os << c.Name;
}

class ThunderbirdInstallDefaultTest : public ThunderbirdFixture,
                                      public ::testing::WithParamInterface<TInstallCase> {
protected:
    ThunderbirdInstallDefaultTest()
        : ThunderbirdFixture(
              AppPathsReg("c:\\program files\\mozilla thunderbird\\thunderbird.exe")) {}
};

TEST_P(ThunderbirdInstallDefaultTest, DefaultProfileIsTheOneTheInstallationStarts) {
    InstallExe(115, 5, 0, 0);
    System.WriteFile(ThunderbirdDir + "\\profiles.ini",
                     GetParam().Installs +
                         "[Profile1]\r\nName=default-esr\r\nIsRelative=1\r\n"
                         "Path=Profiles/new.default-esr\r\n\r\n"
                         "[Profile0]\r\nName=default\r\nIsRelative=1\r\n"
                         "Path=Profiles/old.default\r\nDefault=1\r\n\r\n"
                         "[Profile2]\r\nName=elsewhere\r\nIsRelative=0\r\n"
                         "Path=D:\\Mail\\Profile\r\n\r\n"
                         "[General]\r\nStartWithLastProfile=1\r\nVersion=2\r\n\r\n"
                         "[BackgroundTasksProfiles]\r\n"
                         "MozillaBackgroundTask-D78BF5DD33499EC2-backgroundupdate=x\r\n");
    const auto store = Open();
    ASSERT_EQ(store->ProfileCount(), 3);
    ASSERT_NE(store->DefaultProfile(), nullptr);
    EXPECT_EQ(store->DefaultProfile()->Name(), GetParam().DefaultProfile);
    int marked = 0;
    for (int i = 0; i < store->ProfileCount(); ++i) {
        marked += store->ProfileByIndex(i)->IsDefaultProfile() ? 1 : 0;
    }
    EXPECT_EQ(marked, 1);
}

INSTANTIATE_TEST_SUITE_P(
    ProfilesIni, ThunderbirdInstallDefaultTest,
    ::testing::Values(
        TInstallCase{"OwnInstallation",
                     "[InstallD78BF5DD33499EC2]\r\nDefault=Profiles/new.default-esr\r\n"
                     "Locked=1\r\n\r\n",
                     "default-esr"},
        TInstallCase{"OwnAmongOthers",
                     "[Install" + MozillaInstallHash("c:\\program files\\mozilla thunderbird") +
                         "]\r\nDefault=D:/Mail/Profile\r\n\r\n"
                         "[InstallD78BF5DD33499EC2]\r\nDefault=Profiles/new.default-esr\r\n\r\n",
                     "default-esr"},
        TInstallCase{"OtherInstallationsOnlyTheFirst",
                     "[Install308046B0AF4A39CB]\r\nDefault=D:\\Mail\\Profile\r\n\r\n"
                     "[Install0123456789ABCDEF]\r\nDefault=Profiles/new.default-esr\r\n\r\n",
                     "elsewhere"},
        TInstallCase{"InstallationNamesNoKnownProfile",
                     "[InstallD78BF5DD33499EC2]\r\nDefault=Profiles/gone.default\r\n\r\n",
                     "default"},
        TInstallCase{"OldFileWithoutInstallations", "", "default"}));

} // namespace
