// The Outlook stores' whole account saves, each a new default account written into the current
// user's hive next to 200 accounts of other providers:
// - Outlook 2000: the account key in the shared account tree, the key counter, the default mark
//   and the profile's three Internet E-Mail service keys;
// - Outlook 2003: the account key in the profile's account section, the account list (the new
//   default first) and NextAccountID.
//
// The accounts have no password: a password item or sealed value is made with a fresh random
// nonce at every save, so the new bytes would differ from run to run, and the test compares
// exact bytes. The stores draw the service keys' GUIDs from a counting random source, so that
// every round writes the same names.

#include "KillScenario.h"
#include "ProviderAccount.h"

#include "accounts/RandomSource.h"
#include "clients/outlook/Outlook2002.h"
#include "clients/outlook/Outlook98.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/VersionInfo.h"

#include <cstdio>

namespace kill_test {

namespace {

const std::string Program = "C:\\Program Files\\Microsoft Office\\Office\\OUTLOOK.EXE";
const std::string Address = "anna.muster@quenlix.example";
const std::string Profiles =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging "
    "Subsystem\\Profiles";
const int OtherAccounts = 200;

// The same numbers in every process.
class TCountingRandom : public TRandomSource {
public:
    void Fill(std::uint8_t* buffer, std::size_t length) override {
        for (std::size_t i = 0; i < length; ++i) {
            buffer[i] = static_cast<std::uint8_t>(Next_++ * 37 + 11);
        }
    }

private:
    std::uint32_t Next_ = 0;
};

// Text as Outlook 2002 and later keep it: UTF-16LE with its terminator, as a binary value.
std::string WideValue(const std::string& name, const std::string& ascii) {
    std::string text = "\"" + name + "\"=hex:";
    for (const char c : ascii) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "%02x,00,", static_cast<unsigned char>(c));
        text += byte;
    }
    return text + "00,00\r\n";
}

// The Internet E-Mail service that ties the shared tree's account of that name to the profile.
std::string ServiceKey(const std::string& profileKey, int number, const std::string& accountName) {
    char service[40];
    std::snprintf(service, sizeof service, "%08x1b4f4d7a9e6c0b1a2f3e4d5c", number);
    char entries[160];
    std::snprintf(entries, sizeof entries,
                  "\"01023d01\"=hex:%02x,%02x,00,00,a1,b2,4c,3d,8e,9f,0a,1b,2c,3d,4e,5f\r\n"
                  "\"01023d02\"=hex:%02x,%02x,00,00,8f,90,41,a2,b3,c4,d5,e6,f7,08,19,20\r\n",
                  number & 0xff, number >> 8, number & 0xff, number >> 8);
    return "\r\n[" + profileKey + "\\" + service + "]\r\n\"001e3001\"=\"Internet-E-Mail - " +
           accountName +
           "\"\r\n\"001e3d09\"=\"IMAIL\"\r\n\"001e3d0a\"=\"MINET.DLL\"\r\n"
           "\"001e661f\"=\"" +
           accountName + "\"\r\n" + entries;
}

// Outlook installed where App Paths names it, with its automation object.
void InstallOutlook(int major, int build) {
    InstallProgram(Program,
                   platform::MakeVersionedPeImage(platform::MakeVersion(major, 0, build, 0)));
    platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
    registry.OpenKey("\\Software\\Classes\\Outlook.Application\\CLSID", true);
    registry.WriteString("", "{0006F03A-0000-0000-C000-000000000046}");
    registry.CloseKey();
    registry.OpenKey(
        "\\Software\\Classes\\CLSID\\{0006F03A-0000-0000-C000-000000000046}\\LocalServer32", true);
    registry.WriteString("", Program + " /automation");
    registry.CloseKey();
}

// The Office version's key, then the profile "Outlook" with its store service.
std::string HiveStart(const std::string& office) {
    return RegHeader + "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\" + office +
           "\\Outlook]\r\n\r\n[" + Profiles + "]\r\n\"DefaultProfile\"=\"Outlook\"\r\n\r\n[" +
           Profiles + "\\Outlook]\r\n\r\n[" + Profiles +
           "\\Outlook\\0a0d020000000000c000000000000046]\r\n\"000b0340\"=hex:00,00\r\n";
}

std::string Outlook2000Hive() {
    const std::string tree = "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\Outlook\\OMI "
                             "Account Manager";
    std::string text = HiveStart("9.0") + "\r\n[" + tree +
                       "]\r\n\"Account Name\"=dword:000000c9\r\n"
                       "\"Default Mail Account\"=\"00000001\"\r\n\r\n[" +
                       tree + "\\Accounts]\r\n";
    for (int i = 1; i <= OtherAccounts; ++i) {
        text += OtherAccountKey(tree + "\\Accounts", i) +
                ServiceKey(Profiles + "\\Outlook", i, "Account " + std::to_string(i));
    }
    return text + "\r\n";
}

std::string Outlook2003Hive() {
    const std::string manager = Profiles + "\\Outlook\\9375CFF0413111d3B88A00104B2A6676";
    std::string list;
    for (int i = 1; i <= OtherAccounts; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%02x,%02x,00,00", i & 0xff, i >> 8);
        list += std::string(i > 1 ? "," : "") + number;
    }
    char next[16];
    std::snprintf(next, sizeof next, "%08x", OtherAccounts + 1);
    std::string text = HiveStart("11.0") + "\r\n[" + manager +
                       "]\r\n\"{ED475418-B0D6-11D2-8C3B-00104B2A6676}\"=hex:" + list +
                       "\r\n\"NextAccountID\"=dword:" + next + "\r\n";
    for (int i = 1; i <= OtherAccounts; ++i) {
        const std::string n = std::to_string(i);
        text += "\r\n[" + manager + "\\" + KeyName(i) +
                "]\r\n\"clsid\"=\"{ED475411-B0D6-11D2-8C3B-00104B2A6676}\"\r\n" +
                WideValue("Account Name", "Account " + n) + WideValue("Display Name", "User " + n) +
                WideValue("Email", "user" + n + "@example.org") +
                WideValue("POP3 Server", "pop" + n + ".example.org") +
                WideValue("POP3 User", "user" + n) + WideValue("SMTP Server", "smtp.example.org");
    }
    return text + "\r\n";
}

template <typename TStore> class TOutlookAccountSave : public TOneFileSave {
public:
    TOutlookAccountSave(std::string name, int major, int build, std::string (*hive)())
        : Name_(std::move(name)), Major_(major), Build_(build), Hive_(hive) {}

    std::string Name() const override { return Name_; }
    void Prepare() override {
        InstallOutlook(Major_, Build_);
        File_ = UserHive();
        OldBytes_ = Hive_();
    }
    void Save() override {
        TCountingRandom random;
        TStore store(false, random);
        SaveProviderAccount(store.AddAccount(AccountKindPOP, Address, Address, ""), "");
    }

private:
    std::string Name_;
    int Major_;
    int Build_;
    std::string (*Hive_)();
};

const TKillRegistration Outlook2000{std::make_unique<TOutlookAccountSave<TOutlook98MailAccounts>>(
    "Outlook 2000 account", 9, 2627, &Outlook2000Hive)};
const TKillRegistration Outlook2003{std::make_unique<TOutlookAccountSave<TOutlookMailAccounts>>(
    "Outlook 2003 account", 11, 8217, &Outlook2003Hive)};

} // namespace

} // namespace kill_test
