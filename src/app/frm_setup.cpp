#include "app/frm_setup.h"

#include "app/Accessibility.h"
#include "app/Application.h"
#include "app/FormStyle.h"
#include "app/Pop3Client.h"
#include "app/SetupProgress.h"
#include "app/dm.h"
#include "app/frm_accountslist.h"
#include "app/frm_accounttype.h"
#include "app/frm_userdata.h"
#include "app/main.h"
#include "clients/ProviderAccountSettings.h"
#include "clients/ProviderConstants.h"
#include "clients/mozilla/Thunderbird.h"
#include "lang/LanguageTable.h"
#include "lang/TranslatedMessage.h"
#include "platform/SystemInfo.h"

#include <accounts/MailAccount.h>
#include <accounts/MailAccounts.h>
#include <accounts/MailProfile.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <exception>

const char* const T_setup::NoTargetKey = "IDS_NOTARGET";
const char* const T_setup::NoProfileKey = "IDS_NOPROFILE";
const char* const T_setup::NotSavedKey = "IDS_NOTSAVED";

namespace {

// How often the Thunderbird wait looks at the process list when nothing else happens.
constexpr int ThunderbirdPollMilliseconds = 200;

// "IDS_1" says the login data are wrong: only when the server refused them (or they could not
// be sent at all). Every other failure is a technical one the user can only retry ("IDS_2").
QString LoginFailureKey(TPop3Failure aFailure) {
    const bool dataRefused =
        aFailure == TPop3Failure::Rejected || aFailure == TPop3Failure::UnsafeCredentials;
    return dataRefused ? QStringLiteral("IDS_1") : QStringLiteral("IDS_2");
}

QString PrimaryDomain() {
    return QString::fromLatin1(provider::PrimaryMailDomain.data(),
                               static_cast<qsizetype>(provider::PrimaryMailDomain.size()));
}

// Takes an account out of its profile's list in the model only; the client's files are not
// asked (the store's own deletion would write). The account is not touched: after a failed
// save only the profile is sure to be there.
void ForgetAccount(TMailProfile& aProfile, const TMailAccount* aAccount) {
    const int index = aProfile.IndexOfAccount(aAccount);
    if (index >= 0) {
        aProfile.ExtractAccount(index);
    }
}

// Resets a flag on every way out of a run.
class TRunFlag {
public:
    explicit TRunFlag(bool& aFlag) : FFlag(aFlag) { FFlag = true; }
    ~TRunFlag() { FFlag = false; }
    TRunFlag(const TRunFlag&) = delete;
    TRunFlag& operator=(const TRunFlag&) = delete;

private:
    bool& FFlag;
};

} // namespace

T_setup::T_setup(app::TWizardApplication& app) : App(app) {
    FormCreate();
}

T_setup::~T_setup() = default;

void T_setup::FormCreate() {
    app::SetUpPageForm(this, "T_setup");
    CreateComponents();

    wzrdpgSetup =
        app::CreateFormPage(this, App.Main().wzrdcntrlMain, "wzrdpgSetup", QStringLiteral("Setup"));
    wzrdpgSetup->OnEnter = [this](app::TWizardPage*, app::TWizardDirection) {
        RunSetup();
    };
    wzrdpgSetup->OnLeave = [this](app::TWizardPage* aSender, app::TWizardDirection aDirection,
                                  bool& aAllowed, QString& aNewPage) {
        SetupPageLeave(aSender, aDirection, aAllowed, aNewPage);
    };

    langMain = new lang::TLanguageTable(this, QStringLiteral("T_setup"));
    langMain->OnChangeLanguage = [this](lang::TLanguageTable* aSender) {
        langMainChangeLanguage(aSender);
    };
}

void T_setup::CreateComponents() {
    lblHeader = app::CreatePageHeader(this, QStringLiteral("Einrichtung des E-Mail-Kontos"));
    lblContent = app::CreateWrappedLabel(
        this, "lblContent",
        QStringLiteral("Ihr Konto wird angelegt. Bitte haben Sie einen kurzen Moment Geduld, bis "
                       "der Vorgang abgeschlossen ist."),
        QRect(54, 56, 536, 42));

    progressSetup = new app::TSetupProgress(this);
    progressSetup->setObjectName(QStringLiteral("progressSetup"));
    progressSetup->setGeometry(158, 142, 50, 50);

    lblMigration = app::CreateAutoSizeLabel(
        this, "lblMigration", QStringLiteral("Die Neuanlage wird durchgeführt..."), 223, 162);
    lblVerify = app::CreateWrappedLabel(this, "lblVerify", QString(), QRect(224, 156, 325, 42));
    lblVerify->hide();

    imgCheckFailed = new QLabel(this);
    imgCheckFailed->setObjectName(QStringLiteral("imgCheckFailed"));
    imgCheckFailed->setGeometry(168, 152, 32, 32);
    imgCheckFailed->setPixmap(lang::MessageDialogIcon(lang::mtError, 32));
    imgCheckFailed->hide();

    lblWaiting = app::CreateAutoSizeLabel(
        this, "lblWaiting", QStringLiteral("Warte auf die Beendigung von Mozilla Thunderbird..."),
        223, 162);
    lblWaiting->hide();
}

