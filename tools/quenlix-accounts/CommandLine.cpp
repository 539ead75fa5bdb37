#include "CommandLine.h"

#include "ToolExit.h"

#include <algorithm>
#include <array>
#include <set>

namespace accounts_tool {

namespace {

struct TOptionSpec {
    std::string_view Name;
    bool TakesValue;
};

constexpr std::array<TOptionSpec, 11> OptionSpecs = {{
    {"--json", false},
    {"--dry-run", false},
    {"--verbose", false},
    {"--client", true},
    {"--name", true},
    {"--mailbox", true},
    {"--address", true},
    {"--key", true},
    {"--password-stdin", false},
    {"--default", false},
    {"--no-default", false},
}};

constexpr std::array<std::pair<std::string_view, TMailClient>, 5> ClientNames = {{
    {"thunderbird", TMailClient::Thunderbird},
    {"outlook-express", TMailClient::OutlookExpress},
    {"outlook", TMailClient::Outlook},
    {"windows-mail", TMailClient::WindowsMail},
    {"windows-live-mail", TMailClient::WindowsLiveMail},
}};

constexpr std::string_view ClientChoices =
    "thunderbird, outlook-express, outlook, windows-mail or windows-live-mail";

[[noreturn]] void Usage(const std::string& message) {
    throw EToolError(ecUsage, message);
}

const TOptionSpec* FindOption(std::string_view name) {
    const auto found = std::find_if(OptionSpecs.begin(), OptionSpecs.end(),
                                    [name](const TOptionSpec& spec) { return spec.Name == name; });
    return found != OptionSpecs.end() ? &*found : nullptr;
}

std::set<std::string_view> AllowedOptions(TToolCommand command) {
    switch (command) {
    case TToolCommand::List:
        return {"--json", "--verbose"};
    case TToolCommand::Add:
        return {"--client",  "--name",       "--mailbox", "--password-stdin",
                "--default", "--no-default", "--dry-run", "--verbose"};
    case TToolCommand::Adapt:
        return {"--client",     "--name",    "--mailbox", "--password-stdin", "--default",
                "--no-default", "--dry-run", "--verbose", "--address",        "--key"};
    case TToolCommand::Help:
        break;
    }
    return {};
}

std::string CommandWord(TToolCommand command) {
    switch (command) {
    case TToolCommand::List:
        return "list";
    case TToolCommand::Add:
        return "add";
    case TToolCommand::Adapt:
        return "adapt";
    case TToolCommand::Help:
        break;
    }
    return "help";
}

TToolCommand ParseCommand(const std::string& word) {
    if (word == "list") {
        return TToolCommand::List;
    }
    if (word == "add") {
        return TToolCommand::Add;
    }
    if (word == "adapt") {
        return TToolCommand::Adapt;
    }
    if (word == "help") {
        return TToolCommand::Help;
    }
    if (!word.empty() && word[0] == '-') {
        Usage("the command (list, add, adapt or help) comes first, before any option");
    }
    Usage("unknown command \"" + word + "\"; the commands are list, add, adapt and help");
}

// Blanks and control characters only, or nothing at all.
bool IsBlank(const std::string& text) {
    return TrimBlanksAndControls(text).empty();
}

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

void Assign(TToolOptions& options, std::string_view name, const std::string& value) {
    if (name == "--json") {
        options.Json = true;
    } else if (name == "--dry-run") {
        options.DryRun = true;
    } else if (name == "--verbose") {
        options.Verbose = true;
    } else if (name == "--client") {
        options.Client = ClientFromName(value);
        if (!options.Client) {
            Usage("unknown client \"" + value + "\"; use " + std::string(ClientChoices));
        }
    } else if (name == "--name") {
        options.Name = value;
    } else if (name == "--mailbox") {
        options.Mailbox = value;
    } else if (name == "--address") {
        options.Address = value;
    } else if (name == "--key") {
        options.Key = value;
    } else if (name == "--password-stdin") {
        options.PasswordFromStdin = true;
    } else if (name == "--default" || name == "--no-default") {
        if (options.DefaultWish) {
            Usage("give either --default or --no-default, not both");
        }
        options.DefaultWish = name == "--default";
    }
}

void CheckAccountOptions(const TToolOptions& options, const std::set<std::string>& seen) {
    const std::string command = CommandWord(options.Command);
    if (!options.Client) {
        Usage(command + " needs --client: " + std::string(ClientChoices));
    }
    if (options.Command == TToolCommand::Adapt &&
        seen.count("--address") + seen.count("--key") != 1) {
        Usage("adapt needs the account: either --address or --key (see the list command)");
    }
    if (!seen.count("--name") || IsBlank(options.Name)) {
        Usage(command + " needs --name with the person's name");
    }
    if (!seen.count("--mailbox") || IsBlank(options.Mailbox.substr(0, options.Mailbox.find('@')))) {
        Usage(command + " needs --mailbox with the mailbox name (the part before \"@\")");
    }
    if (HasControlCharacter(options.Name) || HasControlCharacter(options.Mailbox)) {
        Usage("--name and --mailbox must not contain line breaks or other control characters");
    }
    if (!options.PasswordFromStdin) {
        Usage(command + " needs --password-stdin and the password as one line on standard input");
    }
}

} // namespace

std::optional<TMailClient> ClientFromName(std::string_view name) {
    for (const auto& [text, client] : ClientNames) {
        if (text == name) {
            return client;
        }
    }
    return std::nullopt;
}

std::string ClientOptionName(TMailClient client) {
    for (const auto& [text, known] : ClientNames) {
        if (known == client) {
            return std::string(text);
        }
    }
    return {};
}

TToolOptions ParseCommandLine(const std::vector<std::string>& args) {
    TToolOptions options;
    if (std::find_if(args.begin(), args.end(), [](const std::string& arg) {
            return arg == "--help" || arg == "-h";
        }) != args.end()) {
        return options;
    }
    if (args.empty()) {
        Usage("no command given; the commands are list, add, adapt and help");
    }
    options.Command = ParseCommand(args[0]);
    if (options.Command == TToolCommand::Help) {
        return options;
    }
    const std::set<std::string_view> allowed = AllowedOptions(options.Command);
    std::set<std::string> seen;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            Usage("unexpected argument number " + std::to_string(i + 1) +
                  "; everything after the command is an option starting with \"--\"");
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (name == "--password") {
            Usage("the password is never taken from the command line, where other users and "
                  "programs can read it: give --password-stdin and write it to standard input");
        }
        const TOptionSpec* spec = FindOption(name);
        if (spec == nullptr) {
            Usage("unknown option " + name);
        }
        if (!allowed.count(spec->Name)) {
            Usage(name + " is not an option of " + CommandWord(options.Command));
        }
        if (!seen.insert(name).second) {
            Usage(name + " is given twice");
        }
        std::string value;
        if (equals != std::string::npos) {
            if (!spec->TakesValue) {
                Usage(name + " takes no value");
            }
            value = arg.substr(equals + 1);
        } else if (spec->TakesValue) {
            if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) {
                Usage(name + " needs a value (a value starting with \"--\" is given as " + name +
                      "=VALUE)");
            }
            value = args[++i];
        }
        Assign(options, name, value);
    }
    if (options.Command != TToolCommand::List) {
        CheckAccountOptions(options, seen);
    }
    return options;
}

} // namespace accounts_tool
