#include "platform/win32/WindowsApi.h"

#include "platform/ProcessIdentity.h"

namespace platform::detail {

namespace {

// The moment the process started, in 100-ns units; 0 when it cannot be asked.
unsigned long long StartTime(int processId) {
    const win32::THandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId)));
    FILETIME creation, exit, kernel, user;
    if (!process || !GetProcessTimes(process.get(), &creation, &exit, &kernel, &user)) {
        return 0;
    }
    return (static_cast<unsigned long long>(creation.dwHighDateTime) << 32) |
           creation.dwLowDateTime;
}

} // namespace

int CurrentProcessId() {
    return static_cast<int>(GetCurrentProcessId());
}

bool ProcessAlive(int processId) {
    if (processId <= 0) {
        return false;
    }
    const win32::THandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId)));
    if (!process) {
        return GetLastError() == ERROR_ACCESS_DENIED; // another user's process
    }
    DWORD code = 0;
    return GetExitCodeProcess(process.get(), &code) && code == STILL_ACTIVE;
}

std::string ProcessToken(int processId) {
    if (!ProcessAlive(processId)) {
        return {};
    }
    const unsigned long long start = StartTime(processId);
    return start == 0 ? std::string() : std::to_string(processId) + "-" + std::to_string(start);
}

bool ProcessTokenAlive(const std::string& token) {
    const auto dash = token.find('-');
    if (dash == std::string::npos) {
        return false;
    }
    int processId = 0;
    try {
        processId = std::stoi(token.substr(0, dash));
    } catch (const std::exception&) {
        return false;
    }
    return ProcessToken(processId) == token;
}

} // namespace platform::detail
