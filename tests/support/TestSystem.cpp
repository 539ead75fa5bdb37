#include "support/TestSystem.h"

#include "platform/Files.h"
#include "platform/System.h"
#include "platform/VersionInfo.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testing_support {

namespace {

fs::path MakeTempRoot() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        (fs::path(base && *base ? base : "/tmp") / "quenlix-system-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("Cannot create a temporary system root in " + pattern);
    return pattern;
}

void WriteHostFile(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("Cannot write " + file.string());
}

std::string WithRegHeader(const std::string& body) {
    const std::string header = "Windows Registry Editor Version 5.00";
    const bool hasHeader = body.rfind(header, 0) == 0 ||
                           body.rfind("\xEF\xBB\xBF" + header, 0) == 0 ||
                           body.rfind("REGEDIT4", 0) == 0;
    return hasHeader ? body : header + "\r\n\r\n" + body;
}

// A harmless long-running host program to stand in for a mail client.
fs::path SleepProgram() {
    for (const char* candidate : {"/bin/sleep", "/usr/bin/sleep"})
        if (::access(candidate, X_OK) == 0)
            return candidate;
    throw std::runtime_error("No sleep program to start as a test process");
}

// The text without its [User] section.
std::string WithoutUserSection(const std::string& ini) {
    std::string out;
    bool inUser = false;
    std::size_t pos = 0;
    while (pos < ini.size()) {
        const auto end = ini.find('\n', pos);
        const std::string line = ini.substr(pos, end == std::string::npos ? end : end - pos + 1);
        pos = end == std::string::npos ? ini.size() : end + 1;
        const auto first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line[first] == '[') {
            std::string head = line.substr(first, 6);
            for (char& c : head) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            inUser = head == "[user]";
        }
        if (!inUser) {
            out += line;
        }
    }
    if (!out.empty() && out.back() != '\n') {
        out += '\n';
    }
    return out;
}

std::string ReadHostFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

TTestMachine& TTestMachine::Windows(TTestWindows version) {
    Windows_ = version;
    return *this;
}

TTestMachine& TTestMachine::ProtectedStorage(bool available) {
    ProtectedStorage_ = available;
    return *this;
}

TTestMachine& TTestMachine::AnsiCodePage(int codePage) {
    AnsiCodePage_ = codePage;
    return *this;
}

TTestMachine& TTestMachine::User(const std::string& name, const std::string& sid) {
    UserName_ = name;
    UserSid_ = sid;
    return *this;
}

TTestMachine& TTestMachine::More(const std::string& iniText) {
    More_ += iniText;
    return *this;
}

std::string TTestMachine::Ini() const {
    struct TVersion {
        const char* Platform;
        int Major;
        int Minor;
    };
    static const TVersion Versions[] = {{"9x", 4, 0}, {"9x", 4, 10}, {"9x", 4, 90}, {"NT", 4, 0},
                                        {"NT", 5, 0}, {"NT", 5, 1},  {"NT", 5, 2},  {"NT", 6, 0},
                                        {"NT", 6, 1}, {"NT", 6, 2}};
    const TVersion& v = Versions[static_cast<int>(Windows_)];
    std::string ini = std::string("[Windows]\nPlatform=") + v.Platform +
                      "\nMajor=" + std::to_string(v.Major) + "\nMinor=" + std::to_string(v.Minor) +
                      "\nAnsiCodePage=" + std::to_string(AnsiCodePage_) +
                      "\n[User]\nName=" + UserName_ + "\n";
    if (!UserSid_.empty()) {
        ini += "Sid=" + UserSid_ + "\n";
    }
    ini += std::string("[ProtectedStorage]\nAvailable=") + (ProtectedStorage_ ? "1" : "0") + "\n";
    return ini + More_;
}

TTestProcess::TTestProcess(TTestProcess&& other) noexcept : Pid_(other.Pid_) {
    other.Pid_ = 0;
}

TTestProcess& TTestProcess::operator=(TTestProcess&& other) noexcept {
    if (this != &other) {
        End();
        Pid_ = other.Pid_;
        other.Pid_ = 0;
    }
    return *this;
}

TTestProcess::~TTestProcess() {
    End();
}

