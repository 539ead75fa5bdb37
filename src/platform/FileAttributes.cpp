#include "platform/FileAttributes.h"

#include "platform/System.h"
#include "platform/WinPath.h"

#include <fstream>

namespace fs = std::filesystem;

namespace platform::detail {

std::optional<std::uint32_t> TAttributeStore::Get(const std::string& key) {
    std::lock_guard lock(Mutex_);
    Load();
    const auto it = Values_.find(key);
    return it == Values_.end() ? std::nullopt : std::optional(it->second);
}

void TAttributeStore::Set(const std::string& key, std::optional<std::uint32_t> value) {
    std::lock_guard lock(Mutex_);
    Load();
    bool changed = false;
    if (value) {
        const auto it = Values_.find(key);
        changed = it == Values_.end() || it->second != *value;
        Values_[key] = *value;
    } else {
        changed = Values_.erase(key) > 0;
    }
    if (changed)
        Save();
}

void TAttributeStore::Reset() {
    std::lock_guard lock(Mutex_);
    Loaded_ = false;
    Values_.clear();
}

void TAttributeStore::Load() {
    if (Loaded_)
        return;
    Loaded_ = true;
    const fs::path root = SystemRoot();
    File_ = root.empty() ? fs::path() : root / "attributes.ini";
    std::ifstream in(File_);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.rfind('=');
        if (eq != std::string::npos)
            Values_[line.substr(0, eq)] =
                static_cast<std::uint32_t>(std::strtoul(line.c_str() + eq + 1, nullptr, 16));
    }
}

void TAttributeStore::Save() {
    if (File_.empty())
        return;
    const fs::path temp = File_.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const auto& [key, value] : Values_)
            out << key << '=' << std::hex << value << std::dec << '\n';
        if (!out)
            return;
    }
    std::error_code ec;
    fs::rename(temp, File_, ec);
}

TAttributeStore& Attributes() {
    static TAttributeStore store;
    return store;
}

std::string AttributeKey(const std::string& normalizedPath) {
    return FoldCase(normalizedPath);
}

} // namespace platform::detail
