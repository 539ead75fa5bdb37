// The installed simulated system and its machine facts.
//
// A system root holds system.ini, registry/HKEY_LOCAL_MACHINE.reg, registry/HKEY_CURRENT_USER.reg
// and drive_c/ (the C: drive). system.ini names the machine; every key is optional and anything
// missing takes the default of the Windows version given (Windows XP SP3, user "User"); a root
// without system.ini is such a default machine. Standard folders are created on installation.
// Comments are whole lines starting with ";" (a ";" after a value belongs to the value).
//
//   [Windows]
//   ; Platform is NT or 9x
//   Platform=NT
//   Major=6
//   Minor=0
//   Build=6002
//   ServicePack=Service Pack 2
//   ; the ANSI code page: 1252 (Western European, the default) or 1250 (Central European)
//   AnsiCodePage=1252
//   [User]
//   Name=Anna
//   Sid=S-1-5-21-2184761902-3041298574-1587432609-1001
//   ; special folders and the temp folder
//   [Folders]
//   AppData=C:\Users\Anna\AppData\Roaming
//   LocalAppData=C:\Users\Anna\AppData\Local
//   ProgramFiles=C:\Program Files
//   Temp=C:\Users\Anna\AppData\Local\Temp
//   ; added to the default variables, or replacing one of the same name
//   [Environment]
//   QUENLIX=1
//   [Program]
//   ModulePath=C:\Program Files\Quenlix\QuenlixMailAssistant.exe
//   [ProtectedStorage]
//   Available=1
//   ; host:port = loopback target
//   [Network]
//   pop.quenlix.example:995=127.0.0.1:10995
//   ; every entry names a CA file (host path, relative to the root)
//   [TLS]
//   CAFile=certs/test-ca.pem

#include "platform/System.h"

#include "platform/CodePage.h"
#include "platform/IniFile.h"
#include "platform/MasterKeys.h"
#include "platform/RegistryStore.h"
#include "platform/SystemState.h"
#include "platform/WinPath.h"
#include "platform/WriteJournal.h"

#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>

