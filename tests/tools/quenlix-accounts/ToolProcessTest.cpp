// The program itself: its system root from the environment, the password through a pipe, exit
// codes as a shell sees them. (Runs through the POSIX shell, so not part of a Windows build.)
#include "ToolExit.h"
#include "ToolTestSupport.h"

#include <clients/MailStores.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

namespace {

using namespace tool_testing;
namespace fs = std::filesystem;

struct TProcessResult {
    int Code = -1;
    std::string Out;
    std::string Err;
};

std::string ReadHostFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs the program through the shell: "<environment> quenlix-accounts <arguments>", with the
// input piped in. Arguments are given as the shell reads them.
TProcessResult RunProgram(const fs::path& folder, const std::string& environment,
                          const std::string& arguments, const std::string& input = "") {
    const fs::path in = folder / "stdin.txt";
    const fs::path out = folder / "stdout.txt";
    const fs::path err = folder / "stderr.txt";
    std::ofstream(in, std::ios::binary) << input;
    const std::string command = "env -u QUENLIX_SYSTEM_ROOT " + environment + " '" +
                                std::string(QUENLIX_ACCOUNTS_PROGRAM) + "' " + arguments + " <'" +
                                in.string() + "' >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    TProcessResult result;
    result.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Out = ReadHostFile(out);
    result.Err = ReadHostFile(err);
    for (const fs::path& file : {in, out, err}) {
        fs::remove(file);
    }
    return result;
}

class ToolProcessTest : public ::testing::Test {
protected:
    ToolProcessTest() : System_(ThunderbirdSystem(ProviderProfilePrefs(ProfileDirOf()))) {
        Scratch_ = System_->Root() / "scratch";
        fs::create_directories(Scratch_);
    }
    std::string Environment() const {
        return "QUENLIX_SYSTEM_ROOT='" + System_->Root().string() + "'";
    }
    std::unique_ptr<testing_support::TTestSystem> System_;
    fs::path Scratch_;
};

TEST_F(ToolProcessTest, HelpNeedsNoSystemAndDocumentsTheExitCodes) {
    const TProcessResult result = RunProgram(Scratch_, "", "--help");
    EXPECT_EQ(result.Code, accounts_tool::ecDone);
    EXPECT_NE(result.Out.find("Exit codes:\n  0  done"), std::string::npos);
    EXPECT_NE(result.Out.find("  5  the Windows system could not be read"), std::string::npos);
    EXPECT_EQ(result.Err, "");
}

TEST_F(ToolProcessTest, WithoutItsSystemItStopsAndSaysWhy) {
    const TProcessResult unset = RunProgram(Scratch_, "", "list");
    EXPECT_EQ(unset.Code, accounts_tool::ecSystemUnusable);
    EXPECT_EQ(unset.Err, "quenlix-accounts: QUENLIX_SYSTEM_ROOT is not set; it names the folder "
                         "of the Windows system to work on\n");
    const TProcessResult missing = RunProgram(
        Scratch_, "QUENLIX_SYSTEM_ROOT='" + (Scratch_ / "nothing").string() + "'", "list");
    EXPECT_EQ(missing.Code, accounts_tool::ecSystemUnusable);
    EXPECT_NE(missing.Err.find("which is not a folder"), std::string::npos) << missing.Err;
    EXPECT_FALSE(fs::exists(Scratch_ / "nothing"));
    const TProcessResult usage = RunProgram(Scratch_, Environment(), "add --password=x");
    EXPECT_EQ(usage.Code, accounts_tool::ecUsage);
}

TEST_F(ToolProcessTest, AddTakesThePasswordFromAPipeAndWritesTheAccount) {
    const std::string secret = "S3cret Pässwort!";
    const TProcessResult result = RunProgram(
        Scratch_, Environment(),
        "add --client thunderbird --name 'Berta Beispiel' --mailbox berta --password-stdin",
        secret + "\n");
    ASSERT_EQ(result.Code, accounts_tool::ecDone) << result.Err;
    EXPECT_EQ(result.Out.rfind("Added the Quenlix account berta@quenlix.example in Thunderbird", 0),
              0u)
        << result.Out;
    EXPECT_EQ(result.Out.find(secret), std::string::npos);
    EXPECT_EQ(result.Err, "");

    System_->Reinstall(); // sees what the other process wrote
    const TMailStores stores(false);
    TMailAccounts* thunderbird = stores.List()[siThunderbird];
    ASSERT_EQ(thunderbird->AccountCount(), 3); // Anna's two accounts before
    const TMailAccount* added = thunderbird->AccountByIndex(2);
    EXPECT_EQ(added->EmailAddress(), "berta@quenlix.example");
    EXPECT_EQ(added->AccountName(), "Berta Beispiel");
    EXPECT_EQ(added->Password(), secret);
}

} // namespace
