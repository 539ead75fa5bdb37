#pragma once
// The simulated Windows system: a host directory holding a machine's registry, drive and facts.
// Like the operating system it stands in for, it is process-wide: installed once, then every
// platform function acts on it. Safe to call from several threads.

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

class ESystemError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TPlatformId { Win9x = 1, NT = 2 };

// Loopback target of a redirected host:port (network redirections of system.ini).
struct TRedirection {
    std::string Host;
    int Port = 0;
};

// The security identifier of the simulated user when system.ini names none.
inline constexpr const char* DefaultUserSid = "S-1-5-21-2184761902-3041298574-1587432609-1000";

// Machine facts from <root>/system.ini, with the defaults of the Windows version for anything
// missing (Windows XP SP3, user "User").
struct TMachineFacts {
    TPlatformId PlatformId = TPlatformId::NT;
    int MajorVersion = 5;
    int MinorVersion = 1;
    int BuildNumber = 2600;
    std::string ServicePack = "Service Pack 3";
    std::string UserName = "User";
    std::string AppData;      // CSIDL 26
    std::string LocalAppData; // CSIDL 28
    std::string ProgramFiles; // CSIDL 38
    std::string TempFolder;   // with trailing backslash, as GetTempPath answers
    std::string ModulePath;   // the running program's executable on the simulated drive
    bool ProtectedStorageAvailable = true;
    std::string UserSid = DefaultUserSid; // the user's security identifier ("S-1-5-21-...")
    int AnsiCodePage = 1252;              // 1250 and 1252 are known (platform/CodePage.h)
    std::map<std::string, std::string> Environment;   // names compared without case by lookups
    std::map<std::string, TRedirection> Redirections; // key "host:port", lower-case host
    std::vector<std::filesystem::path> ExtraCaFiles;  // host paths (relative ones resolved to root)
};

// Installs the system rooted at a host directory (creates registry/ and drive_c/ when missing).
// Throws ESystemError when system.ini cannot be read or a hive file cannot be parsed; the
// message names the file (and line).
void InstallSystem(const std::filesystem::path& root);
// Saves changed hives and forgets the installed system.
void UninstallSystem();
bool SystemInstalled();
std::filesystem::path SystemRoot();
const TMachineFacts& MachineFacts();

// Parses system.ini text into facts, filling defaults per Windows version.
TMachineFacts ParseMachineFacts(const std::string& iniText, const std::filesystem::path& root);

} // namespace platform