void T_setup::ShowState(TSetupState aState) {
    const bool changed = FState != aState;
    FState = aState;
    const bool busy = aState == TSetupState::Working || aState == TSetupState::Waiting;
    const bool failed = aState == TSetupState::Failed;
    lblMigration->setVisible(aState == TSetupState::Working);
    lblWaiting->setVisible(aState == TSetupState::Waiting);
    progressSetup->setVisible(busy);
    progressSetup->setEnabled(busy);
    lblVerify->setVisible(failed);
    imgCheckFailed->setVisible(failed);
    // The indicator is read out with what the page is busy with.
    progressSetup->setAccessibleName(aState == TSetupState::Waiting ? lblWaiting->text()
                                                                    : lblMigration->text());
    if (changed && aState == TSetupState::Waiting) {
        app::Announce(lblWaiting);
    }
}

void T_setup::ShowFailure(const QString& aTextKey) {
    FVerifyTextKey = aTextKey;
    lblVerify->setText(langMain->GetTranslatedString(aTextKey));
    imgCheckFailed->setAccessibleName(langMain->DialogCaption(QStringLiteral("Error")));
    ShowState(TSetupState::Failed);
    app::Announce(lblVerify);
    // Back to the user data is the way on; Next would claim an account that was not written.
    wzrdpgSetup->SetNextEnabled(false);
    wzrdpgSetup->SetPreviousEnabled(true);
}

TSetupInput T_setup::CollectInput() const {
    const T_userdata& userData = App.UserData();
    TSetupInput input;
    input.Name = app::TrimBlanksAndControls(userData.editName->text());
    input.Address =
        app::TrimBlanksAndControls(userData.editEmailAddress->text() + u'@' + PrimaryDomain());
    input.LoginName = input.Address;
    input.Password = userData.editPasswort1->text();
    input.DefaultWish = userData.chkStandard->isChecked();
    return input;
}

void T_setup::RunSetup() {
    if (FRunning) {
        return; // the Repeat button or a page change reached us from inside our own wait
    }
    TRunFlag running(FRunning);
    App.Main().btnRepeat->hide();
    ShowState(TSetupState::Working);
    // The run and a page change must not overlap: Previous and Next wait for the run's end.
    wzrdpgSetup->SetPreviousEnabled(false);
    wzrdpgSetup->SetNextEnabled(false);

    const TSetupInput input = CollectInput();
    if (!VerifyLogin()) {
        ShowFailure(LoginFailureKey(App.Dm().popMain->LastFailure()));
        return;
    }
    if (!ChooseAndWriteAccount(input)) {
        return;
    }
    ShowState(TSetupState::Done);
    wzrdpgSetup->SetPreviousEnabled(true);
    wzrdpgSetup->SetNextEnabled(true);
    FRunning = false; // our own move to the finished page is no overlap
    App.Main().wzrdcntrlMain->NextPage();
}

bool T_setup::ChooseAndWriteAccount(const TSetupInput& aInput) {
    TSetupTarget target;
    try {
        target = ChooseTarget(aInput);
        if (target.Account != nullptr) {
            WriteAccount(*target.Account, aInput);
        }
    } catch (const std::exception&) {
        // The store puts back what it had written; the model must not keep a new account
        // that the client never got, or a retry would count it as a second one.
        if (target.Added && target.Profile != nullptr) {
            ForgetAccount(*target.Profile, target.Account);
        }
        ShowFailure(QString::fromLatin1(NotSavedKey));
        return false;
    }
    if (target.Account == nullptr) {
        if (target.FailureKey.isEmpty()) {
            // The Thunderbird wait was cancelled: the page stays as it is, nothing is written.
            wzrdpgSetup->SetPreviousEnabled(true);
        } else {
            ShowFailure(target.FailureKey);
        }
        return false;
    }
    return true;
}

