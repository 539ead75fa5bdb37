#include "platform/Registry.h"

#include "platform/RegHive.h"
#include "platform/RegText.h"
#include "platform/RegistryErrors.h"
#include "platform/RegistryJournal.h"
#include "platform/RegistryStore.h"

#include <optional>

namespace platform {

namespace {

using detail::TRegistryAccess;

constexpr std::uint32_t TypeNumber(TRegValueType type) {
    return static_cast<std::uint32_t>(type);
}

// Names that the .reg text can hold: no line breaks, no NUL.
bool IsStorableName(std::string_view name) {
    return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string JoinPath(const std::string& base, const std::string& tail) {
    if (base.empty() || tail.empty()) {
        return base + tail;
    }
    return base + "\\" + tail;
}

// The changes of a hive, each told first to the write transaction open on this thread.
reg::TRegKey* CreateIn(TRegistryAccess& access, THKey root, reg::THive& hive,
                       const std::string& path) {
    if (detail::TRegistryJournal* journal = detail::ActiveRegistryJournal()) {
        journal->BeforeCreate(access, root, path);
    }
    return hive.Create(path);
}

bool DeleteIn(TRegistryAccess& access, THKey root, reg::THive& hive, const std::string& path) {
    if (detail::TRegistryJournal* journal = detail::ActiveRegistryJournal()) {
        journal->BeforeDelete(access, root, path);
    }
    return hive.Delete(path);
}

void SetValueIn(TRegistryAccess& access, THKey root, reg::TRegKey& key, const std::string& name,
                TRegValueType type, const std::vector<std::uint8_t>& data) {
    if (detail::TRegistryJournal* journal = detail::ActiveRegistryJournal()) {
        journal->BeforeValueChange(access, root, key);
    }
    access.Hive(root, false)->SetValue(key, name, TypeNumber(type), data);
}

bool DeleteValueIn(TRegistryAccess& access, THKey root, reg::TRegKey& key,
                   const std::string& name) {
    if (key.FindValue(name) == nullptr) {
        return false;
    }
    if (detail::TRegistryJournal* journal = detail::ActiveRegistryJournal()) {
        journal->BeforeValueChange(access, root, key);
    }
    return access.Hive(root, false)->DeleteValue(key, name);
}

} // namespace

struct TRegistry::TState {
    THKey Root = THKey::CurrentUser;
    bool Open = false;
    bool ReadOnly = false;
    bool Changed = false; // this accessor changed its hive since it last saved
    std::string Path;     // below the root key

    // The path a key argument names below the root: relative to the current key unless it
    // starts with "\". nullopt when it holds an empty name.
    std::optional<std::string> Target(const std::string& key) const {
        std::string_view rest = key;
        const bool absolute = !rest.empty() && rest.front() == '\\';
        if (absolute) {
            rest.remove_prefix(1);
        }
        if (!rest.empty() && rest.back() == '\\') {
            rest.remove_suffix(1);
        }
        std::vector<std::string> names;
        if (!reg::SplitKeyPath(rest, names)) {
            return std::nullopt;
        }
        return JoinPath(absolute || !Open ? std::string() : Path, std::string(rest));
    }

    // Whether the key argument leads below a key opened read-only.
    bool BelowReadOnlyKey(const std::string& key) const {
        return Open && ReadOnly && (key.empty() || key.front() != '\\');
    }

    std::string HivePath(const std::string& path) const {
        return JoinPath(detail::RootKeyPrefix(Root), path);
    }

    reg::TRegKey* Current(TRegistryAccess& access) const {
        if (!Open) {
            return nullptr;
        }
        reg::THive* hive = access.Hive(Root, false);
        return hive == nullptr ? nullptr : hive->Find(HivePath(Path));
    }

    // Forgets the current key and saves what this accessor changed. An explicit close also
    // retries, and raises, a save that failed where nobody could be told.
    void Close(bool retryUnseenFailure) {
        Open = false;
        ReadOnly = false;
        Path.clear();
        TRegistryAccess access;
        if (Changed || (retryUnseenFailure && access.HasUnseenSaveFailure(Root))) {
            access.SaveIfChanged(Root);
            Changed = false;
        }
    }

