// Protected Storage of the system: the provider that pstorec.dll hands out (PStoreCreateInstance),
// behind our IPStore. Windows has it up to XP and Server 2003; where a later version or Wine has
// no working provider, the store is "not available" (PST_E_PROV_DLL_NOT_FOUND), as on the
// simulated system with Protected Storage switched off.
//
// Memory the provider returns (item data, type information, enumerated names) is the caller's
// to free with CoTaskMemFree.

#include "platform/win32/WindowsApi.h"

#include <pstore.h>

// pstore.h defines the names our header declares as constants, with the same values.
#undef PST_E_OK
#undef PST_E_FAIL
#undef PST_E_PROV_DLL_NOT_FOUND
#undef PST_E_TYPE_EXISTS
#undef PST_E_TYPE_NO_EXISTS
#undef PST_E_STORAGE_ERROR
#undef PST_E_ITEM_EXISTS
#undef PST_E_ITEM_NO_EXISTS
#undef PST_E_INVALID_STRING
#undef PST_KEY_CURRENT_USER
#undef PST_KEY_LOCAL_MACHINE
#undef PST_CF_NONE
#undef PST_NO_OVERWRITE

#include "platform/ProtectedStorage.h"

#include <cstring>

namespace platform {

namespace {

using TSystemStore = ::IPStore;

GUID ToGuid(const TGUID& guid) {
    GUID out;
    out.Data1 = guid.Data1;
    out.Data2 = guid.Data2;
    out.Data3 = guid.Data3;
    std::memcpy(out.Data4, guid.Data4, sizeof out.Data4);
    return out;
}

TGUID FromGuid(const GUID& guid) {
    TGUID out;
    out.Data1 = guid.Data1;
    out.Data2 = guid.Data2;
    out.Data3 = guid.Data3;
    std::memcpy(out.Data4, guid.Data4, sizeof out.Data4);
    return out;
}

const wchar_t* WideName(const std::u16string& name) {
    return reinterpret_cast<const wchar_t*>(name.c_str());
}

struct TComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T> using TComPtr = std::unique_ptr<T, TComRelease>;

struct TTaskMemFree {
    void operator()(void* memory) const { CoTaskMemFree(memory); }
};

// No prompt: the items are written and read silently, as PST_CF_NONE asks.
PST_PROMPTINFO SilentPrompt() {
    PST_PROMPTINFO prompt{};
    prompt.cbSize = sizeof prompt;
    prompt.szPrompt = L"";
    return prompt;
}

TPStoreResult Collect(IEnumPStoreTypes* enumeration, std::vector<TGUID>& guids) {
    const TComPtr<IEnumPStoreTypes> owner(enumeration);
    guids.clear();
    GUID guid;
    DWORD fetched = 0;
    while (enumeration->Next(1, &guid, &fetched) == S_OK && fetched == 1) {
        guids.push_back(FromGuid(guid));
    }
    return PST_E_OK;
}

std::string DisplayName(PST_TYPEINFO* info) {
    // The name lies in the block of the structure, which is freed as one.
    const std::unique_ptr<void, TTaskMemFree> owner(info);
    return info == nullptr || info->szDisplayName == nullptr ? std::string()
                                                             : win32::Utf8(info->szDisplayName);
}

class TSystemPStore : public IPStore {
public:
    TSystemPStore(HMODULE library, TSystemStore* store) : Library_(library), Store_(store) {}
    ~TSystemPStore() override {
        Store_.reset();
        FreeLibrary(Library_);
    }
    TSystemPStore(const TSystemPStore&) = delete;
    TSystemPStore& operator=(const TSystemPStore&) = delete;

    TPStoreResult EnumTypes(std::uint32_t key, std::uint32_t flags,
                            std::vector<TGUID>& types) override {
        IEnumPStoreTypes* enumeration = nullptr;
        const HRESULT result = Store_->EnumTypes(key, flags, &enumeration);
        return FAILED(result) || enumeration == nullptr ? static_cast<TPStoreResult>(result)
                                                        : Collect(enumeration, types);
    }

    TPStoreResult EnumSubtypes(std::uint32_t key, const TGUID& type, std::uint32_t flags,
                               std::vector<TGUID>& subtypes) override {
        const GUID typeGuid = ToGuid(type);
        IEnumPStoreTypes* enumeration = nullptr;
        const HRESULT result = Store_->EnumSubtypes(key, &typeGuid, flags, &enumeration);
        return FAILED(result) || enumeration == nullptr ? static_cast<TPStoreResult>(result)
                                                        : Collect(enumeration, subtypes);
    }

    TPStoreResult GetTypeInfo(std::uint32_t key, const TGUID& type, std::string& displayName,
                              std::uint32_t flags) override {
        const GUID typeGuid = ToGuid(type);
        PST_TYPEINFO* info = nullptr;
        const HRESULT result = Store_->GetTypeInfo(key, &typeGuid, &info, flags);
        displayName = DisplayName(info);
        return static_cast<TPStoreResult>(result);
    }

    TPStoreResult GetSubtypeInfo(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                                 std::string& displayName, std::uint32_t flags) override {
        const GUID typeGuid = ToGuid(type);
        const GUID subtypeGuid = ToGuid(subtype);
        PST_TYPEINFO* info = nullptr;
        const HRESULT result = Store_->GetSubtypeInfo(key, &typeGuid, &subtypeGuid, &info, flags);
        displayName = DisplayName(info);
        return static_cast<TPStoreResult>(result);
    }

