#pragma once
// The whole wizard on a fresh simulated Windows system, for the app tests: the system, helpers
// to install Thunderbird in it, stand-in stores for the clients this build has no store for,
// and the running TWizardApplication with its forms.

#include "app/Application.h"
#include "app/dm.h"
#include "app/frm_accountslist.h"
#include "app/frm_accounttype.h"
#include "app/frm_finished.h"
#include "app/frm_setup.h"
#include "app/frm_userdata.h"
#include "app/frm_welcome.h"
#include "app/main.h"
#include "app/wizard.h"
#include "support/TestSystem.h"

#include <accounts/MailAccounts.h>

#include <gtest/gtest.h>

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <ostream>

// Test messages show page names and captions as text.
inline void PrintTo(const QString& aText, std::ostream* aOut) {
    *aOut << '"' << aText.toStdString() << '"';
}

namespace app_testing {

// A client store with one default profile whose accounts the test adds. It reads and writes
// nothing; saves are recorded.
class TStandInStore : public TMailAccounts {
public:
    explicit TStandInStore(const std::string& clientName, bool installed = true);
    ~TStandInStore() override;

    // Adds an account to the default profile (without saving).
    TPOPMailAccount& AddPop(const std::string& accountName, const std::string& address,
                            bool isDefault = false);
    TIMAPMailAccount& AddImap(const std::string& accountName, const std::string& address,
                              bool isDefault = false);

    bool ClientRunning = false;
    // AccountName of every account saved, in order.
    std::vector<std::string> Saved;

    bool IsClientRunning() const override { return ClientRunning; }
    void StartAccountMonitor(TMailAccount&) override {}
    void ReloadPOPAccount(TMailAccount&) override {}
    void ReloadIMAPAccount(TMailAccount&) override {}
    std::string NewAccountKey(TMailProfile* profile) override;
    bool IsRegistryBased() const override { return false; }
    void SaveClientSettings() override {}
    void SaveAccount(TMailAccount& account) override { Saved.push_back(account.AccountName()); }
    void Hook(int) override {}

private:
    template <class TAccount>
    TAccount& Add(const std::string& accountName, const std::string& address, bool isDefault);
};

// One account of a Thunderbird profile written by ThunderbirdPrefs.
struct TThunderbirdAccount {
    std::string FullName;
    std::string Address;
    bool Imap = false;
    std::string Host = "pop.quenlix.example";
};

class TAppFixture : public ::testing::Test {
protected:
    TAppFixture();
    ~TAppFixture() override;

    // The simulated system; made with defaults (Windows XP SP3, user "User") on first use
    // unless UseSystem made it before.
    testing_support::TTestSystem& System();
    void UseSystem(const std::string& systemIni, const std::string& hklmReg = "",
                   const std::string& hkcuReg = "");

    // Installs Thunderbird: its App Paths key leading to a thunderbird.exe (version 2.0.0.24),
    // profiles.ini with one default profile, and that profile's prefs.js (an empty profile
    // when prefsJs is empty) and, when given, signons.txt.
    void InstallThunderbird(const std::string& prefsJs = "", const std::string& signons = "");
    // prefs.js text of a profile holding the given accounts (plus Local Folders); the account
    // at defaultIndex is the default account.
    static std::string ThunderbirdPrefs(const std::vector<TThunderbirdAccount>& accounts,
                                        int defaultIndex = 0);
    // Windows paths of the Thunderbird files InstallThunderbird writes.
    static std::string ThunderbirdExe();
    std::string ThunderbirdProfileDir();

    // Creates the application, runs its start-up and shows the main window, as the program
    // does, on the installed system (a fresh test system when none is installed).
    // replaceStores runs right after the stores were created and may put stand-in stores into
    // the data module's fields.
    void Launch(std::function<void(T_dm&)> replaceStores = {});
    // Ends the application (before a system installed by the test itself goes away).
    void ResetApplication();

    app::TWizardApplication& App() const { return *App_; }
    T_main& Main() const { return App_->Main(); }
    T_accountslist& AccountsList() const { return App_->AccountsList(); }
    T_accounttype& AccountType() const { return App_->AccountType(); }
    T_userdata& UserData() const { return App_->UserData(); }
    T_dm& Dm() const { return App_->Dm(); }

    // The buttons as a user presses them (nothing happens when the button is disabled or
    // hidden, which the call reports by returning false).
    bool ClickNext();
    bool ClickPrevious();
    QString CurrentPage() const;
    app::TWizardPage* Page(const QString& name) const;
    // Clicks a row of the accounts list with the mouse, as the user does.
    void ClickRow(int row);
    // Saves a picture of the main window as <test program folder>/screenshots/<name>.png,
    // for review by eye.
    void SaveScreenshot(const QString& name);
    // Types the user data and leaves it valid: name, mailbox, the password twice.
    void FillUserData(const QString& name, const QString& mailbox, const QString& password);

private:
    std::unique_ptr<testing_support::TTestSystem> System_;
    std::unique_ptr<app::TWizardApplication> App_;
};

} // namespace app_testing
