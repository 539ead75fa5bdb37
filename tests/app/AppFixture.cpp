#include "AppFixture.h"

#include <platform/Registry.h>
#include <platform/System.h>
#include <platform/SystemInfo.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <sstream>

namespace app_testing {

// ---- TStandInStore ----------------------------------------------------------------------------

TStandInStore::TStandInStore(const std::string& clientName, bool installed) : TMailAccounts(false) {
    SetClientName(clientName);
    SetInstalled(installed);
    auto profile = std::make_unique<TMailProfile>(this, "", "Main Identity", "");
    profile->SetIsDefaultProfile(true);
    AppendProfile(std::move(profile));
}

TStandInStore::~TStandInStore() {
    SetMonitoring(false);
}

template <class TAccount>
TAccount& TStandInStore::Add(const std::string& accountName, const std::string& address,
                             bool isDefault) {
    TMailProfile* profile = DefaultProfile();
    auto account = std::make_unique<TAccount>(profile);
    account->SetAccountKey(NewAccountKey(profile));
    account->SetAccountName(accountName);
    account->SetEmailAddress(address);
    account->AssignIsDefault(isDefault);
    return static_cast<TAccount&>(*profile->AppendAccount(std::move(account)));
}

TPOPMailAccount& TStandInStore::AddPop(const std::string& accountName, const std::string& address,
                                       bool isDefault) {
    return Add<TPOPMailAccount>(accountName, address, isDefault);
}

TIMAPMailAccount& TStandInStore::AddImap(const std::string& accountName, const std::string& address,
                                         bool isDefault) {
    return Add<TIMAPMailAccount>(accountName, address, isDefault);
}

std::string TStandInStore::NewAccountKey(TMailProfile* profile) {
    const int count = profile != nullptr ? profile->AccountCount() : 0;
    return "account" + std::to_string(count + 1);
}

// ---- TAppFixture ------------------------------------------------------------------------------

TAppFixture::TAppFixture() = default;

TAppFixture::~TAppFixture() {
    // The application's stores refer to the system; they go first.
    App_.reset();
    System_.reset();
}

testing_support::TTestSystem& TAppFixture::System() {
    if (!System_) {
        System_ = std::make_unique<testing_support::TTestSystem>();
    }
    return *System_;
}

void TAppFixture::UseSystem(const std::string& systemIni, const std::string& hklmReg,
                            const std::string& hkcuReg) {
    App_.reset();
    System_.reset();
    System_ = std::make_unique<testing_support::TTestSystem>(systemIni, hklmReg, hkcuReg);
}

std::string TAppFixture::ThunderbirdExe() {
    return "C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe";
}

std::string TAppFixture::ThunderbirdProfileDir() {
    System();
    return platform::GetSpecialFolderPath(platform::CSIDL_APPDATA) +
           "\\Thunderbird\\Profiles\\t3st0001.default";
}

void TAppFixture::InstallThunderbird(const std::string& prefsJs, const std::string& signons) {
    testing_support::TTestSystem& system = System();
    system.WritePe(ThunderbirdExe(), 2, 0, 0, 24);
    platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
    registry.OpenKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\thunderbird.exe",
                     true);
    registry.WriteString("", ThunderbirdExe());
    registry.WriteString("Path", "C:\\Program Files\\Mozilla Thunderbird");
    registry.CloseKey();

    const std::string appData = platform::GetSpecialFolderPath(platform::CSIDL_APPDATA);
    system.WriteFile(appData + "\\Thunderbird\\profiles.ini",
                     "[General]\r\nStartWithLastProfile=1\r\n\r\n[Profile0]\r\nName=default\r\n"
                     "IsRelative=1\r\nPath=Profiles/t3st0001.default\r\nDefault=1\r\n");
    system.WriteFile(ThunderbirdProfileDir() + "\\prefs.js",
                     prefsJs.empty() ? "# Mozilla User Preferences\n\n" : prefsJs);
    if (!signons.empty()) {
        system.WriteFile(ThunderbirdProfileDir() + "\\signons.txt", signons);
    }
}

