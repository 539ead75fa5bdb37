#include "platform/win32/WindowsApi.h"

#include "platform/win32/RegistryJournal.h"

#include "platform/RegText.h"
#include "platform/System.h"

#include <shlwapi.h>

#include <algorithm>

namespace platform::detail {

namespace {

using win32::Wide;
using TImage = TRegistryJournal::TKeyImage;

constexpr const char* ClassesPrefix = "Software\\Classes";

HKEY HiveHandle(THKey hive) {
    return hive == THKey::LocalMachine ? win32::LocalMachineKey : win32::CurrentUserKey;
}

std::string HiveName(THKey hive) {
    return hive == THKey::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string Join(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : name.empty() ? parent : parent + "\\" + name;
}

std::string ParentOf(const std::string& path) {
    const auto cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string LastName(const std::string& path) {
    const auto cut = path.find_last_of('\\');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

win32::TKey OpenKey(THKey hive, const std::string& path, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HiveHandle(hive), Wide(path).c_str(), 0, access, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return win32::TKey(key);
}

bool RegistryHasKey(THKey hive, const std::string& path) {
    return OpenKey(hive, path, KEY_QUERY_VALUE) != nullptr;
}

std::optional<TRegistryData> ReadValue(HKEY key, const std::string& name) {
    const std::wstring wide = Wide(name);
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (key == nullptr ||
        RegQueryValueExW(key, wide.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    TRegistryData data;
    data.Type = static_cast<TRegValueType>(type);
    data.Data.resize(size);
    if (RegQueryValueExW(key, wide.c_str(), nullptr, &type, data.Data.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.Data.resize(size);
    return data;
}

std::vector<std::string> SubkeyNames(HKEY key) {
    std::vector<std::string> names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            return names;
        }
        names.push_back(win32::Utf8(std::wstring_view(name, length)));
    }
}

std::vector<std::pair<std::string, TRegistryData>> ValuesOf(HKEY key) {
    std::vector<std::pair<std::string, TRegistryData>> values;
    std::wstring name(16384, L'\0'); // the longest value name
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            return values;
        }
        const std::string utf8 = win32::Utf8(std::wstring_view(name.data(), length));
        if (auto data = ReadValue(key, utf8)) {
            values.emplace_back(utf8, std::move(*data));
        }
    }
}

// The key and everything below it, parents first; walked without recursion.
std::vector<TImage> SubtreeOf(THKey hive, const std::string& top) {
    std::vector<TImage> images;
    std::vector<std::string> pending{top};
    while (!pending.empty()) {
        const std::string path = pending.back();
        pending.pop_back();
        const win32::TKey key = OpenKey(hive, path, KEY_READ);
        if (!key) {
            continue;
        }
        images.push_back({path, ValuesOf(key.get())});
        const auto names = SubkeyNames(key.get());
        for (auto it = names.rbegin(); it != names.rend(); ++it) {
            pending.push_back(Join(path, *it));
        }
    }
    return images;
}

[[noreturn]] void RegistryFailed(THKey hive, const std::string& path, LSTATUS status) {
    throw ESystemError("Cannot write the registry key " + HiveName(hive) + "\\" + path + ": " +
                       win32::ErrorText(static_cast<DWORD>(status)));
}

LSTATUS CreatePath(THKey hive, const std::string& path) {
    HKEY key = nullptr;
    const LSTATUS status =
        RegCreateKeyExW(HiveHandle(hive), Wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        RegCloseKey(key);
    }
    return status;
}

LSTATUS SetPathValue(THKey hive, const std::string& path, const std::string& name,
                     const TRegistryData& data) {
    const win32::TKey key = OpenKey(hive, path, KEY_SET_VALUE);
    if (!key) {
        return ERROR_FILE_NOT_FOUND;
    }
    return RegSetValueExW(key.get(), Wide(name).c_str(), 0, static_cast<DWORD>(data.Type),
                          data.Data.data(), static_cast<DWORD>(data.Data.size()));
}

void RestoreSubtree(THKey hive, const std::vector<TImage>& images) {
    for (const TImage& image : images) {
        CreatePath(hive, image.Path);
        for (const auto& [name, data] : image.Values) {
            SetPathValue(hive, image.Path, name, data);
        }
    }
}

TRegistryChange KeyChange(THKey hive, const std::string& path, TRegistryChange::TKind kind) {
    TRegistryChange change;
    change.Kind = kind;
    change.Hive = hive;
    change.KeyPath = path;
    return change;
}

TRegistryChange ValueChange(THKey hive, const std::string& path, const std::string& name,
                            std::optional<TRegistryData> old, std::optional<TRegistryData> now) {
    TRegistryChange change;
    change.Kind = now ? TRegistryChange::TKind::ValueSet : TRegistryChange::TKind::ValueDeleted;
    change.Hive = hive;
    change.KeyPath = path;
    change.ValueName = name;
    change.Old = std::move(old);
    change.New = std::move(now);
    return change;
}

} // namespace

TRegistryJournal::TKeyId TRegistryJournal::Id(THKey root, const std::string& path,
                                              std::string* hivePath) const {
    THKey hive = root;
    std::string full = path;
    if (root == THKey::ClassesRoot) {
        hive = THKey::LocalMachine;
        full = Join(ClassesPrefix, path);
    }
    if (hivePath != nullptr) {
        *hivePath = full;
    }
    return {hive, reg::FoldName(full)};
}

const TRegistryJournal::TPendingKey* TRegistryJournal::Find(const TKeyId& id) const {
    const auto it = Keys_.find(id);
    return it == Keys_.end() ? nullptr : &it->second;
}

TRegistryJournal::TPendingKey& TRegistryJournal::Note(THKey root, const std::string& path) {
    std::string full;
    const TKeyId id = Id(root, path, &full);
    const auto [it, added] = Keys_.try_emplace(id);
    if (added) {
        it->second.Path = full;
        it->second.Exists = RegistryHasKey(id.first, full);
        if (!id.second.empty() && ReplacedAncestor({id.first, ParentOf(id.second)}) != nullptr) {
            it->second.Exists = false; // below a deleted key: what the registry has is gone
            it->second.Replaced = true;
        }
        Order_.push_back(id);
    }
    return it->second;
}

const TRegistryJournal::TPendingKey* TRegistryJournal::ReplacedAncestor(const TKeyId& id) const {
    for (std::string path = id.second;; path = ParentOf(path)) {
        if (const TPendingKey* key = Find({id.first, path}); key != nullptr && key->Replaced) {
            return key;
        }
        if (path.empty()) {
            return nullptr;
        }
    }
}

std::optional<bool> TRegistryJournal::KeyExists(THKey root, const std::string& path) const {
    const TKeyId id = Id(root, path);
    if (const TPendingKey* key = Find(id)) {
        return key->Exists;
    }
    if (ReplacedAncestor(id) != nullptr) {
        return false; // below a deleted key, and not made anew
    }
    return std::nullopt;
}

bool TRegistryJournal::HidesRegistryContent(THKey root, const std::string& path) const {
    return ReplacedAncestor(Id(root, path)) != nullptr;
}

std::optional<std::optional<TRegistryData>>
TRegistryJournal::Value(THKey root, const std::string& path, const std::string& name) const {
    const TKeyId id = Id(root, path);
    if (const TPendingKey* key = Find(id)) {
        const auto value = key->Values.find(reg::FoldName(name));
        if (value != key->Values.end()) {
            return value->second.second;
        }
    }
    if (ReplacedAncestor(id) != nullptr) {
        return std::optional<TRegistryData>();
    }
    return std::nullopt;
}

void TRegistryJournal::MergeKeyNames(THKey root, const std::string& path,
                                     std::vector<std::string>& names) const {
    const TKeyId id = Id(root, path);
    if (HidesRegistryContent(root, path)) {
        names.clear();
    }
    for (const auto& [childId, child] : Keys_) {
        if (childId.first != id.first || ParentOf(childId.second) != id.second ||
            childId.second.empty()) {
            continue;
        }
        const std::string name = LastName(child.Path);
        const auto same = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
            return reg::FoldName(n) == reg::FoldName(name);
        });
        if (child.Exists && same == names.end()) {
            names.push_back(name);
        } else if (!child.Exists && same != names.end()) {
            names.erase(same);
        }
    }
}

void TRegistryJournal::MergeValueNames(THKey root, const std::string& path,
                                       std::vector<std::string>& names) const {
    if (HidesRegistryContent(root, path)) {
        names.clear();
    }
    const TPendingKey* key = Find(Id(root, path));
    if (key == nullptr) {
        return;
    }
    for (const auto& [folded, value] : key->Values) {
        const auto same = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
            return reg::FoldName(n) == folded;
        });
        if (value.second && same == names.end()) {
            names.push_back(value.first);
        } else if (!value.second && same != names.end()) {
            names.erase(same);
        }
    }
}

