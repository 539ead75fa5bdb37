#include "accounts/RegistryHelpers.h"

#include "platform/RegText.h"
#include "platform/SystemInfo.h"

#include <cstdio>
#include <cstring>
#include <vector>

using platform::TRegDataType;
using platform::TRegistry;

namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::size_t GuidSize = 16;

void PutLittleEndian(TBytes& out, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

std::uint32_t GetLittleEndian(const std::uint8_t* bytes, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

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

bool TakeHex(const std::string& text, std::size_t& pos, int digits, std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i, ++pos) {
        if (pos >= text.size()) {
            return false;
        }
        const char c = text[pos];
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return false;
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
}

bool TakeChar(const std::string& text, std::size_t& pos, char expected) {
    if (pos >= text.size() || text[pos] != expected) {
        return false;
    }
    ++pos;
    return true;
}

} // namespace

std::optional<TGUID> StringToGuid(const std::string& text) {
    TGUID guid;
    std::size_t pos = 0;
    std::uint32_t part = 0;
    bool ok = TakeChar(text, pos, '{') && TakeHex(text, pos, 8, guid.Data1) &&
              TakeChar(text, pos, '-') && TakeHex(text, pos, 4, part);
    guid.Data2 = static_cast<std::uint16_t>(part);
    ok = ok && TakeChar(text, pos, '-') && TakeHex(text, pos, 4, part);
    guid.Data3 = static_cast<std::uint16_t>(part);
    ok = ok && TakeChar(text, pos, '-');
    for (int i = 0; ok && i < 8; ++i) {
        if (i == 2) {
            ok = TakeChar(text, pos, '-');
        }
        ok = ok && TakeHex(text, pos, 2, part);
        guid.Data4[i] = static_cast<std::uint8_t>(part);
    }
    if (!ok || !TakeChar(text, pos, '}') || pos != text.size()) {
        return std::nullopt;
    }
    return guid;
}

std::string GuidToString(const TGUID& guid) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
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
    TGUID guid;
    guid.Data1 = GetLittleEndian(data.data(), 4);
    guid.Data2 = static_cast<std::uint16_t>(GetLittleEndian(data.data() + 4, 2));
    guid.Data3 = static_cast<std::uint16_t>(GetLittleEndian(data.data() + 6, 2));
    std::memcpy(guid.Data4, data.data() + 8, 8);
    return guid;
}

void WriteRegGuid(TRegistry& reg, const std::string& name, const TGUID& guid) {
    TBytes data;
    PutLittleEndian(data, guid.Data1, 4);
    PutLittleEndian(data, guid.Data2, 2);
    PutLittleEndian(data, guid.Data3, 2);
    data.insert(data.end(), guid.Data4, guid.Data4 + 8);
    reg.WriteBinaryData(name, data);
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

bool SameGuid(const TGUID& a, const TGUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
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
