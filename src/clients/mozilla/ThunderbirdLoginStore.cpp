// The login store of current Thunderbird versions (logins.json, encrypted with key4.db), which
// they read instead of signons.txt.

#include "ThunderbirdDetail.h"

#include "NssKeyDatabase.h"

#include <accounts/Log.h>
#include <accounts/RegistryHelpers.h>
#include <platform/Files.h>

#include <chrono>

namespace thunderbird_detail {

namespace {

constexpr const char* kLoginsFile = "logins.json";

// A host as a URI holds it: an IPv6 address in brackets.
std::string UriHost(const std::string& host) {
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

// Percent-encoding of everything but letters, digits and -_.!~*'() (UTF-8 bytes).
std::string EncodeUriComponent(const std::string& text) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
            std::string_view("-_.!~*'()").find(c) != std::string_view::npos) {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        }
    }
    return out;
}

void LogSkipped(const std::string& profileDir, const std::string& why) {
    AppLog().LogMessage(TLogLevel::Warning,
                        "Thunderbird profile " + profileDir + ": the password is not stored in " +
                            kLoginsFile + " because " + why +
                            "; Thunderbird will ask for it once at the first mail check.");
}

// A dry run that cannot show the login store says why instead: the save itself may still
// write it.
void LogLeftOut(const std::string& profileDir, const std::string& why) {
    AppLog().LogMessage(TLogLevel::Info,
                        "Thunderbird profile " + profileDir + ": this dry run leaves out " +
                            kLoginsFile + " (" + why +
                            "); NSS would have to change key4.db first, which only the save does.");
}

TLoginStamp NewStamp() {
    std::string guid = NewGuidString();
    for (char& c : guid) {
        c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    }
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return {std::chrono::duration_cast<std::chrono::milliseconds>(now).count(), guid};
}

} // namespace

std::string IncomingLoginOrigin(bool imap, const std::string& host) {
    return (imap ? "imap://" : "mailbox://") + EncodeUriComponent(UriHost(host));
}

std::string OutgoingLoginOrigin(const std::string& host) {
    return "smtp://" + UriHost(host);
}

std::optional<TFileUpdate> PrepareLoginStore(const std::string& nssLibrary,
                                             const std::string& profileDir,
                                             const std::vector<TMozillaLogin>& logins,
                                             platform::TTransactionMode mode) {
    if (logins.empty()) {
        return std::nullopt;
    }
    const bool dryRun = mode == platform::TTransactionMode::DryRun;
    TNssKeyDatabase::TOpenResult opened = TNssKeyDatabase::TOpenResult::Opened;
    const std::unique_ptr<TNssKeyDatabase> keys = TNssKeyDatabase::Open(
        nssLibrary, profileDir, opened,
        dryRun ? TNssKeyDatabase::TAccess::ReadOnly : TNssKeyDatabase::TAccess::ReadWrite);
    if (!keys) {
        // A profile of an old version has no key database: signons.txt serves it.
        if (opened == TNssKeyDatabase::TOpenResult::NotSetUp) {
            LogLeftOut(profileDir, TNssKeyDatabase::Describe(opened));
        } else if (opened != TNssKeyDatabase::TOpenResult::NoKeyDatabase) {
            LogSkipped(profileDir, TNssKeyDatabase::Describe(opened));
        }
        return std::nullopt;
    }
    const std::string path = JoinPath(profileDir, kLoginsFile);
    try {
        const std::optional<std::string> bytes = platform::ReadFileBytes(path);
        TMozillaLoginsFile file =
            bytes ? TMozillaLoginsFile::FromText(*bytes) : TMozillaLoginsFile();
        for (const TMozillaLogin& login : logins) {
            file.SetLogin(login, *keys, NewStamp());
        }
        return TFileUpdate{path, file.ToText()};
    } catch (const EJsonError& error) {
        // What the file holds is not ours to replace.
        LogSkipped(profileDir, std::string(kLoginsFile) + " cannot be read (" + error.what() + ")");
    } catch (const ENssError& error) {
        // Read-only, NSS cannot add the login key a first encryption needs.
        if (dryRun) {
            LogLeftOut(profileDir, error.what());
        } else {
            LogSkipped(profileDir, error.what());
        }
    }
    return std::nullopt;
}

} // namespace thunderbird_detail
