// The registry accessor on the machine's registry (RegOpenKeyExW and friends). Like the
// simulated one it keeps the current key's path and opens it per operation from its root key, so
// an accessor can be handed to another thread. HKEY_CLASSES_ROOT is the system's merged view.
// Inside a write transaction, changes go to its registry journal and reads see them.

#include "platform/win32/WindowsApi.h"

#include "platform/win32/RegistryJournal.h"
#include "platform/win32/RegistryRoots.h"

#include "platform/RegText.h"
#include "platform/Registry.h"
#include "platform/RegistryErrors.h"

#include <shlwapi.h>

#include <algorithm>
#include <optional>

namespace platform {

namespace {

using win32::RootHandle;

using win32::Wide;

// Enough to read, write, create below and delete values; not to change the key's security.
constexpr REGSAM WriteAccess = KEY_READ | KEY_WRITE;

std::string JoinPath(const std::string& base, const std::string& tail) {
    if (base.empty() || tail.empty()) {
        return base + tail;
    }
    return base + "\\" + tail;
}

win32::TKey OpenPath(THKey root, const std::string& path, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(RootHandle(root), Wide(path).c_str(), 0, access, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return win32::TKey(key);
}

win32::TKey CreatePath(THKey root, const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(RootHandle(root), Wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        WriteAccess, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return win32::TKey(key);
}

} // namespace

struct TRegistry::TState {
    THKey Root = THKey::CurrentUser;
    bool Open = false;
    bool ReadOnly = false;
    bool Changed = false; // this accessor changed the registry since it last flushed
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
        if (!rest.empty() && (rest.front() == '\\' || rest.find("\\\\") != std::string::npos)) {
            return std::nullopt;
        }
        return JoinPath(absolute || !Open ? std::string() : Path, std::string(rest));
    }

    // Whether the key argument leads below a key opened read-only.
    bool BelowReadOnlyKey(const std::string& key) const {
        return Open && ReadOnly && (key.empty() || key.front() != '\\');
    }

    // The current key, opened for this one operation.
    win32::TKey Current(REGSAM access) const {
        return Open ? OpenPath(Root, Path, access) : nullptr;
    }

    // Whether a key exists, as the open transaction will leave it.
    bool KeyPresent(const std::string& path) const {
        if (const detail::TRegistryJournal* journal = detail::ActiveRegistryJournal()) {
            if (const auto known = journal->KeyExists(Root, path)) {
                return *known;
            }
        }
        HKEY handle = nullptr;
        const LSTATUS status =
            RegOpenKeyExW(RootHandle(Root), Wide(path).c_str(), 0, KEY_QUERY_VALUE, &handle);
        if (status == ERROR_SUCCESS) {
            RegCloseKey(handle);
        }
        // A key we may not read exists all the same.
        return status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED;
    }

    // A value of the current key, as the open transaction will leave it.
    std::optional<TRegistryData> Value(const std::string& name) const {
        if (!Open) {
            return std::nullopt;
        }
        if (const detail::TRegistryJournal* journal = detail::ActiveRegistryJournal()) {
            if (const auto known = journal->Value(Root, Path, name)) {
                return *known;
            }
        }
        return ReadValue(Current(KEY_READ).get(), name);
    }

    // A value as the registry holds it; nullopt when missing.
    static std::optional<TRegistryData> ReadValue(HKEY key, const std::string& name) {
        const std::wstring wideName = Wide(name);
        TRegistryData value;
        for (;;) {
            DWORD type = REG_NONE;
            DWORD size = static_cast<DWORD>(value.Data.size());
            const LSTATUS status = key ? RegQueryValueExW(key, wideName.c_str(), nullptr, &type,
                                                          value.Data.data(), &size)
                                       : ERROR_FILE_NOT_FOUND;
            // A null buffer asks for the size only; then the data is read with that size,
            // unless it grew meanwhile.
            if (status == ERROR_MORE_DATA ||
                (status == ERROR_SUCCESS && value.Data.empty() && size > 0)) {
                value.Data.resize(size);
                continue;
            }
            if (status != ERROR_SUCCESS) {
                return std::nullopt;
            }
            value.Data.resize(size);
            value.Type = static_cast<TRegValueType>(type);
            return value;
        }
    }
};

TRegistry::TRegistry() : State_(std::make_unique<TState>()) {}

TRegistry::TRegistry(THKey root) : TRegistry() {
    State_->Root = root;
}

TRegistry::~TRegistry() {
    try {
        CloseKey();
    } catch (...) {
        // Closing on the machine's registry raises nothing.
    }
}

THKey TRegistry::RootKey() const {
    return State_->Root;
}

void TRegistry::SetRootKey(THKey root) {
    CloseKey();
    State_->Root = root;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    const auto target = State_->Target(key);
    if (!target) {
        return false;
    }
    detail::TRegistryJournal* journal = detail::ActiveRegistryJournal();
    const bool exists = journal != nullptr ? State_->KeyPresent(*target)
                                           : !!OpenPath(State_->Root, *target, WriteAccess);
    if (!exists) {
        if (!canCreate || State_->BelowReadOnlyKey(key) ||
            (journal == nullptr && State_->KeyPresent(*target))) {
            return false; // missing, or there but not ours to write
        }
        if (journal != nullptr) {
            journal->CreateKey(State_->Root, *target);
        } else if (!CreatePath(State_->Root, *target)) {
            return false;
        } else {
            State_->Changed = true;
        }
    }
    const bool changed = State_->Changed;
    CloseKey();
    State_->Changed = changed;
    State_->Open = true;
    State_->ReadOnly = false;
    State_->Path = *target;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    const auto target = State_->Target(key);
    const bool exists = target && (detail::ActiveRegistryJournal() != nullptr
                                       ? State_->KeyPresent(*target)
                                       : !!OpenPath(State_->Root, *target, KEY_READ));
    if (!exists) {
        return false;
    }
    CloseKey();
    State_->Open = true;
    State_->ReadOnly = true;
    State_->Path = *target;
    return true;
}

bool TRegistry::KeyExists(const std::string& key) const {
    const auto target = State_->Target(key);
    return target && State_->KeyPresent(*target);
}

bool TRegistry::CreateKey(const std::string& key) {
    const auto target = State_->Target(key);
    if (target && !State_->BelowReadOnlyKey(key)) {
        if (detail::TRegistryJournal* journal = detail::ActiveRegistryJournal()) {
            journal->CreateKey(State_->Root, *target);
            return true;
        }
        if (CreatePath(State_->Root, *target)) {
            State_->Changed = true;
            return true;
        }
    }
    throw ERegistryException("Failed to create key " + key);
}

bool TRegistry::DeleteKey(const std::string& key) {
    const auto target = State_->Target(key);
    if (!target || target->empty()) {
        return false; // a root key stays
    }
    if (detail::TRegistryJournal* journal = detail::ActiveRegistryJournal()) {
        if (!State_->KeyPresent(*target)) {
            return false;
        }
        journal->DeleteKey(State_->Root, *target);
        return true;
    }
    // SHDeleteKeyW takes the subtree with it, on every Windows version.
    const bool deleted =
        SHDeleteKeyW(RootHandle(State_->Root), Wide(*target).c_str()) == ERROR_SUCCESS;
    State_->Changed = State_->Changed || deleted;
    return deleted;
}

void TRegistry::CloseKey() {
    // What this accessor changed reaches the disk now, as the simulated hive is saved at close.
    if (State_->Changed) {
        RegFlushKey(RootHandle(State_->Root));
        State_->Changed = false;
    }
    State_->Open = false;
    State_->ReadOnly = false;
    State_->Path.clear();
}

std::string TRegistry::CurrentPath() const {
    return State_->Open ? State_->Path : std::string();
}

bool TRegistry::HasCurrentKey() const {
    return State_->Open;
}

bool TRegistry::ValueExists(const std::string& name) const {
    return State_->Value(name).has_value();
}

TRegValueType TRegistry::GetValueType(const std::string& name) const {
    const auto value = State_->Value(name);
    return value ? value->Type : TRegValueType::None;
}

int TRegistry::GetDataSize(const std::string& name) const {
    const auto value = State_->Value(name);
    return value ? static_cast<int>(value->Data.size()) : -1;
}

std::vector<std::string> TRegistry::GetKeyNames() const {
    std::vector<std::string> names;
    if (const win32::TKey key = State_->Current(KEY_READ)) {
        std::wstring name(256, L'\0'); // a key name has at most 255 characters
        for (DWORD index = 0;; ++index) {
            DWORD length = static_cast<DWORD>(name.size());
            if (RegEnumKeyExW(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr,
                              nullptr) != ERROR_SUCCESS) {
                break;
            }
            names.push_back(win32::Utf8(std::wstring_view(name.data(), length)));
        }
    }
    if (const detail::TRegistryJournal* journal = detail::ActiveRegistryJournal();
        journal != nullptr && State_->Open) {
        journal->MergeKeyNames(State_->Root, State_->Path, names);
    }
    // In the order of the simulated hive: by the upper-case form of the names.
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return reg::FoldName(a) < reg::FoldName(b);
    });
    return names;
}