bool TTestProcess::Running() const {
    if (Pid_ <= 0)
        return false;
    // A child that has exited but was not reaped yet is not running. WNOWAIT leaves it to End()
    // to reap, so its id cannot be reused by another process while we still hold it.
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(Pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return false;
    return info.si_pid == 0;
}

void TTestProcess::End() {
    if (Pid_ <= 0)
        return;
    ::kill(Pid_, SIGKILL);
    int status = 0;
    while (::waitpid(Pid_, &status, 0) < 0 && errno == EINTR) {
    }
    Pid_ = 0;
}

TTestSystem::TTestSystem(const std::string& systemIni, const std::string& hklmReg,
                         const std::string& hkcuReg)
    : Root_(MakeTempRoot()) {
    try {
        WriteHostFile(Root_ / "system.ini", systemIni);
        fs::create_directories(Root_ / "registry");
        fs::create_directories(Root_ / "drive_c");
        if (!hklmReg.empty())
            WriteHostFile(Root_ / "registry" / "HKEY_LOCAL_MACHINE.reg", WithRegHeader(hklmReg));
        if (!hkcuReg.empty())
            WriteHostFile(Root_ / "registry" / "HKEY_CURRENT_USER.reg", WithRegHeader(hkcuReg));
        platform::InstallSystem(Root_);
    } catch (...) {
        std::error_code ec;
        fs::remove_all(Root_, ec);
        throw;
    }
}

TTestSystem::~TTestSystem() {
    try {
        platform::UninstallSystem();
    } catch (...) {
        // A hive that cannot be saved must not stop the clean-up.
    }
    std::error_code ec;
    fs::remove_all(Root_, ec);
}

fs::path TTestSystem::Host(const std::string& windowsPath) const {
    return platform::HostPath(windowsPath);
}

void TTestSystem::WriteFile(const std::string& windowsPath, const std::string& bytes) const {
    if (!platform::ForceDirectories(
            platform::ExtractFilePath(platform::NormalizePath(windowsPath))))
        throw std::runtime_error("Cannot create the folder of " + windowsPath);
    platform::WriteFileAtomic(windowsPath, bytes);
}

std::string TTestSystem::ReadFile(const std::string& windowsPath) const {
    const auto bytes = platform::ReadFileBytes(windowsPath);
    if (!bytes)
        throw std::runtime_error("Cannot read " + windowsPath);
    return *bytes;
}

bool TTestSystem::Exists(const std::string& windowsPath) const {
    return platform::FileExists(windowsPath) || platform::DirectoryExists(windowsPath);
}

void TTestSystem::WritePe(const std::string& windowsPath, int major, int minor, int release,
                          int build) const {
    WriteFile(windowsPath,
              platform::MakeVersionedPeImage(platform::MakeVersion(major, minor, release, build)));
}

void TTestSystem::SwitchUser(const std::string& name, const std::string& sid) {
    const std::string previousSid = platform::MachineFacts().UserSid;
    platform::UninstallSystem();
    const fs::path hive = Root_ / "registry" / "HKEY_CURRENT_USER.reg";
    const fs::path parked = Root_ / "users";
    fs::create_directories(parked);
    if (fs::exists(hive)) {
        fs::rename(hive, parked / (previousSid + ".reg"));
    }
    if (fs::exists(parked / (sid + ".reg"))) {
        fs::rename(parked / (sid + ".reg"), hive);
    }
    const std::string ini = WithoutUserSection(ReadHostFile(Root_ / "system.ini"));
    WriteHostFile(Root_ / "system.ini", ini + "[User]\nName=" + name + "\nSid=" + sid + "\n");
    platform::InstallSystem(Root_);
}

void TTestSystem::Reinstall() {
    platform::UninstallSystem();
    platform::InstallSystem(Root_);
}

TTestProcess TTestSystem::StartProcess(const std::string& windowsPath) const {
    const fs::path program = SleepProgram();
    std::ifstream in(program, std::ios::binary);
    WriteFile(windowsPath,
              std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    const fs::path host = Host(windowsPath);
    fs::permissions(host, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("Cannot start " + windowsPath);
    if (pid == 0) {
        const std::string path = host.string();
        ::execl(path.c_str(), path.c_str(), "100000", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The snapshot only sees the process once exec has replaced the forked image.
    TTestProcess process(pid);
    const fs::path image = fs::canonical(host);
    for (int i = 0; i < 500; ++i) {
        std::error_code ec;
        if (fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec) == image)
            return process;
        ::usleep(2000);
    }
    throw std::runtime_error("The test process " + windowsPath + " did not start");
}

} // namespace testing_support
