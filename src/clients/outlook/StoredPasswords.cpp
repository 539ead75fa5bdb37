// The Protected Storage side of the Outlook family's passwords.

#include "clients/outlook/StoredPasswords.h"

#include "accounts/MailAccounts.h"
#include "platform/CodePage.h"
#include "platform/RegText.h"

#include <algorithm>
#include <cstdio>
#include <set>

using platform::PST_KEY_CURRENT_USER;
using platform::TGUID;
using platform::TRegistry;

namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::uint32_t PromptQueryFlags = 0x10;
constexpr const char* IdentityItemName = "IdentitiesPass";
// A working random source finds a free name at once; this many draws mean it is broken.
constexpr int MaxReferenceDraws = 10000;

struct TItemFamily {
    const TGUID& Type;
    const TGUID& Subtype;
    bool Wide; // UTF-16 item data; else the ANSI code page
    const char* PasswordValues[3];
};

const TItemFamily AnsiFamily{AnsiPasswordType,
                             AnsiPasswordSubtype,
                             false,
                             {"POP3 Password2", "IMAP Password2", "SMTP Password2"}};
const TItemFamily WideFamily{WidePasswordType,
                             WidePasswordSubtype,
                             true,
                             {"POP3 Password", "IMAP Password", "SMTP Password"}};

const TItemFamily& FamilyOf(TOutlookPasswordStore store) {
    return store == TOutlookPasswordStore::Outlook2002 ? WideFamily : AnsiFamily;
}

bool Contains(const std::vector<TGUID>& guids, const TGUID& guid) {
    return std::any_of(guids.begin(), guids.end(),
                       [&](const TGUID& g) { return platform::SameGuid(g, guid); });
}

TBytes PasswordItemData(const TItemFamily& family, const std::string& password) {
    TBytes data;
    if (family.Wide) {
        platform::reg::AppendUtf16Bytes(data, platform::Utf8ToUtf16(password));
        data.push_back(0);
    } else {
        const std::string ansi = platform::Utf8ToAnsi(password);
        data.assign(ansi.begin(), ansi.end());
    }
    data.push_back(0);
    return data;
}

std::string PasswordFromItemData(const TItemFamily& family, const TBytes& data) {
    if (family.Wide) {
        std::u16string text =
            platform::reg::BytesToUtf16(data.data(), data.size() - data.size() % 2);
        text.resize(std::min(text.size(), text.find(u'\0')));
        return platform::Utf16ToUtf8(text);
    }
    const auto end = std::find(data.begin(), data.end(), 0);
    return platform::AnsiToUtf8(std::string(data.begin(), end));
}

// The value read from the key without creating it; empty when the key or value is missing.
std::string ReferenceAt(const TStoredPasswords& passwords, platform::THKey root,
                        const std::string& keyPath, const std::string& valueName) {
    TRegistry reader(root);
    return reader.OpenKeyReadOnly(keyPath) ? passwords.ReadReferenceValue(reader, valueName)
                                           : std::string();
}

} // namespace

TStoredPasswords::TStoredPasswords(TOutlookPasswordStore store, TOutlookWindowsVersion windows,
                                   TRandomSource& random)
    : Store_(store), Windows_(windows), Random_(random) {}

TStoredPasswords::~TStoredPasswords() = default;

bool TStoredPasswords::ObtainProvider() {
    if (platform::PStoreCreateInstance(Provider_) != platform::PST_E_OK) {
        Provider_.reset();
    }
    return HasProvider();
}

std::uint32_t TStoredPasswords::ReadFlags() const {
    switch (Windows_) {
    case TOutlookWindowsVersion::WinNT4:
    case TOutlookWindowsVersion::WinXP:
    case TOutlookWindowsVersion::WinServer2003:
        return PromptQueryFlags;
    case TOutlookWindowsVersion::WinVista:
    case TOutlookWindowsVersion::Win7:
        return Store_ == TOutlookPasswordStore::OutlookExpress ? 0 : PromptQueryFlags;
    default:
        return 0;
    }
}

bool TStoredPasswords::EnsureItemType(const TGUID& type, const std::string& typeName,
                                      const TGUID& subtype, const std::string& subtypeName) {
    if (!HasProvider()) {
        return false;
    }
    using platform::PST_E_OK;
    using platform::PST_E_TYPE_EXISTS;
    std::vector<TGUID> types;
    if (Provider_->EnumTypes(PST_KEY_CURRENT_USER, 0, types) != PST_E_OK ||
        !Contains(types, type)) {
        const auto result = Provider_->CreateType(PST_KEY_CURRENT_USER, type, typeName, 0);
        if (result != PST_E_OK && result != PST_E_TYPE_EXISTS) {
            return false;
        }
    }
    std::vector<TGUID> subtypes;
    if (Provider_->EnumSubtypes(PST_KEY_CURRENT_USER, type, 0, subtypes) != PST_E_OK ||
        !Contains(subtypes, subtype)) {
        const auto result =
            Provider_->CreateSubtype(PST_KEY_CURRENT_USER, type, subtype, subtypeName, 0);
        if (result != PST_E_OK && result != PST_E_TYPE_EXISTS) {
            return false;
        }
    }
    return true;
}

