// The main window: construction, page preparation, navigation and language handlers.

#include "app/main.h"

#include "app/Accessibility.h"
#include "app/Application.h"
#include "app/FormStyle.h"
#include "app/MainControls.h"
#include "app/Pictures.h"
#include "app/dm.h"
#include "app/frm_accountslist.h"
#include "app/frm_accounttype.h"
#include "app/frm_setup.h"
#include "app/wizard.h"

#include <lang/LanguageDispatcher.h>
#include <lang/LanguageTable.h>
#include <lang/TranslatedMessage.h>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>

#include <exception>

namespace {

QLabel* CreateBarLabel(QLabel* aLabel, const char* aName, bool aBold) {
    aLabel->setObjectName(QString::fromLatin1(aName));
    aLabel->setFont(app::DesignFont(QStringLiteral("Tahoma"), 9, aBold));
    aLabel->setAttribute(Qt::WA_TranslucentBackground);
    aLabel->adjustSize();
    return aLabel;
}

QPushButton* CreateButton(QWidget* aParent, const char* aName, const QString& aCaption, int aLeft) {
    auto* button = new app::TFocusButton(aCaption, aParent);
    button->setObjectName(QString::fromLatin1(aName));
    button->setGeometry(aLeft, 13, 78, 24);
    return button;
}

} // namespace