TSetupTarget T_setup::ChooseTarget(const TSetupInput& aInput) {
    TSetupTarget target;
    if (TMailAccount* existing = App.AccountsList().SelectedAccount()) {
        TMailProfile* profile = existing->Profile();
        TMailAccounts* store = profile != nullptr ? profile->Store() : nullptr;
        if (dynamic_cast<TThunderbirdMailAccounts*>(store) != nullptr && !WaitForThunderbird()) {
            return target;
        }
        if (existing->Kind() != AccountKindPOP) {
            // POP settings in an IMAP account would break it; a new account is the way.
            target.FailureKey = QString::fromLatin1(NoTargetKey);
            return target;
        }
        target.Account = existing;
        return target;
    }
    TMailAccounts* store = ChosenStore();
    if (store == nullptr) {
        target.FailureKey = QString::fromLatin1(NoTargetKey);
        return target;
    }
    if (store == App.Dm().ThunderbirdAccounts.get() && !WaitForThunderbird()) {
        return target;
    }
    target.Account =
        store->AddAccount(AccountKindPOP, aInput.Address.toStdString(),
                          aInput.LoginName.toStdString(), aInput.Password.toStdString());
    target.Added = target.Account != nullptr;
    target.Profile = target.Added ? target.Account->Profile() : nullptr;
    if (target.Account == nullptr) {
        target.FailureKey = QString::fromLatin1(NoProfileKey);
    }
    return target;
}

TMailAccounts* T_setup::ChosenStore() const {
    const T_accounttype& type = App.AccountType();
    T_dm& dm = App.Dm();
    if (type.rbOutlookExpress->isChecked()) {
        return dm.OutlookExpressAccounts.get();
    }
    if (type.rbOfficeOutlook->isChecked()) {
        return dm.OutlookAccounts != nullptr && dm.OutlookAccounts->Installed()
                   ? dm.OutlookAccounts.get()
                   : dm.Outlook98Accounts.get();
    }
    if (type.rbWindowsMail->isChecked()) {
        return dm.WindowsMailAccounts.get();
    }
    if (type.rbWindowsLiveMail->isChecked()) {
        return dm.WindowsLiveMailAccounts.get();
    }
    if (type.rbThunderbird->isChecked()) {
        return dm.ThunderbirdAccounts.get();
    }
    return nullptr;
}

void T_setup::WriteAccount(TMailAccount& aAccount, const TSetupInput& aInput) {
    TMailProfile* profile = aAccount.Profile();
    TMailAccounts* store = profile != nullptr ? profile->Store() : nullptr;
    const bool thunderbird = dynamic_cast<TThunderbirdMailAccounts*>(store) != nullptr;
    TProviderAccountValues values;
    values.Name = aInput.Name.toStdString();
    values.Address = aInput.Address.toStdString();
    values.LoginName = aInput.LoginName.toStdString();
    values.Password = aInput.Password.toStdString();
    values.DefaultWish = aInput.DefaultWish;
    // ChooseTarget hands out POP accounts only.
    ApplyProviderSettings(static_cast<TPOPMailAccount&>(aAccount), values, thunderbird);
    aAccount.Save();
}

bool T_setup::VerifyLogin() {
    const TWindowsVersionClass version = GetWindowsVersionClass();
    if (version != wvWinXP && version != wvWinVista) {
        return true; // older systems cannot make the TLS connection; the test counts as passed
    }
    // The login name keeps what was typed around the mailbox name.
    const QString userName = App.UserData().editEmailAddress->text() + u'@' + PrimaryDomain();
    return App.Dm().CheckPop3Login(userName, App.UserData().editPasswort1->text());
}

TWindowsVersionClass T_setup::GetWindowsVersionClass() const {
    platform::TOSVersionInfo info;
    return ClassifyWindowsVersion(platform::GetVersionEx(info) ? &info : nullptr);
}

bool T_setup::WaitForThunderbird() {
    TMailAccounts* thunderbird = App.Dm().ThunderbirdAccounts.get();
    if (thunderbird == nullptr || !thunderbird->IsClientRunning()) {
        return true;
    }
    lang::ShowTranslatedMessage(*langMain,
                                langMain->GetTranslatedString(QStringLiteral("IDS_8")) + u'\r' +
                                    langMain->GetTranslatedString(QStringLiteral("IDS_9")),
                                lang::mtInformation, {lang::mbOK});
    T_main& main = App.Main();
    main.CancelRequested = false;
    const bool windowWasShown = main.isVisible();
    // Wakes the wait now and then to look at the process list again.
    QTimer poll;
    poll.start(ThunderbirdPollMilliseconds);
    for (;;) {
        if (!thunderbird->IsClientRunning()) {
            ShowState(TSetupState::Working);
            return true;
        }
        ShowState(TSetupState::Waiting);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (main.CancelRequested) {
            return false;
        }
        if (windowWasShown && !main.isVisible()) {
            return false; // the user has left the program: nothing may be written behind it
        }
    }
}

void T_setup::langMainChangeLanguage(lang::TLanguageTable*) {
    lblVerify->setText(langMain->GetTranslatedString(FVerifyTextKey));
    app::FitAutoSizeLabels(this);
}

void T_setup::SetupPageLeave(app::TWizardPage*, app::TWizardDirection, bool& aAllowed, QString&) {
    if (FRunning) {
        aAllowed = false;
    }
}
