#include "accounts/RegistryHelpers.h"

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
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(data.size() * 2);
    for (const std::uint8_t byte : data) {
        text += Digits[byte >> 4];
        text += Digits[byte & 0x0F];
    }
    return text;
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
