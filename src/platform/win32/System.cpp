// The Windows build acts on the machine it runs on: that machine is the installed system, and
// its facts are read from the Windows API once, when first asked for.

#include "platform/win32/WindowsApi.h"

#include "platform/CodePage.h"
#include "platform/ProtectedStorage.h"
#include "platform/System.h"
#include "platform/SystemInfo.h"

#include <sddl.h>

namespace platform {

namespace {

using win32::Utf8;

std::string CurrentUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    const win32::THandle owner(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<std::uint8_t> buffer(size);
    wchar_t* text = nullptr;
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
        return {};
    }
    const std::unique_ptr<void, win32::TLocalFree> textOwner(text);
    return Utf8(text);
}

// The process's environment; names keep their case, as the block holds them. Entries starting
// with "=" are the per-drive current directories, not variables.
std::map<std::string, std::string> EnvironmentBlock() {
    std::map<std::string, std::string> environment;
    wchar_t* block = GetEnvironmentStringsW();
    if (block == nullptr) {
        return environment;
    }
    for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
        const std::wstring_view text = entry;
        const auto equals = text.find(L'=', 1);
        if (text.front() != L'=' && equals != std::wstring_view::npos) {
            environment[Utf8(text.substr(0, equals))] = Utf8(text.substr(equals + 1));
        }
    }
    FreeEnvironmentStringsW(block);
    return environment;
}

TMachineFacts ReadMachineFacts() {
    TMachineFacts facts;
    TOSVersionInfo version;
    if (GetVersionEx(version)) {
        facts.PlatformId =
            version.PlatformId == VER_PLATFORM_WIN32_NT ? TPlatformId::NT : TPlatformId::Win9x;
        facts.MajorVersion = static_cast<int>(version.MajorVersion);
        facts.MinorVersion = static_cast<int>(version.MinorVersion);
        facts.BuildNumber = static_cast<int>(version.BuildNumber);
        facts.ServicePack = version.CSDVersion;
    }
    facts.UserName = GetUserName();
    facts.AppData = GetSpecialFolderPath(CSIDL_APPDATA);
    facts.LocalAppData = GetSpecialFolderPath(CSIDL_LOCAL_APPDATA);
    facts.ProgramFiles = GetSpecialFolderPath(CSIDL_PROGRAM_FILES);
    facts.TempFolder = GetTempPath();
    facts.ModulePath = GetModuleFileName();
    std::unique_ptr<IPStore> store;
    facts.ProtectedStorageAvailable = PStoreCreateInstance(store) == PST_E_OK;
    facts.UserSid = CurrentUserSid();
    facts.AnsiCodePage = static_cast<int>(GetACP());
    facts.Environment = EnvironmentBlock();
    // No network redirections and no extra certificates: the machine's own network and trust
    // store are what the program uses here.
    return facts;
}

} // namespace

void InstallSystem(const std::filesystem::path& root) {
    throw ESystemError("The Windows build works on the Windows it runs on; it cannot install "
                       "the simulated system at " +
                       Utf8(root.wstring()));
}

void UninstallSystem() {}

bool SystemInstalled() {
    return true;
}

std::filesystem::path SystemRoot() {
    return {};
}

const TMachineFacts& MachineFacts() {
    static const TMachineFacts facts = ReadMachineFacts();
    return facts;
}

} // namespace platform
