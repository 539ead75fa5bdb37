#include "platform/RegistryJournal.h"

#include "platform/RegHive.h"
#include "platform/RegText.h"

#include <algorithm>
#include <unordered_map>

namespace platform::detail {

namespace {

// The hive that holds a root key's keys: HKEY_CLASSES_ROOT lives in HKEY_LOCAL_MACHINE.
THKey HiveOf(THKey root) {
    return root == THKey::ClassesRoot ? THKey::LocalMachine : root;
}

std::string JoinKeyPath(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + "\\" + name;
}

// The key's path below the hive's root, with the names as stored.
std::string ActualPath(const reg::TRegKey& key) {
    std::vector<const std::string*> names;
    for (const reg::TRegKey* k = &key; k->Parent() != nullptr; k = k->Parent()) {
        names.push_back(&k->Name());
    }
    std::string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        path = JoinKeyPath(path, **it);
    }
    return path;
}

TKeyImage ImageOf(const reg::TRegKey& key, std::string path) {
    return TKeyImage{std::move(path), key.Implicit, key.Values()};
}

// The key and everything below it, parents before their subkeys; walked without recursion, as
// keys may nest deeply.
std::vector<TKeyImage> SubtreeOf(const reg::TRegKey& top, const std::string& topPath) {
    std::vector<TKeyImage> images;
    std::vector<std::pair<const reg::TRegKey*, std::string>> pending{{&top, topPath}};
    while (!pending.empty()) {
        auto [key, path] = std::move(pending.back());
        pending.pop_back();
        const auto& subKeys = key->SubKeys();
        for (auto it = subKeys.rbegin(); it != subKeys.rend(); ++it) {
            pending.emplace_back(it->second.get(), JoinKeyPath(path, it->second->Name()));
        }
        images.push_back(ImageOf(*key, std::move(path)));
    }
    return images;
}

bool SameValues(const std::vector<reg::TRegValue>& a, const std::vector<reg::TRegValue>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const reg::TRegValue& x, const reg::TRegValue& y) {
                          return x.Name == y.Name && x.Type == y.Type && x.Data == y.Data;
                      });
}

void Restore(reg::THive& hive, reg::TRegKey& key, const TKeyImage& image) {
    key.Implicit = image.Implicit;
    if (SameValues(key.Values(), image.Values)) {
        return;
    }
    std::vector<std::string> names;
    for (const reg::TRegValue& value : key.Values()) {
        names.push_back(value.Name);
    }
    for (const std::string& name : names) {
        hive.DeleteValue(key, name);
    }
    for (const reg::TRegValue& value : image.Values) {
        hive.SetValue(key, value.Name, value.Type, value.Data);
    }
}

// Whether `path` is `top` or lies below it; both folded.
bool AtOrBelow(const std::string& path, const std::string& top) {
    return path == top || (path.size() > top.size() && path.compare(0, top.size(), top) == 0 &&
                           path[top.size()] == '\\');
}

TRegistryData DataOf(const reg::TRegValue& value) {
    return TRegistryData{static_cast<TRegValueType>(value.Type), value.Data};
}

// A key's values by folded name. A key may hold thousands of values (a Protected Storage
// subtype holds every item), so the diff looks names up instead of comparing them pairwise.
using TValueIndex = std::unordered_map<std::string, const reg::TRegValue*>;

TValueIndex IndexByName(const std::vector<reg::TRegValue>& values) {
    TValueIndex index;
    index.reserve(values.size());
    for (const reg::TRegValue& value : values) {
        index.emplace(reg::FoldName(value.Name), &value);
    }
    return index;
}

const reg::TRegValue* FindIn(const TValueIndex& index, const std::string& folded) {
    const auto found = index.find(folded);
    return found == index.end() ? nullptr : found->second;
}

TRegistryChange ValueChange(THKey hive, const std::string& path, const std::string& name,
                            const reg::TRegValue* before, const reg::TRegValue* after) {
    TRegistryChange change;
    change.Kind =
        after != nullptr ? TRegistryChange::TKind::ValueSet : TRegistryChange::TKind::ValueDeleted;
    change.Hive = hive;
    change.KeyPath = path;
    change.ValueName = name;
    if (before != nullptr) {
        change.Old = DataOf(*before);
    }
    if (after != nullptr) {
        change.New = DataOf(*after);
    }
    return change;
}

TRegistryChange KeyChange(THKey hive, const std::string& path, TRegistryChange::TKind kind) {
    TRegistryChange change;
    change.Kind = kind;
    change.Hive = hive;
    change.KeyPath = path;
    return change;
}

void AppendValueDiff(THKey hive, const std::string& path, const std::vector<reg::TRegValue>& old,
                     const std::vector<reg::TRegValue>& now, std::vector<TRegistryChange>& out) {
    const TValueIndex oldIndex = IndexByName(old);
    const TValueIndex nowIndex = IndexByName(now);
    for (const reg::TRegValue& before : old) {
        const reg::TRegValue* after = FindIn(nowIndex, reg::FoldName(before.Name));
        if (after == nullptr || after->Type != before.Type || after->Data != before.Data) {
            out.push_back(
                ValueChange(hive, path, after ? after->Name : before.Name, &before, after));
        }
    }
    for (const reg::TRegValue& after : now) {
        if (FindIn(oldIndex, reg::FoldName(after.Name)) == nullptr) {
            out.push_back(ValueChange(hive, path, after.Name, nullptr, &after));
        }
    }
}

} // namespace

