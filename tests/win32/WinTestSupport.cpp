#include "WinTestSupport.h"

#include "platform/Files.h"
#include "platform/SystemInfo.h"
#include "platform/TextCodec.h"
#include "platform/WriteJournal.h"
#include "platform/WriteTransaction.h"

#include <shlwapi.h>

#include <stdexcept>

namespace win32_test {

namespace {

using platform::win32::Wide;

std::string FreshGuid() {
    const std::string guid = platform::CreateGuidString();
    if (guid.empty()) {
        throw std::runtime_error("no GUID for a test key or folder");
    }
    return guid;
}

} // namespace

TTestKey::TTestKey(HKEY root)
    : Root_(root), Path_("Software\\Quenlix Win32 Tests\\" + FreshGuid()) {}

TTestKey::~TTestKey() {
    SHDeleteKeyW(Root_, Wide(Path_).c_str());
    // The parent goes too once the last test key has gone.
    RegDeleteKeyW(Root_, L"Software\\Quenlix Win32 Tests");
}

TTestFolder::TTestFolder() {
    const std::string base = platform::GetTempPath() + "Quenlix Win32 Tests";
    Path_ = base + "\\" + FreshGuid();
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(Wide(Path_)), error);
    if (error) {
        throw std::runtime_error("cannot make the test folder " + Path_);
    }
}

TTestFolder::~TTestFolder() {
    std::error_code error;
    // Read-only files would stop the removal.
    for (auto it = std::filesystem::recursive_directory_iterator(Wide(Path_), error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        SetFileAttributesW(it->path().c_str(), platform::FILE_ATTRIBUTE_NORMAL);
    }
    std::filesystem::remove_all(std::filesystem::path(Wide(Path_)), error);
}

TRawValue ReadRawValue(HKEY root, const std::string& keyPath, const std::string& valueName) {
    TRawValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, Wide(keyPath).c_str(), 0, KEY_READ, &key) != platform::ERROR_SUCCESS) {
        return value;
    }
    const platform::win32::TKey owner(key);
    const std::wstring name = Wide(valueName);
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value.Type, nullptr, &size) !=
        platform::ERROR_SUCCESS) {
        return value;
    }
    value.Data.resize(size);
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value.Type, value.Data.data(), &size) !=
        platform::ERROR_SUCCESS) {
        return value;
    }
    value.Data.resize(size);
    value.Exists = true;
    return value;
}

bool ImportRegistry(const std::string& body, const TTestFolder& scratch) {
    const std::string file = scratch / "fixture.reg";
    std::string bytes = "\xff\xfe";
    for (const char16_t unit :
         platform::Utf8ToUtf16("Windows Registry Editor Version 5.00\r\n\r\n" + body + "\r\n")) {
        bytes += static_cast<char>(unit & 0xff);
        bytes += static_cast<char>(unit >> 8);
    }
    platform::WriteFileAtomic(file, bytes);
    return ImportRegistryFile(file);
}

bool ImportRegistryFile(const std::string& file) {
    wchar_t windows[MAX_PATH];
    if (GetWindowsDirectoryW(windows, MAX_PATH) == 0) {
        return false;
    }
    std::wstring commandLine =
        L"\"" + std::wstring(windows) + L"\\regedit.exe\" /s \"" + Wide(file) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    ::CloseHandle(process.hThread);
    const platform::win32::THandle owner(process.hProcess);
    DWORD code = 1;
    return ::WaitForSingleObject(process.hProcess, 60000) == platform::WAIT_OBJECT_0 &&
           GetExitCodeProcess(process.hProcess, &code) && code == 0;
}

std::string FixtureFile(const std::string& name) {
    return ProgramFolder() + "\\fixtures\\" + name;
}

std::string RegString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        out += c == '\\' || c == '"' ? std::string("\\") + c : std::string(1, c);
    }
    return out + "\"";
}

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string ProgramFolder() {
    const std::string module = platform::GetModuleFileName();
    return module.substr(0, module.find_last_of('\\'));
}

int RunThisProgram(const std::string& arguments) {
    std::wstring commandLine =
        L"\"" + Wide(platform::GetModuleFileName()) + L"\" " + Wide(arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    ::CloseHandle(process.hThread);
    const platform::win32::THandle owner(process.hProcess);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

TChildProcess::TChildProcess(const std::string& exe) {
    std::wstring commandLine = L"\"" + Wide(exe) + L"\" --wait-to-be-ended";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        ::CloseHandle(process.hThread);
        Process_.reset(process.hProcess);
    }
}

void TChildProcess::End() {
    if (Process_) {
        TerminateProcess(Process_.get(), 0);
        WaitForSingleObject(Process_.get(), 10000);
        Process_.reset();
    }
}

int SaveKilledAt(int step, const std::string& folder) {
    platform::detail::KillAtCommitStepForTesting(step);
    platform::TWriteTransaction transaction;
    platform::WriteFileAtomic(folder + "\\a.txt", "new a");
    platform::WriteFileAtomic(folder + "\\b.txt", "new b");
    platform::ForceDirectories(folder + "\\sub");
    platform::WriteFileAtomic(folder + "\\sub\\c.txt", "new c");
    platform::DeleteFile(folder + "\\old.txt");
    transaction.Commit();
    return 0;
}

} // namespace win32_test
