// The simulated Protected Storage keeps everything in the current user's hive, below
//   HKCU\Software\Microsoft\Protected Storage System Provider\<user SID>\Data
// one key per type ("{220d5cc1-...}", its default value the display name), one key per subtype
// below it (likewise), and one binary value per item in the subtype key, named by the item name.
// Item data is sealed by data protection for the user, with the item's type, subtype and name
// as entropy, so a hive file never shows it and a value copied to another item does not open.

#include "platform/ProtectedStorage.h"

#include "platform/DataProtection.h"
#include "platform/PStoreTesting.h"
#include "platform/RegText.h"
#include "platform/Registry.h"
#include "platform/System.h"

#include <deque>
#include <mutex>

namespace platform {

namespace {

constexpr std::size_t KeptCalls = 256;

std::mutex CallsMutex;
std::deque<detail::TPStoreCall> Calls;

void Record(const char* operation, std::uint32_t flags, const std::u16string& name = {},
            std::uint32_t confirmationStyle = 0) {
    std::lock_guard lock(CallsMutex);
    Calls.push_back({operation, name, flags, confirmationStyle});
    if (Calls.size() > KeptCalls) {
        Calls.pop_front();
    }
}

std::string GuidKeyName(const TGUID& guid) {
    std::string name = GuidToString(guid);
    for (char& c : name) {
        c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    }
    return name;
}

std::string DataPath() {
    return "\\Software\\Microsoft\\Protected Storage System Provider\\" + MachineFacts().UserSid +
           "\\Data";
}

std::string TypePath(const TGUID& type) {
    return DataPath() + "\\" + GuidKeyName(type);
}

std::string SubtypePath(const TGUID& type, const TGUID& subtype) {
    return TypePath(type) + "\\" + GuidKeyName(subtype);
}

// The value name of an item; nullopt for a name the registry cannot hold.
std::optional<std::string> ItemValueName(const std::u16string& name) {
    if (name.empty() || !reg::IsWellFormedUtf16(name) ||
        name.find_first_of(u"\r\n", 0, 3) != std::u16string::npos) {
        return std::nullopt;
    }
    return Utf16ToUtf8(name);
}

// The item's identity, bound into its seal.
TDataBlob ItemEntropy(const TGUID& type, const TGUID& subtype, const std::u16string& name) {
    TDataBlob entropy;
    for (const TGUID& guid : {type, subtype}) {
        const auto bytes = GuidToBytes(guid);
        entropy.insert(entropy.end(), bytes.begin(), bytes.end());
    }
    reg::AppendUtf16Bytes(entropy, name);
    return entropy;
}

std::vector<TGUID> GuidSubkeys(const std::string& path) {
    std::vector<TGUID> guids;
    TRegistry reg(HKEY_CURRENT_USER);
    if (reg.OpenKeyReadOnly(path)) {
        for (const std::string& name : reg.GetKeyNames()) {
            if (const auto guid = StringToGuid(name)) {
                guids.push_back(*guid);
            }
        }
    }
    return guids;
}

TPStoreResult ReadDisplayName(const std::string& path, std::string& displayName) {
    TRegistry reg(HKEY_CURRENT_USER);
    if (!reg.OpenKeyReadOnly(path)) {
        return PST_E_TYPE_NO_EXISTS;
    }
    try {
        displayName = reg.GetDataType("") == TRegDataType::rdString ? reg.ReadString("") : "";
    } catch (const ERegistryException&) {
        displayName.clear();
    }
    return PST_E_OK;
}

// Creates the key of a type or subtype below an existing parent.
TPStoreResult CreateTypeKey(const std::string& parent, const std::string& path,
                            const std::string& displayName) {
    try {
        TRegistry reg(HKEY_CURRENT_USER);
        if (!parent.empty() && !reg.KeyExists(parent)) {
            return PST_E_TYPE_NO_EXISTS;
        }
        if (reg.KeyExists(path)) {
            return PST_E_TYPE_EXISTS;
        }
        if (!reg.OpenKey(path, true)) {
            return PST_E_STORAGE_ERROR;
        }
        reg.WriteString("", displayName);
        reg.CloseKey();
        return PST_E_OK;
    } catch (const std::exception&) {
        return PST_E_STORAGE_ERROR; // a value or hive that could not be written
    }
}

class TSimulatedPStore : public IPStore {
public:
    TPStoreResult EnumTypes(std::uint32_t key, std::uint32_t flags,
                            std::vector<TGUID>& types) override {
        Record("EnumTypes", flags);
        if (key != PST_KEY_CURRENT_USER) {
            return PST_E_FAIL;
        }
        types = GuidSubkeys(DataPath());
        return PST_E_OK;
    }

    TPStoreResult EnumSubtypes(std::uint32_t key, const TGUID& type, std::uint32_t flags,
                               std::vector<TGUID>& subtypes) override {
        Record("EnumSubtypes", flags);
        if (key != PST_KEY_CURRENT_USER) {
            return PST_E_FAIL;
        }
        if (!TRegistry(HKEY_CURRENT_USER).KeyExists(TypePath(type))) {
            return PST_E_TYPE_NO_EXISTS;
        }
        subtypes = GuidSubkeys(TypePath(type));
        return PST_E_OK;
    }

    TPStoreResult GetTypeInfo(std::uint32_t key, const TGUID& type, std::string& displayName,
                              std::uint32_t flags) override {
        Record("GetTypeInfo", flags);
        return key != PST_KEY_CURRENT_USER ? PST_E_FAIL
                                           : ReadDisplayName(TypePath(type), displayName);
    }

    TPStoreResult GetSubtypeInfo(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                                 std::string& displayName, std::uint32_t flags) override {
        Record("GetSubtypeInfo", flags);
        return key != PST_KEY_CURRENT_USER
                   ? PST_E_FAIL
                   : ReadDisplayName(SubtypePath(type, subtype), displayName);
    }