reg::THive& TRegistryJournal::Note(TRegistryAccess& access, THKey root) {
    const THKey hive = HiveOf(root);
    reg::THive* loaded = access.Hive(hive, false);
    const bool known = std::any_of(Hives_.begin(), Hives_.end(),
                                   [hive](const auto& entry) { return entry.first == hive; });
    if (!known) {
        Hives_.emplace_back(hive, loaded->Changed());
        access.HoldForTransaction(hive);
    }
    return *loaded;
}

void TRegistryJournal::BeforeCreate(TRegistryAccess& access, THKey root, std::string_view path) {
    std::vector<std::string> names;
    if (access.Hive(root, false) == nullptr || !reg::SplitKeyPath(path, names)) {
        return;
    }
    reg::THive& hive = Note(access, root);
    reg::TRegKey* key = &hive.Root();
    std::string actual;
    for (const std::string& name : names) {
        reg::TRegKey* sub = key->FindSubKey(name);
        if (sub == nullptr) {
            Records_.push_back({TKind::Created, HiveOf(root), JoinKeyPath(actual, name), {}});
            return;
        }
        actual = JoinKeyPath(actual, sub->Name());
        key = sub;
    }
    if (key->Implicit) {
        BeforeValueChange(access, root, *key); // it becomes a key of its own
    }
}

void TRegistryJournal::BeforeDelete(TRegistryAccess& access, THKey root, std::string_view path) {
    reg::THive* loaded = access.Hive(root, false);
    const reg::TRegKey* key = loaded == nullptr ? nullptr : loaded->Find(path);
    if (key == nullptr || key->Parent() == nullptr) {
        return;
    }
    Note(access, root);
    const std::string actual = ActualPath(*key);
    Records_.push_back({TKind::Deleted, HiveOf(root), actual, SubtreeOf(*key, actual)});
}

void TRegistryJournal::BeforeValueChange(TRegistryAccess& access, THKey root,
                                         const reg::TRegKey& key) {
    Note(access, root);
    const std::string actual = ActualPath(key);
    // One image per key is enough: a later deletion or creation of the key is undone first.
    if (ValuesKept_.emplace(HiveOf(root), reg::FoldName(actual)).second) {
        Records_.push_back({TKind::Values, HiveOf(root), actual, {ImageOf(key, actual)}});
    }
}

void TRegistryJournal::Undo(TRegistryAccess& access) const {
    for (auto record = Records_.rbegin(); record != Records_.rend(); ++record) {
        reg::THive* hive = access.Hive(record->Hive, false);
        if (hive == nullptr) {
            continue;
        }
        switch (record->Kind) {
        case TKind::Values:
            if (reg::TRegKey* key = hive->Find(record->Path)) {
                Restore(*hive, *key, record->Images.front());
            }
            break;
        case TKind::Created:
            hive->Delete(record->Path);
            break;
        case TKind::Deleted:
            for (const TKeyImage& image : record->Images) {
                if (reg::TRegKey* key = hive->Create(image.Path)) {
                    Restore(*hive, *key, image);
                }
            }
            break;
        }
    }
}

std::optional<TKeyImage> TRegistryJournal::OldState(THKey hive, const std::string& path) const {
    const std::string folded = reg::FoldName(path);
    for (const TRecord& record : Records_) {
        const std::string top = reg::FoldName(record.Path);
        if (record.Hive != hive || !AtOrBelow(folded, top)) {
            continue;
        }
        if (record.Kind == TKind::Created) {
            return std::nullopt;
        }
        if (record.Kind == TKind::Deleted) {
            for (const TKeyImage& image : record.Images) {
                if (reg::FoldName(image.Path) == folded) {
                    return image;
                }
            }
            return std::nullopt;
        }
        if (folded == top) {
            return record.Images.front();
        }
    }
    return std::nullopt; // not reached: every touched path has a record at or above it
}

std::vector<std::string> TRegistryJournal::TouchedPaths(TRegistryAccess& access, THKey hive) const {
    std::vector<std::string> paths;
    std::set<std::string> seen;
    const auto add = [&](const std::string& path) {
        if (seen.insert(reg::FoldName(path)).second) {
            paths.push_back(path);
        }
    };
    const reg::THive* loaded = access.Hive(hive, false);
    for (const TRecord& record : Records_) {
        if (record.Hive != hive) {
            continue;
        }
        if (record.Kind == TKind::Deleted) {
            for (const TKeyImage& image : record.Images) {
                add(image.Path);
            }
            continue;
        }
        add(record.Path);
        const reg::TRegKey* created = loaded->Find(record.Path);
        if (record.Kind == TKind::Created && created != nullptr) {
            for (const TKeyImage& image : SubtreeOf(*created, record.Path)) {
                add(image.Path);
            }
        }
    }
    return paths;
}

std::vector<TRegistryChange> TRegistryJournal::Changes(TRegistryAccess& access) const {
    std::vector<TRegistryChange> changes;
    for (const auto& [hive, changedBefore] : Hives_) {
        const reg::THive* loaded = access.Hive(hive, false);
        if (loaded == nullptr) {
            continue;
        }
        for (const std::string& path : TouchedPaths(access, hive)) {
            const std::optional<TKeyImage> old = OldState(hive, path);
            const reg::TRegKey* now = loaded->Find(path);
            if (old && now != nullptr) {
                AppendValueDiff(hive, ActualPath(*now), old->Values, now->Values(), changes);
            } else if (now != nullptr) {
                const std::string actual = ActualPath(*now);
                changes.push_back(KeyChange(hive, actual, TRegistryChange::TKind::KeyCreated));
                AppendValueDiff(hive, actual, {}, now->Values(), changes);
            } else if (old) {
                changes.push_back(KeyChange(hive, old->Path, TRegistryChange::TKind::KeyDeleted));
                AppendValueDiff(hive, old->Path, old->Values, {}, changes);
            }
        }
    }
    return changes;
}

} // namespace platform::detail
