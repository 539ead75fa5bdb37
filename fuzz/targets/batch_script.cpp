// Batch scripts of the self-removal: any text runs to an end (loops are bounded by the host),
// and a file name written with BatchFileArgument into a "del" line deletes exactly that file.

#include "FormatTarget.h"

#include "platform/BatchRunner.h"
#include "platform/WinPath.h"

namespace {

// Files whose name starts with "present" exist; every deletion succeeds; %TEMP% is set; a
// loop may run three more rounds.
class THost : public platform::TBatchHost {
public:
    std::vector<std::string> Deleted;

    bool FileExists(const std::string& path) override {
        const auto cut = path.find_last_of("\\:");
        const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
        return platform::detail::FoldCase(name).rfind("present", 0) == 0;
    }
    bool DeleteFile(const std::string& path) override {
        Deleted.push_back(path);
        return true;
    }
    std::optional<std::string> EnvironmentVariable(const std::string& name) override {
        if (platform::detail::SameTextNoCase(name, "TEMP")) {
            return std::string("C:\\Temp");
        }
        return std::nullopt;
    }
    bool MayLoopAgain() override { return Rounds++ < 3; }

private:
    int Rounds = 0;
};

const std::string BatchPath = "C:\\Temp\\sEM1A.bat";

void Fuzz(std::string_view input) {
    const std::string text(input);
    THost host;
    (void)platform::RunBatch(text, BatchPath, host);

    // The first line of the input as a file name, written quoted and unquoted.
    const std::string path = text.substr(0, text.find_first_of("\r\n"));
    for (const bool quote : {false, true}) {
        const std::string argument = platform::BatchFileArgument(path, quote);
        if (argument.empty()) {
            continue;
        }
        THost deleter;
        const platform::TBatchResult result =
            platform::RunBatch("del " + argument + "\r\n", BatchPath, deleter);
        harness::Require(result.Deleted == std::vector<std::string>{path},
                         "\"del " + argument + "\" does not delete exactly \"" + path + "\"");
    }
}

std::string Describe(const std::string& bytes, const std::string&) {
    THost host;
    const platform::TBatchResult result = platform::RunBatch(bytes, BatchPath, host);
    const char* const ends[] = {"completed", "label missing", "gave up"};
    std::string out = std::string("end: ") + ends[static_cast<int>(result.End)] + "\n";
    out += "commands: " + std::to_string(result.CommandsRun) + "\n";
    for (const std::string& path : result.Deleted) {
        out += "deleted: " + path + "\n";
    }
    return out;
}

const harness::TRegistration Registered{{"batch_script", ".bat", &Fuzz, &Describe}};

} // namespace
