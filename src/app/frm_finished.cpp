#include "app/frm_finished.h"

#include "accounts/RegistryHelpers.h"
#include "app/Application.h"
#include "app/FormStyle.h"
#include "app/MainControls.h"
#include "app/main.h"
#include "clients/ProviderConstants.h"
#include "lang/LanguageDispatcher.h"
#include "lang/LanguageTable.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>

#include <string>

namespace {

const char* const SupportToolKey = "SOFTWARE\\Quenlix\\SupportTool\\ClientPrefs\\firstrun";
const char* const FirstRunValue = "FirstRunCompleted";

// The support tool's own record of its first run; a missing key or value, or one of another
// type, counts as not run.
bool SupportToolFirstRunCompleted() {
    platform::TRegistry reg(platform::HKEY_LOCAL_MACHINE);
    if (!reg.KeyExists(SupportToolKey) || !reg.OpenKeyReadOnly(SupportToolKey))
        return false;
    std::string value;
    if (reg.ValueExists(FirstRunValue))
        value = ReadRegStringChecked(reg, FirstRunValue);
    reg.CloseKey();
    return QString::fromStdString(value).toLower() == QStringLiteral("true");
}

} // namespace

T_finished::T_finished(app::TWizardApplication& app) : App(app) {
    FormCreate();
}

T_finished::~T_finished() = default;

void T_finished::FormCreate() {
    app::SetUpPageForm(this, "T_finished");
    CreateComponents();

    wzrdpgFinished = app::CreateFormPage(this, App.Main().wzrdcntrlMain, "wzrdpgFinished",
                                         QStringLiteral("Finished"));
    wzrdpgFinished->OnEnter = [this](app::TWizardPage* aSender, app::TWizardDirection aDir) {
        FinishedPageEnter(aSender, aDir);
    };

    langMain = new lang::TLanguageTable(this, QStringLiteral("T_finished"));
    langMain->setObjectName(QStringLiteral("langMain"));
    langMain->OnChangeLanguage = [this](lang::TLanguageTable* aSender) {
        langMainChangeLanguage(aSender);
    };
}

void T_finished::CreateComponents() {
    lblHeader = app::CreatePageHeader(this, QStringLiteral("Einrichtung erfolgreich beendet"));
    lblContent = app::CreateWrappedLabel(this, "lblContent",
                                         QStringLiteral("Ihr neues Konto wurde angelegt."),
                                         QRect(24, 56, 570, 32));

    lblSupporttool = app::CreateWrappedLabel(
        this, "lblSupporttool",
        QStringLiteral("Wollen Sie in Zukunft von der automatischen Soforthilfe für Ihren "
                       "Internetzugang profitieren? Der kostenlose Quenlix internet assistant "
                       "behebt selbständig Fehler, wenn es mit dem Internetzugang oder mit "
                       "E-Mail mal nicht klappen sollte.\n\nSie können den Quenlix internet "
                       "assistant kostenlos herunterladen, indem Sie auf den folgenden Link "
                       "klicken:\n"),
        QRect(24, 96, 570, 80));

    // A link: Tab reaches it, Enter, Space or a click opens the download page.
    lblSupporttoolLink =
        new app::TClickLabel(QStringLiteral("Quenlix internet assistant herunterladen"), this);
    QFont linkFont = app::FormFont();
    linkFont.setUnderline(true);
    lblSupporttoolLink->setFont(linkFont);
    QPalette linkPalette = lblSupporttoolLink->palette();
    linkPalette.setColor(QPalette::WindowText, Qt::blue);
    lblSupporttoolLink->setPalette(linkPalette);
    app::PlaceAutoSizeLabel(lblSupporttoolLink, "lblSupporttoolLink", 24, 184);
    connect(lblSupporttoolLink, &app::TClickLabel::clicked, this,
            &T_finished::lblSupporttoolLinkClick);

    chkRemoveApplication =
        new QCheckBox(QStringLiteral("Nach Beendigung den Assistenten vom System entfernen"), this);
    chkRemoveApplication->setObjectName(QStringLiteral("chkRemoveApplication"));
    chkRemoveApplication->setGeometry(24, 272, 570, 17);
    chkRemoveApplication->setChecked(true);
}

void T_finished::FinishedPageEnter(app::TWizardPage* /*aSender*/,
                                   app::TWizardDirection /*aDirection*/) {
    App.FinishedPageReached = true;
    SetCancelCaption();
    App.Main().btnPrevious->hide();
    App.Main().btnNext->hide();
}

void T_finished::CheckSupportToolInstalled() {
    if (!SupportToolFirstRunCompleted())
        return;
    lblSupporttool->hide();
    lblSupporttoolLink->hide();
}

void T_finished::lblSupporttoolLinkClick() {
    std::string_view page;
    switch (langMain->ActiveLanguage()) {
    case lang::lgGerman:
    case lang::lgEnglish:
        page = provider::SupportToolPageGerman;
        break;
    case lang::lgItalian:
        page = provider::SupportToolPageItalian;
        break;
    case lang::lgFrench:
        page = provider::SupportToolPageFrench;
        break;
    default:
        return;
    }
    platform::ShellOpen(std::string(page));
}

void T_finished::langMainChangeLanguage(lang::TLanguageTable* /*aSender*/) {
    // The link takes the width of its new text; it kept the German one and cut the French.
    app::FitAutoSizeLabels(this);
    if (App.FinishedPageReached)
        SetCancelCaption();
}

void T_finished::SetCancelCaption() {
    App.Main().btnAbbort->setText(langMain->GetTranslatedString(QStringLiteral("IDS_0")));
}
