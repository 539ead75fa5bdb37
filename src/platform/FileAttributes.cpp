#include "platform/FileAttributes.h"

#include "platform/AtomicFile.h"
#include "platform/System.h"
#include "platform/WinPath.h"

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace platform::detail {

std::optional<std::uint32_t> TAttributeStore::Get(const std::string& key) {
    std::lock_guard lock(Mutex_);
    Load();
    const auto it = Values_.find(key);
    return it == Values_.end() ? std::nullopt : std::optional(it->second);
}

bool TAttributeStore::Set(const std::string& key, std::optional<std::uint32_t> value) {
    std::lock_guard lock(Mutex_);
    Load();
    std::map<std::string, std::uint32_t> values = Values_;
    if (value)
        values[key] = *value;
    else
        values.erase(key);
    if (values == Values_)
        return true;
    // Memory follows the file: what could not be written is not kept either.
    if (!Save(values))
        return false;
    Values_ = std::move(values);
    return true;
}

void TAttributeStore::Reset() {
    std::lock_guard lock(Mutex_);
    Loaded_ = false;
    Values_.clear();
}

std::map<std::string, std::uint32_t> TAttributeStore::Values() {
    std::lock_guard lock(Mutex_);
    Load();
    return Values_;
}

fs::path TAttributeStore::File() {
    std::lock_guard lock(Mutex_);
    Load();
    return File_;
}

void TAttributeStore::Adopt(std::map<std::string, std::uint32_t> values) {
    std::lock_guard lock(Mutex_);
    Loaded_ = true;
    Values_ = std::move(values);
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

bool TAttributeStore::Save(const std::map<std::string, std::uint32_t>& values) const {
    if (File_.empty())
        return true;
    return !ReplaceFileAtomically(File_, Format(values));
}

std::string TAttributeStore::Format(const std::map<std::string, std::uint32_t>& values) {
    std::ostringstream out;
    for (const auto& [key, value] : values)
        out << key << '=' << std::hex << value << '\n';
    return out.str();
}

TAttributeStore& Attributes() {
    static TAttributeStore store;
    return store;
}

std::string AttributeKey(const std::string& normalizedPath) {
    return FoldCase(normalizedPath);
}

} // namespace platform::detail
