#pragma once
// One hive in memory with the file it comes from: key paths, change tracking, and loading and
// atomic saving of its .reg file.

#include "platform/AtomicFile.h"
#include "platform/RegKey.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace platform::reg {

// What a file looked like when it was last read or written, to notice writers elsewhere.
struct TFileStamp {
    bool Exists = false;
    std::uint64_t Size = 0;
    std::int64_t ModifiedNs = 0;
    std::uint64_t Inode = 0;
    bool operator==(const TFileStamp&) const = default;
};
TFileStamp StampOf(const std::filesystem::path& file);

class THive {
public:
    explicit THive(std::string rootName); // "HKEY_LOCAL_MACHINE"
    THive(const THive&) = delete;
    THive& operator=(const THive&) = delete;

    const std::string& RootName() const { return RootName_; }
    TRegKey& Root() { return *Root_; }
    const TRegKey& Root() const { return *Root_; }

    // Paths are below the root key, "" being the root. nullptr when missing or malformed, and
    // Create gives nullptr for a path deeper than MaxKeyDepth, as Windows refuses it.
    TRegKey* Find(std::string_view path) const;
    TRegKey* Create(std::string_view path);
    bool Delete(std::string_view path); // with the subtree; never the root
    void SetValue(TRegKey& key, std::string_view name, std::uint32_t type,
                  std::vector<std::uint8_t> data);
    bool DeleteValue(TRegKey& key, std::string_view name);

    bool Changed() const { return Changed_; } // changes not yet saved

    // Replaces the content by the file's (a missing file gives an empty hive). Throws
    // ERegFileError naming file and line, and then leaves the hive as it was.
    void Load(const std::filesystem::path& file);
    // Writes the file atomically: a temporary file in the same folder, flushed to disk, renamed
    // over the old one. Throws ESystemError, and then the old file is untouched.
    void Save(const std::filesystem::path& file);
    // The file as this hive last read or wrote it.
    const TFileStamp& Stamp() const { return Stamp_; }
    // For a save that another writer puts on disk (a write transaction): the bytes reached the
    // file, or a rolled-back change leaves the hive as changed as it was before.
    void MarkSaved(const TFileStamp& stamp) {
        Changed_ = false;
        Stamp_ = stamp;
    }
    void MarkChanged(bool changed) { Changed_ = changed; }

private:
    void Touch(TRegKey& key);

    std::string RootName_;
    std::unique_ptr<TRegKey> Root_;
    bool Changed_ = false;
    TFileStamp Stamp_;
};

// Stamps of changes, increasing across all hives of the process.
std::uint64_t NextChangeStamp();

// For tests: makes the next saves fail at one step, as a full disk or a crash would.
enum class TSaveFault { None, Write, Sync, Rename };
void SetSaveFaultForTesting(TSaveFault fault);
// The fault that hive saves are to meet, for saves made elsewhere (a write transaction).
detail::TWriteFault HiveWriteFaultForTesting();

} // namespace platform::reg
