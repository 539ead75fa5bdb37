#include "support/KeyDatabase.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testing_support {

namespace {

fs::path Certutil() {
    for (const char* candidate : {"/usr/bin/certutil", "/usr/local/bin/certutil"}) {
        if (::access(candidate, X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

} // namespace

std::string KeyDatabaseUnavailableReason() {
    return Certutil().empty()
               ? "NSS's certutil is not installed (scripts/ensure-deps installs libnss3-tools)"
               : std::string();
}

void CreateKeyDatabase(const fs::path& folder, const std::string& primaryPassword) {
    fs::create_directories(folder);
    std::string command =
        Quoted(Certutil().string()) + " -N -d " + Quoted("sql:" + folder.string());
    const fs::path passwordFile = folder / "primary-password.tmp";
    if (primaryPassword.empty()) {
        command += " --empty-password";
    } else {
        std::ofstream(passwordFile) << primaryPassword << "\n";
        command += " -f " + Quoted(passwordFile.string());
    }
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    fs::remove(passwordFile);
    if (status != 0 || !fs::exists(folder / "key4.db")) {
        throw std::runtime_error("certutil could not create a key database in " + folder.string());
    }
}

} // namespace testing_support
