#include "lang/TranslatedMessage.h"
#include "lang/LanguageDispatcher.h"
#include "lang/LanguageTable.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

using namespace lang;

namespace {

QStringList Captions(const TTranslatedMessageDialog& dialog) {
    QStringList captions;
    for (const QPushButton* button : dialog.Buttons()) {
        captions.append(button->text());
    }
    return captions;
}

// A form with its compiled-in table, switched to a language.
struct TTranslatedForm {
    TTranslatedForm(const QString& formName, int language)
        : table(new TLanguageTable(&form, formName)) {
        table->SetActiveLanguage(language);
    }
    QWidget form;
    TLanguageTable* table;
};

TEST(TranslatedMessage, FrenchImapConfirmationOfTheMainWindow) {
    TTranslatedForm main("T_main", lgFrench);
    const QString text =
        main.table->GetTranslatedString("IDS_2") + "\r" + main.table->GetTranslatedString("IDS_5");
    QString title;
    QStringList captions;
    QString defaultCaption;
    std::optional<TMsgDlgBtn> escape;
    QString shownText;
    TMessageDialogHookGuard hook([&](TTranslatedMessageDialog& dialog) -> std::optional<int> {
        title = dialog.windowTitle();
        captions = Captions(dialog);
        defaultCaption = dialog.DefaultButton()->text();
        escape = dialog.EscapeButton();
        shownText = dialog.Text();
        return mrNo;
    });
    EXPECT_EQ(ShowTranslatedMessage(*main.table, text, mtConfirmation, {mbYes, mbNo}), mrNo);
    EXPECT_EQ(title, "Confirmation");
    EXPECT_EQ(captions, (QStringList{"&Oui", "&Non"}));
    EXPECT_EQ(defaultCaption, "&Oui");
    EXPECT_EQ(escape, mbNo);
    EXPECT_EQ(shownText, "Vous avez sélectionné un compte IMAP pour le transfert. Les comptes IMAP "
                         "ne peuvent pas actuellement\nSouhaitez-vous créer à présent un nouveau "
                         "compte POP?");

    main.table->SetActiveLanguage(lgItalian);
    ShowTranslatedMessage(*main.table, text, mtConfirmation, {mbNo, mbYes});
    EXPECT_EQ(title, "Conferma");
    EXPECT_EQ(captions, (QStringList{"&Si", "&No"})); // always in the fixed button order
}

TEST(TranslatedMessage, OtherTablesFallBackToGermanCaptions) {
    TTranslatedForm setup("T_setup", lgItalian);
    TTranslatedForm main("T_main", lgEnglish);
    QString title;
    QStringList captions;
    TMessageDialogHookGuard hook([&](TTranslatedMessageDialog& dialog) -> std::optional<int> {
        title = dialog.windowTitle();
        captions = Captions(dialog);
        return mrOk;
    });
    EXPECT_EQ(ShowTranslatedMessage(*setup.table, "x", mtInformation, {mbOK}), mrOk);
    EXPECT_EQ(title, "Informationen");
    EXPECT_EQ(captions, QStringList{"OK"});

    ShowTranslatedMessage(*main.table, "x", mtWarning,
                          {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll,
                           mbNoToAll, mbYesToAll, mbHelp});
    EXPECT_EQ(title, "Warnung");
    EXPECT_EQ(captions, (QStringList{"&Yes", "&No", "OK", "Abbrechen", "&Abbrechen", "&Wiederholen",
                                     "&Ignorieren", "&Alle", "&Alle Nein", "A&lle Ja", "&Hilfe"}));
    ShowTranslatedMessage(*main.table, "x", mtError, {mbOK});
    EXPECT_EQ(title, "Fehler");
}

TEST(TranslatedMessage, DefaultAndEscapeButtons) {
    TTranslatedForm main("T_main", lgGerman);
    const auto build = [&](TMsgDlgButtons buttons) {
        return std::make_unique<TTranslatedMessageDialog>(*main.table, "x", mtConfirmation,
                                                          buttons);
    };
    auto okCancel = build({mbOK, mbCancel, mbYes, mbNo});
    EXPECT_EQ(okCancel->DefaultButton(), okCancel->Button(mbOK));
    EXPECT_EQ(okCancel->EscapeButton(), mbCancel);
    auto yesNo = build({mbYes, mbNo});
    EXPECT_EQ(yesNo->DefaultButton(), yesNo->Button(mbYes));
    EXPECT_EQ(yesNo->EscapeButton(), mbNo);
    EXPECT_EQ(yesNo->Button(mbOK), nullptr);
    auto okOnly = build({mbOK});
    EXPECT_EQ(okOnly->EscapeButton(), mbOK);
    auto retry = build({mbRetry, mbAbort});
    EXPECT_EQ(retry->DefaultButton(), retry->Button(mbAbort)); // first in button order
    EXPECT_FALSE(retry->EscapeButton().has_value());
    auto none = build({});
    EXPECT_EQ(Captions(*none), QStringList{"OK"});
}

// The dialog really runs modally; a timer answers it like a user would.
TEST(TranslatedMessage, RunningDialogReturnsThePressedButton) {
    TTranslatedForm main("T_main", lgGerman);
    const auto answerWith = [&](std::function<void(TTranslatedMessageDialog&)> user,
                                TMsgDlgButtons buttons) {
        TMessageDialogHookGuard hook([&](TTranslatedMessageDialog& dialog) -> std::optional<int> {
            QTimer::singleShot(0, &dialog, [&dialog, user]() {
                EXPECT_TRUE(dialog.isVisible());
                EXPECT_TRUE(dialog.isModal());
                user(dialog);
            });
            return std::nullopt;
        });
        return ShowTranslatedMessage(*main.table, "Frage", mtConfirmation, buttons);
    };
    EXPECT_EQ(answerWith([](auto& dialog) { dialog.Button(mbNo)->click(); }, {mbYes, mbNo}), mrNo);
    EXPECT_EQ(answerWith([](auto& dialog) { dialog.Button(mbYes)->click(); }, {mbYes, mbNo}),
              mrYes);
    EXPECT_EQ(
        answerWith([](auto& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); }, {mbYes, mbNo}),
        mrNo);
    EXPECT_EQ(answerWith([](auto& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
                         {mbYes, mbNo, mbCancel}),
              mrCancel);
    EXPECT_EQ(
        answerWith([](auto& dialog) { QTest::keyClick(&dialog, Qt::Key_Return); }, {mbYes, mbNo}),
        mrYes);
    EXPECT_EQ(answerWith([](auto& dialog) { QTest::keyClick(&dialog, Qt::Key_Return); },
                         {mbOK, mbCancel}),
              mrOk);
}

TEST(TranslatedMessage, IconsArePaintedPerType) {
    const QImage confirm = MessageDialogIcon(mtConfirmation).toImage();
    const QImage error = MessageDialogIcon(mtError).toImage();
    EXPECT_EQ(confirm.size(), QSize(32, 32));
    EXPECT_NE(confirm, error);
    EXPECT_NE(confirm.pixelColor(16, 3).alpha(), 0);
    EXPECT_EQ(MessageDialogIcon(mtCustom).toImage().pixelColor(16, 16).alpha(), 0);
}

} // namespace
