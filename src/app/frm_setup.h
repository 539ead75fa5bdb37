#pragma once
// The setup page: proves the user's credentials by a POP3 login, chooses the target account
// (the one picked on the accounts list, or a new one in the chosen client), writes the
// provider's fixed settings into it, saves it once and moves on to the finished page.

#include "app/WindowsVersionClass.h"
#include "app/wizard.h"
#include "clients/ProviderAccountSetup.h"

#include <QString>
#include <QWidget>

class QLabel;
class TMailAccounts;

namespace app {
class TWizardApplication;
class TSetupProgress;
} // namespace app
namespace lang {
class TLanguageTable;
}

// What the page shows.
enum class TSetupState {
    Working, // lblMigration and the busy indicator
    Waiting, // lblWaiting and the busy indicator: Thunderbird must be closed first
    Failed,  // lblVerify and the failure icon: login failed, no target account, or not saved
    Done,    // the account is saved
};

class T_setup : public QWidget {
    Q_OBJECT
public:
    explicit T_setup(app::TWizardApplication& app);
    ~T_setup() override;

    app::TWizardPage* wzrdpgSetup = nullptr;
    lang::TLanguageTable* langMain = nullptr;

    QLabel* lblHeader = nullptr;
    QLabel* lblContent = nullptr;
    app::TSetupProgress* progressSetup = nullptr;
    QLabel* lblMigration = nullptr;
    QLabel* lblVerify = nullptr;
    QLabel* imgCheckFailed = nullptr;
    QLabel* lblWaiting = nullptr;

    // The page's enter handler, also run by the main window's Repeat button. A call made while
    // a run is in progress (from inside its waits) does nothing.
    void RunSetup();
    bool VerifyLogin();
    TWindowsVersionClass GetWindowsVersionClass() const;
    // True when Thunderbird is not running (any more); false when the wait was cancelled.
    bool WaitForThunderbird();
    void langMainChangeLanguage(lang::TLanguageTable* aSender);

    TSetupState State() const { return FState; }
    bool Running() const { return FRunning; }
    // The string row lblVerify shows: "IDS_1" after the server refused the login data,
    // "IDS_2" after a technical failure of the check, or the text that says what to do when
    // there is no account to write to.
    QString VerifyTextKey() const { return FVerifyTextKey; }

    // Language rows for the texts shown when there is no account to write to.
    static const char* const NoTargetKey;
    static const char* const NoProfileKey;
    // Language row for the text shown when the client's configuration could not be written.
    static const char* const NotSavedKey;

private:
    void FormCreate();
    void CreateComponents();
    void ShowState(TSetupState aState);
    void ShowFailure(const QString& aTextKey);
    // The other pages' input as this run reads it; never kept between runs.
    TProviderAccountInput CollectInput() const;
    // Chooses the target and writes the account; false when the run ends without a saved
    // account (the page then shows why, or stays waiting after a cancelled wait).
    bool ChooseAndWriteAccount(const TProviderAccountInput& aInput);
    // The store of the checked client button; null when none is checked.
    TMailAccounts* ChosenStore() const;
    void SetupPageLeave(app::TWizardPage* aSender, app::TWizardDirection aDirection, bool& aAllowed,
                        QString& aNewPage);

    app::TWizardApplication& App;
    TSetupState FState = TSetupState::Working;
    bool FRunning = false;
    QString FVerifyTextKey = QStringLiteral("IDS_1");
};
