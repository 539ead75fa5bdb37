// The command line: what each command takes, and errors that say what is wrong without ever
// repeating a value, which could be a password typed in the wrong place.
#include "CommandLine.h"
#include "ToolExit.h"

#include <gtest/gtest.h>

namespace {

using namespace accounts_tool;

using TArgs = std::vector<std::string>;

const TArgs AddArgs = {"add",
                       "--client",
                       "thunderbird",
                       "--name",
                       "Anna M.",
                       "--mailbox=anna.muster",
                       "--password-stdin"};

TEST(CommandLineTest, EachCommandTakesItsOptions) {
    const TToolOptions add = ParseCommandLine(AddArgs);
    EXPECT_EQ(add.Command, TToolCommand::Add);
    EXPECT_EQ(add.Client, TMailClient::Thunderbird);
    EXPECT_EQ(add.Name, "Anna M.");
    EXPECT_EQ(add.Mailbox, "anna.muster");
    EXPECT_TRUE(add.PasswordFromStdin);
    EXPECT_FALSE(add.DefaultWish.has_value());
    EXPECT_FALSE(add.DryRun);

    const TToolOptions adapt = ParseCommandLine(
        {"adapt", "--client", "outlook", "--key=00000002", "--name", "A", "--mailbox", "a",
         "--password-stdin", "--no-default", "--dry-run", "--verbose"});
    EXPECT_EQ(adapt.Command, TToolCommand::Adapt);
    EXPECT_EQ(adapt.Client, TMailClient::Outlook);
    EXPECT_EQ(adapt.Key, "00000002");
    EXPECT_FALSE(adapt.Address.has_value());
    EXPECT_EQ(adapt.DefaultWish, false);
    EXPECT_TRUE(adapt.DryRun);
    EXPECT_TRUE(adapt.Verbose);

    EXPECT_TRUE(ParseCommandLine({"list", "--json"}).Json);
    EXPECT_EQ(ParseCommandLine({"list", "--help"}).Command, TToolCommand::Help);
    EXPECT_EQ(ParseCommandLine({"-h"}).Command, TToolCommand::Help);
    EXPECT_EQ(ParseCommandLine({"help"}).Command, TToolCommand::Help);
}

TEST(CommandLineTest, EveryClientHasItsName) {
    for (const TMailClient client :
         {TMailClient::OutlookExpress, TMailClient::Outlook, TMailClient::WindowsMail,
          TMailClient::WindowsLiveMail, TMailClient::Thunderbird}) {
        EXPECT_EQ(ClientFromName(ClientOptionName(client)), client);
    }
    EXPECT_FALSE(ClientFromName("Thunderbird").has_value()); // the names are exact
}

// The text of the usage error the arguments make; a failure when they are accepted.
std::string UsageError(const TArgs& args) {
    try {
        ParseCommandLine(args);
    } catch (const EToolError& error) {
        EXPECT_EQ(error.Code, ecUsage) << error.what();
        return error.what();
    }
    ADD_FAILURE() << "accepted " << args.size() << " arguments";
    return "";
}

struct TUsageCase {
    TArgs Args;
    const char* Says; // a part of the message
};

TEST(CommandLineTest, MistakesAreUsageErrorsThatSayWhatIsWrong) {
    const auto with = [](TArgs args, std::initializer_list<std::string> more) {
        args.insert(args.end(), more);
        return args;
    };
    const auto without = [](TArgs args, const std::string& option) {
        const auto at = std::find(args.begin(), args.end(), option);
        args.erase(at, at + (option == "--password-stdin" ? 1 : 2));
        return args;
    };
    const TUsageCase cases[] = {
        {{}, "no command"},
        {{"remove"}, "unknown command \"remove\""},
        {{"--json", "list"}, "comes first"},
        {{"list", "--client", "thunderbird"}, "--client is not an option of list"},
        {{"list", "--json", "--json"}, "given twice"},
        {{"list", "--json=yes"}, "takes no value"},
        {with(AddArgs, {"--frobnicate"}), "unknown option --frobnicate"},
        {without(AddArgs, "--client"), "needs --client"},
        {without(AddArgs, "--name"), "needs --name"},
        {without(AddArgs, "--password-stdin"), "needs --password-stdin"},
        {{"add", "--client", "netscape"}, "unknown client \"netscape\""},
        {{"add", "--client", "--name", "A"}, "--client needs a value"},
        {with(AddArgs, {"--default", "--no-default"}), "not both"},
        {with(AddArgs, {"--address", "a@b"}), "--address is not an option of add"},
        {{"add", "--client=thunderbird", "--name", " \t", "--mailbox", "a", "--password-stdin"},
         "needs --name"},
        {{"add", "--client=thunderbird", "--name", "A", "--mailbox", "@quenlix.example",
          "--password-stdin"},
         "needs --mailbox"},
        {{"add", "--client=thunderbird", "--name", "A\nB", "--mailbox", "a", "--password-stdin"},
         "control characters"},
        {{"adapt", "--client=outlook", "--name", "A", "--mailbox", "a", "--password-stdin"},
         "either --address or --key"},
        {{"adapt", "--client=outlook", "--key=1", "--address=a@b", "--name", "A", "--mailbox", "a",
          "--password-stdin"},
         "either --address or --key"},
    };
    for (const TUsageCase& row : cases) {
        const std::string said = UsageError(row.Args);
        EXPECT_NE(said.find(row.Says), std::string::npos) << row.Says << ": " << said;
    }
}

TEST(CommandLineTest, APasswordOnTheCommandLineIsRefusedAndNeverRepeated) {
    const std::string secret = "Geheim-42";
    const TArgs cases[] = {
        {"add", "--password=" + secret},
        {"add", "--password", secret},
        {"add", "--client", "thunderbird", "--passwort=" + secret},
        {"add", "--client", "thunderbird", secret},
        {"list", "--json=" + secret},
    };
    for (const TArgs& args : cases) {
        EXPECT_EQ(UsageError(args).find(secret), std::string::npos);
    }
}

} // namespace
