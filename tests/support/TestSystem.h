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

private:
    std::filesystem::path Root_;
};

} // namespace testing_support
