#include "app/frm_userdata.h"

#include "app/Accessibility.h"
#include "app/Application.h"
#include "app/FormStyle.h"
#include "app/frm_accountslist.h"
#include "app/main.h"
#include "clients/ProviderConstants.h"

#include <accounts/MailAccount.h>
#include <lang/LanguageTable.h>

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace {

constexpr int EditLeft = 163;
constexpr int LabelLeft = 29;

bool IsFilled(const QLineEdit* edit) {
    return !app::TrimBlanksAndControls(edit->text()).isEmpty();
}

} // namespace

T_userdata::T_userdata(app::TWizardApplication& app) : QWidget(nullptr), App(app) {
    app::SetUpPageForm(this, "T_userdata");
    lblHeader = app::CreatePageHeader(this, QStringLiteral("Angabe der Benutzerdaten"));
    lblContent = app::CreateWrappedLabel(
        this, "lblContent",
        QStringLiteral("Geben Sie nun bitte die Benutzerdaten für Ihr Quenlix mail Konto an. "
                       "Diese sind Ihr Name, Ihre E-Mail-Adresse sowie das entsprechende "
                       "Passwort."),
        QRect(38, 56, 566, 33));

    grpUserdata = new QGroupBox(QStringLiteral(" Benutzerdaten "), this);
    grpUserdata->setObjectName(QStringLiteral("grpUserdata"));
    grpUserdata->setGeometry(38, 100, 570, 194);

    lblName =
        app::CreateAutoSizeLabel(grpUserdata, "lblName", QStringLiteral("Ihr Name"), LabelLeft, 37);
    lblEmailAddress = app::CreateAutoSizeLabel(
        grpUserdata, "lblEmailAddress", QStringLiteral("Ihre E-Mail-Adresse"), LabelLeft, 64);
    lblDomain = app::CreateAutoSizeLabel(
        grpUserdata, "lblDomain",
        QStringLiteral("@") +
            QString::fromLatin1(provider::PrimaryMailDomain.data(),
                                static_cast<qsizetype>(provider::PrimaryMailDomain.size())),
        305, 64);
    lblPasswort1 = app::CreateAutoSizeLabel(grpUserdata, "lblPasswort1",
                                            QStringLiteral("Ihr Passwort"), LabelLeft, 91);
    lblPassword2 = app::CreateAutoSizeLabel(grpUserdata, "lblPassword2",
                                            QStringLiteral("Passwort bestätigen"), LabelLeft, 118);
    lblPasswordcheck = app::CreateWrappedLabel(grpUserdata, "lblPasswordcheck",
                                               QStringLiteral("Passwörter stimmen nicht überein"),
                                               QRect(379, 98, 122, 27));
    lblPasswordcheck->setFont(app::DesignFont(QStringLiteral("MS Sans Serif"), 11, false, true));
    QPalette silver = lblPasswordcheck->palette();
    silver.setColor(QPalette::WindowText, QColor(0xC0, 0xC0, 0xC0));
    lblPasswordcheck->setPalette(silver);
    lblPasswordcheck->hide();

    // Created in tab order.
    editName = CreateEdit("editName", 35, 202);
    editEmailAddress = CreateEdit("editEmailAddress", 62, 137);
    editPasswort1 = CreateEdit("editPasswort1", 89, 202);
    editPassword2 = CreateEdit("editPassword2", 116, 202);
    editPasswort1->setEchoMode(QLineEdit::Password);
    editPassword2->setEchoMode(QLineEdit::Password);
    editName->installEventFilter(this);
    editEmailAddress->installEventFilter(this);
    // Each field is read out by its own label, not by the group's title.
    lblName->setBuddy(editName);
    lblEmailAddress->setBuddy(editEmailAddress);
    lblPasswort1->setBuddy(editPasswort1);
    lblPassword2->setBuddy(editPassword2);
    editEmailAddress->setAccessibleDescription(lblDomain->text());
    chkStandard =
        new QCheckBox(QStringLiteral("Dieses E-Mail-Konto als Standard verwenden"), grpUserdata);
    chkStandard->setObjectName(QStringLiteral("chkStandard"));
    chkStandard->setGeometry(EditLeft, 154, 311, 17);
    setFocusProxy(editName);

    langMain = new lang::TLanguageTable(this, QStringLiteral("T_userdata"));
    langMain->OnChangeLanguage = [this](lang::TLanguageTable* sender) {
        langMainChangeLanguage(sender);
    };
    FormCreate();
}

T_userdata::~T_userdata() = default;

QLineEdit* T_userdata::CreateEdit(const char* name, int top, int width) {
    auto* edit = new QLineEdit(grpUserdata);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(EditLeft, top, width, 19);
    connect(edit, &QLineEdit::textChanged, this, &T_userdata::editUserdataChange);
    return edit;
}

void T_userdata::FormCreate() {
    wzrdpgUserData = app::CreateFormPage(this, App.Main().wzrdcntrlMain, "wzrdpgUserData",
                                         QStringLiteral("UserData"));
    wzrdpgUserData->OnEnter = [this](app::TWizardPage* sender, app::TWizardDirection direction) {
        UserDataPageEnter(sender, direction);
    };
    wzrdpgUserData->OnLeave = [this](app::TWizardPage* sender, app::TWizardDirection direction,
                                     bool& allowed, QString& newPage) {
        UserDataPageLeave(sender, direction, allowed, newPage);
    };
}

void T_userdata::UserDataPageEnter(app::TWizardPage*, app::TWizardDirection) {
    // Reset on every entry: the wish follows the chosen account, a new account starts without.
    const TMailAccount* account = App.AccountsList().SelectedAccount();
    chkStandard->setChecked(account != nullptr && account->IsDefault());
    editUserdataChange();
    editName->setFocus();
}

void T_userdata::editUserdataChange() {
    for (const QLineEdit* required : {editName, editEmailAddress, editPasswort1}) {
        if (!IsFilled(required)) {
            wzrdpgUserData->SetNextEnabled(false);
            return; // the mismatch label keeps its state
        }
    }
    const bool same = editPasswort1->text() == editPassword2->text();
    const bool wasShown = !lblPasswordcheck->isHidden();
    if (!same) {
        lblPasswordcheck->setVisible(!editPasswort1->text().isEmpty() ||
                                     !editPassword2->text().isEmpty());
    } else {
        lblPasswordcheck->hide();
    }
    if (!wasShown && !lblPasswordcheck->isHidden()) {
        app::Announce(lblPasswordcheck);
    }
    wzrdpgUserData->SetNextEnabled(same);
}

void T_userdata::editEmailAddressExit() {
    const QString mailbox = editEmailAddress->text();
    const qsizetype at = mailbox.indexOf(u'@');
    if (at >= 0) {
        editEmailAddress->setText(mailbox.left(at)); // runs the validation again
    }
}

void T_userdata::UserDataPageLeave(app::TWizardPage*, app::TWizardDirection direction,
                                   bool& allowed, QString&) {
    editEmailAddressExit();
    if (direction == app::wdNext && !wzrdpgUserData->NextEnabled()) {
        allowed = false; // a mailbox of "@" alone is empty now
    }
}

bool T_userdata::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == editName || watched == editEmailAddress)) {
        editEmailAddressExit();
    }
    return QWidget::eventFilter(watched, event);
}

void T_userdata::langMainChangeLanguage(lang::TLanguageTable*) {
    app::FitAutoSizeLabels(this);
}
