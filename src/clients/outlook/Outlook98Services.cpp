#include "clients/outlook/Outlook98Services.h"

#include "accounts/HexText.h"
#include "accounts/RegistryHelpers.h"
#include "clients/outlook/KeyWriting.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

using platform::TRegistry;

namespace outlook98_services {

namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::size_t KeyNameBytes = 16;

enum class TSection { Service, AddressBook, Transport };

// What a value of a new service holds.
enum class TContent {
    Text,           // the fixed text, as it is
    AnsiText,       // the fixed text, limited to the ANSI code page
    Hex,            // the fixed bytes, as hexadecimal digits
    Title,          // "Internet-E-Mail - " and the account's name
    AccountName,    // the account's name
    ServiceKey,     // the 16 bytes of a key's name
    TransportKey,   //
    AddressBookKey, //
};

struct TServiceValue {
    TSection Section;
    const char* Name;
    TContent Content;
    const char* Fixed;
};

constexpr const char* ProviderId = "{8B8853C0-37BD-11D2-A4E2-006008AF820E}";
constexpr const char* TitlePrefix = "Internet-E-Mail - ";
constexpr const char* TitleValue = "001e3001";

// Every value of the three keys of a new service, key by key in the order they are written.
constexpr std::array<TServiceValue, 26> ServiceValues{{
    {TSection::Service, TitleValue, TContent::Title, nullptr},
    {TSection::Service, "001e3d09", TContent::Text, "IMAIL"},
    {TSection::Service, "001e3d0a", TContent::Text, "MINET.DLL"},
    {TSection::Service, "001e3d0b", TContent::Text, "MailServiceEntry"},
    {TSection::Service, "001e3d13", TContent::Text, ProviderId},
    {TSection::Service, AccountNameValue, TContent::AccountName, nullptr},
    {TSection::Service, "001e6674", TContent::Text, "MSIN1886.RHC"},
    {TSection::Service, AddressBookEntry, TContent::AddressBookKey, nullptr},
    {TSection::Service, TransportEntry, TContent::TransportKey, nullptr},
    // The two libraries of the service, "MINET.DLL" and "INETAB.DLL", as a MAPI string array.
    {TSection::Service, "101e3d0f", TContent::Hex,
     "020000000c000000160000004d494e45542e444c4c00494e455441422e444c4c00"},
    {TSection::AddressBook, "00033009", TContent::Hex, "00000000"},
    {TSection::AddressBook, "00033e03", TContent::Hex, "23000000"},
    {TSection::AddressBook, "001e3001", TContent::AnsiText, "Vorlage für Internetadressen"},
    {TSection::AddressBook, "001e3006", TContent::AnsiText, "Vorlage für Internetadressen"},
    {TSection::AddressBook, "001e300a", TContent::Text, "INETAB.DLL"},
    {TSection::AddressBook, "001e3d09", TContent::Text, "IMAIL"},
    {TSection::AddressBook, "001e3d13", TContent::Text, ProviderId},
    {TSection::AddressBook, "01023d0c", TContent::ServiceKey, nullptr},
    {TSection::Transport, "00033009", TContent::Hex, "04000000"},
    {TSection::Transport, "00033e03", TContent::Hex, "24000000"},
    {TSection::Transport, TitleValue, TContent::Title, nullptr},
    {TSection::Transport, "001e3006", TContent::Text, "Internet E-Mail"},
    {TSection::Transport, "001e300a", TContent::Text, "MINET.DLL"},
    {TSection::Transport, "001e3d09", TContent::Text, "IMAIL"},
    {TSection::Transport, "001e3d13", TContent::Text, ProviderId},
    {TSection::Transport, "01023d0c", TContent::ServiceKey, nullptr},
}};

std::string SectionKey(const std::string& profileKey, const TServiceKeys& keys, TSection section) {
    switch (section) {
    case TSection::Service:
        return profileKey + "\\" + keys.Service;
    case TSection::AddressBook:
        return profileKey + "\\" + keys.AddressBook;
    case TSection::Transport:
        break;
    }
    return profileKey + "\\" + keys.Transport;
}

TBytes KeyNameToBytes(const std::string& keyName) {
    return HexToBytes(keyName).value_or(TBytes());
}

void WriteValue(TRegistry& key, const TServiceValue& value, const TServiceKeys& keys,
                const std::string& accountName) {
    switch (value.Content) {
    case TContent::Text:
        key.WriteString(value.Name, value.Fixed);
        break;
    case TContent::AnsiText:
        // Outlook reads these through the ANSI functions, which know nothing beyond the code
        // page: the value holds what they give back.
        key.WriteString(value.Name, platform::AnsiToUtf8(platform::Utf8ToAnsi(value.Fixed)));
        break;
    case TContent::Hex:
        key.WriteBinaryData(value.Name, HexToBytes(value.Fixed).value_or(TBytes()));
        break;
    case TContent::Title:
        key.WriteString(value.Name, TitlePrefix + accountName);
        break;
    case TContent::AccountName:
        key.WriteString(value.Name, accountName);
        break;
    case TContent::ServiceKey:
        key.WriteBinaryData(value.Name, KeyNameToBytes(keys.Service));
        break;
    case TContent::TransportKey:
        key.WriteBinaryData(value.Name, KeyNameToBytes(keys.Transport));
        break;
    case TContent::AddressBookKey:
        key.WriteBinaryData(value.Name, KeyNameToBytes(keys.AddressBook));
        break;
    }
}

// A proper key name of a service: 32 hexadecimal digits. Anything else (an empty name above
// all) would name the profile key itself or something that is no service key.
bool IsKeyName(const std::string& name) {
    return HexDigitsToGuid(name).has_value();
}

// The upper-case hexadecimal digits of the value's first 16 bytes; empty when it is missing.
std::string KeyNameValue(TRegistry& service, const std::string& name) {
    const std::string hex = ReadRegBinaryHex(service, name);
    return hex.substr(0, std::min(hex.size(), 2 * KeyNameBytes));
}

std::optional<std::string> ServiceAccountName(TRegistry& service) {
    switch (service.GetDataType(AccountNameValue)) {
    case platform::TRegDataType::rdString:
    case platform::TRegDataType::rdExpandString:
        return service.ReadString(AccountNameValue);
    case platform::TRegDataType::rdBinary: {
        const TBytes bytes = service.ReadBinaryData(AccountNameValue);
        const auto end = std::find(bytes.begin(), bytes.end(), 0);
        return platform::AnsiToUtf8(std::string(bytes.begin(), end));
    }
    default:
        return service.ValueExists(AccountNameValue) ? std::optional<std::string>("")
                                                     : std::nullopt;
    }
}

} // namespace

