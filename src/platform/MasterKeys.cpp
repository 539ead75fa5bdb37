#include "platform/MasterKeys.h"

#include "platform/CryptRandom.h"
#include "platform/Files.h"
#include "platform/System.h"
#include "platform/SystemInfo.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace platform::detail {

namespace {

constexpr const char* LocalSystemSid = "S-1-5-18";
constexpr const char* PreferredFileName = "Preferred";
constexpr std::uint32_t KeyFileVersion = 1;
// Key file: version (4 bytes, little-endian), the key's GUID (16), the secret (32).
constexpr std::size_t KeyFileSize = 4 + 16 + 32;

// One thread at a time makes a scope's first key, so a process never makes two.
std::mutex CreationMutex;

// Keys already read, by key folder and GUID. A key file never changes once written, so a key
// read once stays right while its system is installed; without this, every unseal read its key
// file again (at start-up, once per stored password).
struct TKnownKey {
    std::string Folder;
    TMasterKey Key;
};
std::mutex KnownKeysMutex;
std::vector<TKnownKey> KnownKeys; // a handful: the user's keys and the machine's

std::string KeyFileName(const TGUID& id) {
    std::string name = GuidToString(id).substr(1, 36);
    for (char& c : name) {
        c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    }
    return name;
}

std::string KeyFileBytes(const TMasterKey& key) {
    std::string bytes(KeyFileSize, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>(KeyFileVersion >> (8 * i));
    }
    const auto id = GuidToBytes(key.Id);
    std::memcpy(bytes.data() + 4, id.data(), id.size());
    std::memcpy(bytes.data() + 20, key.Secret.data(), key.Secret.size());
    return bytes;
}

std::optional<TMasterKey> ReadKeyFile(const std::string& folder, const TGUID& id) {
    const auto bytes = ReadFileBytes(folder + KeyFileName(id));
    if (!bytes || bytes->size() != KeyFileSize) {
        return std::nullopt;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
    const std::uint32_t version =
        data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t(data[3]) << 24;
    TMasterKey key;
    key.Id = GuidFromBytes(data + 4);
    if (version != KeyFileVersion || !SameGuid(key.Id, id)) {
        return std::nullopt;
    }
    std::memcpy(key.Secret.data(), data + 20, key.Secret.size());
    return key;
}

std::optional<TGUID> ReadPreferred(const std::string& folder) {
    const auto bytes = ReadFileBytes(folder + PreferredFileName);
    if (!bytes || bytes->size() != 16) {
        return std::nullopt;
    }
    return GuidFromBytes(reinterpret_cast<const std::uint8_t*>(bytes->data()));
}

// Writes a new key, then names it preferred: a key file alone is harmless, and an old key that
// "Preferred" stops naming still opens what it sealed.
std::optional<TMasterKey> CreateMasterKey(const std::string& folder) {
    std::uint8_t idBytes[16];
    TMasterKey key;
    if (!CryptGenRandom(idBytes, sizeof idBytes) ||
        !CryptGenRandom(key.Secret.data(), key.Secret.size())) {
        return std::nullopt;
    }
    idBytes[7] = static_cast<std::uint8_t>((idBytes[7] & 0x0F) | 0x40); // a random GUID
    idBytes[8] = static_cast<std::uint8_t>((idBytes[8] & 0x3F) | 0x80);
    key.Id = GuidFromBytes(idBytes);
    if (!ForceDirectories(folder)) {
        return std::nullopt;
    }
    try {
        WriteFileAtomic(folder + KeyFileName(key.Id), KeyFileBytes(key));
        const auto id = GuidToBytes(key.Id);
        WriteFileAtomic(folder + PreferredFileName, std::string(id.begin(), id.end()));
    } catch (const EFileError&) {
        return std::nullopt;
    }
    return key;
}

} // namespace

std::string KeyScopeSid(TKeyScope scope) {
    return scope == TKeyScope::Machine ? LocalSystemSid : MachineFacts().UserSid;
}

std::string MasterKeyFolder(TKeyScope scope) {
    if (scope == TKeyScope::Machine) {
        const std::string windows = GetEnvironmentVariable("windir").value_or("C:\\WINDOWS");
        return IncludeTrailingBackslash(windows) + "System32\\Microsoft\\Protect\\" +
               LocalSystemSid + "\\User\\";
    }
    return IncludeTrailingBackslash(GetSpecialFolderPath(CSIDL_APPDATA)) + "Microsoft\\Protect\\" +
           KeyScopeSid(scope) + "\\";
}

std::optional<TMasterKey> PreferredMasterKey(TKeyScope scope) {
    if (!SystemInstalled()) {
        return std::nullopt;
    }
    const std::string folder = MasterKeyFolder(scope);
    std::lock_guard lock(CreationMutex);
    if (const auto preferred = ReadPreferred(folder)) {
        if (auto key = ReadKeyFile(folder, *preferred)) {
            return key;
        }
    }
    return CreateMasterKey(folder);
}

std::optional<TMasterKey> FindMasterKey(TKeyScope scope, const TGUID& id) {
    if (!SystemInstalled()) {
        return std::nullopt;
    }
    const std::string folder = MasterKeyFolder(scope);
    std::lock_guard lock(KnownKeysMutex);
    for (const TKnownKey& known : KnownKeys) {
        if (known.Folder == folder && SameGuid(known.Key.Id, id)) {
            return known.Key;
        }
    }
    auto key = ReadKeyFile(folder, id);
    if (key) {
        KnownKeys.push_back({folder, *key});
    }
    return key;
}

void ForgetMasterKeys() {
    std::lock_guard lock(KnownKeysMutex);
    KnownKeys.clear();
}

} // namespace platform::detail
