#pragma once
// A console program's command line and console as UTF-8 text, as everything inside the program
// is. Windows hands a program its command line as UTF-16; the C runtime's narrow argv holds it
// in the ANSI code page and loses every character that code page cannot show.

#include <string>
#include <vector>

namespace platform {

// The arguments after the program's name, in UTF-8. argc and argv are main()'s; the Windows
// build splits the process's own wide command line instead (CommandLineToArgvW's quoting rules).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// While it lives, a console window shows the program's UTF-8 output as such (Windows; elsewhere
// terminals take UTF-8 already). The console's code page belongs to the console, shared with the
// shell that started the program, so the guard gives the old one back. Redirected output is
// unaffected: it gets the bytes as written.
class TUtf8Console {
public:
    TUtf8Console();
    ~TUtf8Console();
    TUtf8Console(const TUtf8Console&) = delete;
    TUtf8Console& operator=(const TUtf8Console&) = delete;

private:
    [[maybe_unused]] unsigned PreviousCodePage_ = 0; // Windows; 0: nothing to give back
};

} // namespace platform
