#pragma once
// Fixtures of the Windows tests: a registry key and a folder of their own on the machine, made
// fresh for each test and removed after it, so that the tests leave the machine as they found
// it and can run side by side.

#include "platform/win32/WindowsApi.h"

#include <filesystem>
#include <string>
#include <vector>

namespace win32_test {

// A fresh key "Software\Quenlix Win32 Tests\{GUID}" below a root key, removed with its subtree.
class TTestKey {
public:
    explicit TTestKey(HKEY root = platform::win32::CurrentUserKey);
    ~TTestKey();
    TTestKey(const TTestKey&) = delete;
    TTestKey& operator=(const TTestKey&) = delete;

    // "Software\\Quenlix Win32 Tests\\{...}", without a leading backslash.
    const std::string& Path() const { return Path_; }

private:
    HKEY Root_;
    std::string Path_;
};

// A fresh folder "%TEMP%\Quenlix Win32 Tests\{GUID}", removed with its content.
class TTestFolder {
public:
    TTestFolder();
    ~TTestFolder();
    TTestFolder(const TTestFolder&) = delete;
    TTestFolder& operator=(const TTestFolder&) = delete;

    // The folder's Windows path, without a trailing backslash.
    const std::string& Path() const { return Path_; }
    std::string operator/(const std::string& name) const { return Path_ + "\\" + name; }

private:
    std::string Path_;
};

// The bytes and type of a value read with the API itself, not through the backend.
struct TRawValue {
    bool Exists = false;
    DWORD Type = REG_NONE;
    std::vector<std::uint8_t> Data;
};
TRawValue ReadRawValue(HKEY root, const std::string& keyPath, const std::string& valueName);

// Imports .reg text (the body after the header line, CRLF) with the system's own regedit, as a
// support technician puts a fixture on a machine: written as regedit exports, UTF-16LE with a
// byte-order mark. Answers whether regedit ended well.
bool ImportRegistry(const std::string& body, const TTestFolder& scratch);
// Imports a .reg file as it is.
bool ImportRegistryFile(const std::string& file);
// A fixture file that the build put beside the test program (fixtures/<name>).
std::string FixtureFile(const std::string& name);
// A string of .reg text: backslashes and quotes escaped.
std::string RegString(const std::string& text);

// Whether the tests run under Wine, which lacks a few things of Windows.
bool RunningUnderWine();

// The folder of the running test program.
std::string ProgramFolder();

// Runs this program again with the arguments and waits for it to end; answers its exit code
// (-1 when it could not be started).
int RunThisProgram(const std::string& arguments);

// A program (a copy of this one) started as a child that waits to be ended; ended at the latest
// when this goes.
class TChildProcess {
public:
    explicit TChildProcess(const std::string& exe);
    ~TChildProcess() { End(); }
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    bool Started() const { return Process_ != nullptr; }
    void End();

private:
    platform::win32::THandle Process_;
};

// The save of the kill test, in a folder: two files rewritten, one made in a new folder, one
// deleted. Started in a child process that kills itself after the given step of the commit
// (ANSI arguments: the folder's name stays ASCII).
int SaveKilledAt(int step, const std::string& folder);

} // namespace win32_test
