#include "ChangeReport.h"

#include "LineDiff.h"
#include "SecretMasking.h"

#include <platform/RegText.h>

#include <cstdint>
#include <cstdio>

namespace accounts_tool {

namespace {

using platform::TFileChange;
using platform::TRegistryChange;
using platform::TRegValueType;

constexpr std::size_t HexShown = 32;
constexpr const char* Indent = "    ";

std::string HiveName(platform::THKey hive) {
    return hive == platform::HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string Hex(std::uint64_t value, int digits) {
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) {
        text[static_cast<std::size_t>(i)] = "0123456789abcdef"[value & 0xF];
    }
    return text;
}

std::uint64_t LittleEndian(const std::vector<std::uint8_t>& data, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = count; i-- > 0;) {
        value = value << 8 | data[i];
    }
    return value;
}

std::string HexBytes(const std::vector<std::uint8_t>& data) {
    std::string text = "hex:";
    for (std::size_t i = 0; i < data.size() && i < HexShown; ++i) {
        text += (i > 0 ? "," : "") + Hex(data[i], 2);
    }
    if (data.size() > HexShown) {
        text += ",...";
    }
    return text + " (" + std::to_string(data.size()) + " bytes)";
}

// Binary data that is UTF-16 text ending in NUL, as several clients keep their texts.
bool IsUtf16Text(const std::vector<std::uint8_t>& data) {
    if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 1] != 0 ||
        data[data.size() - 2] != 0) {
        return false;
    }
    for (std::size_t i = 0; i + 2 < data.size(); i += 2) {
        const unsigned unit = data[i] | static_cast<unsigned>(data[i + 1]) << 8;
        if (unit < 0x20) {
            return false;
        }
    }
    return true;
}

std::string MultiString(const std::vector<std::uint8_t>& data) {
    const std::u16string all = platform::reg::BytesToUtf16(data.data(), data.size());
    std::string text = "multi:";
    std::size_t start = 0;
    bool first = true;
    while (start < all.size()) {
        const std::size_t end = std::min(all.find(u'\0', start), all.size());
        if (end == start) {
            break; // the closing empty string
        }
        text +=
            (first ? "\"" : ", \"") + platform::Utf16ToUtf8(all.substr(start, end - start)) + "\"";
        first = false;
        start = end + 1;
    }
    return text;
}

std::string FileLabel(const TFileChange& change) {
    switch (change.Kind) {
    case TFileChange::TKind::FileWritten:
        return change.OldBytes ? "changed file   " : "new file       ";
    case TFileChange::TKind::FileDeleted:
        return "deleted file   ";
    case TFileChange::TKind::FolderCreated:
        return "new folder     ";
    case TFileChange::TKind::FolderRemoved:
        return "removed folder ";
    case TFileChange::TKind::AttributesChanged:
        return "attributes     ";
    }
    return "";
}

std::string FileDetails(const TFileChange& change) {
    if (change.Kind == TFileChange::TKind::AttributesChanged) {
        return std::string(Indent) + Hex(change.OldAttributes, 8) + " -> " +
               Hex(change.NewAttributes, 8) + "\n";
    }
    if (change.Kind != TFileChange::TKind::FileWritten || !change.NewBytes) {
        return {};
    }
    const std::vector<std::string> before = change.OldBytes
                                                ? FileDisplayLines(change.Path, *change.OldBytes)
                                                : std::vector<std::string>{};
    const std::vector<std::string> after = FileDisplayLines(change.Path, *change.NewBytes);
    std::string text;
    for (const TDiffLine& line : DiffLines(before, after)) {
        text += std::string(Indent) + line.Mark + " " + line.Text + "\n";
    }
    return text;
}

std::string ValueText(const TRegistryChange& change, const platform::TRegistryData& data) {
    return IsSecretRegistryValue(change.KeyPath, change.ValueName, data.Type)
               ? std::string(PasswordShown)
               : FormatRegistryData(data);
}