// In the system's order: the order of creation on Windows (Wine sorts them by name).
std::vector<std::string> TRegistry::GetValueNames() const {
    std::vector<std::string> names;
    const win32::TKey key = State_->Current(KEY_READ);
    DWORD longest = 0;
    if (key && RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, &longest, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        std::wstring name(longest + 1, L'\0');
        for (DWORD index = 0;; ++index) {
            DWORD length = static_cast<DWORD>(name.size());
            const LSTATUS status = RegEnumValueW(key.get(), index, name.data(), &length, nullptr,
                                                 nullptr, nullptr, nullptr);
            if (status == ERROR_MORE_DATA) {
                name.resize(name.size() * 2); // a value added meanwhile
                --index;
                continue;
            }
            if (status != ERROR_SUCCESS) {
                break;
            }
            names.push_back(win32::Utf8(std::wstring_view(name.data(), length)));
        }
    }
    if (const detail::TRegistryJournal* journal = detail::ActiveRegistryJournal();
        journal != nullptr && State_->Open) {
        journal->MergeValueNames(State_->Root, State_->Path, names);
    }
    return names;
}

std::vector<std::uint8_t> TRegistry::ReadRaw(const std::string& name, TRegValueType* type) const {
    auto value = State_->Value(name);
    if (!value) {
        detail::GetDataFailed(name);
    }
    if (type != nullptr) {
        *type = value->Type;
    }
    return std::move(value->Data);
}

