// Shell services on Windows: ShellExecuteW opens a web address with the user's browser, and a
// .bat file runs under the system's command interpreter, hidden and on its own.

#include "platform/win32/WindowsApi.h"

#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"

#include <shellapi.h>

#include <mutex>

namespace platform {

namespace {

std::mutex ObserverMutex;
std::function<void(const std::string&)> Observer;

// The command interpreter: %ComSpec%, else cmd.exe in the system's folder.
std::wstring CommandInterpreter() {
    if (const auto comSpec = GetEnvironmentVariable("ComSpec"); comSpec && FileExists(*comSpec)) {
        return win32::Wide(*comSpec);
    }
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::wstring()
                                             : std::wstring(folder, length) + L"\\cmd.exe";
}

} // namespace

void SetShellOpenObserver(std::function<void(const std::string&)> observer) {
    std::lock_guard lock(ObserverMutex);
    Observer = std::move(observer);
}

bool ShellOpen(const std::string& url) {
    // Refused as on the simulated system, so both builds take the same addresses.
    if (url.empty() || url.front() == '-' || url.find('\0') != std::string::npos) {
        return false;
    }
    {
        std::lock_guard lock(ObserverMutex);
        if (Observer) {
            Observer(url);
            return true;
        }
    }
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", win32::Wide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // Values above 32 mean success.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool WinExecBatch(const std::string& batchPath) {
    const std::string path = NormalizePath(batchPath);
    const std::wstring interpreter = CommandInterpreter();
    if (!FileExists(path) || interpreter.empty()) {
        return false;
    }
    // "/s /c" takes what follows after dropping its first and last quote, so a path with blanks
    // or "&" stays one quoted word; "/d" keeps the user's AutoRun commands out.
    std::wstring commandLine =
        L"\"" + interpreter + L"\" /d /s /c \"\"" + win32::Wide(path) + L"\"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    // It starts in the program's current folder, as the simulated runner does.
    if (!CreateProcessW(interpreter.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    // Nobody waits for it: the batch outlives the program, whose file it may be removing.
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

} // namespace platform