    TPStoreResult CreateType(std::uint32_t key, const TGUID& type, const std::string& displayName,
                             std::uint32_t flags) override {
        const GUID typeGuid = ToGuid(type);
        std::wstring name = win32::Wide(displayName);
        PST_TYPEINFO info{sizeof(PST_TYPEINFO), name.data()};
        return static_cast<TPStoreResult>(Store_->CreateType(key, &typeGuid, &info, flags));
    }

    TPStoreResult CreateSubtype(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                                const std::string& displayName, std::uint32_t flags) override {
        const GUID typeGuid = ToGuid(type);
        const GUID subtypeGuid = ToGuid(subtype);
        std::wstring name = win32::Wide(displayName);
        PST_TYPEINFO info{sizeof(PST_TYPEINFO), name.data()};
        PST_ACCESSRULESET rules{sizeof(PST_ACCESSRULESET), 0, nullptr};
        return static_cast<TPStoreResult>(
            Store_->CreateSubtype(key, &typeGuid, &subtypeGuid, &info, &rules, flags));
    }

    TPStoreResult ReadItem(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                           const std::u16string& name, std::vector<std::uint8_t>& data,
                           std::uint32_t flags) override {
        const GUID typeGuid = ToGuid(type);
        const GUID subtypeGuid = ToGuid(subtype);
        PST_PROMPTINFO prompt = SilentPrompt();
        DWORD size = 0;
        BYTE* bytes = nullptr;
        const HRESULT result = Store_->ReadItem(key, &typeGuid, &subtypeGuid, WideName(name), &size,
                                                &bytes, &prompt, flags);
        const std::unique_ptr<void, TTaskMemFree> owner(bytes);
        if (SUCCEEDED(result)) {
            data.assign(bytes, bytes + (bytes == nullptr ? 0 : size));
            SecureZeroMemory(bytes, bytes == nullptr ? 0 : size);
        }
        return static_cast<TPStoreResult>(result);
    }

    TPStoreResult WriteItem(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                            const std::u16string& name, const std::vector<std::uint8_t>& data,
                            std::uint32_t confirmationStyle, std::uint32_t flags) override {
        const GUID typeGuid = ToGuid(type);
        const GUID subtypeGuid = ToGuid(subtype);
        PST_PROMPTINFO prompt = SilentPrompt();
        return static_cast<TPStoreResult>(Store_->WriteItem(
            key, &typeGuid, &subtypeGuid, WideName(name), static_cast<DWORD>(data.size()),
            const_cast<BYTE*>(data.data()), &prompt, confirmationStyle, flags));
    }

    TPStoreResult DeleteItem(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                             const std::u16string& name, std::uint32_t flags) override {
        const GUID typeGuid = ToGuid(type);
        const GUID subtypeGuid = ToGuid(subtype);
        PST_PROMPTINFO prompt = SilentPrompt();
        return static_cast<TPStoreResult>(
            Store_->DeleteItem(key, &typeGuid, &subtypeGuid, WideName(name), &prompt, flags));
    }

    TPStoreResult EnumItems(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                            std::uint32_t flags, std::vector<std::u16string>& names) override {
        const GUID typeGuid = ToGuid(type);
        const GUID subtypeGuid = ToGuid(subtype);
        IEnumPStoreItems* enumeration = nullptr;
        const HRESULT result = Store_->EnumItems(key, &typeGuid, &subtypeGuid, flags, &enumeration);
        if (FAILED(result) || enumeration == nullptr) {
            return static_cast<TPStoreResult>(result);
        }
        const TComPtr<IEnumPStoreItems> owner(enumeration);
        names.clear();
        LPWSTR name = nullptr;
        DWORD fetched = 0;
        while (enumeration->Next(1, &name, &fetched) == S_OK && fetched == 1) {
            const std::unique_ptr<void, TTaskMemFree> nameOwner(name);
            const std::wstring_view text = name == nullptr ? L"" : name;
            names.emplace_back(text.begin(), text.end());
        }
        return PST_E_OK;
    }

private:
    HMODULE Library_;
    TComPtr<TSystemStore> Store_;
};

} // namespace

TPStoreResult PStoreCreateInstance(std::unique_ptr<IPStore>& store) {
    store.reset();
    // From the system's folder only: a pstorec.dll beside the program or in the current folder
    // is not the system's.
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return PST_E_PROV_DLL_NOT_FOUND;
    }
    const HMODULE library = LoadLibraryW((std::wstring(folder, length) + L"\\pstorec.dll").c_str());
    if (library == nullptr) {
        return PST_E_PROV_DLL_NOT_FOUND;
    }
    using TCreate = HRESULT(WINAPI*)(TSystemStore**, PST_PROVIDERID*, void*, DWORD);
    const auto create = reinterpret_cast<TCreate>(
        reinterpret_cast<void*>(GetProcAddress(library, "PStoreCreateInstance")));
    TSystemStore* provider = nullptr;
    if (create == nullptr || FAILED(create(&provider, nullptr, nullptr, 0)) ||
        provider == nullptr) {
        FreeLibrary(library);
        return PST_E_PROV_DLL_NOT_FOUND;
    }
    auto candidate = std::make_unique<TSystemPStore>(library, provider);
    // Some systems hand out a provider that does nothing (Wine's answers every call with
    // E_NOTIMPL): one that cannot list its types is no store.
    std::vector<TGUID> types;
    if (FAILED(candidate->EnumTypes(PST_KEY_CURRENT_USER, 0, types))) {
        return PST_E_PROV_DLL_NOT_FOUND;
    }
    store = std::move(candidate);
    return PST_E_OK;
}

} // namespace platform
