#include "platform/RegKey.h"

#include "platform/RegText.h"

namespace platform::reg {

TRegKey::~TRegKey() {
    std::vector<std::unique_ptr<TRegKey>> pending;
    auto takeSubKeys = [&pending](TSubKeys& subKeys) {
        for (auto& entry : subKeys) {
            if (entry.second) {
                pending.push_back(std::move(entry.second));
            }
        }
    };
    takeSubKeys(SubKeys_);
    while (!pending.empty()) {
        std::unique_ptr<TRegKey> key = std::move(pending.back());
        pending.pop_back();
        takeSubKeys(key->SubKeys_);
    } // each key dies here with its subkeys already taken out
}

std::string TRegKey::Path() const {
    std::vector<const TRegKey*> chain;
    for (const TRegKey* key = this; key->Parent_ != nullptr; key = key->Parent_) {
        chain.push_back(key);
    }
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty()) {
            path += '\\';
        }
        path += (*it)->Name_;
    }
    return path;
}

TRegKey* TRegKey::FindSubKey(std::string_view name) const {
    const auto it = SubKeys_.find(FoldName(name));
    return it == SubKeys_.end() ? nullptr : it->second.get();
}

TRegKey& TRegKey::SubKey(std::string_view name, bool* created) {
    auto [it, inserted] = SubKeys_.try_emplace(FoldName(name));
    if (inserted) {
        it->second = std::make_unique<TRegKey>(std::string(name), this);
    }
    if (created != nullptr) {
        *created = inserted;
    }
    return *it->second;
}

bool TRegKey::DeleteSubKey(std::string_view name) {
    return SubKeys_.erase(FoldName(name)) > 0;
}

const TRegValue* TRegKey::FindValue(std::string_view name) const {
    const auto it = ValueIndex_.find(FoldName(name));
    return it == ValueIndex_.end() ? nullptr : &Values_[it->second];
}

void TRegKey::SetValue(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data) {
    auto [it, inserted] = ValueIndex_.try_emplace(FoldName(name), Values_.size());
    if (inserted) {
        Values_.push_back(TRegValue{std::string(name), type, std::move(data)});
        return;
    }
    TRegValue& value = Values_[it->second];
    value.Type = type;
    value.Data = std::move(data);
}

bool TRegKey::DeleteValue(std::string_view name) {
    const auto it = ValueIndex_.find(FoldName(name));
    if (it == ValueIndex_.end()) {
        return false;
    }
    const std::size_t position = it->second;
    ValueIndex_.erase(it);
    Values_.erase(Values_.begin() + static_cast<std::ptrdiff_t>(position));
    for (auto& entry : ValueIndex_) {
        if (entry.second > position) {
            --entry.second;
        }
    }
    return true;
}

bool SplitKeyPath(std::string_view path, std::vector<std::string>& names) {
    names.clear();
    if (path.empty()) {
        return true;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('\\', start);
        const std::string_view name = path.substr(start, end - start);
        if (name.empty()) {
            return false;
        }
        names.emplace_back(name);
        if (end == std::string_view::npos) {
            return true;
        }
        start = end + 1;
    }
}

} // namespace platform::reg
