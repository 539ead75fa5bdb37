#include "accounts/RegistryHelpers.h"

#include "accounts/HexText.h"
#include "platform/RegText.h"
#include "platform/SystemInfo.h"

#include <vector>

using platform::TRegDataType;
using platform::TRegistry;

namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::size_t GuidSize = 16;

// The value's bytes when it exists and is binary.
std::optional<TBytes> ReadBinary(TRegistry& reg, const std::string& name) {
    if (reg.GetDataType(name) != TRegDataType::rdBinary || reg.GetDataSize(name) < 0) {
        return std::nullopt;
    }
    try {
        return reg.ReadBinaryData(name);
    } catch (const platform::ERegistryException&) {
        return std::nullopt; // gone between the two questions
    }
}

} // namespace

std::string GuidToHexDigits(const TGUID& guid) {
    std::string digits;
    for (const char c : GuidToString(guid)) {
        if (c != '{' && c != '}' && c != '-') {
            digits += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
        }
    }
    return digits;
}

std::optional<TGUID> HexDigitsToGuid(const std::string& digits) {
    if (digits.size() != 32) {
        return std::nullopt;
    }
    const std::string text = "{" + digits.substr(0, 8) + "-" + digits.substr(8, 4) + "-" +
                             digits.substr(12, 4) + "-" + digits.substr(16, 4) + "-" +
                             digits.substr(20) + "}";
    return StringToGuid(text);
}

std::string ReadRegStringChecked(TRegistry& reg, const std::string& name) {
    if (reg.GetDataType(name) != TRegDataType::rdString) {
        return {};
    }
    try {
        return reg.ReadString(name);
    } catch (const platform::ERegistryException&) {
        return {};
    }
}

int ReadRegIntegerDef(TRegistry& reg, const std::string& name, int defaultValue) {
    if (reg.GetDataType(name) != TRegDataType::rdInteger) {
        return defaultValue;
    }
    try {
        return reg.ReadInteger(name);
    } catch (const platform::ERegistryException&) {
        return defaultValue; // an integer value of the wrong size
    }
}

std::string ReadRegWideString(TRegistry& reg, const std::string& name) {
    const auto data = ReadBinary(reg, name);
    return data ? platform::reg::RegDataToString(*data) : std::string();
}

void WriteRegWideString(TRegistry& reg, const std::string& name, const std::string& text) {
    reg.WriteBinaryData(name, platform::reg::StringToRegData(text));
}

TGUID ReadRegGuid(TRegistry& reg, const std::string& name) {
    TBytes data = ReadBinary(reg, name).value_or(TBytes());
    if (data.empty()) {
        return {};
    }
    data.resize(GuidSize, 0); // a short value gives its bytes and zeros
    return platform::GuidFromBytes(data.data());
}

void WriteRegGuid(TRegistry& reg, const std::string& name, const TGUID& guid) {
    const auto bytes = platform::GuidToBytes(guid);
    reg.WriteBinaryData(name, TBytes(bytes.begin(), bytes.end()));
}

std::string ReadRegBinaryHex(TRegistry& reg, const std::string& name) {
    if (reg.GetDataSize(name) < 0) {
        return {};
    }
    TBytes data;
    try {
        data = reg.ReadRaw(name, nullptr);
    } catch (const platform::ERegistryException&) {
        return {};
    }
    return BytesToHex(data);
}

bool GuidTextEquals(const std::string& text, const TGUID& guid) {
    const auto parsed = StringToGuid(text);
    return parsed && SameGuid(*parsed, guid);
}

bool SameTextIgnoreCase(const std::string& a, const std::string& b) {
    return platform::reg::FoldName(a) == platform::reg::FoldName(b);
}

std::string NewGuidString() {
    return platform::CreateGuidString();
}

std::string DefaultMailClientName() {
    TRegistry reg(platform::HKEY_LOCAL_MACHINE);
    if (!reg.OpenKeyReadOnly("\\SOFTWARE\\Wow6432Node\\Clients\\Mail")) {
        return {};
    }
    const TRegDataType type = reg.GetDataType("");
    if (type != TRegDataType::rdString && type != TRegDataType::rdExpandString) {
        return {};
    }
    try {
        return reg.ReadString("");
    } catch (const platform::ERegistryException&) {
        return {};
    }
}
