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
#include "clients/ProviderConstants.h"
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

TProviderAccountInput T_setup::CollectInput() const {
    const T_userdata& userData = App.UserData();
    TProviderAccountInput input;
    input.Name = userData.editName->text().toStdString();
    input.Mailbox = userData.editEmailAddress->text().toStdString();
    input.Password = userData.editPasswort1->text().toStdString();
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

    const TProviderAccountInput input = CollectInput();
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

bool T_setup::ChooseAndWriteAccount(const TProviderAccountInput& aInput) {
    TMailAccount* existing = App.AccountsList().SelectedAccount();
    TMailAccounts* store = existing == nullptr ? ChosenStore() : nullptr;
    TMailAccounts* target = existing != nullptr ? StoreOf(*existing) : store;
    if (ClientMustBeClosedToWrite(target) && !WaitForThunderbird()) {
        // The Thunderbird wait was cancelled: the page stays as it is, nothing is written.
        wzrdpgSetup->SetPreviousEnabled(true);
        return false;
    }
    TProviderAccountOutcome outcome = TProviderAccountOutcome::NoTarget;
    try {
        outcome = WriteProviderAccount(existing, store, ProviderAccountValues(aInput)).Outcome;
    } catch (const std::exception&) {
        ShowFailure(QString::fromLatin1(NotSavedKey));
        return false;
    }
    switch (outcome) {
    case TProviderAccountOutcome::Written:
        return true;
    case TProviderAccountOutcome::NoProfile:
        ShowFailure(QString::fromLatin1(NoProfileKey));
        return false;
    case TProviderAccountOutcome::NoTarget:
    case TProviderAccountOutcome::NotPop:
        break;
    }
    ShowFailure(QString::fromLatin1(NoTargetKey));
    return false;
}

TMailAccounts* T_setup::ChosenStore() const {
    const T_accounttype& type = App.AccountType();
    // The buttons in the order they are tested; the first checked one wins.
    const std::pair<const QRadioButton*, TMailClient> buttons[] = {
        {type.rbOutlookExpress, TMailClient::OutlookExpress},
        {type.rbOfficeOutlook, TMailClient::Outlook},
        {type.rbWindowsMail, TMailClient::WindowsMail},
        {type.rbWindowsLiveMail, TMailClient::WindowsLiveMail},
        {type.rbThunderbird, TMailClient::Thunderbird},
    };
    for (const auto& [button, client] : buttons) {
        if (button->isChecked()) {
            return ::ChosenStore(client, App.Dm().Stores());
        }
    }
    return nullptr;
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