void TRegistry::WriteRaw(const std::string& name, TRegValueType type,
                         const std::vector<std::uint8_t>& data) {
    if (!State_->Open || State_->ReadOnly) {
        detail::SetDataFailed(name);
    }
    if (detail::TRegistryJournal* journal = detail::ActiveRegistryJournal()) {
        if (!State_->KeyPresent(State_->Path)) {
            detail::SetDataFailed(name);
        }
        journal->SetValue(State_->Root, State_->Path, name, TRegistryData{type, data});
        return;
    }
    const win32::TKey key = State_->Current(WriteAccess);
    if (!key || RegSetValueExW(key.get(), Wide(name).c_str(), 0, static_cast<DWORD>(type),
                               data.data(), static_cast<DWORD>(data.size())) != ERROR_SUCCESS) {
        detail::SetDataFailed(name);
    }
    State_->Changed = true;
}

bool TRegistry::DeleteValue(const std::string& name) {
    if (!State_->Open || State_->ReadOnly) {
        return false;
    }
    if (detail::TRegistryJournal* journal = detail::ActiveRegistryJournal()) {
        if (!State_->Value(name)) {
            return false;
        }
        journal->DeleteValue(State_->Root, State_->Path, name);
        return true;
    }
    const win32::TKey key = State_->Current(WriteAccess);
    const bool deleted = key && RegDeleteValueW(key.get(), Wide(name).c_str()) == ERROR_SUCCESS;
    State_->Changed = State_->Changed || deleted;
    return deleted;
}

} // namespace platform