void TRegistryJournal::CreateKey(THKey root, const std::string& path) {
    // Every missing parent is made with it, as RegCreateKeyExW makes them.
    std::string parent;
    for (std::string rest = path; !rest.empty();) {
        const auto cut = rest.find('\\');
        parent = Join(parent, rest.substr(0, cut));
        rest = cut == std::string::npos ? std::string() : rest.substr(cut + 1);
        TPendingKey& key = Note(root, parent);
        key.Exists = true;
    }
    std::string full;
    const TKeyId id = Id(root, path, &full);
    Operations_.push_back({TOperation::TKind::CreateKey, id.first, full, {}, {}});
}

void TRegistryJournal::DeleteKey(THKey root, const std::string& path) {
    std::string full;
    const TKeyId id = Id(root, path, &full);
    // What was noted below it goes with it.
    for (auto it = Keys_.begin(); it != Keys_.end(); ++it) {
        if (it->first.first == id.first && it->first.second.size() > id.second.size() &&
            it->first.second.compare(0, id.second.size() + 1, id.second + "\\") == 0) {
            it->second.Exists = false;
            it->second.Replaced = true;
            it->second.Values.clear();
        }
    }
    TPendingKey& key = Note(root, path);
    key.Exists = false;
    key.Replaced = true;
    key.Values.clear();
    Operations_.push_back({TOperation::TKind::DeleteKey, id.first, full, {}, {}});
}

