#include "NssKeyDatabase.h"

#include "Base64.h"
#include "ThunderbirdDetail.h"

#include <platform/DynamicLibrary.h>
#include <platform/Files.h>

#include <nss.h>
#include <pk11pub.h>
#include <pk11sdr.h>
#include <prerror.h>
#include <secitem.h>
#include <secport.h>

#include <atomic>
#include <cstring>
#include <map>

// The NSS functions this module uses, looked up in the loaded library. Only their types come
// from the NSS headers; nothing is linked.
struct TNssApi {
    std::unique_ptr<platform::TDynamicLibrary> Library;
    decltype(&NSS_InitContext) InitContext = nullptr;
    decltype(&NSS_ShutdownContext) ShutdownContext = nullptr;
    decltype(&PK11_GetInternalKeySlot) GetInternalKeySlot = nullptr;
    decltype(&PK11_FreeSlot) FreeSlot = nullptr;
    decltype(&PK11_GetTokenName) GetTokenName = nullptr;
    decltype(&PK11_NeedUserInit) NeedUserInit = nullptr;
    decltype(&PK11_NeedLogin) NeedLogin = nullptr;
    decltype(&PK11_InitPin) InitPin = nullptr;
    decltype(&PK11SDR_Encrypt) SdrEncrypt = nullptr;
    decltype(&PK11SDR_Decrypt) SdrDecrypt = nullptr;
    decltype(&SECITEM_ZfreeItem) ZfreeItem = nullptr;
    decltype(&PORT_GetError) GetError = nullptr;
    decltype(&PR_ErrorToName) ErrorToName = nullptr; // optional
};

namespace {

// Every NSS context of the process is opened and closed under this lock (see the header).
std::mutex& NssLock() {
    static std::mutex lock;
    return lock;
}

template <class TFunction>
bool Resolve(const platform::TDynamicLibrary& library, const char* name, TFunction& function) {
    function = reinterpret_cast<TFunction>(library.Symbol(name));
    return function != nullptr;
}

std::unique_ptr<TNssApi> LoadApi(const std::string& libraryName) {
    auto api = std::make_unique<TNssApi>();
    api->Library = platform::TDynamicLibrary::Load(libraryName);
    if (!api->Library) {
        return nullptr;
    }
    const platform::TDynamicLibrary& lib = *api->Library;
    const bool complete = Resolve(lib, "NSS_InitContext", api->InitContext) &&
                          Resolve(lib, "NSS_ShutdownContext", api->ShutdownContext) &&
                          Resolve(lib, "PK11_GetInternalKeySlot", api->GetInternalKeySlot) &&
                          Resolve(lib, "PK11_FreeSlot", api->FreeSlot) &&
                          Resolve(lib, "PK11_GetTokenName", api->GetTokenName) &&
                          Resolve(lib, "PK11_NeedUserInit", api->NeedUserInit) &&
                          Resolve(lib, "PK11_NeedLogin", api->NeedLogin) &&
                          Resolve(lib, "PK11_InitPin", api->InitPin) &&
                          Resolve(lib, "PK11SDR_Encrypt", api->SdrEncrypt) &&
                          Resolve(lib, "PK11SDR_Decrypt", api->SdrDecrypt) &&
                          Resolve(lib, "SECITEM_ZfreeItem", api->ZfreeItem) &&
                          Resolve(lib, "PORT_GetError", api->GetError);
    Resolve(lib, "PR_ErrorToName", api->ErrorToName);
    return complete ? std::move(api) : nullptr;
}

// NSS and NSPR are not made to be unloaded while the process runs: the first handle of each
// library stays open until the process ends, later loads of the same library only check that it
// is there. Call with NssLock held.
const TNssApi* Api(const std::string& libraryName) {
    static auto* loaded = new std::map<void*, std::unique_ptr<TNssApi>>();
    std::unique_ptr<TNssApi> api = LoadApi(libraryName);
    if (!api) {
        return nullptr;
    }
    void* const identity = reinterpret_cast<void*>(api->InitContext);
    return loaded->try_emplace(identity, std::move(api)).first->second.get();
}

std::string ErrorText(const TNssApi& api) {
    const int code = api.GetError();
    const char* name = api.ErrorToName != nullptr ? api.ErrorToName(code) : nullptr;
    return name != nullptr ? name : "NSS error " + std::to_string(code);
}

// A token name no other context of this process has had, so the internal key database can be
// told to be ours (at most 32 bytes).
std::string NewTokenName() {
    static std::atomic<unsigned> counter{0};
    return "Quenlix key database " + std::to_string(++counter);
}

class TSlot {
public:
    explicit TSlot(const TNssApi& api) : Api_(api), Slot_(api.GetInternalKeySlot()) {}
    ~TSlot() {
        if (Slot_ != nullptr) {
            Api_.FreeSlot(Slot_);
        }
    }
    TSlot(const TSlot&) = delete;
    TSlot& operator=(const TSlot&) = delete;
    PK11SlotInfo* Get() const { return Slot_; }

private:
    const TNssApi& Api_;
    PK11SlotInfo* Slot_;
};

// Checks that the internal key database is the one just opened and can be used without asking
// for a password, initialising a database never used before with the empty password when it may
// be changed.
TNssKeyDatabase::TOpenResult PrepareSlot(const TNssApi& api, const std::string& tokenName,
                                         TNssKeyDatabase::TAccess access) {
    const TSlot slot(api);
    if (slot.Get() == nullptr || tokenName != api.GetTokenName(slot.Get())) {
        return TNssKeyDatabase::TOpenResult::CannotOpen;
    }
    if (api.NeedUserInit(slot.Get())) {
        if (access == TNssKeyDatabase::TAccess::ReadOnly) {
            return TNssKeyDatabase::TOpenResult::NotSetUp;
        }
        if (api.InitPin(slot.Get(), "", "") != SECSuccess) {
            return TNssKeyDatabase::TOpenResult::CannotOpen;
        }
    }
    return api.NeedLogin(slot.Get()) ? TNssKeyDatabase::TOpenResult::PrimaryPassword
                                     : TNssKeyDatabase::TOpenResult::Opened;
}

// A SECItem that NSS filled, freed (and wiped) on every way out.
class TNssItem {
public:
    explicit TNssItem(const TNssApi& api) : Api_(api) {}
    ~TNssItem() { Api_.ZfreeItem(&Item, PR_FALSE); }
    TNssItem(const TNssItem&) = delete;
    TNssItem& operator=(const TNssItem&) = delete;
    std::string Bytes() const {
        return Item.data != nullptr
                   ? std::string(reinterpret_cast<const char*>(Item.data), Item.len)
                   : std::string();
    }
    SECItem Item{siBuffer, nullptr, 0};

private:
    const TNssApi& Api_;
};

SECItem InputItem(const std::string& bytes) {
    return SECItem{siBuffer, reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.data())),
                   static_cast<unsigned int>(bytes.size())};
}

} // namespace

