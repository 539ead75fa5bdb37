#pragma once
// The running wizard: every form, the data module and the exit dialog, created in the order of
// start-up and reachable from each other (pages read each other's controls when they run).

#include <functional>
#include <memory>
#include <string>
#include <vector>

class T_main;
class T_welcome;
class T_accountslist;
class T_accounttype;
class T_userdata;
class T_setup;
class T_finished;
class T_dm;
class T_closedialog;

namespace app {

// The application's title (task bar); never translated.
inline constexpr const char* ApplicationTitle = "Quenlix mail Assistant";

class TWizardApplication {
public:
    // Creates T_main (with its page container), T_welcome, T_accountslist, T_accounttype,
    // T_userdata, T_setup, T_finished (each registering its page), then T_dm, then
    // T_closedialog, and attaches every form's language table to the dispatcher in that order.
    TWizardApplication();
    ~TWizardApplication();
    TWizardApplication(const TWizardApplication&) = delete;
    TWizardApplication& operator=(const TWizardApplication&) = delete;

    // The rest of start-up: stores, client buttons, page sequence, support-tool check.
    void Start();

    T_main& Main() const { return *Main_; }
    T_welcome& Welcome() const { return *Welcome_; }
    T_accountslist& AccountsList() const { return *AccountsList_; }
    T_accounttype& AccountType() const { return *AccountType_; }
    T_userdata& UserData() const { return *UserData_; }
    T_setup& Setup() const { return *Setup_; }
    T_finished& Finished() const { return *Finished_; }
    T_dm& Dm() const { return *Dm_; }
    // False only while the forms before the data module are being created.
    bool HasDm() const { return Dm_ != nullptr; }
    T_closedialog& CloseDialog() const { return *CloseDialog_; }

    // The steps of start-up as they ran, for diagnostics and tests.
    const std::vector<std::string>& StartupSteps() const { return StartupSteps_; }

    // Set when the finished page has been entered; never reset.
    bool FinishedPageReached = false;

    // Runs in Start() right after the stores have been created, before anything reads them
    // (tests put stand-in stores into the data module here).
    std::function<void()> OnStoresCreated;

private:
    std::vector<std::string> StartupSteps_;
    // Declaration order is creation order; destruction runs the other way.
    std::unique_ptr<T_main> Main_;
    std::unique_ptr<T_welcome> Welcome_;
    std::unique_ptr<T_accountslist> AccountsList_;
    std::unique_ptr<T_accounttype> AccountType_;
    std::unique_ptr<T_userdata> UserData_;
    std::unique_ptr<T_setup> Setup_;
    std::unique_ptr<T_finished> Finished_;
    std::unique_ptr<T_dm> Dm_;
    std::unique_ptr<T_closedialog> CloseDialog_;
};

} // namespace app