void TRegistryJournal::SetValue(THKey root, const std::string& path, const std::string& name,
                                TRegistryData data) {
    TPendingKey& key = Note(root, path);
    key.Values[reg::FoldName(name)] = {name, data};
    Operations_.push_back(
        {TOperation::TKind::SetValue, Id(root, path).first, key.Path, name, std::move(data)});
}

void TRegistryJournal::DeleteValue(THKey root, const std::string& path, const std::string& name) {
    TPendingKey& key = Note(root, path);
    key.Values[reg::FoldName(name)] = {name, std::nullopt};
    Operations_.push_back(
        {TOperation::TKind::DeleteValue, Id(root, path).first, key.Path, name, {}});
}

TRegistryJournal::TUndo TRegistryJournal::ApplyOne(const TOperation& operation) {
    TUndo undo;
    undo.Kind = operation.Kind;
    undo.Hive = operation.Hive;
    undo.Path = operation.Path;
    undo.Name = operation.Name;
    LSTATUS status = ERROR_SUCCESS;
    switch (operation.Kind) {
    case TOperation::TKind::CreateKey: {
        // The topmost key this makes is the one to take away again.
        std::string path;
        for (std::string rest = operation.Path; !rest.empty() && !undo.Created;) {
            const auto cut = rest.find('\\');
            path = Join(path, rest.substr(0, cut));
            rest = cut == std::string::npos ? std::string() : rest.substr(cut + 1);
            undo.Created = !RegistryHasKey(operation.Hive, path);
        }
        undo.Path = path;
        status = CreatePath(operation.Hive, operation.Path);
        break;
    }
    case TOperation::TKind::DeleteKey:
        undo.OldSubtree = SubtreeOf(operation.Hive, operation.Path);
        status = SHDeleteKeyW(HiveHandle(operation.Hive), Wide(operation.Path).c_str());
        if (status == ERROR_FILE_NOT_FOUND) {
            status = ERROR_SUCCESS; // gone already
        }
        break;
    case TOperation::TKind::SetValue: {
        const win32::TKey key = OpenKey(operation.Hive, operation.Path, KEY_READ);
        undo.OldValue = ReadValue(key.get(), operation.Name);
        status = SetPathValue(operation.Hive, operation.Path, operation.Name, operation.Data);
        break;
    }
    case TOperation::TKind::DeleteValue: {
        const win32::TKey key = OpenKey(operation.Hive, operation.Path, KEY_READ | KEY_SET_VALUE);
        undo.OldValue = ReadValue(key.get(), operation.Name);
        status = !key || !undo.OldValue ? ERROR_SUCCESS
                                        : RegDeleteValueW(key.get(), Wide(operation.Name).c_str());
        break;
    }
    }
    if (status != ERROR_SUCCESS) {
        RegistryFailed(operation.Hive, operation.Path, status);
    }
    return undo;
}

