// Choosing the system root, and the wizard on the demo system made from the template.

#include "AppFixture.h"

#include "app/SystemRoot.h"

#include <platform/System.h>
#include <platform/SystemTemplate.h>

#include <QRadioButton>
#include <QTreeWidget>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

// Sets or clears an environment variable for the lifetime of the guard.
class TEnvironmentGuard {
public:
    TEnvironmentGuard(const char* name, const std::optional<std::string>& value) : Name_(name) {
        if (const char* old = std::getenv(name)) {
            Old_ = old;
        }
        Set(value);
    }
    ~TEnvironmentGuard() { Set(Old_); }
    TEnvironmentGuard(const TEnvironmentGuard&) = delete;
    TEnvironmentGuard& operator=(const TEnvironmentGuard&) = delete;

private:
    void Set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(Name_, value->c_str(), 1);
        } else {
            ::unsetenv(Name_);
        }
    }
    const char* Name_;
    std::optional<std::string> Old_;
};

// A temporary folder, removed with everything in it.
class TTempFolder {
public:
    TTempFolder() {
        Path_ = fs::temp_directory_path() /
                ("quenlix-root-" + std::to_string(::getpid()) + "-" + std::to_string(Count_++));
        fs::create_directories(Path_);
    }
    ~TTempFolder() {
        std::error_code ignored;
        fs::remove_all(Path_, ignored);
    }
    const fs::path& Path() const { return Path_; }

private:
    static inline int Count_ = 0;
    fs::path Path_;
};

TEST(SystemRootTest, TheNamedRootMustExist) {
    TTempFolder folder;
    {
        TEnvironmentGuard root("QUENLIX_SYSTEM_ROOT", folder.Path().string());
        EXPECT_EQ(app::ChooseSystemRoot(), folder.Path());
    }
    TEnvironmentGuard root("QUENLIX_SYSTEM_ROOT", (folder.Path() / "typo").string());
    EXPECT_THROW(app::ChooseSystemRoot(), app::ESystemRootError);
    EXPECT_FALSE(fs::exists(folder.Path() / "typo"));
}

TEST(SystemRootTest, WithoutANamedRootTheDemoSystemIsMadeOnce) {
    TTempFolder folder;
    TEnvironmentGuard root("QUENLIX_SYSTEM_ROOT", std::nullopt);
    TEnvironmentGuard data("XDG_DATA_HOME", folder.Path().string());
    const fs::path chosen = app::ChooseSystemRoot();
    EXPECT_EQ(chosen, app::DemoSystemRoot());
    EXPECT_EQ(chosen.filename(), "demo-system");
    EXPECT_TRUE(chosen.string().starts_with(folder.Path().string()));
    ASSERT_TRUE(fs::exists(chosen / "system.ini"));
    // A second start keeps the machine as the first run left it.
    fs::remove(chosen / "system.ini");
    EXPECT_EQ(app::ChooseSystemRoot(), chosen);
    EXPECT_FALSE(fs::exists(chosen / "system.ini"));
}

// The demo machine shows its Quenlix accounts, one each in Outlook Express, Outlook 2003, Windows
// Live Mail and Thunderbird (the other accounts are not the provider's).
class DemoSystemTest : public app_testing::TAppFixture {};

TEST_F(DemoSystemTest, TheDemoAccountIsOfferedForAdaptation) {
    TTempFolder folder;
    const fs::path root = folder.Path() / "system";
    platform::CreateSystemFromTemplate(app::DemoTemplateDir(), root);
    platform::InstallSystem(root);
    {
        Launch();
        ASSERT_TRUE(ClickNext());
        EXPECT_EQ(CurrentPage(), "AccountsList");
        const QTreeWidget* list = AccountsList().lvAccounts;
        ASSERT_EQ(list->topLevelItemCount(), 13);
        EXPECT_EQ(list->topLevelItem(0)->text(0), "Outlook Express");
        EXPECT_EQ(list->topLevelItem(1)->text(1), "anna.muster@quenlix.example");
        EXPECT_EQ(list->topLevelItem(3)->text(0), "Outlook 2003");
        EXPECT_EQ(list->topLevelItem(4)->text(0), "Quenlix mail");
        EXPECT_EQ(list->topLevelItem(4)->text(1), "anna.muster@quenlix.example");
        EXPECT_EQ(list->topLevelItem(6)->text(0), "Windows Live Mail");
        EXPECT_EQ(list->topLevelItem(7)->text(0), "Quenlix Mail");
        EXPECT_EQ(list->topLevelItem(7)->text(1), "anna.muster@quenlix.example");
        EXPECT_EQ(list->topLevelItem(9)->text(0), "Thunderbird");
        EXPECT_EQ(list->topLevelItem(10)->text(1), "anna.muster@quenlix.example");
        EXPECT_EQ(list->topLevelItem(12)->text(0), "Ein neues Konto hinzufügen");
        EXPECT_EQ(AccountType().rbOutlookExpress->x(), 52);
        EXPECT_EQ(AccountType().rbOfficeOutlook->x(), 202);
        EXPECT_EQ(AccountType().rbOfficeOutlook->text(), "Outlook 2003");
        EXPECT_EQ(AccountType().rbWindowsLiveMail->x(), 332);
        EXPECT_EQ(AccountType().rbThunderbird->x(), 482);
        ResetApplication();
    }
    platform::UninstallSystem();
}

} // namespace
