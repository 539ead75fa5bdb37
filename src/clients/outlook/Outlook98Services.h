#pragma once
// The "Internet E-Mail" service of an Outlook 98/2000 account inside a MAPI profile: three keys
// below the profile's key (the service, its transport and its address book), each named by 32
// lower-case hexadecimal digits. An account of the shared account tree belongs to a profile only
// when the profile has a service of the account's name; the account's StoreData names the
// three keys ("01023d0e=" the service, "01023d02=" the transport, "01023d01=" the address book).

#include "accounts/MailStoreData.h"
#include "accounts/RandomSource.h"
#include "platform/Registry.h"

#include <map>
#include <string>

namespace outlook98_services {

inline constexpr const char* ServiceEntry = "01023d0e";
inline constexpr const char* TransportEntry = "01023d02";
inline constexpr const char* AddressBookEntry = "01023d01";
// The service value holding the account's name.
inline constexpr const char* AccountNameValue = "001e661f";

struct TServiceKeys {
    std::string Service;
    std::string Transport;
    std::string AddressBook;
    bool operator==(const TServiceKeys&) const = default;
};

// The profile's Internet mail services by account name (names compared exactly; of two services
// of one name the first in key order counts). The transport and address-book key names are the
// upper-case hexadecimal digits of the first 16 bytes the service names them by. Reads the
// account name from a string value, or from a binary one as MAPI keeps 8-bit text (the ANSI code
// page, up to its zero).
std::map<std::string, TServiceKeys> CollectServices(const std::string& profileKey);

// The keys StoreData names; empty names where an entry is missing.
TServiceKeys ServiceKeysOf(const TMailStoreData& storeData);
void RecordServiceKeys(TMailStoreData& storeData, const TServiceKeys& keys);
// Three new key names from three new GUIDs: service, transport, address book.
TServiceKeys NewServiceKeys(TRandomSource& random);

// Creates the three keys below the profile's key with every value of a new service. The
// registry is left with no key open.
void WriteServiceKeys(platform::TRegistry& registry, const std::string& profileKey,
                      const TServiceKeys& keys, const std::string& accountName);
// Gives the service's display texts (service and transport) the account's current name; keys
// that no longer exist are left missing.
void RenameService(platform::TRegistry& registry, const std::string& profileKey,
                   const TServiceKeys& keys, const std::string& accountName);
// Deletes those of the three keys that StoreData names by a proper key name.
void DeleteServiceKeys(platform::TRegistry& registry, const std::string& profileKey,
                       const TServiceKeys& keys);

} // namespace outlook98_services
