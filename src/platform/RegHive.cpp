#include "platform/RegHive.h"

#include "platform/AtomicFile.h"
#include "platform/RegFile.h"
#include "platform/RegistryWatch.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace platform::reg {

namespace {

std::atomic<std::uint64_t> LastStamp{0};
std::atomic<TSaveFault> Fault{TSaveFault::None};

void StampTree(TRegKey& root, std::uint64_t stamp) {
    std::vector<TRegKey*> pending{&root};
    while (!pending.empty()) {
        TRegKey* key = pending.back();
        pending.pop_back();
        key->Stamp = stamp;
        key->TreeStamp = stamp;
        for (auto& entry : key->SubKeys()) {
            pending.push_back(entry.second.get());
        }
    }
}

std::string ReadWholeFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        throw ESystemError("Cannot read " + file.string() + ": it is not a file");
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw ESystemError("Cannot read " + file.string() + ": " + std::strerror(errno));
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        throw ESystemError("Cannot read " + file.string());
    }
    return content.str();
}

[[noreturn]] void SaveFailed(const std::filesystem::path& file, const std::string& step,
                             int error) {
    throw ESystemError("Cannot save " + file.string() + " (" + step + "): " + std::strerror(error));
}

detail::TWriteFault WriteFaultOf(TSaveFault fault) {
    switch (fault) {
    case TSaveFault::Write:
        return detail::TWriteFault::Write;
    case TSaveFault::Sync:
        return detail::TWriteFault::Sync;
    case TSaveFault::Rename:
        return detail::TWriteFault::Rename;
    default:
        return detail::TWriteFault::None;
    }
}

} // namespace

TFileStamp StampOf(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        return {};
    }
    return TFileStamp{true, static_cast<std::uint64_t>(info.st_size),
                      static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                          info.st_mtim.tv_nsec,
                      static_cast<std::uint64_t>(info.st_ino)};
}

std::uint64_t NextChangeStamp() {
    detail::RegistryChanged(); // wakes change notification
    return ++LastStamp;
}

void SetSaveFaultForTesting(TSaveFault fault) {
    Fault.store(fault);
}

detail::TWriteFault HiveWriteFaultForTesting() {
    return WriteFaultOf(Fault.load());
}

THive::THive(std::string rootName)
    : RootName_(std::move(rootName)), Root_(std::make_unique<TRegKey>(RootName_, nullptr)) {
    Root_->Implicit = true;
}

// Walks the path name by name without copying it into a list first: every value read looks
// its key up again, so this runs thousands of times at start-up. An empty name finds nothing.
TRegKey* THive::Find(std::string_view path) const {
    TRegKey* key = Root_.get();
    while (!path.empty()) {
        const std::size_t end = path.find('\\');
        const std::string_view name = path.substr(0, end);
        key = name.empty() ? nullptr : key->FindSubKey(name);
        if (key == nullptr || end == std::string_view::npos) {
            return key;
        }
        path.remove_prefix(end + 1);
        if (path.empty()) {
            return nullptr; // a trailing backslash
        }
    }
    return key;
}

TRegKey* THive::Create(std::string_view path) {
    std::vector<std::string> names;
    if (!SplitKeyPath(path, names) || names.size() > MaxKeyDepth) {
        return nullptr;
    }
    TRegKey* key = Root_.get();
    for (std::size_t i = 0; i < names.size(); ++i) {
        bool created = false;
        TRegKey& sub = key->SubKey(names[i], &created);
        if (created) {
            sub.Implicit = i + 1 < names.size();
            Touch(*key);
        } else if (i + 1 == names.size()) {
            sub.Implicit = false;
        }
        key = &sub;
    }
    return key;
}

bool THive::Delete(std::string_view path) {
    TRegKey* key = Find(path);
    if (key == nullptr || key->Parent() == nullptr) {
        return false;
    }
    TRegKey& parent = *key->Parent();
    parent.DeleteSubKey(key->Name());
    Touch(parent);
    return true;
}

void THive::SetValue(TRegKey& key, std::string_view name, std::uint32_t type,
                     std::vector<std::uint8_t> data) {
    key.SetValue(name, type, std::move(data));
    Touch(key);
}

bool THive::DeleteValue(TRegKey& key, std::string_view name) {
    if (!key.DeleteValue(name)) {
        return false;
    }
    Touch(key);
    return true;
}

void THive::Touch(TRegKey& key) {
    Changed_ = true;
    const std::uint64_t stamp = NextChangeStamp();
    key.Stamp = stamp;
    for (TRegKey* k = &key; k != nullptr; k = k->Parent()) {
        k->TreeStamp = stamp;
    }
}

void THive::Load(const std::filesystem::path& file) {
    const TFileStamp stamp = StampOf(file);
    auto root = std::make_unique<TRegKey>(RootName_, nullptr);
    root->Implicit = true;
    if (stamp.Exists) {
        ParseRegFile(ReadWholeFile(file), file.string(), RootName_, *root);
    }
    StampTree(*root, NextChangeStamp());
    Root_ = std::move(root);
    Changed_ = false;
    Stamp_ = stamp;
}

void THive::Save(const std::filesystem::path& file) {
    const std::string bytes = FormatRegFile(*Root_, RootName_);
    if (const auto failed =
            detail::ReplaceFileAtomically(file, bytes, WriteFaultOf(Fault.load()))) {
        SaveFailed(file, failed->Step, failed->Error);
    }
    Changed_ = false;
    Stamp_ = StampOf(file);
}

} // namespace platform::reg
