// Every row of the compiled-in language tables, checked against texts typed here.
#include "lang/LanguageTableContent.h"

#include <gtest/gtest.h>

#include <vector>

using namespace lang;

namespace {

struct TExpectedRow {
    const char* Form;
    TSectionType Section;
    const char* Key;
    const char* German;
    const char* English;
    const char* Italian;
    const char* French;
};

const std::vector<TExpectedRow> ExpectedTexts = {
    {"T_main", stCaptions, "T_main",
     "Quenlix mail - Assistent zur Einrichtung Ihres E-Mail-Programms", "",
     "Assistente per l'attivazione del vostro programma e-mail",
     "Assistant d'installation de votre programme d'e-mail"},
    {"T_main", stCaptions, "btnPrevious", "<  Zurück", "< Back", "< Indietro", "< Retour"},
    {"T_main", stCaptions, "btnNext", "Weiter  >", "Next >", "Avanti >", "Poursuivre >"},
    {"T_main", stCaptions, "btnAbbort", "Abbrechen", "Cancel", "Annulla", "Annuler"},
    {"T_main", stCaptions, "btnRepeat", "Wiederholen", "Repeat", "Riprova", "Réessayer"},
    {"T_welcome", stCaptions, "lblHeader",
     "Willkommen beim Assistenten zur Einrichtung Ihres E-Mail-Programms", "",
     "Benvenuti nella procedura guidata per l’attivazione del vostro programma di posta "
     "elettronica",
     "Bienvenue sur l’assistant d’installation de votre programme d’e-mail"},
    {"T_accountslist", stCaptions, "lblHeader", "Auswahl des anzupassenden E-Mail-Kontos", "",
     "Scelta degli account e-mail da modificare", "Sélection du compte e-mail à modifier"},
    {"T_accountslist", stCaptions, "lblContent",
     "Der Assistent hat folgende Quenlix E-Mail-Konten gefunden. Wählen Sie das anzupassende Konto "
     "oder die "
     "Möglichkeit am Ende der Liste, ein neues Konto anzulegen und klicken Sie auf «Weiter»",
     "",
     "La procedura guidata ha individuato i seguenti account e-mail. Selezionate l’account da "
     "modificare o "
     "l’opzione per la creazione di un nuovo account alla fine dell’elenco e fate clic su «Avanti»",
     "L’assistant a trouvé les comptes e-mail Quenlix suivants. Sélectionnez le compte à modifier "
     "ou l’option de "
     "création d’un nouveau compte située en fin de liste, puis cliquez sur «Poursuivre»"},
    {"T_accountslist", stCaptions, "lblContent2",
     "Der Assistent hat folgende Quenlix E-Mail-Konten gefunden. Wählen Sie das anzupassende Konto "
     "und klicken Sie "
     "auf «Weiter».",
     "",
     "La procedura guidata ha individuato i seguenti account e-mail Quenlix. Selezionate l'account "
     "da modificare e "
     "fate clic su «Avanti».",
     "L'assistant a trouvé les comptes e-mail Quenlix suivants. Sélectionnez le compte à modifier, "
     "puis cliquez sur "
     "«Poursuivre»."},
    {"T_accountslist", stCollections, "lvAccounts.Columns[0].Caption", "Konto", "", "Account",
     "Compte"},
    {"T_accountslist", stCollections, "lvAccounts.Columns[1].Caption", "E-Mail-Adresse", "",
     "Indirizzo e-mail", "Adresse e-mail"},
    {"T_accountslist", stCollections, "lvAccounts.Columns[2].Caption", "Protokoll", "",
     "Protocollo", "Protocole"},
    {"T_accounttype", stCaptions, "lblHeader", "Auswahl des E-Mail-Programms", "",
     "Scelta del programma di posta elettronica", "Sélection du programme d’e-mail"},
    {"T_accounttype", stCaptions, "lblContent",
     "Geben Sie bitte an, in welchem E-Mail-Programm Sie das neue Konto anlegen möchten.", "",
     "Indicate in quale programma di posta elettronica desiderate creare il nuovo account.",
     "Indiquez dans quel programme d’e-mail vous souhaitez enregistrer le nouveau compte."},
    {"T_accounttype", stCaptions, "grpEmailApps", " E-Mail-Programm ", "",
     "Programma di posta elettronica", "Programme d’e-mail"},
    {"T_accounttype", stCaptions, "rbThunderbird", "Thunderbird", "", "", ""},
    {"T_accounttype", stCaptions, "rbWindowsLiveMail", "Windows Live Mail", "", "", ""},
    {"T_accounttype", stCaptions, "lblError",
     "Leider wurde auf Ihrem Computer kein E-Mail-Programm gefunden. Damit der Assistent Ihr "
     "Quenlix mail Konto "
     "anlegen kann, muss ein E-Mail-Programm installiert sein. Bitte installieren Sie ein "
     "E-Mail-Programm nach Ihrer "
     "Wahl und starten Sie dieses einmalig, um es zu initialisieren. Führen Sie anschliessend "
     "diesen Assistenten "
     "erneut aus, um Ihr Quenlix mail Konto anzulegen.",
     "Unfortunately an e-mail program could not be found on your computer. An e-mail program must "
     "be installed in "
     "order for the assistant to create your Quenlix mail account. Please install an e-mail "
     "program of your choice "
     "and start this once to initialize it. Then run this assistant again to create your Quenlix "
     "mail account.",
     "Siamo spiacenti: sul vostro computer non sono stati trovati programmi di posta elettronica. "
     "Per impostare "
     "l’account Quenlix mail con la procedura guidata, è necessario installare un programma di "
     "posta elettronica. "
     "Siete pregati di installare un programma di posta a vostra scelta e di avviarlo una prima "
     "volta per "
     "completare l’inizializzazione. Eseguite quindi nuovamente la procedura guidata per impostare "
     "l’account "
     "Quenlix mail.",
     "Malheureusement, aucun programme de messagerie n'a été trouvé sur votre ordinateur. Pour que "
     "l'assistant "
     "puisse configurer un compte de messagerie Quenlix mail, un programme de messagerie doit être "
     "installé. "
     "Veuillez installer le programme de messagerie de votre choix et démarrez le une fois afin de "
     "l'initialiser. "
     "Exécutez ensuite à nouveau l'assistant de configuration de votre compte de messagerie "
     "Quenlix mail."},
    {"T_userdata", stCaptions, "lblHeader", "Angabe der Benutzerdaten", "",
     "Indicazione dei dati utente", "Indication des données d’utilisateur"},
    {"T_userdata", stCaptions, "lblContent",
     "Geben Sie nun bitte die Benutzerdaten für Ihr Quenlix mail Konto an. Diese sind Ihr Name, "
     "Ihre "
     "E-Mail-Adresse sowie das entsprechende Passwort.",
     "",
     "Inserite ora i dati utente per l'account Quenlix mail. Ecco il vostro nome, l'indirizzo "
     "e-mail e la relativa "
     "password.",
     "Indiquez à présent les données d’utilisateur pour votre compte Quenlix mail. Celles-ci "
     "constituent votre nom, "
     "votre adresse e-mail ainsi que le mot de passe correspondant."},
    {"T_userdata", stCaptions, "grpUserdata", " Benutzerdaten ", "", " Dati utente ",
     " Données d’utilisateur "},
    {"T_userdata", stCaptions, "lblEmailAddress", "Ihre E-Mail-Adresse", "", "Indirizzo e-mail",
     "Votre adresse e-mail"},
    {"T_userdata", stCaptions, "lblPasswort1", "Ihr Passwort", "", "Password",
     "Votre mot de passe"},
    {"T_userdata", stCaptions, "lblPassword2", "Passwort bestätigen", "", "Conferma password",
     "Confirmer le mot de passe"},
    {"T_userdata", stCaptions, "lblPasswordcheck", "Passwörter stimmen nicht überein", "",
     "Le password non corrispondono", "Les mots de passe ne correspondent pas"},
    {"T_userdata", stCaptions, "chkStandard", "Dieses E-Mail-Konto als Standard verwenden", "",
     "Utilizzare questo conto e-mail come predefinito",
     "Utiliser ce compte e-mail comme compte par défaut"},
    {"T_userdata", stCaptions, "lblName", "Ihr Name", "", "Il vostro nome", "Votre nom "},
    {"T_setup", stCaptions, "lblHeader", "Einrichtung des E-Mail-Kontos", "",
     "Configurazione dell’account e-mail", "Installation du compte e-mail"},
    {"T_setup", stCaptions, "lblContent",
     "Ihr Konto wird angelegt. Bitte haben Sie einen kurzen Moment Geduld, bis der Vorgang "
     "abgeschlossen ist.",
     "", "È stato creato il vostro account. Si prega di pazientare fino al termine del processo.",
     "Votre compte est en cours de création. Veuillez patienter quelques instants jusqu’à la "
     "clôture de "
     "l’opération."},
    {"T_setup", stCaptions, "lblMigration", "Die Neuanlage wird durchgeführt...", "",
     "Creazione in corso...", "La création est en cours d'exécution..."},
    {"T_setup", stCaptions, "lblVerify",
     "Mit den angegebenen Benutzerdaten konnte eine erfolgreiche Anmeldung durchgeführt werden.",
     "", "", ""},
    {"T_setup", stCaptions, "lblWaiting", "Warte auf die Beendigung von Mozilla Thunderbird...", "",
     "In attesa della chiusura di Mozilla Thunderbird...",
     "J’attends l’arrêt de Mozilla Thunderbird..."},
    {"T_finished", stCaptions, "lblHeader", "Einrichtung erfolgreich beendet", "",
     "Configurazione riuscita", "Installation clôturée avec succès"},
    {"T_finished", stCaptions, "lblContent", "Ihr neues Konto wurde angelegt.", "",
     "È stato creato il nuovo account.", "Votre nouveau compte vient d’être créé."},
    {"T_finished", stCaptions, "lblSupporttool",
     "Wollen Sie in Zukunft von der automatischen Soforthilfe für Ihren Internetzugang "
     "profitieren? Der kostenlose "
     "Quenlix internet assistant behebt selbständig Fehler, wenn es mit dem Internetzugang oder "
     "mit E-Mail mal "
     "nicht klappen sollte.\n\nSie können den Quenlix internet assistant kostenlos herunterladen, "
     "indem Sie auf den "
     "folgenden Link klicken:\n",
     "",
     "Desiderate usufruire in futuro della consulenza automatica immediata per l’accesso ad "
     "Internet? Il Quenlix "
     "internet assistant gratis elimina autonomamente gli errori quando ci sono problemi con "
     "l’accesso a Internet o "
     "la posta elettronica.\n\nPotete scaricarlo gratis facendo clic sul seguente link:",
     "Souhaitez-vous à l'avenir bénéficier de l'aide immédiate automatique pour votre accès à "
     "Internet? Le Quenlix "
     "internet assistant gratuit supprime naturellement les dérangements si l'accès à Internet ou "
     "au programme "
     "d'e-mail ne devait pas fonctionner.\n\nVous pouvez télécharger gratuitement le Quenlix "
     "internet assistant en "
     "cliquant sur le lien suivant:"},
    {"T_finished", stCaptions, "lblSupporttoolLink", "Quenlix internet assistant herunterladen", "",
     "Scaricare il Quenlix internet assistant", "Télécharger le Quenlix internet assistant"},
    {"T_finished", stCaptions, "chkRemoveApplication",
     "Nach Beendigung den Assistenten vom System entfernen", "",
     "Rimuovere l'assistente alla fine dell'installazione dal sistema",
     "Supprimer l'assistant du système une fois terminé"},
    {"T_closedialog", stCaptions, "T_closedialog", "Bestätigung", "Confirmation", "Conferma",
     "Confirmation"},
    {"T_closedialog", stCaptions, "chkRemoveApplication",
     "Nach Beendigung den Assistenten vom System entfernen", "",
     "Rimuovere l'assistente alla fine dell'installazione dal sistema",
     "Supprimer l'assistant du système une fois terminé"},
    {"T_closedialog", stCaptions, "btnYes", "&Ja", "&Yes", "&Si", "&Oui"},
    {"T_closedialog", stCaptions, "btnNo", "&Nein", "&No", "&No", "&No"},
    {"T_closedialog", stCaptions, "lblConfirmation", "Wollen Sie die Applikation wirklich beenden?",
     "", "Vuole veramente terminare l'applicazione?",
     "Voulez-vous vraiment terminer l'application?"},

    {"T_main", stStrings, "IDS_2",
     "Sie haben ein IMAP-Konto für den Transfer ausgewählt. IMAP-Konten können derzeit nicht "
     "automatisch",
     "",
     "È stato selezionato per il trasferimento un account IMAP. Attualmente, gli account IMAP non",
     "Vous avez sélectionné un compte IMAP pour le transfert. Les comptes IMAP ne peuvent pas "
     "actuellement"},
    {"T_main", stStrings, "IDS_3",
     "eingerichtet werden. Sie haben jedoch die Möglichkeit, ein POP-Konto anzulegen. Ihre "
     "bestehenden",
     "", "possono essere configurati automaticamente. È però possibile creare un account POP.",
     "être paramétrés automatiquement. Vous avez toutefois la possibilité de créer un compte POP."},
    {"T_main", stStrings, "IDS_4",
     "Nachrichten können Sie dann in Ihrem E-Mail-Programm in das neue Konto verschieben.", "",
     "Potete trasferire gli attuali messaggi nel nuovo account.",
     "Vous pouvez déplacer vos messages existants sur le nouveau compte."},
    {"T_main", stStrings, "IDS_5", "Wollen Sie nun ein neues POP-Konto anlegen?", "",
     "Desiderate creare un nuovo account?",
     "Souhaitez-vous créer à présent un nouveau compte POP?"},
    {"T_accountslist", stStrings, "IDS_16", "Ein neues Konto hinzufügen", "",
     "Aggiungere un nuovo account", "Ajouter un nouveau compte"},
    {"T_setup", stStrings, "IDS_1",
     "Mit den angegebenen Benutzerdaten konnte keine erfolgreiche Anmeldung durchgeführt werden.",
     "",
     "Con i dati utente inseriti non è stato possibile effettuare la registrazione con successo.",
     "Les données d’utilisateur indiquées n’ont pas permis de réaliser l’enregistrement avec "
     "succès."},
    {"T_setup", stStrings, "IDS_8",
     "Damit Ihr E-Mail-Konto erfolgreich angepasst bzw. angelegt werden kann,", "",
     "Per modificare o creare correttamente il vostro account e-mail",
     "Afin d'adapter ou de créer avec succès votre compte e-mail,"},
    {"T_setup", stStrings, "IDS_9", "müssen Sie Mozilla Thunderbird vorübergehend beenden.", "",
     "è necessario chiudere temporaneamente Mozilla Thunderbird.",
     "vous devez momentanément arrêter Mozilla Thunderbird."},
    // Shown when the credential check fails for a technical reason, in every language.
    {"T_setup", stStrings, "IDS_2",
     "Es ist ein technisches Problem aufgetreten. Bitte versuchen Sie es noch einmal.",
     "A technical problem has occurred. Please try again.",
     "Si è verificato un problema tecnico. Vi preghiamo di riprovare.",
     "Un problème technique est survenu. Veuillez réessayer."},
    {"T_finished", stStrings, "IDS_0", "Beenden", "Close", "Terminare", "Fermer"},

    {"T_main", stFonts, "T_main", "MS Sans Serif", "", "", ""},
    {"T_main", stFonts, "lblLanguageDE", "Tahoma", "", "", ""},
    {"T_main", stFonts, "lblSpace1", "Tahoma", "", "", ""},
    {"T_main", stFonts, "lblLanguageFR", "Tahoma", "", "", ""},
    {"T_main", stFonts, "lblSP2", "Tahoma", "", "", ""},
    {"T_main", stFonts, "lblLanguageIT", "Tahoma", "", "", ""},
    {"T_welcome", stFonts, "lblHeader", "Arial", "", "", ""},
    {"T_accountslist", stFonts, "lblHeader", "Arial", "", "", ""},
    {"T_accounttype", stFonts, "T_accounttype", "MS Sans Serif", "Tahoma", "", "Tahoma"},
    {"T_accounttype", stFonts, "lblHeader", "Arial", "Tahoma", "", "Tahoma"},
    {"T_userdata", stFonts, "T_userdata", "MS Sans Serif", "MS Sans Serif", "MS Sans Serif",
     "MS Sans Serif"},
    {"T_userdata", stFonts, "lblHeader", "Arial", "", "", ""},
    {"T_userdata", stFonts, "lblPasswordcheck", "MS Sans Serif", "", "", ""},
    {"T_setup", stFonts, "T_setup", "MS Sans Serif", "", "", ""},
    {"T_setup", stFonts, "lblHeader", "Arial", "", "", ""},
    {"T_finished", stFonts, "T_finished", "MS Sans Serif", "", "", ""},
    {"T_finished", stFonts, "lblHeader", "Arial", "", "", ""},
    {"T_finished", stFonts, "lblSupporttoolLink", "MS Sans Serif", "", "", ""},
    {"T_closedialog", stFonts, "T_closedialog", "MS Sans Serif", "", "MS Sans Serif",
     "MS Sans Serif"},

    {"T_main", stCharSets, "T_main", "DEFAULT_CHARSET", "DEFAULT_CHARSET", "DEFAULT_CHARSET",
     "ANSI_CHARSET"},
    {"T_main", stCharSets, "lblLanguageDE", "DEFAULT_CHARSET", "DEFAULT_CHARSET", "DEFAULT_CHARSET",
     "ANSI_CHARSET"},
    {"T_main", stCharSets, "lblSpace1", "DEFAULT_CHARSET", "DEFAULT_CHARSET", "DEFAULT_CHARSET",
     "ANSI_CHARSET"},
    {"T_main", stCharSets, "lblLanguageFR", "DEFAULT_CHARSET", "DEFAULT_CHARSET", "DEFAULT_CHARSET",
     "ANSI_CHARSET"},
    {"T_main", stCharSets, "lblSP2", "DEFAULT_CHARSET", "DEFAULT_CHARSET", "DEFAULT_CHARSET",
     "ANSI_CHARSET"},
    {"T_main", stCharSets, "lblLanguageIT", "DEFAULT_CHARSET", "DEFAULT_CHARSET", "DEFAULT_CHARSET",
     "ANSI_CHARSET"},
    {"T_welcome", stCharSets, "lblHeader", "DEFAULT_CHARSET", "", "", ""},
    {"T_accountslist", stCharSets, "lblHeader", "DEFAULT_CHARSET", "", "", ""},
    {"T_accounttype", stCharSets, "T_accounttype", "DEFAULT_CHARSET", "DEFAULT_CHARSET",
     "DEFAULT_CHARSET", "ANSI_CHARSET"},
    {"T_accounttype", stCharSets, "lblHeader", "DEFAULT_CHARSET", "DEFAULT_CHARSET",
     "DEFAULT_CHARSET", "ANSI_CHARSET"},
    {"T_userdata", stCharSets, "T_userdata", "DEFAULT_CHARSET", "", "", ""},
    {"T_userdata", stCharSets, "lblHeader", "DEFAULT_CHARSET", "", "", ""},
    {"T_userdata", stCharSets, "lblPasswordcheck", "DEFAULT_CHARSET", "", "", ""},
    {"T_setup", stCharSets, "T_setup", "DEFAULT_CHARSET", "", "", ""},
    {"T_setup", stCharSets, "lblHeader", "DEFAULT_CHARSET", "", "", ""},
    {"T_finished", stCharSets, "T_finished", "DEFAULT_CHARSET", "", "", ""},
    {"T_finished", stCharSets, "lblHeader", "DEFAULT_CHARSET", "", "", ""},
    {"T_finished", stCharSets, "lblSupporttoolLink", "DEFAULT_CHARSET", "", "", ""},
    {"T_closedialog", stCharSets, "T_closedialog", "DEFAULT_CHARSET", "", "", ""},
};

struct TDialogCaption {
    const char* Key;
    const char* German;
    const char* English; // these three only in the main window's table
    const char* Italian;
    const char* French;
};

const std::vector<TDialogCaption> ExpectedDialogCaptions = {
    {"Warning", "Warnung", "", "", ""},
    {"Error", "Fehler", "", "", ""},
    {"Information", "Informationen", "", "", ""},
    {"Confirm", "Bestätigung", "Confirmation", "Conferma", "Confirmation"},
    {"Yes", "&Ja", "&Yes", "&Si", "&Oui"},
    {"No", "&Nein", "&No", "&No", "&Non"},
    {"OK", "OK", "", "", ""},
    {"Cancel", "Abbrechen", "", "", ""},
    {"Abort", "&Abbrechen", "", "", ""},
    {"Retry", "&Wiederholen", "", "", ""},
    {"Ignore", "&Ignorieren", "", "", ""},
    {"All", "&Alle", "", "", ""},
    {"No To All", "&Alle Nein", "", "", ""},
    {"Yes To All", "A&lle Ja", "", "", ""},
    {"Help", "&Hilfe", "", "", ""},
};

QStringList Cells(const char* german, const char* english, const char* italian,
                  const char* french) {
    return {QString::fromUtf8(german), QString::fromUtf8(english), QString::fromUtf8(italian),
            QString::fromUtf8(french)};
}

QString WelcomeHtml(const char* first, const char* second, const char* third) {
    return QStringLiteral("<FONT face=\"MS Sans Serif\">%1<br><br><b>%2</b><br><br>%3</FONT>")
        .arg(QString::fromUtf8(first), QString::fromUtf8(second), QString::fromUtf8(third));
}

TEST(LanguageTableTexts, EveryListedRowIsCompiledInWithItsExactText) {
    for (const TExpectedRow& expected : ExpectedTexts) {
        const TLanguageTableContent table = LoadLanguageTable(expected.Form);
        const TLanguageRow* row = table.FindRow(expected.Section, expected.Key);
        ASSERT_NE(row, nullptr) << expected.Form << " " << expected.Key;
        EXPECT_EQ(row->Key, QString::fromUtf8(expected.Key));
        EXPECT_EQ(row->Cells,
                  Cells(expected.German, expected.English, expected.Italian, expected.French))
            << expected.Form << " " << expected.Key;
    }
}

TEST(LanguageTableTexts, EveryTableHoldsTheFifteenDialogCaptions) {
    ASSERT_EQ(LanguageTableForms().size(), 8);
    for (const QString& form : LanguageTableForms()) {
        const TLanguageTableContent table = LoadLanguageTable(form);
        ASSERT_EQ(table.Rows(stDlgsCaptions).size(), 15) << form.toStdString();
        for (int i = 0; i < 15; ++i) {
            const TDialogCaption& expected = ExpectedDialogCaptions[i];
            const TLanguageRow& row = table.Rows(stDlgsCaptions)[i];
            EXPECT_EQ(row.Key, QString::fromUtf8(expected.Key));
            const QStringList cells = form == "T_main" ? Cells(expected.German, expected.English,
                                                               expected.Italian, expected.French)
                                                       : Cells(expected.German, "", "", "");
            EXPECT_EQ(row.Cells, cells) << form.toStdString() << " " << expected.Key;
        }
    }
}

TEST(LanguageTableTexts, EveryFontRowHasItsCharSetRowAndNoOthers) {
    int fontRows = 0;
    for (const QString& form : LanguageTableForms()) {
        const TLanguageTableContent table = LoadLanguageTable(form);
        const auto& fonts = table.Rows(stFonts);
        const auto& charsets = table.Rows(stCharSets);
        ASSERT_EQ(fonts.size(), charsets.size()) << form.toStdString();
        for (int i = 0; i < fonts.size(); ++i) {
            EXPECT_EQ(fonts[i].Key, charsets[i].Key);
        }
        fontRows += fonts.size();
        for (TSectionType empty : {stHints, stDisplayLabels, stOtherStrings, stLocales}) {
            EXPECT_TRUE(table.Rows(empty).isEmpty()) << form.toStdString();
        }
    }
    EXPECT_EQ(fontRows, 19);
}

TEST(LanguageTableTexts, WelcomeTextIsOneHtmlLinePerLanguage) {
    const TLanguageTableContent table = LoadLanguageTable("T_welcome");
    ASSERT_EQ(table.Rows(stMultiLines).size(), 1);
    const TLanguageRow& row = table.Rows(stMultiLines)[0];
    EXPECT_EQ(row.Key, "lblWelcome.HTMLText");
    EXPECT_EQ(row.Cell(2), "");
    EXPECT_EQ(
        DecodeMultiLine(row.Cell(1)),
        QStringList{WelcomeHtml("Herzlich willkommen! Dieser Assistent hilft Ihnen, in Ihrem "
                                "E-Mail-Programm ein neues Quenlix mail "
                                "Konto anzulegen. Voraussetzung dafür ist, dass Sie Ihr Quenlix "
                                "mail Konto vorgängig erfolgreich "
                                "registriert haben.",
                                "Bitte schliessen Sie Ihr E-Mail-Programm, bevor Sie fortfahren.",
                                "Wenn Sie mit der Anpassung bzw. Erstellung Ihres E-Mail-Kontos "
                                "beginnen wollen, klicken Sie unten "
                                "bitte auf «Weiter»")});
    EXPECT_EQ(
        DecodeMultiLine(row.Cell(3)),
        QStringList{WelcomeHtml(
            "Benvenuti! La procedura guidata vi aiuterà a creare un nuovo account Quenlix mail nel "
            "vostro "
            "programma e-mail. La condizione è la registrazione del vostro account Quenlix mail.",
            "La preghiamo di chiudere il vostro programme e-mail prima di continuare.",
            "Se desiderate avviare la modifica o la creazione di un account e-mail fate clic su "
            "«Avanti»")});
    EXPECT_EQ(
        DecodeMultiLine(row.Cell(4)),
        QStringList{WelcomeHtml("Bienvenue! Cet assistant vous aide à créer un nouveau compte "
                                "Quenlix mail dans votre application "
                                "e-mail. La précondition est que vous ayez préalablement registré "
                                "votre compte Quenlix mail avec "
                                "succès.",
                                "Veuillez fermer votre application e-mail avant de continuer.",
                                "Si vous souhaitez démarrer avec la modification ou la création "
                                "d’un compte e-mail, veuillez "
                                "cliquer en bas sur «Poursuivre»")});
}

TEST(LanguageTableFormat, ParsesSectionsEscapesAndShortRows) {
    const TLanguageTableContent table = ParseLanguageTable(
        "# comment\r\n[stCaptions]\r\nlblA\tEins\\nZwei\t\tUno\\\\\n\n[stStrings]\nIDS_1\tA\\tB\n");
    ASSERT_EQ(table.Rows(stCaptions).size(), 1);
    EXPECT_EQ(table.Rows(stCaptions)[0].Cells, (QStringList{"Eins\nZwei", "", "Uno\\"}));
    EXPECT_EQ(table.Rows(stCaptions)[0].Cell(4), ""); // missing trailing cell
    EXPECT_EQ(table.FindRow(stStrings, "ids_1")->Cell(1), "A\tB");
    EXPECT_EQ(table.FindRow(stStrings, "IDS_2"), nullptr);

    EXPECT_THROW(ParseLanguageTable("[stNothing]\n"), ELanguageTableError);
    EXPECT_THROW(ParseLanguageTable("key\tvalue\n"), ELanguageTableError);
    EXPECT_THROW(ParseLanguageTable("[stStrings]\nk\tbad \\q\n"), ELanguageTableError);
    EXPECT_TRUE(LoadLanguageTable("T_nosuchform").IsEmpty());
}

TEST(LanguageTableFormat, MultiLineTextsRoundTrip) {
    EXPECT_EQ(DecodeMultiLine(R"("a ""quoted"" word","b, c",plain)"),
              (QStringList{"a \"quoted\" word", "b, c", "plain"}));
    EXPECT_EQ(DecodeMultiLine(R"("one",)"), (QStringList{"one", ""}));
    EXPECT_TRUE(DecodeMultiLine("").isEmpty());
    const QStringList lines{"<FONT face=\"x\">", "", "line, with comma"};
    EXPECT_EQ(DecodeMultiLine(EncodeMultiLine(lines)), lines);
}

} // namespace
