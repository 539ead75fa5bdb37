#include "lang/LanguageDispatcher.h"
#include "lang/LanguageTable.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>
#include <vector>

using namespace lang;

namespace {

template <typename T> T* Add(QWidget* parent, const char* name, const QString& text = {}) {
    auto* widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    if constexpr (std::is_same_v<T, QGroupBox>) {
        widget->setTitle(text);
    } else {
        widget->setText(text);
    }
    return widget;
}

QString Text(const QWidget& form, const char* name) {
    QObject* child = form.findChild<QObject*>(QString::fromLatin1(name));
    if (auto* label = qobject_cast<QLabel*>(child)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(child)) {
        return button->text();
    }
    if (auto* group = qobject_cast<QGroupBox*>(child)) {
        return group->title();
    }
    return "<missing>";
}

QString Family(const QWidget& form, const char* name) {
    const QWidget* widget = form.objectName() == QLatin1String(name)
                                ? &form
                                : form.findChild<QWidget*>(QString::fromLatin1(name));
    return widget->font().family();
}

QString CharSet(const QObject& object) {
    return object.property("charset").toString();
}

// The main window's translated parts and two excluded labels, with their German design texts.
struct TMainForm {
    TMainForm() {
        form.setWindowTitle("Quenlix mail - Assistent zur Einrichtung Ihres E-Mail-Programms");
        Add<QPushButton>(&form, "btnPrevious", "<  Zurück");
        Add<QPushButton>(&form, "btnNext", "Weiter  >");
        Add<QPushButton>(&form, "btnAbbort", "Abbrechen");
        Add<QPushButton>(&form, "btnRepeat", "Wiederholen");
        languageDE = Add<QLabel>(&form, "lblLanguageDE", "DE");
        Add<QLabel>(&form, "lblSpace1", "|");
    }
    QWidget form;
    QLabel* languageDE = nullptr;
    TLanguageTable* table = new TLanguageTable(&form, "T_main");
};

struct TUserDataForm {
    TUserDataForm() {
        Add<QLabel>(&form, "lblHeader", "Angabe der Benutzerdaten");
        auto* group = Add<QGroupBox>(&form, "grpUserdata", " Benutzerdaten ");
        Add<QLabel>(group, "lblName", "Ihr Name");
        Add<QLabel>(group, "lblPasswordcheck", "Passwörter stimmen nicht überein");
        Add<QCheckBox>(group, "chkStandard", "Dieses E-Mail-Konto als Standard verwenden");
        Add<QLabel>(group, "lblDomain", "@quenlix.example");
    }
    QWidget form;
    TLanguageTable* table = new TLanguageTable(&form, "T_userdata");
};

struct TAccountsListForm {
    TAccountsListForm() {
        Add<QLabel>(&form, "lblHeader", "Auswahl des anzupassenden E-Mail-Kontos");
        list = new QTreeWidget(&form);
        list->setObjectName("lvAccounts");
        list->setHeaderLabels({"Konto", "E-Mail-Adresse", "Protokoll"});
    }
    QWidget form;
    QTreeWidget* list = nullptr;
    TLanguageTable* table = new TLanguageTable(&form, "T_accountslist");
};

struct TAccountTypeForm {
    TAccountTypeForm() {
        form.setObjectName("T_accounttype");
        QFont font("MS Sans Serif");
        form.setFont(font);
        header = Add<QLabel>(&form, "lblHeader", "Auswahl des E-Mail-Programms");
        header->setFont(QFont("Arial"));
        auto* group = Add<QGroupBox>(&form, "grpEmailApps", " E-Mail-Programm ");
        Add<QRadioButton>(group, "rbThunderbird", "Thunderbird");
        Add<QRadioButton>(group, "rbOfficeOutlook", "Outlook 2003");
    }
    QWidget form;
    QLabel* header = nullptr;
    TLanguageTable* table = new TLanguageTable(&form, "T_accounttype");
};

TEST(LanguageSwitch, ItalianThenGermanRestoresEveryCaption) {
    TMainForm main;
    TUserDataForm userData;
    TAccountsListForm accounts;
    TLanguageDispatcher dispatcher;
    dispatcher.AttachTable(main.table);
    dispatcher.AttachTable(userData.table);
    dispatcher.AttachTable(accounts.table);

    dispatcher.SetActiveLanguage(lgItalian);
    EXPECT_EQ(main.form.windowTitle(), "Assistente per l'attivazione del vostro programma e-mail");
    EXPECT_EQ(Text(main.form, "btnPrevious"), "< Indietro");
    EXPECT_EQ(Text(main.form, "btnNext"), "Avanti >");
    EXPECT_EQ(Text(main.form, "btnAbbort"), "Annulla");
    EXPECT_EQ(Text(main.form, "btnRepeat"), "Riprova");
    EXPECT_EQ(Text(userData.form, "grpUserdata"), " Dati utente ");
    EXPECT_EQ(Text(userData.form, "lblName"), "Il vostro nome");
    EXPECT_EQ(Text(userData.form, "chkStandard"),
              "Utilizzare questo conto e-mail come predefinito");
    EXPECT_EQ(accounts.list->headerItem()->text(1), "Indirizzo e-mail");
    EXPECT_EQ(Text(accounts.form, "lblHeader"), "Scelta degli account e-mail da modificare");

    dispatcher.SetActiveLanguage(lgGerman);
    EXPECT_EQ(main.form.windowTitle(),
              "Quenlix mail - Assistent zur Einrichtung Ihres E-Mail-Programms");
    EXPECT_EQ(Text(main.form, "btnPrevious"), "<  Zurück");
    EXPECT_EQ(Text(main.form, "btnNext"), "Weiter  >");
    EXPECT_EQ(Text(main.form, "btnAbbort"), "Abbrechen");
    EXPECT_EQ(Text(main.form, "btnRepeat"), "Wiederholen");
    EXPECT_EQ(Text(userData.form, "grpUserdata"), " Benutzerdaten ");
    EXPECT_EQ(Text(userData.form, "lblHeader"), "Angabe der Benutzerdaten");
    EXPECT_EQ(Text(userData.form, "lblName"), "Ihr Name");
    EXPECT_EQ(Text(userData.form, "lblPasswordcheck"), "Passwörter stimmen nicht überein");
    EXPECT_EQ(Text(userData.form, "chkStandard"), "Dieses E-Mail-Konto als Standard verwenden");
    EXPECT_EQ(accounts.list->headerItem()->text(0), "Konto");
    EXPECT_EQ(accounts.list->headerItem()->text(1), "E-Mail-Adresse");
    EXPECT_EQ(accounts.list->headerItem()->text(2), "Protokoll");
    EXPECT_EQ(Text(accounts.form, "lblHeader"), "Auswahl des anzupassenden E-Mail-Kontos");
}

TEST(LanguageSwitch, EmptyCellsKeepTheLastLanguageWithAValue) {
    TAccountTypeForm page;
    TMainForm main;
    TLanguageDispatcher dispatcher;
    dispatcher.AttachTable(main.table);
    dispatcher.AttachTable(page.table);

    dispatcher.SetActiveLanguage(lgFrench);
    EXPECT_EQ(Family(page.form, "T_accounttype"), "Tahoma");
    EXPECT_EQ(page.header->font().family(), "Tahoma");
    EXPECT_EQ(CharSet(page.form), "ANSI_CHARSET");
    EXPECT_EQ(Text(page.form, "lblHeader"), "Sélection du programme d’e-mail");
    EXPECT_EQ(Text(page.form, "rbThunderbird"), "Thunderbird");

    dispatcher.SetActiveLanguage(lgItalian);
    EXPECT_EQ(Family(page.form, "T_accounttype"), "Tahoma");
    EXPECT_EQ(page.header->font().family(), "Tahoma");
    EXPECT_EQ(CharSet(*page.header), "DEFAULT_CHARSET");
    EXPECT_EQ(Text(page.form, "lblHeader"), "Scelta del programma di posta elettronica");
    EXPECT_EQ(Text(page.form, "rbThunderbird"), "Thunderbird");
    // The main window's title has no English cell: English keeps the Italian one.
    dispatcher.SetActiveLanguage(lgEnglish);
    EXPECT_EQ(main.form.windowTitle(), "Assistente per l'attivazione del vostro programma e-mail");
    EXPECT_EQ(Text(main.form, "btnNext"), "Next >");

    dispatcher.SetActiveLanguage(lgGerman);
    EXPECT_EQ(Family(page.form, "T_accounttype"), "MS Sans Serif");
    EXPECT_EQ(page.header->font().family(), "Arial");
    EXPECT_EQ(Text(page.form, "rbOfficeOutlook"), "Outlook 2003");
}

TEST(LanguageSwitch, TranslatedStringsFallBackToGerman) {
    QWidget form;
    TLanguageTable table(&form, "T_accountslist");
    TLanguageDispatcher dispatcher;
    dispatcher.AttachTable(&table);
    dispatcher.SetActiveLanguage(lgEnglish);
    EXPECT_EQ(table.GetTranslatedString("IDS_16"), "Ein neues Konto hinzufügen");
    dispatcher.SetActiveLanguage(lgItalian);
    EXPECT_EQ(GetTranslatedString(table, "ids_16"), "Aggiungere un nuovo account");
    EXPECT_EQ(table.GetTranslatedString("IDS_99"), "");
    EXPECT_EQ(table.DialogCaption("Confirm"), "Bestätigung");
}

TEST(LanguageDispatch, LanguagesAndRangeOfTheDispatcher) {
    TLanguageDispatcher dispatcher;
    EXPECT_EQ(dispatcher.LanguageCount(), 4);
    EXPECT_EQ(dispatcher.Languages(), (QStringList{"German", "English", "Italian", "French"}));
    EXPECT_EQ(dispatcher.LanguageName(3), "Italian");
    EXPECT_EQ(dispatcher.LanguageName(5), "");
    EXPECT_EQ(dispatcher.ActiveLanguage(), lgGerman);
    dispatcher.SetActiveLanguage(0);
    dispatcher.SetActiveLanguage(5);
    EXPECT_EQ(dispatcher.ActiveLanguage(), lgGerman);
}

TEST(LanguageDispatch, HandlersRunAfterTheirOwnTableInAttachmentOrder) {
    TMainForm main;
    QWidget finished;
    auto* finishedTable = new TLanguageTable(&finished, "T_finished");
    TLanguageDispatcher dispatcher;
    std::vector<QString> log;
    main.table->OnChangeLanguage = [&](TLanguageTable* sender) {
        EXPECT_EQ(sender, main.table);
        log.push_back("main " + Text(main.form, "btnAbbort"));
    };
    // Like the finished page: the main window's Cancel button takes this form's "IDS_0".
    finishedTable->OnChangeLanguage = [&](TLanguageTable* sender) {
        main.form.findChild<QPushButton*>("btnAbbort")
            ->setText(sender->GetTranslatedString("IDS_0"));
        log.push_back("finished " + Text(main.form, "btnAbbort"));
    };
    dispatcher.AttachTable(main.table);
    dispatcher.AttachTable(finishedTable);
    EXPECT_TRUE(log.empty()); // German was already active

    dispatcher.SetActiveLanguage(lgItalian);
    EXPECT_EQ(log, (std::vector<QString>{"main Annulla", "finished Terminare"}));
    EXPECT_EQ(Text(main.form, "btnAbbort"), "Terminare");

    dispatcher.SetActiveLanguage(lgItalian); // already active: nothing runs
    EXPECT_EQ(log.size(), 2u);

    // A table attached later takes the active language at once.
    QWidget closeDialog;
    auto* closeTable = new TLanguageTable(&closeDialog, "T_closedialog");
    auto* yes = Add<QPushButton>(&closeDialog, "btnYes", "&Ja");
    int closeHandlerRuns = 0;
    closeTable->OnChangeLanguage = [&](TLanguageTable*) {
        ++closeHandlerRuns;
    };
    dispatcher.AttachTable(closeTable);
    EXPECT_EQ(closeTable->ActiveLanguage(), lgItalian);
    EXPECT_EQ(yes->text(), "&Si");
    EXPECT_EQ(closeDialog.windowTitle(), "Conferma");
    EXPECT_EQ(closeHandlerRuns, 1);
    EXPECT_EQ(dispatcher.Tables(), (QList<TLanguageTable*>{main.table, finishedTable, closeTable}));

    // A destroyed form's table leaves the dispatcher.
    delete finishedTable;
    dispatcher.SetActiveLanguage(lgFrench);
    EXPECT_EQ(dispatcher.Tables().size(), 2);
    EXPECT_EQ(Text(main.form, "btnAbbort"), "Annuler");
    EXPECT_EQ(yes->text(), "&Oui");
}

TEST(LanguageExclusions, ExcludedRowsAreNeverApplied) {
    // Rows for every excluded item; the compiled-in tables hold none of them.
    TLanguageTableContent content =
        ParseLanguageTable("[stCaptions]\n"
                           "lblLanguageDE\tXX\tXX\tXX\tXX\n"
                           "panelMain\tXX\tXX\tXX\tXX\n"
                           "wzrdcntrlMain\tXX\tXX\tXX\tXX\n"
                           "btnNext\tWeiter  >\tNext >\tAvanti >\tPoursuivre >\n"
                           "[stFonts]\n"
                           "lblLanguageDE\tTahoma\t\tVerdana\t\n"
                           "[stCharSets]\n"
                           "lblLanguageDE\tDEFAULT_CHARSET\t\tNO_SUCH_CHARSET\t\n");
    QWidget form;
    auto* languageDE = Add<QLabel>(&form, "lblLanguageDE", "DE");
    auto* panel = Add<QLabel>(&form, "panelMain", "");
    auto* next = Add<QPushButton>(&form, "btnNext", "Weiter  >");
    auto* table = new TLanguageTable(&form, "T_main", content);
    table->SetActiveLanguage(lgItalian);
    EXPECT_EQ(languageDE->text(), "DE");
    EXPECT_EQ(panel->text(), "");
    EXPECT_EQ(next->text(), "Avanti >");
    EXPECT_EQ(languageDE->font().family(), "Verdana");       // fonts of the labels are translated
    EXPECT_FALSE(languageDE->property("charset").isValid()); // unknown name: nothing set
    EXPECT_TRUE(table->IsExcluded(stCaptions, "wzrdcntrlMain"));

    const auto excluded = [](const QString& formName, TSectionType section, const QString& key) {
        QWidget owner;
        return TLanguageTable(&owner, formName, {}).IsExcluded(section, key);
    };
    EXPECT_TRUE(excluded("T_welcome", stCaptions, "T_welcome"));
    EXPECT_TRUE(excluded("T_welcome", stFonts, "T_welcome"));
    EXPECT_TRUE(excluded("T_welcome", stCharSets, "T_welcome"));
    EXPECT_TRUE(excluded("T_welcome", stCaptions, "wizardpgWelcome"));
    EXPECT_TRUE(excluded("T_accountslist", stFonts, "T_accountslist"));
    EXPECT_FALSE(excluded("T_accountslist", stCharSets, "T_accountslist"));
    EXPECT_TRUE(excluded("T_accounttype", stCaptions, "rbOutlookExpress"));
    EXPECT_TRUE(excluded("T_accounttype", stCaptions, "rbWindowsMail"));
    EXPECT_FALSE(excluded("T_accounttype", stCaptions, "rbThunderbird"));
    EXPECT_TRUE(excluded("T_userdata", stCaptions, "lblDomain"));
    EXPECT_TRUE(excluded("T_setup", stOtherStrings, "progressSetup.Version"));
    EXPECT_TRUE(excluded("T_finished", stOtherStrings, "wzrdpgFinished.HelpTopic"));
    EXPECT_FALSE(excluded("T_closedialog", stCaptions, "T_closedialog"));
    EXPECT_FALSE(excluded("T_main", stCaptions, "T_main"));
}

TEST(LanguageApply, MultiLineHtmlOtherStringsAndTableColumns) {
    QWidget form;
    auto* welcome = Add<QLabel>(&form, "lblWelcome", "");
    auto* link = Add<QLabel>(&form, "lblLink", "");
    auto* table = new QTableWidget(1, 2, &form);
    table->setObjectName("tblList");
    auto* languageTable =
        new TLanguageTable(&form, "T_welcome", ParseLanguageTable(R"([stMultiLines]
lblWelcome.HTMLText	"<b>Hallo</b>"	"<b>Hello</b>"		
lblLink.Lines	"eins","zwei"	"one","two"		
[stOtherStrings]
lblLink.toolTip	Tipp	Tip		
[stCollections]
tblList.Columns[1].Caption	Spalte	Column		
tblList.Columns[7].Caption	X	X		
)"));
    languageTable->SetActiveLanguage(lgEnglish);
    EXPECT_EQ(welcome->textFormat(), Qt::RichText);
    EXPECT_EQ(welcome->text(), "<b>Hello</b>");
    EXPECT_EQ(link->text(), "one\ntwo");
    EXPECT_EQ(link->toolTip(), "Tip");
    EXPECT_EQ(table->horizontalHeaderItem(1)->text(), "Column");
    EXPECT_EQ(table->columnCount(), 2);

    // The compiled-in welcome text reaches the label as rich text.
    QWidget welcomeForm;
    auto* html = Add<QLabel>(&welcomeForm, "lblWelcome", "");
    auto* welcomeTable = new TLanguageTable(&welcomeForm, "T_welcome");
    welcomeTable->SetActiveLanguage(lgFrench);
    EXPECT_TRUE(html->text().startsWith("<FONT face=\"MS Sans Serif\">Bienvenue! "));
    EXPECT_TRUE(html->text().contains("<br><br><b>Veuillez fermer votre application e-mail avant "
                                      "de continuer.</b><br><br>"));
}

} // namespace
