// quenlix-accounts on the machine, started as a support technician starts it: a Thunderbird
// installation put on the machine (ThunderbirdFixture.h), the tool's list, and add with the
// password on standard input and a name outside the ANSI code page on the command line; the
// account it wrote read back from Thunderbird's own files. The same add for Outlook Express
// (OutlookExpressFixture.h) and Outlook 2003 (OutlookFixture.h), read back from the registry.

#include "OutlookExpressFixture.h"
#include "OutlookFixture.h"
#include "ProviderAccount.h"
#include "ThunderbirdFixture.h"

#include "clients/ProviderConstants.h"
#include "clients/mozilla/MozillaPrefs.h"
#include "clients/mozilla/Thunderbird.h"
#include "clients/outlook/Outlook2002.h"

#include "platform/Files.h"
#include "platform/RegText.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

namespace {

using platform::win32::Wide;

const std::string kAddress = "anna.beispiel@quenlix.example";
// Ł, Ż and ł are in no Western code page: only a wide command line brings them through.
const std::string kName = "\xc5\x81ucja \xc5\xbb\xc3\xb3\xc5\x82\xc4\x87";

struct TToolRun {
    int ExitCode = -1;
    std::string Out, Err;
};

// The tool's path, given by the build relative to this test program's folder.
std::string ToolProgram() {
    std::string relative = QUENLIX_ACCOUNTS_PROGRAM;
    for (char& c : relative) {
        c = c == '/' ? '\\' : c;
    }
    return win32_test::ProgramFolder() + "\\" + relative;
}

platform::win32::THandle InheritableFile(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return platform::win32::OwnHandle(CreateFileW(
        Wide(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, &inherit,
        write ? CREATE_ALWAYS : OPEN_EXISTING, platform::FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Runs the tool with the arguments (UTF-8, quoted as on a command line), standard input from
// the text, and waits for it to end.
TToolRun RunTool(const std::string& arguments, const std::string& input,
                 const win32_test::TTestFolder& scratch) {
    const std::string in = scratch / "stdin.txt", out = scratch / "stdout.txt",
                      err = scratch / "stderr.txt";
    platform::WriteFileAtomic(in, input);
    TToolRun run;
    {
        const auto inFile = InheritableFile(in, false), outFile = InheritableFile(out, true),
                   errFile = InheritableFile(err, true);
        if (!inFile || !outFile || !errFile) {
            return run;
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = inFile.get();
        startup.hStdOutput = outFile.get();
        startup.hStdError = errFile.get();
        std::wstring commandLine = L"\"" + Wide(ToolProgram()) + L"\" " + Wide(arguments);
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            nullptr, &startup, &process)) {
            return run;
        }
        ::CloseHandle(process.hThread);
        const platform::win32::THandle owner(process.hProcess);
        WaitForSingleObject(process.hProcess, 60000);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        run.ExitCode = static_cast<int>(code);
    }
    run.Out = platform::ReadFileBytes(out).value_or("");
    run.Err = platform::ReadFileBytes(err).value_or("");
    return run;
}

class QuenlixAccountsToolTest : public win32_test::TThunderbirdFixture {
protected:
    std::string PrefsBytes() const {
        return platform::ReadFileBytes(Profile + "\\prefs.js").value_or("");
    }
};

TEST_F(QuenlixAccountsToolTest, ListShowsTheInstalledThunderbirdAndItsAccount) {
    const TToolRun table = RunTool("list", "", Folder);
    EXPECT_EQ(table.ExitCode, 0) << table.Err;
    EXPECT_NE(table.Out.find("Thunderbird"), std::string::npos) << table.Out;
    EXPECT_NE(table.Out.find("erika@example.com"), std::string::npos) << table.Out;

    const TToolRun json = RunTool("list --json", "", Folder);
    EXPECT_EQ(json.ExitCode, 0) << json.Err;
    EXPECT_NE(json.Out.find("\"erika@example.com\""), std::string::npos) << json.Out;
}

TEST_F(QuenlixAccountsToolTest, AddWritesTheAccountWithThePasswordFromStandardInput) {
    // A password piped on Windows ends its line with CR LF.
    const TToolRun run = RunTool("add --client thunderbird --name \"" + kName +
                                     "\" --mailbox anna.beispiel --password-stdin --default",
                                 "Geheim-42\r\n", Folder);
    ASSERT_EQ(run.ExitCode, 0) << run.Err;

    TMozillaPrefsFile prefs;
    prefs.Load(Profile + "\\prefs.js");
    EXPECT_EQ(prefs.GetString("mail.accountmanager.accounts"), "account1,account2,account3");
    EXPECT_EQ(prefs.GetString("mail.accountmanager.defaultaccount"), "account3");
    EXPECT_EQ(prefs.GetString("mail.identity.id2.useremail"), kAddress);
    EXPECT_EQ(prefs.GetString("mail.identity.id2.fullName"), kName);

    TThunderbirdMailAccounts store(false);
    const TMailAccount* account = win32_test::FindAccount(store, kAddress);
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->Password(), "Geheim-42");
    EXPECT_EQ(account->UserName(), kAddress);
    EXPECT_TRUE(account->IsDefault());
    EXPECT_EQ(dynamic_cast<const TPOPMailAccount&>(*account).IncomingServer(), provider::Pop3Host);
}

// Runs that must leave Thunderbird's configuration exactly as it was.
struct TUnchangedCase {
    const char* Arguments;
    const char* Input;
    int ExitCode;
    const char* Said; // on standard output for a dry run, on standard error otherwise
};

class QuenlixAccountsToolUnchangedTest : public QuenlixAccountsToolTest,
                                         public ::testing::WithParamInterface<TUnchangedCase> {};

TEST_P(QuenlixAccountsToolUnchangedTest, WritesNothing) {
    const std::string before = PrefsBytes();
    ASSERT_FALSE(before.empty());
    const TToolRun run = RunTool(GetParam().Arguments, GetParam().Input, Folder);
    EXPECT_EQ(run.ExitCode, GetParam().ExitCode) << run.Err;
    EXPECT_NE((run.Out + run.Err).find(GetParam().Said), std::string::npos) << run.Out << run.Err;
    EXPECT_EQ(PrefsBytes(), before);
    EXPECT_FALSE(platform::FileExists(Profile + "\\signons.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, QuenlixAccountsToolUnchangedTest,
    ::testing::Values(
        TUnchangedCase{"add --client thunderbird --name Anna --mailbox anna --password-stdin "
                       "--dry-run",
                       "Geheim-42\n", 0, "prefs.js"},
        TUnchangedCase{"add --client thunderbird --name Anna --mailbox anna --password-stdin", "",
                       1, "no password came on standard input"},
        TUnchangedCase{"add --client windows-live-mail --name Anna --mailbox anna "
                       "--password-stdin",
                       "Geheim-42\n", 2, "not installed"}));

class QuenlixAccountsToolOutlookExpressTest : public win32_test::TOutlookExpressFixture {
protected:
    win32_test::TTestFolder Folder;
};

TEST_F(QuenlixAccountsToolOutlookExpressTest, AddWritesTheAccountIntoTheRegistry) {
    const TToolRun run = RunTool("add --client outlook-express --name \"" + kName +
                                     "\" --mailbox anna.beispiel --password-stdin",
                                 "Geheim-42\r\n", Folder);
    ASSERT_EQ(run.ExitCode, 0) << run.Err;

    std::string location;
    {
        const TOutlookExpressMailAccounts store(false);
        const TMailProfile& main = MainIdentity(store);
        EXPECT_EQ(main.AccountCount(), 3);
        if (const TMailAccount* added = win32_test::FindAccount(main, kAddress)) {
            location = added->StoreLocation();
        }
    }
    ASSERT_FALSE(location.empty());
    platform::TRegistry account(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(account.OpenKeyReadOnly("\\" + location));
    EXPECT_EQ(account.ReadString("SMTP Display Name"), kName);
    EXPECT_EQ(account.ReadString("SMTP Email Address"), kAddress);
    EXPECT_EQ(account.ReadString("POP3 Server"), provider::Pop3Host);
    EXPECT_EQ(account.ReadString("POP3 User Name"), kAddress);
    EXPECT_EQ(account.GetValueType("POP3 Port"), platform::TRegValueType::DWord);
    EXPECT_EQ(account.ReadInteger("POP3 Port"), provider::Pop3Port);
}

class QuenlixAccountsToolOutlookTest : public win32_test::TOutlookOnMachine {
protected:
    void SetUp() override { Install(11, "outlook2003_profile.reg"); }
};

TEST_F(QuenlixAccountsToolOutlookTest, AddWritesTheAccountWithItsSealedPasswordIntoTheProfile) {
    const TToolRun run = RunTool("add --client outlook --name \"" + kName +
                                     "\" --mailbox anna.beispiel --password-stdin",
                                 "Geheim-42\r\n", Folder);
    ASSERT_EQ(run.ExitCode, 0) << run.Err;

    // Outlook 2003 keeps its texts as UTF-16 in binary values.
    const std::string key = win32_test::kMapiProfilesKey.substr(1) +
                            "\\Outlook\\9375CFF0413111d3B88A00104B2A6676\\00000004";
    const auto name =
        win32_test::ReadRawValue(platform::win32::CurrentUserKey, key, "Display Name");
    ASSERT_TRUE(name.Exists) << key;
    EXPECT_EQ(name.Data, platform::reg::StringToRegData(kName));

    TOutlookMailAccounts store(false);
    ASSERT_EQ(store.AccountCount(), 4);
    const TMailAccount& account = *store.AccountByIndex(3);
    EXPECT_EQ(account.EmailAddress(), kAddress);
    EXPECT_EQ(account.Password(), "Geheim-42");
    EXPECT_EQ(dynamic_cast<const TPOPMailAccount&>(account).IncomingServer(), provider::Pop3Host);
}

} // namespace
