#pragma once
// Protected Storage (the provider of "pstorec.dll": PStoreCreateInstance, IPStore on Windows).
// Items are found by key, type GUID, subtype GUID and a UTF-16 name; their data is opaque bytes
// kept sealed for the current user. Types and subtypes carry display names; an item can only be
// written into a type and subtype that exist.

#include "platform/Guid.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Results as HRESULT values.
using TPStoreResult = std::uint32_t;
inline constexpr TPStoreResult PST_E_OK = 0x00000000;
inline constexpr TPStoreResult PST_E_FAIL = 0x800C0001;
inline constexpr TPStoreResult PST_E_PROV_DLL_NOT_FOUND = 0x800C0002;
inline constexpr TPStoreResult PST_E_TYPE_EXISTS = 0x800C0004;
inline constexpr TPStoreResult PST_E_TYPE_NO_EXISTS = 0x800C0005;
inline constexpr TPStoreResult PST_E_STORAGE_ERROR = 0x800C0008;
inline constexpr TPStoreResult PST_E_ITEM_EXISTS = 0x800C000F;
inline constexpr TPStoreResult PST_E_ITEM_NO_EXISTS = 0x800C0010;
inline constexpr TPStoreResult PST_E_INVALID_STRING = 0x800C0013;

inline constexpr std::uint32_t PST_KEY_CURRENT_USER = 0;
inline constexpr std::uint32_t PST_KEY_LOCAL_MACHINE = 1;
inline constexpr std::uint32_t PST_CF_NONE = 1;      // confirmation style: silent
inline constexpr std::uint32_t PST_NO_OVERWRITE = 2; // write flag: fail for an existing item

class IPStore {
public:
    virtual ~IPStore() = default;

    virtual TPStoreResult EnumTypes(std::uint32_t key, std::uint32_t flags,
                                    std::vector<TGUID>& types) = 0;
    virtual TPStoreResult EnumSubtypes(std::uint32_t key, const TGUID& type, std::uint32_t flags,
                                       std::vector<TGUID>& subtypes) = 0;
    virtual TPStoreResult GetTypeInfo(std::uint32_t key, const TGUID& type,
                                      std::string& displayName, std::uint32_t flags) = 0;
    virtual TPStoreResult GetSubtypeInfo(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                                         std::string& displayName, std::uint32_t flags) = 0;
    // PST_E_TYPE_EXISTS when it exists already.
    virtual TPStoreResult CreateType(std::uint32_t key, const TGUID& type,
                                     const std::string& displayName, std::uint32_t flags) = 0;
    // With an empty access-rule set. PST_E_TYPE_NO_EXISTS without the type.
    virtual TPStoreResult CreateSubtype(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                                        const std::string& displayName, std::uint32_t flags) = 0;

    virtual TPStoreResult ReadItem(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                                   const std::u16string& name, std::vector<std::uint8_t>& data,
                                   std::uint32_t flags) = 0;
    // Writes or overwrites the item (PST_NO_OVERWRITE: fails for an existing one).
    virtual TPStoreResult WriteItem(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                                    const std::u16string& name,
                                    const std::vector<std::uint8_t>& data,
                                    std::uint32_t confirmationStyle, std::uint32_t flags) = 0;
    virtual TPStoreResult DeleteItem(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                                     const std::u16string& name, std::uint32_t flags) = 0;
    virtual TPStoreResult EnumItems(std::uint32_t key, const TGUID& type, const TGUID& subtype,
                                    std::uint32_t flags, std::vector<std::u16string>& names) = 0;
};

// Loads the default provider. PST_E_PROV_DLL_NOT_FOUND, with no provider, where the system has
// no Protected Storage.
TPStoreResult PStoreCreateInstance(std::unique_ptr<IPStore>& store);

} // namespace platform