std::string TAppFixture::ThunderbirdPrefs(const std::vector<TThunderbirdAccount>& accounts,
                                          int defaultIndex) {
    std::ostringstream prefs;
    const auto pref = [&prefs](const std::string& name, const std::string& value) {
        prefs << "user_pref(\"" << name << "\", \"" << value << "\");\n";
    };
    prefs << "# Mozilla User Preferences\n\n";
    std::string list;
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        const std::string n = std::to_string(i + 2);
        const TThunderbirdAccount& account = accounts[i];
        pref("mail.account.account" + n + ".identities", "id" + n);
        pref("mail.account.account" + n + ".server", "server" + n);
        pref("mail.identity.id" + n + ".fullName", account.FullName);
        pref("mail.identity.id" + n + ".useremail", account.Address);
        pref("mail.identity.id" + n + ".smtpServer", "smtp1");
        pref("mail.server.server" + n + ".hostname", account.Host);
        pref("mail.server.server" + n + ".name", account.Address);
        pref("mail.server.server" + n + ".type", account.Imap ? "imap" : "pop3");
        pref("mail.server.server" + n + ".userName", account.Address);
        list += "account" + n + ",";
    }
    pref("mail.account.account1.server", "server1");
    pref("mail.accountmanager.accounts", list + "account1");
    if (!accounts.empty()) {
        pref("mail.accountmanager.defaultaccount", "account" + std::to_string(defaultIndex + 2));
    }
    pref("mail.accountmanager.localfoldersserver", "server1");
    pref("mail.server.server1.hostname", "Local Folders");
    pref("mail.server.server1.name", "Local Folders");
    pref("mail.server.server1.type", "none");
    pref("mail.server.server1.userName", "nobody");
    pref("mail.smtp.defaultserver", "smtp1");
    pref("mail.smtpserver.smtp1.hostname", "smtp.example.org");
    pref("mail.smtpservers", "smtp1");
    return prefs.str();
}

void TAppFixture::Launch(std::function<void(T_dm&)> replaceStores) {
    if (!platform::SystemInstalled()) {
        System();
    }
    App_ = std::make_unique<app::TWizardApplication>();
    if (replaceStores) {
        App_->OnStoresCreated = [this, replaceStores]() {
            replaceStores(App_->Dm());
        };
    }
    App_->Start();
    Main().show();
    QApplication::setActiveWindow(&Main());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Main()));
}

void TAppFixture::ResetApplication() {
    App_.reset();
}

bool TAppFixture::ClickNext() {
    QPushButton* next = Main().btnNext;
    if (!next->isVisible() || !next->isEnabled()) {
        return false;
    }
    QTest::mouseClick(next, Qt::LeftButton);
    return true;
}

bool TAppFixture::ClickPrevious() {
    QPushButton* previous = Main().btnPrevious;
    if (!previous->isVisible() || !previous->isEnabled()) {
        return false;
    }
    QTest::mouseClick(previous, Qt::LeftButton);
    return true;
}

QString TAppFixture::CurrentPage() const {
    return Main().wzrdcntrlMain->CurrentPageName();
}

app::TWizardPage* TAppFixture::Page(const QString& name) const {
    return Main().wzrdcntrlMain->FindPage(name);
}

void TAppFixture::ClickRow(int row) {
    QTreeWidget* list = AccountsList().lvAccounts;
    QTreeWidgetItem* item = list->topLevelItem(row);
    ASSERT_NE(item, nullptr) << "no row " << row;
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

void TAppFixture::SaveScreenshot(const QString& name) {
    const QString folder = QCoreApplication::applicationDirPath() + "/screenshots";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QPixmap shot = Main().grab();
    EXPECT_EQ(shot.size(), QSize(640, 438));
    EXPECT_TRUE(shot.save(folder + "/" + name + ".png")) << name.toStdString();
}

void TAppFixture::FillUserData(const QString& name, const QString& mailbox,
                               const QString& password) {
    UserData().editName->setText(name);
    UserData().editEmailAddress->setText(mailbox);
    UserData().editPasswort1->setText(password);
    UserData().editPassword2->setText(password);
}

} // namespace app_testing