    // Runs inspect on the named value of the current key (nullptr when missing) under the lock.
    template <typename TInspect>
    auto InspectValue(const std::string& name, TInspect inspect) const {
        TRegistryAccess access;
        const reg::TRegKey* key = Current(access);
        return inspect(key == nullptr ? nullptr : key->FindValue(name));
    }
};

TRegistry::TRegistry() : State_(std::make_unique<TState>()) {}

TRegistry::TRegistry(THKey root) : TRegistry() {
    State_->Root = root;
}

TRegistry::~TRegistry() {
    try {
        State_->Close(false);
    } catch (...) {
        // A destructor cannot raise. The changes stay in memory, and the next close on this
        // hive saves them again and raises what still fails.
        try {
            TRegistryAccess access;
            access.KeepUnseenSaveFailure(State_->Root);
        } catch (...) {
        }
    }
}

THKey TRegistry::RootKey() const {
    return State_->Root;
}

void TRegistry::SetRootKey(THKey root) {
    State_->Close(false);
    State_->Root = root;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    const auto target = State_->Target(key);
    if (!target) {
        return false;
    }
    {
        TRegistryAccess access;
        reg::THive* hive = access.Hive(State_->Root, true);
        if (hive == nullptr) {
            return false;
        }
        const std::string path = State_->HivePath(*target);
        if (hive->Find(path) == nullptr) {
            if (!canCreate || State_->BelowReadOnlyKey(key) || !IsStorableName(path) ||
                CreateIn(access, State_->Root, *hive, path) == nullptr) {
                return false;
            }
            State_->Changed = true;
        }
    }
    State_->Close(false);
    State_->Open = true;
    State_->ReadOnly = false;
    State_->Path = *target;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    const auto target = State_->Target(key);
    if (!target) {
        return false;
    }
    {
        TRegistryAccess access;
        reg::THive* hive = access.Hive(State_->Root, true);
        if (hive == nullptr || hive->Find(State_->HivePath(*target)) == nullptr) {
            return false;
        }
    }
    State_->Close(false);
    State_->Open = true;
    State_->ReadOnly = true;
    State_->Path = *target;
    return true;
}

bool TRegistry::KeyExists(const std::string& key) const {
    const auto target = State_->Target(key);
    if (!target) {
        return false;
    }
    TRegistryAccess access;
    reg::THive* hive = access.Hive(State_->Root, true);
    return hive != nullptr && hive->Find(State_->HivePath(*target)) != nullptr;
}

bool TRegistry::CreateKey(const std::string& key) {
    const auto target = State_->Target(key);
    bool created = false;
    if (target && !State_->BelowReadOnlyKey(key) && IsStorableName(*target)) {
        TRegistryAccess access;
        reg::THive* hive = access.Hive(State_->Root, true);
        created = hive != nullptr &&
                  CreateIn(access, State_->Root, *hive, State_->HivePath(*target)) != nullptr;
        State_->Changed = State_->Changed || created;
    }
    if (!created) {
        throw ERegistryException("Failed to create key " + key);
    }
    return true;
}

bool TRegistry::DeleteKey(const std::string& key) {
    const auto target = State_->Target(key);
    if (!target || target->empty()) {
        return false; // a root key stays
    }
    TRegistryAccess access;
    reg::THive* hive = access.Hive(State_->Root, true);
    const bool deleted =
        hive != nullptr && DeleteIn(access, State_->Root, *hive, State_->HivePath(*target));
    State_->Changed = State_->Changed || deleted;
    return deleted;
}

void TRegistry::CloseKey() {
    State_->Close(true);
}

std::string TRegistry::CurrentPath() const {
    return State_->Open ? State_->Path : std::string();
}

bool TRegistry::HasCurrentKey() const {
    return State_->Open;
}

bool TRegistry::ValueExists(const std::string& name) const {
    return State_->InspectValue(name, [](const reg::TRegValue* value) { return value != nullptr; });
}

TRegValueType TRegistry::GetValueType(const std::string& name) const {
    return State_->InspectValue(name, [](const reg::TRegValue* value) {
        return value == nullptr ? TRegValueType::None : static_cast<TRegValueType>(value->Type);
    });
}

int TRegistry::GetDataSize(const std::string& name) const {
    return State_->InspectValue(name, [](const reg::TRegValue* value) {
        return value == nullptr ? -1 : static_cast<int>(value->Data.size());
    });
}

std::vector<std::string> TRegistry::GetKeyNames() const {
    std::vector<std::string> names;
    TRegistryAccess access;
    if (const reg::TRegKey* key = State_->Current(access)) {
        names.reserve(key->SubKeys().size());
        for (const auto& entry : key->SubKeys()) {
            names.push_back(entry.second->Name());
        }
    }
    return names;
}

std::vector<std::string> TRegistry::GetValueNames() const {
    std::vector<std::string> names;
    TRegistryAccess access;
    if (const reg::TRegKey* key = State_->Current(access)) {
        names.reserve(key->Values().size());
        for (const reg::TRegValue& value : key->Values()) {
            names.push_back(value.Name);
        }
    }
    return names;
}

std::vector<std::uint8_t> TRegistry::ReadRaw(const std::string& name, TRegValueType* type) const {
    TRegistryAccess access;
    const reg::TRegKey* key = State_->Current(access);
    const reg::TRegValue* value = key == nullptr ? nullptr : key->FindValue(name);
    if (value == nullptr) {
        detail::GetDataFailed(name);
    }
    if (type != nullptr) {
        *type = static_cast<TRegValueType>(value->Type);
    }
    return value->Data;
}

void TRegistry::WriteRaw(const std::string& name, TRegValueType type,
                         const std::vector<std::uint8_t>& data) {
    TRegistryAccess access;
    reg::TRegKey* key = State_->Current(access);
    if (key == nullptr || State_->ReadOnly || !IsStorableName(name)) {
        detail::SetDataFailed(name);
    }
    SetValueIn(access, State_->Root, *key, name, type, data);
    State_->Changed = true;
}

bool TRegistry::DeleteValue(const std::string& name) {
    TRegistryAccess access;
    reg::TRegKey* key = State_->Current(access);
    if (key == nullptr || State_->ReadOnly) {
        return false;
    }
    const bool deleted = DeleteValueIn(access, State_->Root, *key, name);
    State_->Changed = State_->Changed || deleted;
    return deleted;
}

} // namespace platform