std::string TStoredPasswords::ReadStoredPassword(const std::string& reference) {
    if (!HasProvider()) {
        return {};
    }
    const TItemFamily& family = FamilyOf(Store_);
    TBytes data;
    if (Provider_->ReadItem(PST_KEY_CURRENT_USER, family.Type, family.Subtype,
                            platform::Utf8ToUtf16(reference), data,
                            ReadFlags()) != platform::PST_E_OK) {
        return {};
    }
    return PasswordFromItemData(family, data);
}

void TStoredPasswords::WriteStoredPassword(const std::string& reference,
                                           const std::string& password) {
    if (!HasProvider()) {
        return;
    }
    const TItemFamily& family = FamilyOf(Store_);
    if (!EnsureItemType(family.Type, "Identification", family.Subtype,
                        "INETCOMM Server Passwords")) {
        throw EStoredPasswordError("The password item type could not be created in Protected "
                                   "Storage");
    }
    WriteItem(family.Type, family.Subtype, platform::Utf8ToUtf16(reference),
              PasswordItemData(family, password));
}

void TStoredPasswords::DeleteStoredPassword(const std::string& reference) {
    if (!HasProvider()) {
        return;
    }
    const TItemFamily& family = FamilyOf(Store_);
    Provider_->DeleteItem(PST_KEY_CURRENT_USER, family.Type, family.Subtype,
                          platform::Utf8ToUtf16(reference), ReadFlags());
}

std::string TStoredPasswords::DrawReferenceName() {
    char name[24];
    if (Store_ == TOutlookPasswordStore::Outlook2002) {
        std::snprintf(name, sizeof name, "00000000%08X", Random_.Below(0xFFFFFFFFu));
    } else {
        std::snprintf(name, sizeof name, "account%.8u", Random_.Below(100000000u));
    }
    return name;
}

std::string TStoredPasswords::NewPasswordReference(TMailAccounts& store, TRegistry& registry,
                                                   const std::string& valueName,
                                                   const std::vector<std::string>& alsoTaken) {
    const bool hadKey = registry.HasCurrentKey();
    const std::string path = "\\" + registry.CurrentPath();
    registry.CloseKey();

    std::set<std::string> taken(alsoTaken.begin(), alsoTaken.end());
    for (const auto& profile : store.Profiles()) {
        for (const auto& account : profile->Accounts()) {
            taken.insert(ReferenceAt(*this, registry.RootKey(), path + "\\" + account->AccountKey(),
                                     valueName));
        }
    }
    // Every password value of every account key below the path, loaded or not: one item name
    // must never serve two passwords.
    TRegistry keys(registry.RootKey());
    if (hadKey && keys.OpenKeyReadOnly(path)) {
        for (const std::string& key : keys.GetKeyNames()) {
            for (const char* value : FamilyOf(Store_).PasswordValues) {
                taken.insert(ReferenceAt(*this, registry.RootKey(), path + "\\" + key, value));
            }
        }
    }
    std::vector<std::u16string> items;
    if (HasProvider()) {
        const TItemFamily& family = FamilyOf(Store_);
        Provider_->EnumItems(PST_KEY_CURRENT_USER, family.Type, family.Subtype, 0, items);
    }
    for (const std::u16string& item : items) {
        taken.insert(platform::Utf16ToUtf8(item));
    }

    std::string name;
    for (int draw = 0; name.empty() || taken.count(name) != 0; ++draw) {
        if (draw == MaxReferenceDraws) {
            throw EStoredPasswordError("No free password reference name could be drawn");
        }
        name = DrawReferenceName();
    }
    if (hadKey) {
        registry.OpenKey(path, false);
    }
    return name;
}

TIdentityPassword TStoredPasswords::ReadIdentityPassword(const std::string& identityGuid) {
    const auto identity = platform::StringToGuid(identityGuid);
    TBytes record;
    if (!HasProvider() || !identity ||
        Provider_->ReadItem(PST_KEY_CURRENT_USER, IdentityPasswordType, *identity,
                            platform::Utf8ToUtf16(IdentityItemName), record,
                            ReadFlags()) != platform::PST_E_OK) {
        return {};
    }
    return IdentityPasswordFromRecord(record);
}

void TStoredPasswords::WriteIdentityPassword(const std::string& identityGuid,
                                             const std::string& password, bool switchedOn) {
    if (!HasProvider()) {
        return;
    }
    const auto identity = platform::StringToGuid(identityGuid);
    if (!identity) {
        throw EStoredPasswordError("The identity \"" + identityGuid + "\" has no valid GUID");
    }
    if (!EnsureItemType(IdentityPasswordType, "IdentityMgr", *identity, "Identities")) {
        throw EStoredPasswordError("The identity password type could not be created in "
                                   "Protected Storage");
    }
    const auto record = IdentityPasswordRecord(password, switchedOn);
    WriteItem(IdentityPasswordType, *identity, platform::Utf8ToUtf16(IdentityItemName),
              TBytes(record.begin(), record.end()));
}

void TStoredPasswords::WriteItem(const TGUID& type, const TGUID& subtype,
                                 const std::u16string& name, const TBytes& data) {
    const auto result = Provider_->WriteItem(PST_KEY_CURRENT_USER, type, subtype, name, data,
                                             platform::PST_CF_NONE, 0);
    if (result != platform::PST_E_OK) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", result);
        throw EStoredPasswordError("A password could not be written to Protected Storage (" +
                                   std::string(code) + ")");
    }
}
