// The bytes the Outlook family keeps in the registry and in Protected Storage items.

#include "clients/outlook/StoredPasswords.h"

#include "platform/CodePage.h"
#include "platform/DataProtection.h"
#include "platform/RegText.h"

#include <algorithm>

using platform::TRegistry;

namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::uint8_t SealedValueMark = 0x02;
constexpr const char* SealDescription = "POP3 Password";
constexpr std::uint32_t SealFlags =
    platform::CRYPTPROTECT_UI_FORBIDDEN | platform::CRYPTPROTECT_LOCAL_MACHINE;
constexpr std::size_t IdentityPasswordOffset = 4;
constexpr std::size_t IdentityPasswordLength = 15;

std::size_t ReferenceHeaderSize(TOutlookPasswordStore store) {
    return store == TOutlookPasswordStore::Outlook2002 ? 1 : 2;
}

// UTF-16LE text up to its first zero character (an odd last byte is no character).
std::string WideTextUpToZero(const std::uint8_t* bytes, std::size_t count) {
    std::u16string text = platform::reg::BytesToUtf16(bytes, count - count % 2);
    text.resize(std::min(text.size(), text.find(u'\0')));
    return platform::Utf16ToUtf8(text);
}

// The text with one zero character after it, as UTF-16LE bytes.
TBytes WideTextWithZero(const std::string& text) {
    TBytes bytes;
    platform::reg::AppendUtf16Bytes(bytes, platform::Utf8ToUtf16(text));
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

// The bytes of a binary value; none when it is missing or of another type.
std::optional<TBytes> ReadBinaryValue(TRegistry& registry, const std::string& name) {
    if (registry.GetDataType(name) != platform::TRegDataType::rdBinary) {
        return std::nullopt;
    }
    try {
        return registry.ReadBinaryData(name);
    } catch (const platform::ERegistryException&) {
        return std::nullopt;
    }
}

} // namespace

TBytes ReferenceValueBytes(TOutlookPasswordStore store, const std::string& reference) {
    TBytes bytes{0x01};
    if (ReferenceHeaderSize(store) == 2) {
        bytes.push_back(0x02);
    }
    const TBytes text = WideTextWithZero(reference);
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

std::string ReferenceFromValueBytes(TOutlookPasswordStore store, const TBytes& bytes) {
    const std::size_t header = ReferenceHeaderSize(store);
    return bytes.size() <= header ? std::string()
                                  : WideTextUpToZero(bytes.data() + header, bytes.size() - header);
}

std::array<std::uint8_t, 20> IdentityPasswordRecord(const std::string& password, bool switchedOn) {
    std::array<std::uint8_t, 20> record{};
    record[0] = switchedOn ? 1 : 0;
    // The ANSI code page has one byte per character, so cutting the bytes cuts characters.
    const std::string ansi = platform::Utf8ToAnsi(password).substr(0, IdentityPasswordLength);
    std::copy(ansi.begin(), ansi.end(), record.begin() + IdentityPasswordOffset);
    return record;
}

TIdentityPassword IdentityPasswordFromRecord(const TBytes& record) {
    TIdentityPassword result;
    result.SwitchedOn = !record.empty() && record[0] == 1;
    if (record.size() > IdentityPasswordOffset) {
        const auto begin = record.begin() + IdentityPasswordOffset;
        const auto end = std::find(begin, record.end(), 0);
        result.Password = platform::AnsiToUtf8(std::string(begin, end));
    }
    return result;
}

std::string TStoredPasswords::ReadReferenceValue(TRegistry& registry,
                                                 const std::string& valueName) const {
    const auto bytes = ReadBinaryValue(registry, valueName);
    return bytes ? ReferenceFromValueBytes(Store_, *bytes) : std::string();
}

void TStoredPasswords::WriteReferenceValue(TRegistry& registry, const std::string& valueName,
                                           const std::string& reference) const {
    registry.WriteBinaryData(valueName, ReferenceValueBytes(Store_, reference));
}

std::vector<std::uint8_t> SealedValueBytes(const std::string& valueName,
                                           const std::string& password) {
    const auto sealed =
        platform::CryptProtectData(WideTextWithZero(password), SealDescription, {}, SealFlags);
    if (!sealed) {
        throw EStoredPasswordError("The password for \"" + valueName +
                                   "\" could not be sealed with data protection");
    }
    TBytes value{SealedValueMark};
    value.insert(value.end(), sealed->begin(), sealed->end());
    return value;
}

std::string PasswordFromSealedValue(const TBytes& value) {
    if (value.empty()) {
        return {};
    }
    // The first byte marks the sealed form; the blob starts after it.
    const std::span<const std::uint8_t> blob(value.data() + 1, value.size() - 1);
    const auto opened = platform::CryptUnprotectData(blob, {}, SealFlags);
    return opened ? WideTextUpToZero(opened->Data.data(), opened->Data.size()) : std::string();
}

void SealPassword(TRegistry& registry, const std::string& valueName, const std::string& password) {
    registry.WriteBinaryData(valueName, SealedValueBytes(valueName, password));
}

std::string UnsealPassword(TRegistry& registry, const std::string& valueName) {
    const auto value = ReadBinaryValue(registry, valueName);
    return value ? PasswordFromSealedValue(*value) : std::string();
}
