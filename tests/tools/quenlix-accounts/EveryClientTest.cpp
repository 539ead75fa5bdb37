// add and adapt for every client of this build: a dry run leaves the system root byte for byte
// and shows no password; the real run leaves the client's accounts exactly as the setup page's
// routine leaves them for the same input (compared as the stores read them back, since sealed
// passwords, account-file names and Protected Storage names are drawn at random).
#include "ToolExit.h"
#include "ToolTestSupport.h"

#include "clients/oeaccount/OeAccountTestSupport.h"

#include <clients/MailStores.h>
#include <platform/SystemTemplate.h>

#include <algorithm>
#include <filesystem>
#include <optional>

namespace {

using namespace tool_testing;
using namespace accounts_tool;
using testing_support::TreeDifferences;
using testing_support::TTestSystem;
using TArgs = std::vector<std::string>;
namespace fs = std::filesystem;

const std::string Secret = "Zweites Geheimnis 7";

// The demo machine (Windows XP: Outlook 2003, Outlook Express with two identities, Windows Live
// Mail and Thunderbird, each with an account of the provider) as a test system of its own.
std::unique_ptr<TTestSystem> DemoSystem() {
    auto system = std::make_unique<TTestSystem>();
    const fs::path made = system->Root() / "made";
    platform::CreateSystemFromTemplate(QUENLIX_DEMO_TEMPLATE_DIR, made);
    platform::UninstallSystem();
    fs::remove(system->Root() / "system.ini");
    fs::copy(made, system->Root(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::remove_all(made);
    platform::InstallSystem(system->Root());
    return system;
}

// Windows Vista with Windows Mail installed as it installs itself, and the provider's account
// in an account file as Windows Mail writes it.
std::unique_ptr<TTestSystem> VistaWithWindowsMail() {
    using namespace oeaccount_test;
    const std::string hklm =
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Clients\\Mail]\n@=\"Windows Mail\"\n\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
        "Paths\\WinMail.exe]\n@=" +
        RegExpandString("%ProgramFiles%\\Windows Mail\\WinMail.exe") + "\n\n";
    const std::string hkcu = "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Mail]\n\"Salt\"=" +
                             RegBinary(FixtureSalt) + "\n\n";
    auto system = std::make_unique<TTestSystem>(
        testing_support::TTestMachine().Windows(testing_support::TTestWindows::Vista).Ini(), hklm,
        hkcu);
    system->WritePe(WindowsMailExe, 6, 0, 6002, 18005);
    system->WriteFile(platform::MachineFacts().LocalAppData +
                          "\\Microsoft\\Windows Mail\\Local Folders\\"
                          "{6D1A5E42-0B7C-4C2E-9F31-8A4D2B7E9C10}.oeaccount",
                      ClientFile(ClientPopAccount(ProtectPassword("alt", FixtureSaltHex))));
    return system;
}

// Windows XP with Outlook 2000: the shared account tree with the provider's account and
// another, each tied to the profile "Outlook" by its Internet E-Mail service.
std::unique_ptr<TTestSystem> XpWithOutlook2000(bool protectedStorage = true) {
    const std::string omi = "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\Outlook\\OMI "
                            "Account Manager";
    const std::string profile = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows "
                                "NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
    const auto service = [&profile](const std::string& key, const std::string& name) {
        return "[" + profile + "\\Outlook\\" + key + "]\r\n\"001e3001\"=\"Internet-E-Mail - " +
               name + "\"\r\n\"001e3d09\"=\"IMAIL\"\r\n\"001e661f\"=\"" + name + "\"\r\n\r\n";
    };
    const std::string hklm =
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App "
        "Paths\\OUTLOOK.EXE]\r\n@=\"C:\\\\Program Files\\\\Microsoft "
        "Office\\\\Office\\\\OUTLOOK.EXE\"\r\n\r\n";
    const std::string hkcu =
        "[" + omi +
        "]\r\n\"Account Name\"=dword:00000003\r\n\"Default Mail Account\"="
        "\"00000001\"\r\n\r\n[" +
        omi +
        "\\Accounts\\00000001]\r\n\"Account Name\"="
        "\"pop.example.org\"\r\n\"POP3 Server\"=\"pop.example.org\"\r\n\"SMTP Email "
        "Address\"=\"anna@example.org\"\r\n\r\n[" +
        omi +
        "\\Accounts\\00000002]\r\n"
        "\"Account Name\"=\"Quenlix mail\"\r\n\"Connection Type\"=dword:00000003\r\n"
        "\"POP3 Server\"=\"pop.quenlix.example\"\r\n\"POP3 User Name\"=\"anna.muster\"\r\n"
        "\"SMTP Server\"=\"smtp.quenlix.example\"\r\n\"SMTP Email Address\"="
        "\"anna.muster@quenlix.example\"\r\n\r\n[" +
        profile +
        "]\r\n\"DefaultProfile\"="
        "\"Outlook\"\r\n\r\n[" +
        profile +
        "\\Outlook\\0a0d020000000000c000000000000046]"
        "\r\n\"000b0340\"=hex:00,00\r\n\r\n" +
        service("2a3d5e8c1b4f4d7a9e6c0b1a2f3e4d5c", "pop.example.org") +
        service("a1b2c3d4e5f647188a9b0c1d2e3f4051", "Quenlix mail");
    auto system = std::make_unique<TTestSystem>(
        testing_support::TTestMachine().ProtectedStorage(protectedStorage).Ini(), hklm, hkcu);
    system->WritePe("C:\\Program Files\\Microsoft Office\\Office\\OUTLOOK.EXE", 9, 0, 2627, 0);
    return system;
}

using TMachine = std::unique_ptr<TTestSystem> (*)();
std::unique_ptr<TTestSystem> XpWithOutlook2000AndProtectedStorage() {
    return XpWithOutlook2000();
}

struct TClientCase {
    const char* Name;
    TMachine Machine;
    TStoreIndex Store;
    TArgs Args;                 // the tool's command line
    std::string AdaptedAddress; // empty: a new account
};

void PrintTo(const TClientCase& row, std::ostream* out) {
    *out << row.Name;
}

TArgs Add(const std::string& client) {
    return {"add",
            "--client",
            client,
            "--name",
            "Berta Beispiel",
            "--mailbox",
            "berta.beispiel",
            "--password-stdin"};
}

TArgs Adapt(const std::string& client, const std::string& by) {
    return {"adapt",       "--client",        client, by, "--name", "Anna Muster", "--mailbox",
            "anna.muster", "--password-stdin"};
}

// The accounts of the store's profile as the store reads them, without their keys, in a fixed
// order.
std::vector<std::string> AccountsReadBack(TStoreIndex index) {
    const TMailStores stores(false);
    TMailAccounts* store = stores.List()[index];
    std::vector<std::string> accounts;
    for (int i = 0; i < store->AccountCount(); ++i) {
        std::string text;
        for (const TAccountProperty& property : store->AccountByIndex(i)->GetProperties()) {
            if (property.Id == PropertyId::AccountKey) {
                continue; // drawn at random for a new account file
            }
            text += std::to_string(property.Id) + "=";
            std::visit(
                [&text](const auto& value) {
                    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>) {
                        text += value;
                    } else {
                        text += std::to_string(value);
                    }
                },
                property.Value);
            text += ";";
        }
        accounts.push_back(text);
    }
    std::sort(accounts.begin(), accounts.end());
    return accounts;
}

// What the setup page's routine leaves for the same input on a machine of its own.
std::vector<std::string> WrittenBySetupRoutine(const TClientCase& row, const std::string& name,
                                               const std::string& mailbox) {
    const auto system = row.Machine();
    {
        const TMailStores stores(false);
        TMailAccounts* store = stores.List()[row.Store];
        TMailAccount* existing = nullptr;
        for (int i = 0; !row.AdaptedAddress.empty() && i < store->AccountCount(); ++i) {
            if (store->AccountByIndex(i)->EmailAddress() == row.AdaptedAddress) {
                existing = store->AccountByIndex(i);
            }
        }
        WriteBySetupRoutine(store, existing, {name, mailbox, Secret}, std::nullopt);
    }
    system->Reinstall();
    return AccountsReadBack(row.Store);
}

class EveryClientTest : public ::testing::TestWithParam<TClientCase> {};

TEST_P(EveryClientTest, ADryRunWritesNothingAndTheRunWritesWhatTheSetupPageWrites) {
    const TClientCase& row = GetParam();
    std::vector<std::string> byTool;
    {
        const auto system = row.Machine();
        const auto before = SnapshotOf(*system);
        const std::vector<std::string> accountsBefore = AccountsReadBack(row.Store);

        TArgs dryRun = row.Args;
        dryRun.push_back("--dry-run");
        const TToolResult shown = RunTool(dryRun, Secret + "\n");
        ASSERT_EQ(shown.Code, ecDone) << shown.Err;
        EXPECT_EQ(TreeDifferences(before, SnapshotOf(*system)), "");
        EXPECT_NE(shown.Out.find("(password)"), std::string::npos) << shown.Out;
        ExpectNoPassword(shown, Secret, "dry run");

        const TToolResult written = RunTool(row.Args, Secret + "\n");
        ASSERT_EQ(written.Code, ecDone) << written.Err;
        EXPECT_EQ(written.Out.find(Secret), std::string::npos);
        EXPECT_EQ(written.Out.find("password was not stored"), std::string::npos) << written.Out;
        system->Reinstall();
        byTool = AccountsReadBack(row.Store);
        EXPECT_NE(byTool, accountsBefore) << "the tool changed nothing";
    }
    const auto at = [&row](const std::string& option) {
        return *(std::find(row.Args.begin(), row.Args.end(), option) + 1);
    };
    EXPECT_EQ(byTool, WrittenBySetupRoutine(row, at("--name"), at("--mailbox")));
}

INSTANTIATE_TEST_SUITE_P(
    QuenlixAccounts, EveryClientTest,
    ::testing::Values(
        TClientCase{"OutlookExpressAdd", &DemoSystem, siOutlookExpress, Add("outlook-express"), ""},
        TClientCase{"OutlookExpressAdaptByKey", &DemoSystem, siOutlookExpress,
                    Adapt("outlook-express", "--key=00000003"), "anna.muster@quenlix.example"},
        // Outlook 2003 takes what the tool's "outlook" stands for on the demo machine.
        TClientCase{"OutlookAdd", &DemoSystem, siOutlook, Add("outlook"), ""},
        TClientCase{"OutlookAdaptByKey", &DemoSystem, siOutlook, Adapt("outlook", "--key=00000002"),
                    "anna.muster@quenlix.example"},
        // Without Outlook 2002/2003/2007 "outlook" stands for Outlook 98/2000.
        TClientCase{"Outlook2000Add", &XpWithOutlook2000AndProtectedStorage, siOutlook98,
                    Add("outlook"), ""},
        TClientCase{"Outlook2000AdaptByAddress", &XpWithOutlook2000AndProtectedStorage, siOutlook98,
                    Adapt("outlook", "--address=anna.muster@quenlix.example"),
                    "anna.muster@quenlix.example"},
        TClientCase{"WindowsLiveMailAdd", &DemoSystem, siWindowsLiveMail, Add("windows-live-mail"),
                    ""},
        // The key as the list shows it: the account file's name.
        TClientCase{"WindowsLiveMailAdaptByKey", &DemoSystem, siWindowsLiveMail,
                    Adapt("windows-live-mail",
                          "--key=account{4B6E2D0A-91C3-4F7E-A5D2-3C8B1E06F947}.oeaccount"),
                    "anna.muster@quenlix.example"},
        TClientCase{"WindowsMailAdd", &VistaWithWindowsMail, siWindowsMail, Add("windows-mail"),
                    ""},
        TClientCase{"WindowsMailAdaptByAddress", &VistaWithWindowsMail, siWindowsMail,
                    Adapt("windows-mail", "--address=anna.muster@quenlix.example"),
                    "anna.muster@quenlix.example"},
        TClientCase{"ThunderbirdAdaptByKey", &DemoSystem, siThunderbird,
                    Adapt("thunderbird", "--key=account2"), "anna.muster@quenlix.example"}),
    [](const ::testing::TestParamInfo<TClientCase>& info) { return std::string(info.param.Name); });

} // namespace

TEST(PasswordNoteTest, WithoutAPlaceForPasswordsTheRunSaysTheClientWillAskForIt) {
    const auto system = XpWithOutlook2000(false);
    TArgs dryRun = Add("outlook");
    dryRun.push_back("--dry-run");
    const TToolResult shown = RunTool(dryRun, Secret + "\n");
    ASSERT_EQ(shown.Code, ecDone) << shown.Err;
    EXPECT_NE(shown.Out.find("The password would not be stored"), std::string::npos) << shown.Out;

    const TToolResult written = RunTool(Add("outlook"), Secret + "\n");
    ASSERT_EQ(written.Code, ecDone) << written.Err;
    EXPECT_NE(written.Out.find("The password was not stored: this computer offers Outlook "
                               "no safe place for it"),
              std::string::npos)
        << written.Out;
}
