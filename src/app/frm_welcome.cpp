#include "app/frm_welcome.h"

#include "app/Accessibility.h"
#include "app/Application.h"
#include "app/FormStyle.h"
#include "app/Pictures.h"
#include "app/main.h"
#include "app/wizard.h"

#include <lang/LanguageTable.h>

#include <QLabel>

namespace {

const char* const WelcomeText =
    "<FONT face=\"MS Sans Serif\">Herzlich willkommen! Dieser Assistent hilft Ihnen, in Ihrem "
    "E-Mail-Programm ein neues Quenlix mail Konto anzulegen. Voraussetzung dafür ist, dass Sie "
    "Ihr Quenlix mail Konto vorgängig erfolgreich registriert haben.<br><br><b>Bitte "
    "schliessen Sie Ihr E-Mail-Programm, bevor Sie fortfahren.</b><br><br>Wenn Sie mit der "
    "Anpassung bzw. Erstellung Ihres E-Mail-Kontos beginnen wollen, klicken Sie unten bitte "
    "auf «Weiter»</FONT>";

} // namespace

T_welcome::T_welcome(app::TWizardApplication& app) : QWidget(nullptr), App(app) {
    app::SetUpPageForm(this, "T_welcome");
    lblHeader = app::CreatePageHeader(
        this, QStringLiteral("Willkommen beim Assistenten zur Einrichtung Ihres "
                             "E-Mail-Programms"));
    imgWelcome = new QLabel(this);
    imgWelcome->setObjectName(QStringLiteral("imgWelcome"));
    const QPixmap picture = app::WelcomePicture(QSize(220, 220));
    imgWelcome->setPixmap(picture);
    app::MarkDecorative(imgWelcome);
    imgWelcome->setGeometry(24, height() - picture.height() - 16, picture.width(),
                            picture.height());
    lblWelcome = app::CreateWrappedLabel(this, "lblWelcome", QString::fromUtf8(WelcomeText),
                                         QRect(265, 56, 357, 229));
    lblWelcome->setTextFormat(Qt::RichText);
    langMain = new lang::TLanguageTable(this, QStringLiteral("T_welcome"));
    FormCreate();
}

T_welcome::~T_welcome() = default;

void T_welcome::FormCreate() {
    wizardpgWelcome = app::CreateFormPage(this, App.Main().wzrdcntrlMain, "wizardpgWelcome",
                                          QStringLiteral("Welcome"));
}