void TRegistryJournal::Apply() {
    Applied_.clear();
    try {
        for (const TOperation& operation : Operations_) {
            Applied_.push_back(ApplyOne(operation));
        }
    } catch (...) {
        Undo();
        throw;
    }
    for (const THKey hive : {THKey::LocalMachine, THKey::CurrentUser}) {
        RegFlushKey(HiveHandle(hive));
    }
}

void TRegistryJournal::Undo() {
    for (auto undo = Applied_.rbegin(); undo != Applied_.rend(); ++undo) {
        switch (undo->Kind) {
        case TOperation::TKind::CreateKey:
            if (undo->Created) {
                SHDeleteKeyW(HiveHandle(undo->Hive), Wide(undo->Path).c_str());
            }
            break;
        case TOperation::TKind::DeleteKey:
            RestoreSubtree(undo->Hive, undo->OldSubtree);
            break;
        case TOperation::TKind::SetValue:
        case TOperation::TKind::DeleteValue:
            if (undo->OldValue) {
                SetPathValue(undo->Hive, undo->Path, undo->Name, *undo->OldValue);
            } else if (const win32::TKey key = OpenKey(undo->Hive, undo->Path, KEY_SET_VALUE)) {
                RegDeleteValueW(key.get(), Wide(undo->Name).c_str());
            }
            break;
        }
    }
    Applied_.clear();
}

std::vector<TRegistryChange> TRegistryJournal::Changes() const {
    std::vector<TRegistryChange> changes;
    // A deleted key is reported with its subtree, so keys noted below it are not again.
    const auto deletedAbove = [this](const TKeyId& id) {
        for (std::string path = id.second; !path.empty();) {
            path = ParentOf(path);
            const TPendingKey* above = Find({id.first, path});
            if (above != nullptr && !above->Exists) {
                return true;
            }
        }
        return false;
    };
    for (const TKeyId& id : Order_) {
        const TPendingKey& key = Keys_.at(id);
        const THKey hive = id.first;
        if (deletedAbove(id)) {
            continue;
        }
        // The registry is as before while the transaction is open.
        const win32::TKey before = OpenKey(hive, key.Path, KEY_READ);
        if (!key.Exists) {
            if (before) {
                for (const TImage& image : SubtreeOf(hive, key.Path)) {
                    changes.push_back(
                        KeyChange(hive, image.Path, TRegistryChange::TKind::KeyDeleted));
                    for (const auto& [name, data] : image.Values) {
                        changes.push_back(ValueChange(hive, image.Path, name, data, std::nullopt));
                    }
                }
            }
            continue;
        }
        const bool readsRegistry = before && !key.Replaced;
        if (!before) {
            changes.push_back(KeyChange(hive, key.Path, TRegistryChange::TKind::KeyCreated));
        }
        std::map<std::string, std::pair<std::string, std::optional<TRegistryData>>> old;
        if (before) {
            for (auto& [name, data] : ValuesOf(before.get())) {
                old[reg::FoldName(name)] = {name, data};
            }
        }
        // Values the registry had and a replaced key lost.
        if (before && !readsRegistry) {
            for (const auto& [folded, value] : old) {
                if (key.Values.count(folded) == 0) {
                    changes.push_back(
                        ValueChange(hive, key.Path, value.first, value.second, std::nullopt));
                }
            }
        }
        for (const auto& [folded, value] : key.Values) {
            const auto was = old.find(folded);
            const std::optional<TRegistryData> oldData =
                was == old.end() ? std::nullopt : was->second.second;
            if (oldData != value.second) {
                changes.push_back(ValueChange(hive, key.Path, value.first, oldData, value.second));
            }
        }
    }
    return changes;
}

} // namespace platform::detail