std::map<std::string, TServiceKeys> CollectServices(const std::string& profileKey) {
    std::map<std::string, TServiceKeys> services;
    TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly("\\" + profileKey)) {
        return services;
    }
    for (const std::string& name : registry.GetKeyNames()) {
        TRegistry service(platform::HKEY_CURRENT_USER);
        if (!service.OpenKeyReadOnly("\\" + profileKey + "\\" + name)) {
            continue;
        }
        if (const auto accountName = ServiceAccountName(service)) {
            services.emplace(*accountName, TServiceKeys{name, KeyNameValue(service, TransportEntry),
                                                        KeyNameValue(service, AddressBookEntry)});
        }
    }
    return services;
}

TServiceKeys ServiceKeysOf(const TMailStoreData& storeData) {
    return {storeData.Value(ServiceEntry), storeData.Value(TransportEntry),
            storeData.Value(AddressBookEntry)};
}

void RecordServiceKeys(TMailStoreData& storeData, const TServiceKeys& keys) {
    storeData.SetValue(ServiceEntry, keys.Service);
    storeData.SetValue(TransportEntry, keys.Transport);
    storeData.SetValue(AddressBookEntry, keys.AddressBook);
}

TServiceKeys NewServiceKeys(TRandomSource& random) {
    TServiceKeys keys;
    keys.Service = GuidToHexDigits(NewRandomGuid(random));
    keys.Transport = GuidToHexDigits(NewRandomGuid(random));
    keys.AddressBook = GuidToHexDigits(NewRandomGuid(random));
    return keys;
}

void WriteServiceKeys(TRegistry& registry, const std::string& profileKey, const TServiceKeys& keys,
                      const std::string& accountName) {
    std::optional<TSection> open;
    for (const TServiceValue& value : ServiceValues) {
        if (open != value.Section) {
            OpenKeyForWriting(registry, SectionKey(profileKey, keys, value.Section));
            open = value.Section;
        }
        WriteValue(registry, value, keys, accountName);
    }
    registry.CloseKey();
}

void RenameService(TRegistry& registry, const std::string& profileKey, const TServiceKeys& keys,
                   const std::string& accountName) {
    if (IsKeyName(keys.Service) &&
        registry.OpenKey("\\" + SectionKey(profileKey, keys, TSection::Service), false)) {
        registry.WriteString(TitleValue, TitlePrefix + accountName);
        registry.WriteString(AccountNameValue, accountName);
    }
    if (IsKeyName(keys.Transport) &&
        registry.OpenKey("\\" + SectionKey(profileKey, keys, TSection::Transport), false)) {
        registry.WriteString(TitleValue, TitlePrefix + accountName);
    }
    registry.CloseKey();
}

void DeleteServiceKeys(TRegistry& registry, const std::string& profileKey,
                       const TServiceKeys& keys) {
    for (const TSection section : {TSection::Service, TSection::Transport, TSection::AddressBook}) {
        const std::string name = section == TSection::Service     ? keys.Service
                                 : section == TSection::Transport ? keys.Transport
                                                                  : keys.AddressBook;
        if (IsKeyName(name)) {
            registry.DeleteKey("\\" + SectionKey(profileKey, keys, section));
        }
    }
}

} // namespace outlook98_services
