// The process snapshot through Tool Help, and running automation objects through the running
// object table (the objects a program has registered there with RegisterActiveObject).

#include "platform/win32/WindowsApi.h"

#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/WinPath.h"

#include <oleauto.h>
#include <tlhelp32.h>

namespace platform {

namespace {

// The whole path of a process's executable; the bare file name where the process may not be
// asked (processes of the system and of other users).
std::string ExecutableOf(const PROCESSENTRY32W& entry) {
    const win32::THandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    if (process) {
        wchar_t path[MAX_PATH * 4];
        DWORD length = sizeof path / sizeof path[0];
        if (QueryFullProcessImageNameW(process.get(), 0, path, &length)) {
            return win32::Utf8(std::wstring_view(path, length));
        }
    }
    return win32::Utf8(entry.szExeFile);
}

} // namespace

std::vector<TProcessEntry> ProcessSnapshot() {
    std::vector<TProcessEntry> processes;
    const win32::THandle snapshot =
        win32::OwnHandle(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return processes;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == 0) {
            continue; // the idle process runs no executable
        }
        processes.push_back({static_cast<int>(entry.th32ProcessID), ExecutableOf(entry)});
    }
    return processes;
}

bool AutomationObjectRunning(const std::string& progId) {
    if (progId.empty()) {
        return false;
    }
    const win32::TComScope com;
    CLSID clsid;
    // The identifier's class, through CurVer for a version-independent identifier.
    if (FAILED(CLSIDFromProgID(win32::Wide(progId).c_str(), &clsid))) {
        return false;
    }
    IUnknown* object = nullptr;
    if (FAILED(GetActiveObject(clsid, nullptr, &object)) || object == nullptr) {
        return false;
    }
    object->Release();
    return true;
}

} // namespace platform
