#include "clients/oeaccount/OeAccountPasswords.h"

#include "accounts/HexText.h"
#include "platform/DataProtection.h"
#include "platform/RegText.h"

#include <algorithm>

namespace {

// Flags 0 and an empty description, as the clients seal their passwords.
constexpr std::uint32_t ProtectFlags = 0;

} // namespace

std::string ProtectPassword(const std::string& password, const std::string& saltHex) {
    const auto salt = HexToBytes(saltHex);
    if (!salt) {
        return {};
    }
    std::vector<std::uint8_t> data;
    platform::reg::AppendUtf16Bytes(data, platform::Utf8ToUtf16(password));
    data.push_back(0);
    data.push_back(0);
    const auto sealed = platform::CryptProtectData(data, "", *salt, ProtectFlags);
    return sealed ? BytesToHex(*sealed) : std::string();
}

std::string UnprotectPassword(const std::string& hexText, const std::string& saltHex) {
    if (hexText.empty()) {
        return {};
    }
    const auto blob = HexToBytes(hexText);
    const auto salt = HexToBytes(saltHex);
    if (!blob || !salt) {
        return {};
    }
    const auto opened = platform::CryptUnprotectData(*blob, *salt, ProtectFlags);
    if (!opened) {
        return {};
    }
    const std::vector<std::uint8_t>& data = opened->Data;
    std::u16string text = platform::reg::BytesToUtf16(data.data(), data.size() - data.size() % 2);
    text.resize(std::min(text.size(), text.find(u'\0')));
    return platform::Utf16ToUtf8(text);
}