namespace platform {

namespace {

std::mutex StateMutex;
bool Installed = false;
std::filesystem::path Root;
TMachineFacts Facts = ParseMachineFacts("", {});

std::string WithoutTrailingBackslash(std::string path) {
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

std::string WithTrailingBackslash(std::string path) {
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path;
}

void SetVersionDefaults(const TIniFile& ini, TMachineFacts& f) {
    const std::string platform = ini.ReadString("Windows", "Platform", "NT");
    const bool is9x = detail::SameTextNoCase(platform, "9x") ||
                      detail::SameTextNoCase(platform, "Win9x") ||
                      detail::SameTextNoCase(platform, "Windows");
    f.PlatformId = is9x ? TPlatformId::Win9x : TPlatformId::NT;
    f.MajorVersion = ini.ReadInteger("Windows", "Major", is9x ? 4 : 5);
    f.MinorVersion = ini.ReadInteger("Windows", "Minor", is9x ? 10 : 1);
    // Compared as pairs: any arithmetic on two free numbers from the file can overflow or mix
    // versions up (4.101 is not 5.1).
    const auto is = [&f](int major, int minor) {
        return f.MajorVersion == major && f.MinorVersion == minor;
    };
    int build = 0;
    std::string servicePack;
    if (is9x) {
        build = is(4, 0) ? 950 : is(4, 90) ? 3000 : 2222;
    } else if (is(5, 0)) {
        build = 2195;
        servicePack = "Service Pack 4";
    } else if (is(5, 1)) {
        build = 2600;
        servicePack = "Service Pack 3";
    } else if (is(5, 2)) {
        build = 3790;
        servicePack = "Service Pack 2";
    } else if (is(6, 0)) {
        build = 6002;
        servicePack = "Service Pack 2";
    } else if (is(6, 1)) {
        build = 7601;
        servicePack = "Service Pack 1";
    } else {
        build = f.MajorVersion < 5 ? 1381 : 0;
    }
    f.BuildNumber = ini.ReadInteger("Windows", "Build", build);
    f.ServicePack = ini.ReadString("Windows", "ServicePack", servicePack);
}

// The folder layout that the installer of each Windows family creates.
void SetFolderDefaults(const TIniFile& ini, TMachineFacts& f) {
    f.UserName = ini.ReadString("User", "Name", "User");
    const std::string& user = f.UserName;
    std::string profile, appData, localAppData, temp;
    if (f.PlatformId == TPlatformId::Win9x) {
        appData = "C:\\WINDOWS\\Application Data";
        temp = "C:\\WINDOWS\\TEMP";
    } else if (f.MajorVersion >= 6) {
        profile = "C:\\Users\\" + user;
        appData = profile + "\\AppData\\Roaming";
        localAppData = profile + "\\AppData\\Local";
        temp = localAppData + "\\Temp";
    } else {
        profile = f.MajorVersion >= 5 ? "C:\\Documents and Settings\\" + user
                                      : "C:\\WINNT\\Profiles\\" + user;
        appData = profile + "\\Application Data";
        localAppData = profile + "\\Local Settings\\Application Data";
        temp = profile + "\\Local Settings\\Temp";
    }
    f.AppData = WithoutTrailingBackslash(ini.ReadString("Folders", "AppData", appData));
    f.LocalAppData =
        WithoutTrailingBackslash(ini.ReadString("Folders", "LocalAppData", localAppData));
    f.ProgramFiles =
        WithoutTrailingBackslash(ini.ReadString("Folders", "ProgramFiles", "C:\\Program Files"));
    f.TempFolder = WithTrailingBackslash(ini.ReadString("Folders", "Temp", temp));
    f.ModulePath = ini.ReadString("Program", "ModulePath",
                                  "C:\\Program Files\\Quenlix\\QuenlixMailAssistant.exe");
    f.ProtectedStorageAvailable = ini.ReadInteger("ProtectedStorage", "Available", 1) != 0;
}

void SetEnvironment(std::map<std::string, std::string>& env, const std::string& name,
                    const std::string& value) {
    for (auto it = env.begin(); it != env.end(); ++it) {
        if (detail::SameTextNoCase(it->first, name)) {
            env.erase(it);
            break;
        }
    }
    env[name] = value;
}

void SetEnvironmentDefaults(const TIniFile& ini, TMachineFacts& f) {
    auto& env = f.Environment;
    const std::string temp = WithoutTrailingBackslash(f.TempFolder);
    env["TEMP"] = temp;
    env["TMP"] = temp;
    if (f.PlatformId == TPlatformId::Win9x) {
        env["windir"] = "C:\\WINDOWS";
    } else {
        const std::string windir = f.MajorVersion >= 6                         ? "C:\\Windows"
                                   : f.MajorVersion == 5 && f.MinorVersion > 0 ? "C:\\WINDOWS"
                                                                               : "C:\\WINNT";
        const std::string profile = f.MajorVersion >= 6 ? "C:\\Users\\" + f.UserName
                                    : f.MajorVersion == 5
                                        ? "C:\\Documents and Settings\\" + f.UserName
                                        : windir + "\\Profiles\\" + f.UserName;
        env["SystemRoot"] = windir;
        env["windir"] = windir;
        env["SystemDrive"] = "C:";
        env["APPDATA"] = f.AppData;
        if (f.MajorVersion >= 6)
            env["LOCALAPPDATA"] = f.LocalAppData;
        env["USERPROFILE"] = profile;
        env["USERNAME"] = f.UserName;
        env["HOMEDRIVE"] = "C:";
        env["HOMEPATH"] = profile.substr(2);
        env["ALLUSERSPROFILE"] =
            f.MajorVersion >= 6 ? "C:\\ProgramData" : "C:\\Documents and Settings\\All Users";
        env["ProgramFiles"] = f.ProgramFiles;
    }
    for (const std::string& name : ini.Keys("Environment"))
        SetEnvironment(env, name, ini.ReadString("Environment", name, ""));
}

void SetNetworkAndTls(const TIniFile& ini, const std::filesystem::path& root, TMachineFacts& f) {
    for (const std::string& from : ini.Keys("Network")) {
        const std::string to = ini.ReadString("Network", from, "");
        const auto colon = to.rfind(':');
        if (colon == std::string::npos)
            continue;
        TRedirection target;
        target.Host = to.substr(0, colon);
        try {
            target.Port = std::stoi(to.substr(colon + 1));
        } catch (const std::exception&) {
            continue;
        }
        f.Redirections[detail::FoldCase(from)] = target;
    }
    for (const std::string& key : ini.Keys("TLS")) {
        std::filesystem::path file = ini.ReadString("TLS", key, "");
        if (file.empty())
            continue;
        f.ExtraCaFiles.push_back(file.is_absolute() ? file : root / file);
    }
}

void SetUserSidAndCodePage(const TIniFile& ini, TMachineFacts& f) {
    f.UserSid = ini.ReadString("User", "Sid", DefaultUserSid);
    f.AnsiCodePage = ini.ReadInteger("Windows", "AnsiCodePage", 1252);
}

// "S-1-" and dash-separated decimal numbers: the form that may name a registry key and a folder.
bool IsSidText(const std::string& sid) {
    if (sid.rfind("S-1-", 0) != 0 || sid.size() > 184 || sid.back() == '-') {
        return false;
    }
    for (std::size_t i = 4; i < sid.size(); ++i) {
        const bool digit = sid[i] >= '0' && sid[i] <= '9';
        if (!digit && (sid[i] != '-' || sid[i - 1] == '-')) {
            return false;
        }
    }
    return true;
}

// Facts that would make the user's keys or texts unusable are refused at installation.
void CheckUserSidAndCodePage(const TMachineFacts& f) {
    if (!IsSidText(f.UserSid)) {
        throw ESystemError("The user SID \"" + f.UserSid +
                           "\" in system.ini is not of the form S-1-5-21-...");
    }
    if (f.AnsiCodePage < 0 || !IsValidCodePage(static_cast<std::uint32_t>(f.AnsiCodePage))) {
        throw ESystemError("The ANSI code page " + std::to_string(f.AnsiCodePage) +
                           " in system.ini is not supported (1250 and 1252 are)");
    }
}

std::string ReadSystemIni(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return {}; // a root without system.ini is a default machine
    std::ifstream in(file, std::ios::binary);
    if (!in || std::filesystem::is_directory(file, ec))
        throw ESystemError("Cannot read the machine facts file " + file.string());
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw ESystemError("Cannot read the machine facts file " + file.string());
    return text;
}

void CreateStandardFolders(const std::filesystem::path& drive, const TMachineFacts& f) {
    for (const std::string& folder : {f.AppData, f.LocalAppData, f.ProgramFiles, f.TempFolder}) {
        const detail::TWinPath path = detail::ParseWinPath(folder, "C:\\");
        if (path.Drive != "C:" || !path.Valid || path.Components.empty())
            continue;
        std::filesystem::path host = drive;
        for (const std::string& c : path.Components)
            host /= c;
        std::error_code ec;
        std::filesystem::create_directories(host, ec); // a missing folder is no reason to fail
    }
}

} // namespace

TMachineFacts ParseMachineFacts(const std::string& iniText, const std::filesystem::path& root) {
    const TIniFile ini = TIniFile::FromText(iniText);
    TMachineFacts f;
    SetVersionDefaults(ini, f);
    SetFolderDefaults(ini, f);
    SetEnvironmentDefaults(ini, f);
    SetNetworkAndTls(ini, root, f);
    SetUserSidAndCodePage(ini, f);
    return f;
}

void InstallSystem(const std::filesystem::path& root) {
    UninstallSystem();
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec))
        throw ESystemError("The system root " + root.string() + " is not a directory");
    const std::filesystem::path absRoot = std::filesystem::absolute(root);
    TMachineFacts facts = ParseMachineFacts(ReadSystemIni(absRoot / "system.ini"), absRoot);
    CheckUserSidAndCodePage(facts);
    std::filesystem::create_directories(absRoot / "registry", ec);
    std::filesystem::create_directories(absRoot / "drive_c", ec);
    if (ec)
        throw ESystemError("Cannot create the folders of the system root " + absRoot.string() +
                           ": " + ec.message());
    // A save killed midway is finished or undone before anything reads the hives or the drive.
    detail::RecoverWriteJournals(absRoot);
    detail::LoadRegistry(absRoot / "registry");
    CreateStandardFolders(absRoot / "drive_c", facts);
    {
        std::lock_guard lock(StateMutex);
        Root = absRoot;
        Facts = std::move(facts);
        Installed = true;
    }
    detail::ResetFileState();
    detail::ForgetMasterKeys();
}

void UninstallSystem() {
    if (!SystemInstalled())
        return;
    // The system is gone afterwards even when a hive could not be saved.
    struct TForget {
        ~TForget() {
            {
                std::lock_guard lock(StateMutex);
                Installed = false;
                Root.clear();
                Facts = ParseMachineFacts("", {});
            }
            detail::ResetFileState();
            detail::ForgetMasterKeys();
        }
    } forget;
    detail::UnloadRegistry();
}

bool SystemInstalled() {
    std::lock_guard lock(StateMutex);
    return Installed;
}

std::filesystem::path SystemRoot() {
    std::lock_guard lock(StateMutex);
    return Root;
}

const TMachineFacts& MachineFacts() {
    return Facts;
}

namespace detail {

std::filesystem::path DriveRoot() {
    std::lock_guard lock(StateMutex);
    return Installed ? Root / "drive_c" : std::filesystem::path();
}

} // namespace detail

} // namespace platform
