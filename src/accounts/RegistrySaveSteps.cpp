#include "accounts/RegistrySaveSteps.h"

#include "platform/TextCodec.h"

#include <optional>
#include <utility>

using platform::ERegistryException;
using platform::THKey;
using platform::TRegistry;
using platform::TRegValueType;

namespace {

using TBytes = std::vector<std::uint8_t>;

using TOldValue = TRegistrySaveSteps::TValue;

// A key with its values and subkeys, as it was before it was deleted.
struct TKeyCopy {
    std::vector<std::pair<std::string, TOldValue>> Values;
    std::vector<std::pair<std::string, TKeyCopy>> SubKeys;
};

std::string Absolute(const std::string& key) {
    return "\\" + key;
}

std::optional<TOldValue> ReadOld(const TRegistry& reg, const std::string& name) {
    if (!reg.ValueExists(name)) {
        return std::nullopt;
    }
    TOldValue old;
    old.Data = reg.ReadRaw(name, &old.Type);
    return old;
}

// The first key of the path (its shallowest part) that does not exist yet.
std::optional<std::string> FirstMissingKey(THKey root, const std::string& key) {
    const TRegistry probe(root);
    std::size_t end = 0;
    while (end != std::string::npos) {
        end = key.find('\\', end + 1);
        const std::string prefix = key.substr(0, end);
        if (!probe.KeyExists(Absolute(prefix))) {
            return prefix;
        }
    }
    return std::nullopt;
}

TKeyCopy CopyKey(THKey root, const std::string& key) {
    TKeyCopy copy;
    TRegistry reader(root);
    if (!reader.OpenKeyReadOnly(Absolute(key))) {
        return copy;
    }
    for (const std::string& name : reader.GetValueNames()) {
        TOldValue value;
        value.Data = reader.ReadRaw(name, &value.Type);
        copy.Values.emplace_back(name, std::move(value));
    }
    for (const std::string& name : reader.GetKeyNames()) {
        copy.SubKeys.emplace_back(name, CopyKey(root, key + "\\" + name));
    }
    return copy;
}

void RestoreKey(TRegistry& writer, const std::string& key, const TKeyCopy& copy) {
    if (!writer.OpenKey(Absolute(key), true)) {
        throw ERegistryException("Cannot create the key " + key);
    }
    for (const auto& [name, value] : copy.Values) {
        writer.WriteRaw(name, value.Type, value.Data);
    }
    for (const auto& [name, sub] : copy.SubKeys) {
        RestoreKey(writer, key + "\\" + name, sub);
    }
}

std::string RootName(THKey root) {
    switch (root) {
    case THKey::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case THKey::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case THKey::CurrentUser:
        break;
    }
    return "HKEY_CURRENT_USER";
}

TBytes IntegerBytes(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

// REG_SZ data as the registry keeps it: UTF-16LE with one NUL unit.
TBytes StringBytes(const std::string& text) {
    TBytes bytes;
    for (const char16_t unit : platform::Utf8ToUtf16(text)) {
        bytes.push_back(static_cast<std::uint8_t>(unit));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

} // namespace

TRegistrySaveSteps::TRegistrySaveSteps(TSaveSteps& steps, THKey root)
    : Steps_(steps), Root_(root) {}

TRegistrySaveSteps::~TRegistrySaveSteps() {
    CloseAll(false);
}

std::string TRegistrySaveSteps::Describe(const std::string& key, const std::string& name) const {
    std::string text = RootName(Root_);
    if (!key.empty()) {
        text += "\\" + key;
    }
    return name.empty() ? text : text + "\\" + name;
}

TRegistry& TRegistrySaveSteps::OpenForWriting(const std::string& key) {
    std::unique_ptr<TRegistry>& slot = Open_[key];
    if (!slot) {
        slot = std::make_unique<TRegistry>(Root_);
    }
    if (key.empty() || slot->HasCurrentKey()) {
        return *slot;
    }
    // Made through the root's accessor, which stays open: opening with creation would write
    // the whole hive at once, for each new key.
    TRegistry& root = OpenForWriting("");
    if (!root.KeyExists(Absolute(key))) {
        root.CreateKey(Absolute(key));
    }
    if (!slot->OpenKey(Absolute(key), false)) {
        throw ERegistryException("Cannot open the key " + Describe(key));
    }
    return *slot;
}

void TRegistrySaveSteps::WriteString(const std::string& key, const std::string& name,
                                     const std::string& text) {
    AddValueStep(key, name,
                 std::make_unique<TValue>(TValue{TRegValueType::String, StringBytes(text)}));
}

void TRegistrySaveSteps::WriteInteger(const std::string& key, const std::string& name,
                                      std::int32_t value) {
    AddValueStep(key, name,
                 std::make_unique<TValue>(TValue{TRegValueType::DWord, IntegerBytes(value)}));
}

void TRegistrySaveSteps::WriteBinary(const std::string& key, const std::string& name,
                                     const std::vector<std::uint8_t>& data) {
    AddValueStep(key, name, std::make_unique<TValue>(TValue{TRegValueType::Binary, data}));
}

void TRegistrySaveSteps::DeleteValue(const std::string& key, const std::string& name) {
    AddValueStep(key, name, nullptr);
}

void TRegistrySaveSteps::AddValueStep(const std::string& key, const std::string& name,
                                      std::unique_ptr<TValue> value) {
    std::shared_ptr<const TValue> newValue(std::move(value));
    Steps_.Add(Describe(key, name), [this, key, name, newValue]() -> TSaveSteps::TUndo {
        if (!newValue && !TRegistry(Root_).KeyExists(Absolute(key))) {
            return {}; // nothing to delete
        }
        const std::optional<std::string> created = FirstMissingKey(Root_, key);
        try {
            TRegistry& reg = OpenForWriting(key);
            const std::optional<TOldValue> old = ReadOld(reg, name);
            if (newValue) {
                reg.WriteRaw(name, newValue->Type, newValue->Data);
            } else if (!old || !reg.DeleteValue(name)) {
                return {};
            }
            return [this, key, name, old, created] {
                PutBack(key, name, old, created);
            };
        } catch (const std::exception&) {
            if (created) {
                try {
                    PutBack(key, name, std::nullopt, created);
                } catch (const std::exception&) {
                    // The step's own error is the one to report.
                }
            }
            throw;
        }
    });
}

void TRegistrySaveSteps::PutBack(const std::string& key, const std::string& name,
                                 const std::optional<TOldValue>& old,
                                 const std::optional<std::string>& created) {
    if (created) {
        OpenForWriting("").DeleteKey(Absolute(*created));
        return;
    }
    TRegistry& reg = OpenForWriting(key);
    if (old) {
        reg.WriteRaw(name, old->Type, old->Data);
    } else {
        reg.DeleteValue(name);
    }
}

void TRegistrySaveSteps::DeleteKey(const std::string& key) {
    Steps_.Add(Describe(key), [this, key]() -> TSaveSteps::TUndo {
        if (!TRegistry(Root_).KeyExists(Absolute(key))) {
            return {};
        }
        auto copy = std::make_shared<const TKeyCopy>(CopyKey(Root_, key));
        // A key held open below the deleted one would write into nothing.
        for (auto& [path, reg] : Open_) {
            if (!path.empty() && (path == key || path.rfind(key + "\\", 0) == 0)) {
                reg->CloseKey();
            }
        }
        if (!OpenForWriting("").DeleteKey(Absolute(key))) {
            throw ERegistryException("Cannot delete the key " + Describe(key));
        }
        return [this, key, copy] {
            RestoreKey(OpenForWriting(""), key, *copy);
        };
    });
}

void TRegistrySaveSteps::AddSave() {
    Steps_.Add("the registry hive " + RootName(Root_), [this]() -> TSaveSteps::TUndo {
        CloseAll(true);
        return {};
    });
}

void TRegistrySaveSteps::CloseAll(bool raise) {
    for (auto& [key, reg] : Open_) {
        try {
            reg->CloseKey();
        } catch (const std::exception&) {
            if (raise) {
                throw;
            }
        }
    }
}
