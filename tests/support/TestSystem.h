#pragma once
// A fresh simulated Windows system per test: created in a new temporary directory, installed
// as the process's system, uninstalled and removed when the fixture goes out of scope.

#include <filesystem>
#include <memory>
#include <string>

namespace testing_support {

// A host process started from an executable on the simulated drive; ended on destruction.
class TTestProcess {
public:
    TTestProcess() = default;
    explicit TTestProcess(int pid) : Pid_(pid) {}
    TTestProcess(TTestProcess&& other) noexcept;
    TTestProcess& operator=(TTestProcess&& other) noexcept;
    ~TTestProcess();
    int Pid() const { return Pid_; }
    bool Running() const;
    void End(); // kills and reaps the process

private:
    int Pid_ = 0;
};

// The Windows versions a test machine can run.
enum class TTestWindows { Win95, Win98, WinMe, NT4, Win2000, XP, Server2003, Vista, Win7, Win8 };

// system.ini of a machine built to order, e.g.
//   TTestSystem system(TTestMachine().Windows(TTestWindows::Vista).AnsiCodePage(1250).Ini());
// The defaults are those of an empty system.ini: Windows XP SP3, Protected Storage available,
// ANSI code page 1252, user "User" with the default SID.
class TTestMachine {
public:
    TTestMachine& Windows(TTestWindows version);
    TTestMachine& ProtectedStorage(bool available);
    TTestMachine& AnsiCodePage(int codePage);
    TTestMachine& User(const std::string& name, const std::string& sid = "");
    TTestMachine& More(const std::string& iniText); // appended as it is
    std::string Ini() const;

private:
    TTestWindows Windows_ = TTestWindows::XP;
    bool ProtectedStorage_ = true;
    int AnsiCodePage_ = 1252;
    std::string UserName_ = "User";
    std::string UserSid_; // empty: the system's default
    std::string More_;
};

class TTestSystem {
public:
    // system.ini text (empty: all defaults, Windows XP SP3, user "User"), and the bodies of the
    // two hives in .reg text (UTF-8, header optional).
    explicit TTestSystem(const std::string& systemIni = "", const std::string& hklmReg = "",
                         const std::string& hkcuReg = "");
    ~TTestSystem();
    TTestSystem(const TTestSystem&) = delete;
    TTestSystem& operator=(const TTestSystem&) = delete;

    const std::filesystem::path& Root() const { return Root_; }
    std::filesystem::path Host(const std::string& windowsPath) const;
    void WriteFile(const std::string& windowsPath, const std::string& bytes) const;
    std::string ReadFile(const std::string& windowsPath) const; // throws when missing
    bool Exists(const std::string& windowsPath) const;
    // Writes a minimal PE executable carrying the given file and product version.
    void WritePe(const std::string& windowsPath, int major, int minor, int release,
                 int build) const;
    // Copies a small sleeping host program to the path and starts it from there.
    TTestProcess StartProcess(const std::string& windowsPath) const;

    // Another user of the same machine logs on: the system is saved and installed again with
    // that user's name and SID, so the user has their own profile folders and their own
    // HKEY_CURRENT_USER hive (an empty one at first; each user's hive is kept for them under
    // the root while another user is logged on). Machine-wide state (HKEY_LOCAL_MACHINE, the
    // rest of the drive) stays.
    void SwitchUser(const std::string& name, const std::string& sid);
    // Saves everything and installs the same system again, as a program started anew sees it.
    void Reinstall();

private:
    std::filesystem::path Root_;
};

} // namespace testing_support
