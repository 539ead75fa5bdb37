// What the setup page says when the credential check fails: "IDS_1" (the login data are wrong)
// only when the server refused the user name or the password, "IDS_2" (a technical problem)
// for everything else, in the page's language.
#include "SetupFixture.h"
#include "app/Pop3Client.h"
#include "lang/LanguageDispatcher.h"
#include "lang/LanguageTable.h"

#include <QLabel>
#include <QTcpServer>

#include <functional>
#include <string>

using namespace app_testing;
using testing_support::TPop3Script;

namespace {

class CredentialCheckTest;

struct TCheckCase {
    const char* Name;
    // Sets up the system and the hosted service before the wizard starts.
    std::function<void(CredentialCheckTest&)> Arrange;
    const char* Password;
    const char* ExpectedKey;
};

void PrintTo(const TCheckCase& aCase, std::ostream* aOut) {
    *aOut << aCase.Name;
}

class CredentialCheckTest : public TSetupFixture, public ::testing::WithParamInterface<TCheckCase> {
public:
    using TSetupFixture::UseHostedRoute;
    using TSetupFixture::UseHostedService;
};

quint16 ClosedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

TEST_P(CredentialCheckTest, ThePageSaysWhetherTheDataOrTheConnectionFailed) {
    const TCheckCase& row = GetParam();
    row.Arrange(*this);
    InstallThunderbird();
    Launch();
    Dm().popMain->SetTimeout(400); // for the silent server
    WalkToUserDataWithThunderbird(QStringLiteral("Anna Muster"), QStringLiteral("anna.muster"),
                                  QString::fromLatin1(row.Password));
    const std::string untouched = System().ReadFile(ThunderbirdProfileDir() + "\\prefs.js");
    ASSERT_TRUE(ClickNext());

    ASSERT_EQ(CurrentPage(), QStringLiteral("Setup"));
    EXPECT_EQ(Setup().State(), TSetupState::Failed);
    EXPECT_EQ(Setup().VerifyTextKey(), QString::fromLatin1(row.ExpectedKey));
    EXPECT_EQ(System().ReadFile(ThunderbirdProfileDir() + "\\prefs.js"), untouched);
    // The text follows the language, and each language has its own.
    for (int language : {lang::lgGerman, lang::lgItalian, lang::lgFrench}) {
        Dm().langDispMain->SetActiveLanguage(language);
        const lang::TLanguageRow* text =
            Setup().langMain->Content().FindRow(lang::stStrings, Setup().VerifyTextKey());
        ASSERT_NE(text, nullptr);
        ASSERT_FALSE(text->Cell(language).isEmpty()) << language;
        EXPECT_EQ(Setup().lblVerify->text(), text->Cell(language)) << language;
    }
}

const TCheckCase Cases[] = {
    {"WrongPassword", [](CredentialCheckTest& t) { t.UseHostedService(AnnasMailbox()); }, "wrong",
     "IDS_1"},
    {"UnknownUser",
     [](CredentialCheckTest& t) {
         TPop3Script script = AnnasMailbox();
         script.UserAnswer = "-ERR no such mailbox";
         t.UseHostedService(script);
     },
     "Geheim-42", "IDS_1"},
    {"RefusedConnection",
     [](CredentialCheckTest& t) {
         t.UseHostedRoute(ClosedPort(), testing_support::HostedServiceCertificate().CertificatePem);
     },
     "Geheim-42", "IDS_2"},
    {"UntrustedCertificate",
     [](CredentialCheckTest& t) { t.UseHostedService(AnnasMailbox(), 5, 1, false); }, "Geheim-42",
     "IDS_2"},
    {"SilentServer",
     [](CredentialCheckTest& t) {
         TPop3Script script = AnnasMailbox();
         script.SendGreeting = false;
         t.UseHostedService(script);
     },
     "Geheim-42", "IDS_2"},
    {"BusyGreeting",
     [](CredentialCheckTest& t) {
         TPop3Script script = AnnasMailbox();
         script.Greeting = "-ERR too many connections";
         t.UseHostedService(script);
     },
     "Geheim-42", "IDS_2"},
    {"NoAnswerToThePassword",
     [](CredentialCheckTest& t) {
         TPop3Script script = AnnasMailbox();
         script.AnswerPass = false;
         t.UseHostedService(script);
     },
     "Geheim-42", "IDS_2"},
};

INSTANTIATE_TEST_SUITE_P(Failures, CredentialCheckTest, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<TCheckCase>& info) {
                             return std::string(info.param.Name);
                         });

} // namespace
