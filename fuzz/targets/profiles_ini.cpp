// profiles.ini (read only): any bytes give profiles and installations, never an error; the same
// text with CR LF line ends, behind a UTF-8 byte-order mark or saved as UTF-16 reads the same;
// a background-task list added to it changes nothing; and an installation is chosen by its own
// hash.

#include "FormatTarget.h"

#include "clients/mozilla/MozillaInstallHash.h"
#include "clients/mozilla/MozillaProfilesIni.h"
#include "platform/TextCodec.h"

namespace {

std::string Dump(const TMozillaProfilesIni& ini) {
    std::string out;
    for (const TMozillaProfileEntry& p : ini.Profiles) {
        out += "profile " + p.Name + " | " + p.Path + " | " +
               (p.IsRelative ? "relative" : "absolute") + (p.IsDefault ? " | default" : "") + "\n";
    }
    for (const TMozillaInstallEntry& install : ini.Installs) {
        out += "install " + install.Hash + " | " + install.DefaultPath + "\n";
    }
    return out;
}

std::string WithCrLf(std::string_view text) {
    std::string out;
    for (const char c : text) {
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return out;
}

std::string AsUtf16WithMark(std::string_view utf8) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : platform::Utf8ToUtf16(utf8)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

bool IsUtf16(std::string_view text) {
    return text.substr(0, 2) == "\xFF\xFE";
}

bool StartsWithMark(std::string_view text) {
    return text.substr(0, 3) == "\xEF\xBB\xBF" || IsUtf16(text);
}

const std::string BackgroundTasks = "\n[BackgroundTasksProfiles]\n"
                                    "MozillaBackgroundTask-D78BF5DD33499EC2-backgroundupdate="
                                    "zv4kbh2l.MozillaBackgroundTask-D78BF5DD33499EC2\n"
                                    "Path=Profiles/tasks\nDefault=1\n";

void RequireSameReadingOfVariants(std::string_view input, const std::string& read) {
    if (IsUtf16(input)) {
        return; // bytes of UTF-16 are no lines to change
    }
    harness::Require(Dump(ParseProfilesIni(WithCrLf(input))) == read,
                     "CR LF line ends read otherwise");
    harness::Require(Dump(ParseProfilesIni(std::string(input) + BackgroundTasks)) == read,
                     "a background-task list changes what is read");
    if (StartsWithMark(input)) {
        return;
    }
    harness::Require(Dump(ParseProfilesIni("\xEF\xBB\xBF" + std::string(input))) == read,
                     "a UTF-8 byte-order mark changes what is read");
    if (platform::Utf16ToUtf8(platform::Utf8ToUtf16(input)) == input) {
        harness::Require(Dump(ParseProfilesIni(AsUtf16WithMark(input))) == read,
                         "the same text in UTF-16 reads otherwise");
    }
}

void Fuzz(std::string_view input) {
    const TMozillaProfilesIni ini = ParseProfilesIni(input);
    RequireSameReadingOfVariants(input, Dump(ini));
    for (const TMozillaInstallEntry& install : ini.Installs) {
        harness::Require(!install.DefaultPath.empty(), "an installation names no profile");
        const TMozillaInstallEntry* chosen = ChooseInstall(ini, install.Hash);
        harness::Require(chosen != nullptr && chosen->DefaultPath == install.DefaultPath,
                         "an installation is not chosen by its own hash");
    }
    const TMozillaInstallEntry* first = ChooseInstall(ini, "");
    harness::Require(ini.Installs.empty() ? first == nullptr : first == &ini.Installs.front(),
                     "without a hash of its own the first installation is not chosen");
}

// The profiles and installations read, then the installation that a Thunderbird in the usual
// folder starts with.
std::string Describe(const std::string& bytes, const std::string&) {
    const TMozillaProfilesIni ini = ParseProfilesIni(bytes);
    std::string out = Dump(ini);
    const std::string folder = "C:\\Program Files\\Mozilla Thunderbird";
    const TMozillaInstallEntry* install = ChooseInstall(ini, MozillaInstallHash(folder));
    out += "started by " + folder + ": " +
           (install != nullptr ? install->Hash + " | " + install->DefaultPath : "no installation") +
           "\n";
    return out;
}

const harness::TRegistration Registered{{"profiles_ini", ".ini", &Fuzz, &Describe}};

} // namespace
