#include "platform/AtomicFile.h"

#include "platform/ProcessIdentity.h"
#include "platform/WriteJournal.h"

#include <atomic>
#include <set>

namespace fs = std::filesystem;

namespace platform::detail {

namespace {

// Long target names are cut in the temporary's name, which must stay within a name's limit.
constexpr std::size_t MaxNameInTemporary = 64;

std::atomic<unsigned long> TemporaryCount{0};

// The process id of a temporary's name; 0 for names of another form.
int OwnerOfTemporary(std::string_view name) {
    if (name.substr(0, TempPrefix.size()) != TempPrefix)
        return 0;
    name.remove_prefix(TempPrefix.size());
    const auto dot = name.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot > 9 ||
        name.substr(0, dot).find_first_not_of("0123456789") != std::string_view::npos)
        return 0;
    return std::stoi(std::string(name.substr(0, dot)));
}

} // namespace

bool IsTemporaryName(std::string_view name) {
    return name.substr(0, TempPrefix.size()) == TempPrefix;
}

fs::path NewTemporaryPath(const fs::path& target) {
    // Cut by characters, not bytes, so that a name in any script stays a valid name.
    fs::path name = std::string(TempPrefix) + std::to_string(CurrentProcessId()) + "." +
                    std::to_string(++TemporaryCount) + ".";
    name += fs::path(target.filename().u32string().substr(0, MaxNameInTemporary));
    return target.parent_path() / name;
}

TWriteResult ReplaceFileAtomically(const fs::path& file, const std::string& bytes,
                                   TWriteFault fault) {
    RemoveStaleTemporaries(file.parent_path());
    const fs::path temp = NewTemporaryPath(file);
    if (TWriteResult failed = WriteNewFile(temp, bytes, ModeToKeep(file), fault))
        return failed;
    if (TWriteResult failed = RenameFile(temp, file, fault)) {
        RemoveFile(temp);
        return failed;
    }
    SyncDirectory(file.parent_path());
    return std::nullopt;
}

void RemoveStaleTemporaries(const fs::path& dir) {
    std::set<int> spared; // a killed commit's files wait for its journal to be finished
    bool sparedKnown = false;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::u8string name = it->path().filename().u8string();
        const int owner = OwnerOfTemporary(std::string(name.begin(), name.end()));
        if (owner == 0 || owner == CurrentProcessId() || ProcessAlive(owner))
            continue;
        if (!sparedKnown) {
            spared = ProcessesWithJournals(JournalRoot());
            sparedKnown = true;
        }
        if (spared.count(owner) == 0)
            RemoveFile(it->path());
    }
}

} // namespace platform::detail
