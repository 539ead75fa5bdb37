#include "platform/win32/WindowsApi.h"

#include "platform/ProgramConsole.h"

#include <shellapi.h>

namespace platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        // Out of memory: the runtime's own split is the best there is.
        return argc <= 1 ? std::vector<std::string>()
                         : std::vector<std::string>(argv + 1, argv + argc);
    }
    const std::unique_ptr<void, win32::TLocalFree> owner(wide);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.push_back(win32::Utf8(wide[i]));
    }
    return arguments;
}

TUtf8Console::TUtf8Console() {
    const UINT current = GetConsoleOutputCP(); // 0 without a console
    if (current != 0 && current != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        PreviousCodePage_ = current;
    }
}

TUtf8Console::~TUtf8Console() {
    if (PreviousCodePage_ != 0) {
        SetConsoleOutputCP(PreviousCodePage_);
    }
}

} // namespace platform
