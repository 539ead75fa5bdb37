// The typed reads and writes of the registry accessor, built on its raw ones: the same for every
// backend.

#include "platform/Registry.h"

#include "platform/RegText.h"
#include "platform/RegistryErrors.h"

namespace platform {

namespace detail {

[[noreturn]] void GetDataFailed(const std::string& name) {
    throw ERegistryException("Failed to get data for '" + name + "'");
}

[[noreturn]] void InvalidType(const std::string& name) {
    throw ERegistryException("Invalid data type for '" + name + "'");
}

[[noreturn]] void SetDataFailed(const std::string& name) {
    throw ERegistryException("Failed to set data for '" + name + "'");
}

} // namespace detail

namespace {

TRegDataType DataTypeOf(TRegValueType type) {
    switch (type) {
    case TRegValueType::String:
        return TRegDataType::rdString;
    case TRegValueType::ExpandString:
        return TRegDataType::rdExpandString;
    case TRegValueType::DWord:
        return TRegDataType::rdInteger;
    case TRegValueType::Binary:
        return TRegDataType::rdBinary;
    default:
        return TRegDataType::rdUnknown;
    }
}

} // namespace

TRegDataType TRegistry::GetDataType(const std::string& name) const {
    return DataTypeOf(GetValueType(name));
}

std::string TRegistry::ReadString(const std::string& name) const {
    TRegValueType type = TRegValueType::None;
    const std::vector<std::uint8_t> data = ReadRaw(name, &type);
    if (type != TRegValueType::String && type != TRegValueType::ExpandString) {
        detail::InvalidType(name);
    }
    return reg::RegDataToString(data);
}

std::int32_t TRegistry::ReadInteger(const std::string& name) const {
    TRegValueType type = TRegValueType::None;
    const std::vector<std::uint8_t> data = ReadRaw(name, &type);
    if (type != TRegValueType::DWord || data.size() != 4) {
        detail::InvalidType(name);
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(data[0]) | (data[1] << 8) |
                                     (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24));
}

std::vector<std::uint8_t> TRegistry::ReadBinaryData(const std::string& name) const {
    TRegValueType type = TRegValueType::None;
    std::vector<std::uint8_t> data = ReadRaw(name, &type);
    // As the classic wrapper: binary and the types it does not know, not strings or integers.
    const TRegDataType kind = DataTypeOf(type);
    if (kind != TRegDataType::rdBinary && kind != TRegDataType::rdUnknown) {
        detail::InvalidType(name);
    }
    return data;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    WriteRaw(name, TRegValueType::String, reg::StringToRegData(value));
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
    WriteRaw(name, TRegValueType::ExpandString, reg::StringToRegData(value));
}

void TRegistry::WriteInteger(const std::string& name, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    WriteRaw(name, TRegValueType::DWord,
             {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
              static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)});
}

void TRegistry::WriteBinaryData(const std::string& name, const std::vector<std::uint8_t>& data) {
    WriteRaw(name, TRegValueType::Binary, data);
}

} // namespace platform