std::unique_ptr<TNssKeyDatabase> TNssKeyDatabase::Open(const std::string& nssLibrary,
                                                       const std::string& profileDir,
                                                       TOpenResult& result, TAccess access) {
    if (!platform::FileExists(thunderbird_detail::JoinPath(profileDir, "key4.db"))) {
        result = TOpenResult::NoKeyDatabase;
        return nullptr;
    }
    std::unique_lock lock(NssLock());
    const TNssApi* api = Api(nssLibrary);
    if (api == nullptr) {
        result = TOpenResult::NoLibrary;
        return nullptr;
    }
    const std::string tokenName = NewTokenName();
    NSSInitParameters parameters;
    std::memset(&parameters, 0, sizeof parameters);
    parameters.length = sizeof parameters;
    parameters.dbTokenDescription = const_cast<char*>(tokenName.c_str());
    // NSS takes paths in UTF-8 on every system.
    const std::u8string folder = platform::HostPath(profileDir).u8string();
    const std::string configDir = "sql:" + std::string(folder.begin(), folder.end());
    // The profile's module list (pkcs11.txt) and root certificates are Thunderbird's business.
    const PRUint32 flags = NSS_INIT_NOMODDB | NSS_INIT_NOROOTINIT | NSS_INIT_OPTIMIZESPACE |
                           (access == TAccess::ReadOnly ? NSS_INIT_READONLY : 0);
    NSSInitContext* context =
        api->InitContext(configDir.c_str(), "", "", "secmod.db", &parameters, flags);
    if (context == nullptr) {
        result = TOpenResult::CannotOpen;
        return nullptr;
    }
    result = PrepareSlot(*api, tokenName, access);
    if (result != TOpenResult::Opened) {
        api->ShutdownContext(context);
        return nullptr;
    }
    return std::unique_ptr<TNssKeyDatabase>(new TNssKeyDatabase(*api, context, std::move(lock)));
}

TNssKeyDatabase::TNssKeyDatabase(const TNssApi& api, NSSInitContextStr* context,
                                 std::unique_lock<std::mutex> lock)
    : Api_(api), Context_(context), Lock_(std::move(lock)) {}

TNssKeyDatabase::~TNssKeyDatabase() {
    Api_.ShutdownContext(Context_);
}

std::string TNssKeyDatabase::Encrypt(const std::string& plain) {
    SECItem keyId{siBuffer, nullptr, 0}; // the database's default login key
    SECItem data = InputItem(plain);
    TNssItem encrypted(Api_);
    if (Api_.SdrEncrypt(&keyId, &data, &encrypted.Item, nullptr) != SECSuccess) {
        throw ENssError("The Thunderbird key database cannot encrypt a login (" + ErrorText(Api_) +
                        ")");
    }
    return Base64Encode(encrypted.Bytes());
}

std::optional<std::string> TNssKeyDatabase::Decrypt(const std::string& encrypted) {
    if (encrypted.empty() || !IsBase64(encrypted)) {
        return std::nullopt;
    }
    const std::string bytes = Base64Decode(encrypted);
    SECItem data = InputItem(bytes);
    TNssItem plain(Api_);
    if (Api_.SdrDecrypt(&data, &plain.Item, nullptr) != SECSuccess) {
        return std::nullopt;
    }
    return plain.Bytes();
}

std::string TNssKeyDatabase::Describe(TOpenResult result) {
    switch (result) {
    case TOpenResult::Opened:
        return "opened";
    case TOpenResult::NoLibrary:
        return "the NSS library of Thunderbird cannot be loaded";
    case TOpenResult::NoKeyDatabase:
        return "the profile has no key database (key4.db)";
    case TOpenResult::CannotOpen:
        return "NSS cannot open the profile's key database";
    case TOpenResult::PrimaryPassword:
        return "the profile's key database is protected by a primary password";
    case TOpenResult::NotSetUp:
        return "the profile's key database has not been set up yet";
    }
    return "unknown";
}