T_main::T_main(app::TWizardApplication& app) : QWidget(nullptr), App(app) {
    setObjectName(QStringLiteral("T_main"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(
        QStringLiteral("Quenlix mail - Assistent zur Einrichtung Ihres E-Mail-Programms"));
    setFont(app::FormFont());
    setFixedSize(640, 438);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    CreateBanner();
    panelMain = new QWidget(this);
    panelMain->setObjectName(QStringLiteral("panelMain"));
    panelMain->setGeometry(0, 75, 640, 312);
    imgHR = new QLabel(this);
    imgHR->setObjectName(QStringLiteral("imgHR"));
    imgHR->setGeometry(0, 387, 640, 1);
    imgHR->setPixmap(app::RulePicture(640));
    app::MarkDecorative(imgHR);
    CreateButtonBar();

    langMain = new lang::TLanguageTable(this, QStringLiteral("T_main"));
    FormCreate();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

T_main::~T_main() = default;

void T_main::CreateBanner() {
    imgBanner = new QLabel(this);
    imgBanner->setObjectName(QStringLiteral("imgBanner"));
    imgBanner->setGeometry(0, 0, 640, 75);
    imgBanner->setPixmap(app::BannerPicture(QSize(640, 75)));
    imgBanner->setAccessibleName(QStringLiteral("Quenlix mail"));

    lblLanguageDE = new app::TClickLabel(QStringLiteral("DE"), imgBanner);
    lblSpace1 = new QLabel(QStringLiteral("|"), imgBanner);
    lblLanguageFR = new app::TClickLabel(QStringLiteral("FR"), imgBanner);
    lblSP2 = new QLabel(QStringLiteral("|"), imgBanner);
    lblLanguageIT = new app::TClickLabel(QStringLiteral("IT"), imgBanner);
    CreateBarLabel(lblLanguageDE, "lblLanguageDE", true)->move(572, 5);
    CreateBarLabel(lblSpace1, "lblSpace1", false)->move(589, 5);
    CreateBarLabel(lblLanguageFR, "lblLanguageFR", true)->move(597, 5);
    CreateBarLabel(lblSP2, "lblSP2", false)->move(614, 5);
    CreateBarLabel(lblLanguageIT, "lblLanguageIT", true)->move(623, 5);
    // Read out as the languages they choose; the bars between them only decorate.
    lblLanguageDE->setAccessibleName(QStringLiteral("Deutsch"));
    lblLanguageFR->setAccessibleName(QString::fromUtf8("Français"));
    lblLanguageIT->setAccessibleName(QStringLiteral("Italiano"));
    app::MarkDecorative(lblSpace1);
    app::MarkDecorative(lblSP2);
    connect(lblLanguageDE, &app::TClickLabel::clicked, this, &T_main::lblLanguageDEClick);
    connect(lblLanguageFR, &app::TClickLabel::clicked, this, &T_main::lblLanguageFRClick);
    connect(lblLanguageIT, &app::TClickLabel::clicked, this, &T_main::lblLanguageITClick);
}

void T_main::CreateButtonBar() {
    panelButtons = new app::TGradientPanel(this);
    panelButtons->setObjectName(QStringLiteral("panelButtons"));
    panelButtons->setGeometry(0, 388, 640, 50);
    btnPrevious = CreateButton(panelButtons, "btnPrevious", QStringLiteral("<  Zurück"), 364);
    btnNext = CreateButton(panelButtons, "btnNext", QStringLiteral("Weiter  >"), 449);
    btnRepeat = CreateButton(panelButtons, "btnRepeat", QStringLiteral("Wiederholen"), 449);
    btnRepeat->hide();
    btnAbbort = CreateButton(panelButtons, "btnAbbort", QStringLiteral("Abbrechen"), 548);
    btnNext->setDefault(true);
    connect(btnPrevious, &QPushButton::clicked, this, &T_main::btnPreviousClick);
    connect(btnNext, &QPushButton::clicked, this, &T_main::btnNextClick);
    connect(btnAbbort, &QPushButton::clicked, this, &T_main::btnAbbortClick);
    connect(btnRepeat, &QPushButton::clicked, this, &T_main::btnRepeatClick);
    setTabOrder(btnPrevious, btnNext);
    setTabOrder(btnNext, btnRepeat);
    setTabOrder(btnRepeat, btnAbbort);
    setTabOrder(btnAbbort, lblLanguageDE);
    setTabOrder(lblLanguageDE, lblLanguageFR);
    setTabOrder(lblLanguageFR, lblLanguageIT);
}

void T_main::FormCreate() {
    wzrdcntrlMain = new app::TWizardControl(this);
    wzrdcntrlMain->setObjectName(QStringLiteral("wzrdcntrlMain"));
    wzrdcntrlMain->SetWizardPanel(panelMain);
    wzrdcntrlMain->SetNextControl(btnNext);
    wzrdcntrlMain->SetPreviousControl(btnPrevious);
}

void T_main::PreparePages() {
    app::TWizardPage* accountsPage = App.AccountsList().wzrdpgAccountsList;
    if (App.Dm().TotalAccountCount() <= 0) {
        accountsPage->SetEnabled(false);
    } else {
        accountsPage->SetEnabled(App.AccountsList().BuildAccountsList() > 0);
    }
    wzrdcntrlMain->ShowFirstPage();
}

void T_main::btnPreviousClick() {
    wzrdcntrlMain->PreviousPage();
}

void T_main::btnNextClick() {
    if (wzrdcntrlMain->CurrentPageName().compare(QLatin1String("accountslist"),
                                                 Qt::CaseInsensitive) == 0 &&
        !ConfirmImapAccount()) {
        return;
    }
    wzrdcntrlMain->NextPage();
}

bool T_main::ConfirmImapAccount() {
    T_accountslist& accountsList = App.AccountsList();
    QTreeWidget* list = accountsList.lvAccounts;
    const QTreeWidgetItem* row = accountsList.SelectedRow();
    if (row == nullptr || T_accountslist::SubItemCount(row) <= 1 ||
        row->text(2) != QLatin1String("IMAP")) {
        return true;
    }
    const QString cr = QStringLiteral("\r");
    const QString text = langMain->GetTranslatedString(QStringLiteral("IDS_2")) + cr +
                         langMain->GetTranslatedString(QStringLiteral("IDS_3")) + cr +
                         langMain->GetTranslatedString(QStringLiteral("IDS_4")) + cr + cr +
                         langMain->GetTranslatedString(QStringLiteral("IDS_5"));
    if (lang::ShowTranslatedMessage(*langMain, text, lang::mtConfirmation,
                                    {lang::mbYes, lang::mbNo}) != lang::mrYes) {
        return false;
    }
    // The last row is the new-account row, or the end of the last group, whose selection the
    // list clears again; either way a new account is made in the client chosen next.
    if (list->topLevelItemCount() > 0) {
        list->setCurrentItem(list->topLevelItem(list->topLevelItemCount() - 1));
    }
    App.AccountType().wzrdpgAccountType->SetEnabled(true);
    return true;
}

void T_main::btnAbbortClick() {
    CancelRequested = true;
    close();
}

void T_main::btnRepeatClick() {
    App.Setup().RunSetup();
}

void T_main::SetLanguage(int language) {
    if (App.HasDm()) {
        App.Dm().langDispMain->SetActiveLanguage(language);
    }
}

void T_main::lblLanguageDEClick() {
    SetLanguage(lang::lgGerman);
}

void T_main::lblLanguageFRClick() {
    SetLanguage(lang::lgFrench);
}

void T_main::lblLanguageITClick() {
    SetLanguage(lang::lgItalian);
}

void T_main::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    try {
        FormCloseQuery(canClose);
    } catch (const std::exception& error) {
        // The window stays open; the user learns why.
        QMessageBox::critical(this, QCoreApplication::applicationName(),
                              QString::fromLocal8Bit(error.what()));
        canClose = false;
    }
    if (canClose) {
        event->accept();
    } else {
        event->ignore();
    }
}

void T_main::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused push button answers Enter itself; otherwise Enter means "Next".
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget());
            focused != nullptr && focused->isVisible() && focused->isEnabled()) {
            focused->click();
        } else if (btnNext->isVisible() && btnNext->isEnabled()) {
            btnNext->click();
        }
        return;
    case Qt::Key_Escape:
        // On the finished page Cancel is the finish button: Escape must not end the program.
        if (!App.FinishedPageReached) {
            btnAbbort->click();
        }
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void T_main::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    wzrdcntrlMain->FocusCurrentPage(); // not the first label of the banner
}

bool T_main::focusNextPrevChild(bool next) {
    const QWidget* current = focusWidget();
    if (current != nullptr && (!current->isVisible() || !current->isEnabled())) {
        // The focused control was just disabled or hidden. Qt would pass the focus on along
        // the tab chain, often to Cancel, where the next Enter asks to quit: the current page
        // takes it instead. A real Tab always starts from a usable control.
        wzrdcntrlMain->FocusCurrentPage();
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

// The window class is declared in main.h, whose namesake main.cpp is the program.
#include "moc_main.cpp"
