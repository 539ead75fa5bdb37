#include "SetupFixture.h"

#include "TestCertificate.h"
#include "app/SystemRoot.h"

#include <clients/mozilla/MozillaPasswords.h>
#include <clients/mozilla/MozillaPrefs.h>

#include <platform/System.h>
#include <platform/SystemTemplate.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>

#include <fstream>
#include <iterator>

namespace app_testing {

testing_support::TPop3Script AnnasMailbox() {
    testing_support::TPop3Script script;
    script.User = "anna.muster@quenlix.example";
    script.Password = "Geheim-42";
    return script;
}

void TSetupFixture::UseHostedService(testing_support::TPop3Script aScript, int aMajor, int aMinor,
                                     bool aTrusted) {
    const testing_support::TTestCertificate& certificate =
        testing_support::HostedServiceCertificate();
    Server_ = std::make_unique<testing_support::TTestPop3Server>(certificate, std::move(aScript));
    ASSERT_TRUE(Server_->Listen());
    const QByteArray trusted =
        aTrusted ? certificate.CertificatePem
                 : testing_support::MakeTestCertificate({QStringLiteral("pop.quenlix.example")})
                       .CertificatePem;
    UseHostedRoute(Server_->Port(), trusted, aMajor, aMinor);
}

void TSetupFixture::UseHostedRoute(quint16 aPort, const QByteArray& aTrustedPem, int aMajor,
                                   int aMinor) {
    UseSystem("[Windows]\nPlatform=NT\nMajor=" + std::to_string(aMajor) +
              "\nMinor=" + std::to_string(aMinor) +
              "\n[Network]\npop.quenlix.example:995=127.0.0.1:" + std::to_string(aPort) +
              "\n[TLS]\nCAFile=hosted-ca.pem\n");
    std::ofstream(System().Root() / "hosted-ca.pem", std::ios::binary) << aTrustedPem.toStdString();
}

void TSetupFixture::InstallDemoMachine(testing_support::TPop3Script aScript) {
    namespace fs = std::filesystem;
    const testing_support::TTestCertificate& certificate =
        testing_support::HostedServiceCertificate();
    Server_ = std::make_unique<testing_support::TTestPop3Server>(certificate, std::move(aScript));
    ASSERT_TRUE(Server_->Listen());
    DemoRoot_ = fs::temp_directory_path() /
                ("quenlix-demo-" + std::to_string(QCoreApplication::applicationPid()));
    fs::remove_all(DemoRoot_);
    platform::CreateSystemFromTemplate(app::DemoTemplateDir(), DemoRoot_);
    std::ifstream in(DemoRoot_ / "system.ini", std::ios::binary);
    std::string ini((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t network = ini.find("[Network]\n");
    ASSERT_NE(network, std::string::npos);
    ini.insert(network + 10,
               "pop.quenlix.example:995=127.0.0.1:" + std::to_string(Server_->Port()) + "\n");
    std::ofstream(DemoRoot_ / "system.ini", std::ios::binary)
        << ini << "\n[TLS]\nCAFile=hosted-ca.pem\n";
    std::ofstream(DemoRoot_ / "hosted-ca.pem", std::ios::binary)
        << certificate.CertificatePem.toStdString();
    platform::InstallSystem(DemoRoot_);
}

void TSetupFixture::UninstallDemoMachine() {
    platform::UninstallSystem();
    std::filesystem::remove_all(DemoRoot_);
}

void TSetupFixture::WalkToUserDataWithThunderbird(const QString& aName, const QString& aMailbox,
                                                  const QString& aPassword) {
    ASSERT_EQ(CurrentPage(), QStringLiteral("Welcome"));
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), QStringLiteral("AccountType"));
    QTest::mouseClick(AccountType().rbThunderbird, Qt::LeftButton);
    ASSERT_TRUE(AccountType().rbThunderbird->isChecked());
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), QStringLiteral("UserData"));
    FillUserData(aName, aMailbox, aPassword);
}

void TSetupFixture::WalkToUserDataThroughListedAccount(int aHeaderRow, const QString& aClient,
                                                       int aRow, const QString& aAddress) {
    Launch();
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), QStringLiteral("AccountsList"));
    const QTreeWidget* list = AccountsList().lvAccounts;
    ASSERT_GT(list->topLevelItemCount(), std::max(aHeaderRow, aRow));
    ASSERT_EQ(list->topLevelItem(aHeaderRow)->text(0), aClient);
    ASSERT_EQ(list->topLevelItem(aRow)->text(1), aAddress);
    ClickRow(aRow);
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), QStringLiteral("UserData")) << "the picked account is the target";
}

void TSetupFixture::SubmitAnnasUserData(const QString& aName) {
    FillUserData(aName, QStringLiteral("anna.muster"), QStringLiteral("Geheim-42"));
    ASSERT_TRUE(ClickNext());
}

TPrefs TSetupFixture::ReadPrefs() {
    TMozillaPrefsFile file;
    file.Load(ThunderbirdProfileDir() + "\\prefs.js");
    TPrefs prefs;
    for (std::size_t i = 0; i < file.Count(); ++i) {
        const TMozillaPreference& pref = file.Item(i);
        prefs[pref.Name] =
            pref.Kind == TMozillaPrefKind::String ? '"' + pref.Value + '"' : pref.Value;
    }
    return prefs;
}

std::vector<std::string> TSetupFixture::ReadSignons() {
    TMozillaPasswordsFile file(ThunderbirdProfileDir() + "\\signons.txt");
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < file.Count(); ++i) {
        const TMozillaPassword& entry = file.Entry(i);
        entries.push_back(entry.Scheme + " " + entry.User + " " + entry.Host + " " +
                          entry.Password);
    }
    return entries;
}

std::string TSetupFixture::Escaped(const std::string& aPath) {
    std::string text;
    for (char c : aPath) {
        text += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return text;
}

TPrefs ChangedPrefs(const TPrefs& aBefore, const TPrefs& aAfter) {
    TPrefs changed;
    for (const auto& [name, value] : aAfter) {
        const auto old = aBefore.find(name);
        if (old == aBefore.end() || old->second != value) {
            changed[name] = value;
        }
    }
    for (const auto& [name, value] : aBefore) {
        if (aAfter.find(name) == aAfter.end()) {
            changed[name] = "<deleted>";
        }
    }
    return changed;
}

} // namespace app_testing
