#include "platform/SystemInfo.h"

#include "platform/Files.h"
#include "platform/System.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <openssl/rand.h>
#include <unistd.h>

namespace platform {

bool GetVersionEx(TOSVersionInfo& info) {
    if (!SystemInstalled())
        return false;
    const TMachineFacts& facts = MachineFacts();
    info.MajorVersion = static_cast<std::uint32_t>(facts.MajorVersion);
    info.MinorVersion = static_cast<std::uint32_t>(facts.MinorVersion);
    info.BuildNumber = static_cast<std::uint32_t>(facts.BuildNumber);
    info.PlatformId =
        facts.PlatformId == TPlatformId::NT ? VER_PLATFORM_WIN32_NT : VER_PLATFORM_WIN32_WINDOWS;
    info.CSDVersion = facts.ServicePack;
    return true;
}

std::string GetSpecialFolderPath(int csidl) {
    if (!SystemInstalled())
        return {};
    const TMachineFacts& facts = MachineFacts();
    switch (csidl) {
    case CSIDL_APPDATA:
        return facts.AppData;
    case CSIDL_LOCAL_APPDATA:
        return facts.LocalAppData;
    case CSIDL_PROGRAM_FILES:
        return facts.ProgramFiles;
    default:
        return {};
    }
}

std::string GetUserName() {
    return SystemInstalled() ? MachineFacts().UserName : std::string();
}

std::optional<std::string> GetEnvironmentVariable(const std::string& name) {
    if (!SystemInstalled() || name.empty())
        return std::nullopt;
    for (const auto& [key, value] : MachineFacts().Environment)
        if (detail::SameTextNoCase(key, name))
            return value;
    return std::nullopt;
}

// Unknown references stay as written, "%%" included, and a lone "%" is kept; this is how the
// system's own expansion treats them.
std::string ExpandEnvironmentStrings(const std::string& text) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto open = text.find('%', pos);
        if (open == std::string::npos) {
            out.append(text, pos, std::string::npos);
            break;
        }
        out.append(text, pos, open - pos);
        const auto close = text.find('%', open + 1);
        if (close == std::string::npos) {
            out.append(text, open, std::string::npos);
            break;
        }
        const auto value = GetEnvironmentVariable(text.substr(open + 1, close - open - 1));
        out += value ? *value : text.substr(open, close - open + 1);
        pos = close + 1;
    }
    return out;
}

std::string GetTempPath() {
    if (!SystemInstalled())
        return {};
    for (const char* name : {"TMP", "TEMP"}) {
        const auto value = GetEnvironmentVariable(name);
        if (value && !value->empty())
            return IncludeTrailingBackslash(*value);
    }
    return MachineFacts().TempFolder;
}

std::string GetTempFileName(const std::string& path, const std::string& prefix) {
    if (!DirectoryExists(path))
        return {};
    // A process-wide counter with a random start keeps names apart across calls and processes;
    // the exclusive create makes sure no existing file is ever taken.
    static std::atomic<std::uint32_t> counter = [] {
        std::uint16_t start = 0;
        RAND_bytes(reinterpret_cast<unsigned char*>(&start), sizeof start);
        return std::uint32_t(start);
    }();
    const std::string folder = IncludeTrailingBackslash(NormalizePath(path));
    std::size_t headLength = std::min<std::size_t>(prefix.size(), 3);
    while (headLength > 0 && headLength < prefix.size() &&
           (static_cast<unsigned char>(prefix[headLength]) & 0xC0) == 0x80)
        --headLength; // never cut a character in two
    const std::string head = prefix.substr(0, headLength);
    for (int attempt = 0; attempt < 0x10000; ++attempt) {
        const std::uint32_t number = (counter.fetch_add(1) & 0xFFFF);
        if (number == 0)
            continue; // the system never hands out 0
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", number);
        const std::string name = folder + head + hex + ".tmp";
        const auto host = HostPath(name);
        if (host.empty())
            return {};
        const int fd = ::open(host.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

std::string CreateGuidString() {
    unsigned char b[16];
    if (RAND_bytes(b, sizeof b) != 1)
        return {};
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40); // version 4: random
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80); // RFC 4122 variant
    char text[39];
    std::snprintf(text, sizeof text,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return text;
}

std::string GetModuleFileName() {
    return SystemInstalled() ? MachineFacts().ModulePath : std::string();
}

} // namespace platform