    TPStoreResult CreateType(std::uint32_t key, const TGUID& type, const std::string& displayName,
                             std::uint32_t flags) override {
        Record("CreateType", flags);
        return key != PST_KEY_CURRENT_USER ? PST_E_FAIL
                                           : CreateTypeKey("", TypePath(type), displayName);
    }

    TPStoreResult CreateSubtype(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                                const std::string& displayName, std::uint32_t flags) override {
        Record("CreateSubtype", flags);
        return key != PST_KEY_CURRENT_USER
                   ? PST_E_FAIL
                   : CreateTypeKey(TypePath(type), SubtypePath(type, subtype), displayName);
    }

    TPStoreResult ReadItem(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                           const std::u16string& name, std::vector<std::uint8_t>& data,
                           std::uint32_t flags) override {
        Record("ReadItem", flags, name);
        const auto valueName = ItemValueName(name);
        if (key != PST_KEY_CURRENT_USER || !valueName) {
            return key != PST_KEY_CURRENT_USER ? PST_E_FAIL : PST_E_INVALID_STRING;
        }
        TRegistry reg(HKEY_CURRENT_USER);
        if (!reg.OpenKeyReadOnly(SubtypePath(type, subtype))) {
            return PST_E_TYPE_NO_EXISTS;
        }
        if (reg.GetDataType(*valueName) != TRegDataType::rdBinary) {
            return PST_E_ITEM_NO_EXISTS;
        }
        try {
            const auto opened =
                CryptUnprotectData(reg.ReadBinaryData(*valueName), ItemEntropy(type, subtype, name),
                                   CRYPTPROTECT_UI_FORBIDDEN);
            if (!opened) {
                return PST_E_STORAGE_ERROR;
            }
            data = opened->Data;
            return PST_E_OK;
        } catch (const ERegistryException&) {
            return PST_E_ITEM_NO_EXISTS; // gone meanwhile
        }
    }

    TPStoreResult WriteItem(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                            const std::u16string& name, const std::vector<std::uint8_t>& data,
                            std::uint32_t confirmationStyle, std::uint32_t flags) override {
        Record("WriteItem", flags, name, confirmationStyle);
        const auto valueName = ItemValueName(name);
        if (key != PST_KEY_CURRENT_USER || !valueName) {
            return key != PST_KEY_CURRENT_USER ? PST_E_FAIL : PST_E_INVALID_STRING;
        }
        try {
            TRegistry reg(HKEY_CURRENT_USER);
            if (!reg.OpenKey(SubtypePath(type, subtype), false)) {
                return PST_E_TYPE_NO_EXISTS;
            }
            if ((flags & PST_NO_OVERWRITE) != 0 && reg.ValueExists(*valueName)) {
                return PST_E_ITEM_EXISTS;
            }
            const auto sealed = CryptProtectData(data, "", ItemEntropy(type, subtype, name),
                                                 CRYPTPROTECT_UI_FORBIDDEN);
            if (!sealed) {
                return PST_E_STORAGE_ERROR;
            }
            reg.WriteBinaryData(*valueName, *sealed);
            reg.CloseKey();
            return PST_E_OK;
        } catch (const std::exception&) {
            return PST_E_STORAGE_ERROR; // a value or hive that could not be written
        }
    }

    TPStoreResult DeleteItem(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                             const std::u16string& name, std::uint32_t flags) override {
        Record("DeleteItem", flags, name);
        const auto valueName = ItemValueName(name);
        if (key != PST_KEY_CURRENT_USER || !valueName) {
            return key != PST_KEY_CURRENT_USER ? PST_E_FAIL : PST_E_INVALID_STRING;
        }
        try {
            TRegistry reg(HKEY_CURRENT_USER);
            if (!reg.OpenKey(SubtypePath(type, subtype), false)) {
                return PST_E_TYPE_NO_EXISTS;
            }
            if (!reg.DeleteValue(*valueName)) {
                return PST_E_ITEM_NO_EXISTS;
            }
            reg.CloseKey();
            return PST_E_OK;
        } catch (const std::exception&) {
            return PST_E_STORAGE_ERROR;
        }
    }

    TPStoreResult EnumItems(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                            std::uint32_t flags, std::vector<std::u16string>& names) override {
        Record("EnumItems", flags);
        if (key != PST_KEY_CURRENT_USER) {
            return PST_E_FAIL;
        }
        TRegistry reg(HKEY_CURRENT_USER);
        if (!reg.OpenKeyReadOnly(SubtypePath(type, subtype))) {
            return PST_E_TYPE_NO_EXISTS;
        }
        names.clear();
        for (const std::string& value : reg.GetValueNames()) {
            if (!value.empty() && reg.GetDataType(value) == TRegDataType::rdBinary) {
                names.push_back(Utf8ToUtf16(value));
            }
        }
        return PST_E_OK;
    }
};

} // namespace

TPStoreResult PStoreCreateInstance(std::unique_ptr<IPStore>& store) {
    store.reset();
    if (!SystemInstalled() || !MachineFacts().ProtectedStorageAvailable) {
        return PST_E_PROV_DLL_NOT_FOUND;
    }
    store = std::make_unique<TSimulatedPStore>();
    return PST_E_OK;
}

namespace detail {

std::vector<TPStoreCall> PStoreCallsForTesting() {
    std::lock_guard lock(CallsMutex);
    return std::vector<TPStoreCall>(Calls.begin(), Calls.end());
}

void ClearPStoreCallsForTesting() {
    std::lock_guard lock(CallsMutex);
    Calls.clear();
}

} // namespace detail

} // namespace platform