std::string RegistryLine(const TRegistryChange& change) {
    const std::string key = HiveName(change.Hive) + "\\" + change.KeyPath;
    const std::string value =
        key + " " + (change.ValueName.empty() ? "@" : "\"" + change.ValueName + "\"");
    switch (change.Kind) {
    case TRegistryChange::TKind::KeyCreated:
        return "new key        " + key;
    case TRegistryChange::TKind::KeyDeleted:
        return "deleted key    " + key;
    case TRegistryChange::TKind::ValueSet:
        return (change.Old ? "changed value  " : "new value      ") + value;
    case TRegistryChange::TKind::ValueDeleted:
        return "deleted value  " + value;
    }
    return key;
}

std::string RegistryDetails(const TRegistryChange& change) {
    std::string text;
    if (change.Old && change.Kind != TRegistryChange::TKind::KeyDeleted) {
        text += std::string(Indent) + "- " + ValueText(change, *change.Old) + "\n";
    }
    if (change.New) {
        text += std::string(Indent) + "+ " + ValueText(change, *change.New) + "\n";
    }
    return text;
}

// Summary: each key once, with how many of its values change.
std::string RegistrySummary(const std::vector<TRegistryChange>& changes) {
    struct TKeySummary {
        std::string Key;
        std::string State = "changed key    ";
        int Values = 0;
    };
    std::vector<TKeySummary> keys;
    for (const TRegistryChange& change : changes) {
        const std::string key = HiveName(change.Hive) + "\\" + change.KeyPath;
        if (keys.empty() || keys.back().Key != key) {
            keys.push_back({key});
        }
        if (change.Kind == TRegistryChange::TKind::KeyCreated) {
            keys.back().State = "new key        ";
        } else if (change.Kind == TRegistryChange::TKind::KeyDeleted) {
            keys.back().State = "deleted key    ";
        } else {
            ++keys.back().Values;
        }
    }
    std::string text;
    for (const TKeySummary& key : keys) {
        text += key.State + key.Key;
        if (key.Values > 0) {
            text += " (" + std::to_string(key.Values) + (key.Values == 1 ? " value)" : " values)");
        }
        text += "\n";
    }
    return text;
}

} // namespace

std::string FormatRegistryData(const platform::TRegistryData& data) {
    const std::vector<std::uint8_t>& bytes = data.Data;
    switch (data.Type) {
    case TRegValueType::String:
        return "\"" + platform::reg::RegDataToString(bytes) + "\"";
    case TRegValueType::ExpandString:
        return "expand:\"" + platform::reg::RegDataToString(bytes) + "\"";
    case TRegValueType::DWord:
        if (bytes.size() == 4) {
            const std::uint64_t value = LittleEndian(bytes, 4);
            return "dword:" + Hex(value, 8) + " (" + std::to_string(value) + ")";
        }
        break;
    case TRegValueType::QWord:
        if (bytes.size() == 8) {
            const std::uint64_t value = LittleEndian(bytes, 8);
            return "qword:" + Hex(value, 16) + " (" + std::to_string(value) + ")";
        }
        break;
    case TRegValueType::MultiString:
        return MultiString(bytes);
    case TRegValueType::Binary:
        if (IsUtf16Text(bytes)) {
            return HexBytes(bytes) + " text \"" + platform::reg::RegDataToString(bytes) + "\"";
        }
        break;
    default:
        break;
    }
    return HexBytes(bytes);
}

std::string FormatChanges(const platform::TPreparedChanges& changes, bool details) {
    std::string text;
    for (const TFileChange& change : changes.Files) {
        text += FileLabel(change) + change.Path + "\n";
        if (details) {
            text += FileDetails(change);
        }
    }
    if (!details) {
        return text + RegistrySummary(changes.Registry);
    }
    for (const TRegistryChange& change : changes.Registry) {
        text += RegistryLine(change) + "\n";
        if (change.Kind == TRegistryChange::TKind::ValueSet ||
            change.Kind == TRegistryChange::TKind::ValueDeleted) {
            text += RegistryDetails(change);
        }
    }
    return text;
}

} // namespace accounts_tool
