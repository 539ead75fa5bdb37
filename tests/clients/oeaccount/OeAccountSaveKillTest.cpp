// The whole save of a new default account (its folder, its file and "Default Mail Account")
// killed after each durable step of its commit and at random moments: after the next start the
// client has either the old configuration or the new one, never a file without its default value
// or a default value naming no file. QUENLIX_KILLS sets the number of random kills (20 here).

#include "OeAccountTestSupport.h"

#include "accounts/RegistryHelpers.h"
#include "platform/Files.h"
#include "platform/KillLoop.h"
#include "platform/Registry.h"
#include "platform/WriteJournal.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace oeaccount_test;
using platform_test::TChildEnd;

namespace {

int KillCount() {
    const char* text = std::getenv("QUENLIX_KILLS");
    const int kills = text == nullptr ? 0 : std::atoi(text);
    return kills > 0 ? kills : 20;
}

class OeAccountSaveKillTest : public OeAccountFixture {
protected:
    void SetUp() override {
        Install(TClient::WindowsLiveMail,
                InstallWith(&TInstall::ExtraHkcu, DefaultMailAccountReg("account{OLD}.oeaccount")));
        WriteAccount("Old\\account{OLD}.oeaccount", ClientPopAccount(Sealed("old")));
    }

    // The new account's save as the setup page makes it, in the store of this process.
    void SaveNewAccount() {
        TWindowsLiveMailAccounts store(false);
        auto& account = dynamic_cast<TPOPMailAccount&>(*store.AddAccount(
            AccountKindPOP, "anna.muster@quenlix.example", "anna.muster@quenlix.example", "pw"));
        account.SetIncomingServer("pop.quenlix.example");
        account.SetAccountKey("account{NEW}.oeaccount");
        account.SetIsDefault(true);
        account.Save();
    }

    // "old", "new", or what is wrong, as a program started now finds it.
    std::string StateAfterRestart() {
        platform::InstallSystem(System->Root());
        const std::string folder = StoreDir + "anna.muster@quenlix.example";
        const bool hasFolder = platform::DirectoryExists(folder);
        const auto bytes = platform::ReadFileBytes(folder + "\\account{NEW}.oeaccount");
        const std::string name = DefaultMailAccount();
        if (!hasFolder && !bytes && name == "account{OLD}.oeaccount") {
            return "old";
        }
        if (bytes && name == "account{NEW}.oeaccount") {
            const auto document = TOeAccountDocument::Parse(*bytes);
            if (document && UnprotectPassword(ReadBinaryValue(*document, "POP3_Password2", ""),
                                              FixtureSaltHex) == "pw") {
                return "new";
            }
            return "a torn account file";
        }
        return std::string("mixed: folder ") + (hasFolder ? "made" : "missing") + ", file " +
               (bytes ? "written" : "missing") + ", default " + name;
    }

    void PutBackTheOldState() {
        platform::DeleteFile(StoreDir + "anna.muster@quenlix.example\\account{NEW}.oeaccount");
        platform::RemoveDirectory(StoreDir + "anna.muster@quenlix.example");
        platform::TRegistry registry(platform::HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey("\\Software\\Microsoft\\IAM", false));
        registry.WriteString("Default Mail Account", "account{OLD}.oeaccount");
        registry.CloseKey();
        ASSERT_EQ(StateAfterRestart(), "old");
    }
};

TEST_F(OeAccountSaveKillTest, KilledAfterAnyStepOfItsCommitTheSaveIsWholeOrNotThere) {
    bool sawOld = false;
    bool sawNew = false;
    TChildEnd end = TChildEnd::Killed;
    for (int step = 1; end == TChildEnd::Killed; ++step) {
        ASSERT_LT(step, 200) << "the commit never ended";
        PutBackTheOldState();
        end = platform_test::RunInChild([&] {
            platform::detail::KillAtCommitStepForTesting(step);
            SaveNewAccount();
        });
        ASSERT_NE(end, TChildEnd::Failed) << "step " << step;
        const std::string state = StateAfterRestart();
        ASSERT_TRUE(state == "old" || state == "new") << "step " << step << ": " << state;
        sawOld = sawOld || state == "old";
        sawNew = sawNew || state == "new";
    }
    EXPECT_TRUE(sawOld);
    EXPECT_TRUE(sawNew);
}

TEST_F(OeAccountSaveKillTest, KilledAtRandomMomentsTheSaveIsWholeOrNotThere) {
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, 60000);
    for (int kill = 0; kill < KillCount(); ++kill) {
        PutBackTheOldState();
        platform_test::KillInChildAfter(std::chrono::microseconds(delay(random)),
                                        [&] { SaveNewAccount(); });
        const std::string state = StateAfterRestart();
        ASSERT_TRUE(state == "old" || state == "new") << "seed " << seed << ": " << state;
    }
}

} // namespace
