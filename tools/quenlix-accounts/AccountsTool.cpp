#include "AccountsTool.h"

#include "AccountListing.h"
#include "AccountWork.h"
#include "CommandLine.h"
#include "ToolExit.h"
#include "ToolHelp.h"

#include <accounts/Log.h>
#include <clients/MailStores.h>

#include <istream>
#include <ostream>

namespace accounts_tool {

namespace {

constexpr const char* ProgramName = "quenlix-accounts";

// The process's log on standard error while the guard lives (--verbose).
class TLogToStream {
public:
    TLogToStream(bool enabled, std::ostream& err) : Enabled_(enabled) {
        if (Enabled_) {
            AppLog().SetSink(
                [&err](const TLogEntry& entry) { err << FormatLogEntry(entry) << "\n"; });
            AppLog().SetEnabled(true);
        }
    }
    ~TLogToStream() {
        if (Enabled_) {
            AppLog().SetEnabled(false);
            AppLog().SetSink({});
        }
    }
    TLogToStream(const TLogToStream&) = delete;
    TLogToStream& operator=(const TLogToStream&) = delete;

private:
    bool Enabled_;
};

// The first line of standard input, without its line end, exactly as typed otherwise.
std::string ReadPassword(std::istream& in) {
    std::string line;
    if (!std::getline(in, line)) {
        throw EToolError(ecUsage, "no password came on standard input; write it there as one "
                                  "line (--password-stdin)");
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (TrimBlanksAndControls(line).empty()) {
        throw EToolError(ecUsage, "the password on standard input is empty");
    }
    return line;
}

int Run(const TToolOptions& options, std::istream& in, std::ostream& out,
        const std::function<void()>& installSystem) {
    if (options.Command == TToolCommand::Help) {
        out << HelpText();
        return ecDone;
    }
    TAccountRequest request;
    if (options.Command != TToolCommand::List) {
        request = AccountRequest(options, ReadPassword(in));
    }
    installSystem();
    const TMailStores stores(false);
    if (options.Command == TToolCommand::List) {
        const std::vector<TListedClient> clients = ListClients(stores.List());
        out << (options.Json ? FormatListJson(clients) : FormatListTable(clients));
        return ecDone;
    }
    out << DoAccountWork(request, stores.List());
    return ecDone;
}

} // namespace

int RunAccountsTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                    std::ostream& err, const std::function<void()>& installSystem) {
    try {
        const TToolOptions options = ParseCommandLine(args);
        const TLogToStream log(options.Verbose, err);
        return Run(options, in, out, installSystem);
    } catch (const EToolError& error) {
        err << ProgramName << ": " << error.what() << "\n";
        if (error.Code == ecUsage) {
            err << "Run \"" << ProgramName << " help\" to see how it is used.\n";
        }
        return error.Code;
    } catch (const std::exception& error) {
        err << ProgramName << ": " << error.what() << "\n";
        return ecSystemUnusable;
    }
}

} // namespace accounts_tool
