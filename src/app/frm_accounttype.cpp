#include "app/frm_accounttype.h"

#include "app/Application.h"
#include "app/FormStyle.h"
#include "app/Pictures.h"
#include "app/dm.h"
#include "app/main.h"

#include <accounts/MailAccounts.h>
#include <lang/LanguageTable.h>

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int PictureTop = 30;
constexpr int ButtonTop = 38;
constexpr int ButtonHeight = 17;
constexpr int ButtonOffset = 40;

} // namespace

T_accounttype::T_accounttype(app::TWizardApplication& app) : QWidget(nullptr), App(app) {
    app::SetUpPageForm(this, "T_accounttype");
    lblHeader = app::CreatePageHeader(this, QStringLiteral("Auswahl des E-Mail-Programms"));
    lblContent = app::CreateWrappedLabel(
        this, "lblContent",
        QStringLiteral("Geben Sie bitte an, in welchem E-Mail-Programm Sie das neue Konto "
                       "anlegen möchten."),
        QRect(38, 56, 567, 42));
    lblError = app::CreateWrappedLabel(
        this, "lblError",
        QStringLiteral("Leider wurde auf Ihrem Computer kein E-Mail-Programm gefunden. Damit "
                       "der Assistent Ihr Quenlix mail Konto anlegen kann, muss ein "
                       "E-Mail-Programm installiert sein. Bitte installieren Sie ein "
                       "E-Mail-Programm nach Ihrer Wahl und starten Sie dieses einmalig, um es "
                       "zu initialisieren. Führen Sie anschliessend diesen Assistenten erneut "
                       "aus, um Ihr Quenlix mail Konto anzulegen."),
        QRect(38, 56, 567, 94));
    lblError->hide();

    grpEmailApps = new QGroupBox(QStringLiteral(" E-Mail-Programm "), this);
    grpEmailApps->setObjectName(QStringLiteral("grpEmailApps"));
    grpEmailApps->setGeometry(38, 109, 571, 85);
    imgOutlookExpress = CreateClientPicture("imgOutlookExpress", app::ciOutlookExpress,
                                            QStringLiteral("Outlook Express"));
    imgOfficeOutlook =
        CreateClientPicture("imgOfficeOutlook", app::ciOutlook, QStringLiteral("Office Outlook"));
    imgWindowsMail =
        CreateClientPicture("imgWindowsMail", app::ciWindowsMail, QStringLiteral("Windows Mail"));
    imgWindowsLiveMail = CreateClientPicture("imgWindowsLiveMail", app::ciWindowsMail,
                                             QStringLiteral("Windows Live Mail"));
    imgThunderbird =
        CreateClientPicture("imgThunderbird", app::ciThunderbird, QStringLiteral("Thunderbird"));
    // Created in tab order.
    rbOutlookExpress =
        CreateClientButton("rbOutlookExpress", QStringLiteral("Outlook Express"), 101);
    rbOfficeOutlook = CreateClientButton("rbOfficeOutlook", QStringLiteral("Office Outlook"), 97);
    rbWindowsMail = CreateClientButton("rbWindowsMail", QStringLiteral("Windows Mail"), 97);
    rbThunderbird = CreateClientButton("rbThunderbird", QStringLiteral("Thunderbird"), 97);
    rbWindowsLiveMail =
        CreateClientButton("rbWindowsLiveMail", QStringLiteral("Windows Live Mail"), 114);

    langMain = new lang::TLanguageTable(this, QStringLiteral("T_accounttype"));
    FormCreate();
}

T_accounttype::~T_accounttype() = default;

QLabel* T_accounttype::CreateClientPicture(const char* name, int iconIndex,
                                           const QString& caption) {
    auto* picture = new QLabel(grpEmailApps);
    picture->setObjectName(QString::fromLatin1(name));
    picture->setPixmap(app::ClientPicture(iconIndex, 32));
    picture->setAccessibleName(caption);
    picture->setGeometry(0, PictureTop, 32, 32);
    picture->hide();
    return picture;
}

QRadioButton* T_accounttype::CreateClientButton(const char* name, const QString& caption,
                                                int width) {
    auto* button = new QRadioButton(caption, grpEmailApps);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(0, ButtonTop, width, ButtonHeight);
    button->hide();
    connect(button, &QRadioButton::clicked, this, &T_accounttype::rbAccountTypeClick);
    return button;
}

void T_accounttype::FormCreate() {
    wzrdpgAccountType = app::CreateFormPage(this, App.Main().wzrdcntrlMain, "wzrdpgAccountType",
                                            QStringLiteral("AccountType"));
    wzrdpgAccountType->OnEnter = [this](app::TWizardPage* sender, app::TWizardDirection direction) {
        AccountTypePageEnter(sender, direction);
    };
}

void T_accounttype::PlaceClient(QLabel* picture, QRadioButton* button, int x) {
    picture->move(x, PictureTop);
    picture->show();
    button->move(x + ButtonOffset, ButtonTop);
    button->show();
    ClientFound = true;
}

void T_accounttype::ArrangeClients() {
    const T_dm& dm = App.Dm();
    ClientFound = false;
    int x = 12;
    if (T_dm::IsInstalled(dm.OutlookExpressAccounts.get())) {
        PlaceClient(imgOutlookExpress, rbOutlookExpress, x);
        x += 150;
    }
    if (T_dm::IsInstalled(dm.Outlook98Accounts.get()) ||
        T_dm::IsInstalled(dm.OutlookAccounts.get())) {
        // One Outlook button, named after the newer of the two when both are there.
        const TMailAccounts* outlook = T_dm::IsInstalled(dm.OutlookAccounts.get())
                                           ? dm.OutlookAccounts.get()
                                           : dm.Outlook98Accounts.get();
        rbOfficeOutlook->setText(QString::fromStdString(outlook->ClientName()));
        imgOfficeOutlook->setAccessibleName(rbOfficeOutlook->text());
        PlaceClient(imgOfficeOutlook, rbOfficeOutlook, x);
        x += 130;
    }
    if (T_dm::IsInstalled(dm.WindowsMailAccounts.get())) {
        PlaceClient(imgWindowsMail, rbWindowsMail, x);
        x += 130;
    }
    if (T_dm::IsInstalled(dm.WindowsLiveMailAccounts.get())) {
        PlaceClient(imgWindowsLiveMail, rbWindowsLiveMail, x);
        x += 150;
    }
    if (T_dm::IsInstalled(dm.ThunderbirdAccounts.get())) {
        PlaceClient(imgThunderbird, rbThunderbird, x);
    }
}

void T_accounttype::AccountTypePageEnter(app::TWizardPage*, app::TWizardDirection direction) {
    if (direction == app::wdPrevious) {
        return; // the earlier choice and the Next state stay
    }
    // A button checked on an earlier visit has to be clicked again.
    wzrdpgAccountType->SetNextEnabled(false);
    if (!ClientFound) {
        lblContent->hide();
        grpEmailApps->hide();
        App.Main().btnNext->hide();
        App.Main().btnPrevious->hide();
        lblError->show();
    }
}

bool T_accounttype::AnyClientChecked() const {
    for (const QRadioButton* button :
         {rbOutlookExpress, rbOfficeOutlook, rbWindowsMail, rbWindowsLiveMail, rbThunderbird}) {
        if (button->isChecked()) {
            return true;
        }
    }
    return false;
}

void T_accounttype::rbAccountTypeClick() {
    wzrdpgAccountType->SetNextEnabled(AnyClientChecked());
}
