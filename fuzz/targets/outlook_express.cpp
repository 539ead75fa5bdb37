// Outlook Express account trees: the current user's hive as .reg text, read by the Outlook
// Express store on a simulated Windows XP machine made for each input. Whatever the hive holds,
// loading does not raise, and once every loaded account has been saved, saving them again after
// a fresh load changes nothing: the store writes back what it reads.

#include "FormatTarget.h"

#include "accounts/MailAccounts.h"
#include "clients/outlook/OutlookExpress.h"
#include "clients/outlook/OutlookWindowsVersion.h"
#include "platform/System.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A machine of its own for one input, installed while the object lives.
class TMachine {
public:
    // Raises platform::ESystemError (naming file and line) for a hive that does not read.
    explicit TMachine(const std::string& hive) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            (fs::path(base && *base ? base : "/tmp") / "quenlix-fuzz-oe-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("no temporary folder for the machine");
        }
        Root_ = pattern;
        fs::create_directories(Root_ / "registry");
        fs::create_directories(Root_ / "drive_c");
        std::ofstream(Root_ / "system.ini", std::ios::binary) << "";
        std::ofstream(Root_ / "registry" / "HKEY_CURRENT_USER.reg", std::ios::binary) << hive;
        try {
            platform::InstallSystem(Root_);
        } catch (...) {
            Remove();
            throw;
        }
        InitOutlookWindowsVersion();
    }
    ~TMachine() {
        try {
            platform::UninstallSystem();
        } catch (...) {
            // a hive that cannot be saved must not stop the clean-up
        }
        Remove();
    }
    TMachine(const TMachine&) = delete;
    TMachine& operator=(const TMachine&) = delete;

    std::string HiveFile() const {
        std::ifstream in(Root_ / "registry" / "HKEY_CURRENT_USER.reg", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    void Remove() {
        std::error_code ignored;
        fs::remove_all(Root_, ignored);
    }
    fs::path Root_;
};

void SaveEveryAccount(TMailAccounts& store) {
    for (const auto& profile : store.Profiles()) {
        for (const auto& account : profile->Accounts()) {
            account->Save();
        }
    }
}

void Fuzz(std::string_view input) {
    std::unique_ptr<TMachine> machine;
    try {
        machine = std::make_unique<TMachine>(std::string(input));
    } catch (const platform::ESystemError&) {
        return; // not a hive: the .reg reader's own target covers that
    }
    SaveEveryAccount(*std::make_unique<TOutlookExpressMailAccounts>(false));
    const std::string first = machine->HiveFile();
    SaveEveryAccount(*std::make_unique<TOutlookExpressMailAccounts>(false));
    harness::Require(machine->HiveFile() == first, "saving what was loaded again changed the hive");
}

std::string Flag(bool value) {
    return value ? "1" : "0";
}

std::string DescribeAccount(const TMailAccount& a) {
    std::string out = "  account " + a.AccountKey() +
                      (a.Kind() == AccountKindPOP ? " POP3" : " IMAP") +
                      (a.IsDefault() ? " default" : "") + "\n";
    const auto line = [&out](const std::string& name, const std::string& value) {
        out += "    " + name + "=" + value + "\n";
    };
    line("AccountName", a.AccountName());
    line("DisplayName", a.DisplayName());
    line("EmailAddress", a.EmailAddress());
    line("UserName", a.UserName());
    line("RememberPassword", Flag(a.RememberPassword()));
    if (const auto* pop = dynamic_cast<const TPOPMailAccount*>(&a)) {
        line("Incoming", pop->IncomingServer() + ":" + std::to_string(pop->IncomingPort()) +
                             " ssl=" + Flag(pop->UseSSL()) + " spa=" + Flag(pop->UseSPA()));
        line("LeaveOnServer", Flag(pop->LeaveOnServer()));
    } else if (const auto* imap = dynamic_cast<const TIMAPMailAccount*>(&a)) {
        line("Incoming", imap->IncomingServer() + ":" + std::to_string(imap->IncomingPort()) +
                             " ssl=" + Flag(imap->UseSSL()) + " spa=" + Flag(imap->UseSPA()));
        line("RootFolder", imap->RootFolder());
    }
    line("Outgoing", a.SmtpServer() + ":" + std::to_string(a.SmtpPort()) + " ssl=" +
                         Flag(a.SmtpUseSSL()) + " auth=" + std::to_string(a.SmtpAuthMode()) +
                         " spa=" + Flag(a.SmtpUseSPA()) + " user=" + a.SmtpUserName());
    line("Connection", std::to_string(a.ConnectionType()) +
                           (a.ConnectionName().empty() ? "" : " " + a.ConnectionName()));
    return out;
}

std::string Describe(const std::string& bytes, const std::string& fileName) {
    std::unique_ptr<TMachine> machine;
    try {
        machine = std::make_unique<TMachine>(bytes);
    } catch (const platform::ESystemError& error) {
        // The machine's folder is new for every input; the case knows the hive by its name.
        std::string message = error.what();
        const std::size_t folder = message.find("quenlix-fuzz-oe-");
        const std::size_t file = message.find("HKEY_CURRENT_USER.reg");
        if (folder != std::string::npos && file != std::string::npos && file > folder) {
            const std::size_t start = message.rfind(' ', folder);
            const std::size_t from = start == std::string::npos ? 0 : start + 1;
            message.replace(from, file + 21 - from, fileName);
        }
        return "error: " + message;
    }
    const auto store = std::make_unique<TOutlookExpressMailAccounts>(false);
    std::string out = "installed=" + Flag(store->Installed()) +
                      " default identity=" + GuidToString(store->DefaultIdentity()) + "\n";
    for (const auto& profile : store->Profiles()) {
        out += "profile " + profile->Location() + " \"" + profile->Name() + "\"" +
               (profile->IsDefaultProfile() ? " default" : "") + "\n";
        for (const auto& account : profile->Accounts()) {
            out += DescribeAccount(*account);
        }
    }
    return out;
}

const harness::TRegistration Registered{{"outlook_express", ".reg", &Fuzz, &Describe}};

} // namespace
