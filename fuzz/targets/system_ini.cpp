// system.ini machine facts: every text gives facts (defaults for what it lacks), without
// undefined behaviour, and no two environment variables differ only in case.

#include "FormatTarget.h"

#include "platform/System.h"
#include "platform/WinPath.h"

#include <set>

namespace {

void Fuzz(std::string_view input) {
    const platform::TMachineFacts facts = platform::ParseMachineFacts(std::string(input), "/root");
    std::set<std::string> folded;
    for (const auto& entry : facts.Environment) {
        harness::Require(folded.insert(platform::detail::FoldCase(entry.first)).second,
                         "two environment variables differ only in case: " + entry.first);
    }
}

std::string Describe(const std::string& bytes, const std::string&) {
    const platform::TMachineFacts f = platform::ParseMachineFacts(bytes, "/root");
    std::string out;
    auto line = [&out](const std::string& key, const std::string& value) {
        out += key + "=" + value + "\n";
    };
    line("Platform", f.PlatformId == platform::TPlatformId::NT ? "NT" : "9x");
    line("Version", std::to_string(f.MajorVersion) + "." + std::to_string(f.MinorVersion) + "." +
                        std::to_string(f.BuildNumber));
    line("ServicePack", f.ServicePack);
    line("User", f.UserName);
    line("AppData", f.AppData);
    line("LocalAppData", f.LocalAppData);
    line("ProgramFiles", f.ProgramFiles);
    line("Temp", f.TempFolder);
    line("ModulePath", f.ModulePath);
    line("ProtectedStorage", f.ProtectedStorageAvailable ? "1" : "0");
    for (const auto& [name, value] : f.Environment) {
        line("%" + name + "%", value);
    }
    for (const auto& [from, to] : f.Redirections) {
        line("Redirect " + from, to.Host + ":" + std::to_string(to.Port));
    }
    for (const auto& file : f.ExtraCaFiles) {
        line("CAFile", file.string());
    }
    return out;
}

const harness::TRegistration Registered{{"system_ini", ".ini", &Fuzz, &Describe}};

} // namespace
