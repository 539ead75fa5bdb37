#include "platform/ProcessIdentity.h"

#include <cerrno>
#include <csignal>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace platform::detail {

namespace {

// Field 22 of /proc/<pid>/stat: the start time in clock ticks after boot. The command name
// before it is in parentheses and may hold blanks, so counting starts after the last ")".
std::string StartTime(int processId) {
    std::ifstream in("/proc/" + std::to_string(processId) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return {};
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int index = 3; index <= 22 && fields >> field; ++index) {
        if (index == 22)
            return field;
    }
    return {};
}

} // namespace

int CurrentProcessId() {
    return static_cast<int>(::getpid());
}

bool ProcessAlive(int processId) {
    if (processId <= 0)
        return false;
    return ::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

std::string ProcessToken(int processId) {
    const std::string start = StartTime(processId);
    return start.empty() ? std::string() : std::to_string(processId) + "-" + start;
}

bool ProcessTokenAlive(const std::string& token) {
    const auto dash = token.find('-');
    if (dash == std::string::npos)
        return false;
    int processId = 0;
    try {
        processId = std::stoi(token.substr(0, dash));
    } catch (const std::exception&) {
        return false;
    }
    return ProcessToken(processId) == token;
}

} // namespace platform::detail
