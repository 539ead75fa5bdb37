#include "platform/WriteJournal.h"

#include "platform/ProcessIdentity.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace platform::detail {

namespace {

using TChange = TCommitPlan::TChange;
using TKind = TCommitPlan::TKind;
using TOutcome = ECommitFailed::TOutcome;

constexpr std::string_view Header = "Quenlix write journal 1";
constexpr std::string_view Prepared = ".prepare";
constexpr std::string_view Committed = ".commit";
constexpr std::string_view RollingBack = ".rollback";

std::atomic<int> KillAtStep{0};
std::atomic<unsigned long> JournalCount{0};

// Counts the durable steps of one commit, for kill tests.
class TSteps {
public:
    void Done() {
        if (++Count_ == KillAtStep.load()) {
            KillThisProcess();
        }
    }

private:
    int Count_ = 0;
};

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// --- journal text ---------------------------------------------------------------------------

std::string Escape(const std::string& field) {
    std::string out;
    for (const char c : field) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// UTF-8 text of a path, whatever the host's own encoding of paths.
std::string Utf8Of(const fs::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

// Below the root: relative to it; elsewhere (on Windows, another folder or drive): in full.
std::string Relative(const fs::path& root, const fs::path& path) {
    if (path.empty()) {
        return {};
    }
    const fs::path relative = path.lexically_relative(root);
    return relative.empty() || *relative.begin() == ".." ? Utf8Of(path) : Utf8Of(relative);
}

std::string Octal(unsigned mode) {
    std::ostringstream out;
    out << std::oct << mode;
    return out.str();
}

std::string FormatJournal(const fs::path& root, const std::vector<TChange>& changes) {
    std::string text = std::string(Header) + "\n";
    for (const TChange& c : changes) {
        std::vector<std::string> fields;
        switch (c.Kind) {
        case TKind::CreateFolder:
            fields = {"folder", Relative(root, c.Target)};
            break;
        case TKind::Replace:
            fields = {"replace", Relative(root, c.Target), Relative(root, c.Temp),
                      Relative(root, c.Backup), Octal(c.Mode)};
            break;
        case TKind::Delete:
            fields = {"delete", Relative(root, c.Target), Relative(root, c.Backup)};
            break;
        case TKind::ChangeMode:
            fields = {"mode", Relative(root, c.Target), Octal(c.OldMode), Octal(c.Mode)};
            break;
        case TKind::RemoveFolder:
            fields = {"rmdir", Relative(root, c.Target)};
            break;
        }
        for (std::size_t i = 0; i < fields.size(); ++i) {
            text += (i == 0 ? "" : "\t") + Escape(fields[i]);
        }
        text += '\n';
    }
    return text + "end\n";
}

// A path of the journal, which must lie below the root.
bool Below(const fs::path& root, const std::string& relative, fs::path& out) {
    if (relative.empty()) {
        out.clear();
        return true;
    }
    const fs::path path =
        fs::path(std::u8string(relative.begin(), relative.end())).lexically_normal();
    // A full path names a file of a save on Windows; it has a drive, which POSIX paths never
    // have, so on the simulated system every path stays below the root.
    if (path.is_absolute() && path.has_root_name()) {
        out = path;
        return true;
    }
    if (path.is_absolute() || path.empty() || *path.begin() == "..") {
        return false;
    }
    out = root / path;
    return true;
}

std::optional<unsigned> ParseOctal(const std::string& text) {
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("01234567") != std::string::npos) {
        return std::nullopt;
    }
    return static_cast<unsigned>(std::stoul(text, nullptr, 8));
}

// One journal line; false when it is not one of ours.
bool ParseChange(const fs::path& root, const std::vector<std::string>& f, TChange& c) {
    const std::string& kind = f[0];
    const std::size_t fieldCount = kind == "replace"                     ? 5
                                   : kind == "delete"                    ? 3
                                   : kind == "mode"                      ? 4
                                   : kind == "folder" || kind == "rmdir" ? 2
                                                                         : 0;
    if (fieldCount == 0 || f.size() != fieldCount || f[1].empty() || !Below(root, f[1], c.Target)) {
        return false;
    }
    if (kind == "folder" || kind == "rmdir") {
        c.Kind = kind == "folder" ? TKind::CreateFolder : TKind::RemoveFolder;
        return true;
    }
    if (kind == "mode") {
        const auto oldMode = ParseOctal(f[2]);
        const auto newMode = ParseOctal(f[3]);
        c.Kind = TKind::ChangeMode;
        c.OldMode = oldMode.value_or(0);
        c.Mode = newMode.value_or(0);
        return oldMode && newMode;
    }
    if (kind == "delete") {
        c.Kind = TKind::Delete;
        return !f[2].empty() && Below(root, f[2], c.Backup);
    }
    const auto mode = ParseOctal(f[4]);
    c.Kind = TKind::Replace;
    c.Mode = mode.value_or(0);
    return mode && !f[2].empty() && Below(root, f[2], c.Temp) && Below(root, f[3], c.Backup);
}

std::optional<std::vector<TChange>> ParseJournal(const fs::path& root, const std::string& text) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != Header) {
        return std::nullopt;
    }
    std::vector<TChange> changes;
    while (std::getline(in, line)) {
        if (line == "end") {
            return changes;
        }
        TChange change;
        if (!ParseChange(root, SplitFields(line), change)) {
            return std::nullopt;
        }
        changes.push_back(std::move(change));
    }
    return std::nullopt; // cut short: not a journal we wrote
}

// The file's bytes, with the file closed again: Windows removes no file that is open. nullopt
// when it cannot be read.
std::optional<std::string> ReadWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        return std::nullopt;
    }
    return bytes;
}

// --- the phases -----------------------------------------------------------------------------

// A backup that shares the old file's content: a hard link, else a copy.
TWriteResult MakeBackup(const fs::path& file, const fs::path& backup) {
    if (LinkFile(file, backup)) {
        return std::nullopt;
    }
    const auto bytes = ReadWhole(file);
    if (!bytes) {
        return LastHostError("read for backup");
    }
    return WriteNewFile(backup, *bytes, ModeToKeep(file));
}

TWriteResult Prepare(TChange& c) {
    TWriteResult result;
    if (c.Kind == TKind::CreateFolder) {
        result = MakeFolder(c.Target);
    }
    if (c.Kind == TKind::Replace) {
        result = WriteNewFile(c.Temp, c.Bytes, c.Mode, c.Fault);
        c.Bytes.clear();
        c.Bytes.shrink_to_fit();
    }
    if (!result && !c.Backup.empty()) {
        result = MakeBackup(c.Target, c.Backup);
    }
    return result;
}

// Each step can be repeated after a kill: what is done already is skipped.
TWriteResult Apply(const TChange& c) {
    switch (c.Kind) {
    case TKind::CreateFolder:
        return MakeFolder(c.Target);
    case TKind::Replace:
        if (Exists(c.Temp)) {
            return RenameFile(c.Temp, c.Target, c.Fault);
        }
        break;
    case TKind::Delete:
        if (Exists(c.Target) && !RemoveFile(c.Target)) {
            return LastHostError("delete");
        }
        break;
    case TKind::ChangeMode:
        return SetFileMode(c.Target, c.Mode);
    case TKind::RemoveFolder:
        if (Exists(c.Target) && !RemoveEmptyFolder(c.Target)) {
            return LastHostError("remove folder");
        }
        break;
    }
    return std::nullopt;
}

// Puts a backup back in its file's place; copies it when it lies on another volume.
bool MoveBack(const fs::path& backup, const fs::path& file) {
    const TWriteResult moved = RenameFile(backup, file);
    if (!moved) {
        // Renaming a hard link over another link of the same file changes nothing.
        RemoveFile(backup);
        return true;
    }
    if (!IsOtherVolume(*moved)) {
        return false;
    }
    const auto bytes = ReadWhole(backup);
    const fs::path temp = NewTemporaryPath(file);
    if (!bytes || !IsRegularFile(backup) || WriteNewFile(temp, *bytes, ModeToKeep(backup)) ||
        RenameFile(temp, file)) {
        RemoveFile(temp);
        return false;
    }
    RemoveFile(backup);
    return true;
}

// Puts one change back; repeatable like Apply.
bool Revert(const TChange& c) {
    switch (c.Kind) {
    case TKind::CreateFolder:
        RemoveEmptyFolder(c.Target); // only when empty; a folder someone filled stays
        return true;
    case TKind::Replace: {
        const bool applied = !Exists(c.Temp);
        RemoveFile(c.Temp);
        if (!c.Backup.empty()) {
            return !Exists(c.Backup) || MoveBack(c.Backup, c.Target);
        }
        return !applied || !Exists(c.Target) || RemoveFile(c.Target);
    }
    case TKind::Delete:
        return !Exists(c.Backup) || MoveBack(c.Backup, c.Target);
    case TKind::ChangeMode:
        return !SetFileMode(c.Target, c.OldMode);
    case TKind::RemoveFolder:
        return Exists(c.Target) || !MakeFolder(c.Target);
    }
    return true;
}

// What phase 2 left, removed again: nothing a client reads was changed.
void UndoPrepare(const std::vector<TChange>& changes) {
    for (auto c = changes.rbegin(); c != changes.rend(); ++c) {
        if (c->Kind == TKind::Replace) {
            RemoveFile(c->Temp);
        }
        if (!c->Backup.empty()) {
            RemoveFile(c->Backup);
        }
        if (c->Kind == TKind::CreateFolder) {
            RemoveEmptyFolder(c->Target);
        }
    }
}

bool RevertAll(const std::vector<TChange>& changes) {
    bool reverted = true;
    for (auto c = changes.rbegin(); c != changes.rend(); ++c) {
        reverted = Revert(*c) && reverted;
    }
    return reverted;
}

void RemoveBackups(const std::vector<TChange>& changes) {
    for (const TChange& c : changes) {
        if (!c.Backup.empty()) {
            RemoveFile(c.Backup);
        }
    }
}

void SyncFoldersOf(const std::vector<TChange>& changes) {
    std::set<fs::path> folders;
    for (const TChange& c : changes) {
        folders.insert(c.Target.parent_path());
        if (c.Kind == TKind::CreateFolder) {
            folders.insert(c.Target);
        }
    }
    for (const fs::path& folder : folders) {
        SyncDirectory(folder);
    }
}

// Phase order: folders from the top down, then contents, then folders from the bottom up.
void Order(std::vector<TChange>& changes) {
    const auto depth = [](const TChange& c) {
        return static_cast<long>(std::distance(c.Target.begin(), c.Target.end()));
    };
    std::stable_sort(changes.begin(), changes.end(), [&](const TChange& a, const TChange& b) {
        if (a.Kind != b.Kind) {
            return a.Kind < b.Kind;
        }
        if (a.Kind == TKind::CreateFolder) {
            return depth(a) < depth(b);
        }
        if (a.Kind == TKind::RemoveFolder) {
            return depth(a) > depth(b);
        }
        return false;
    });
}

// The journal file of one commit, whose name tells its phase.
class TJournalFile {
public:
    explicit TJournalFile(fs::path base) : Base_(std::move(base)) {}
    fs::path In(std::string_view phase) const { return Base_.string() + std::string(phase); }
    TWriteResult Move(std::string_view from, std::string_view to) const {
        TWriteResult result = RenameFile(In(from), In(to));
        SyncDirectory(Base_.parent_path());
        return result;
    }
    void Remove(std::string_view phase) const {
        RemoveFile(In(phase));
        SyncDirectory(Base_.parent_path());
    }

private:
    fs::path Base_;
};

bool HasSuffix(const std::string& name, std::string_view suffix) {
    return name.size() > suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Finishes or undoes one journal; false when it must stay for a later try.
bool Recover(const fs::path& root, const fs::path& file) {
    const auto changes = ParseJournal(root, ReadWhole(file).value_or(""));
    if (!changes) {
        return false; // not ours to touch
    }
    const std::string name = file.filename().string();
    if (HasSuffix(name, Prepared)) {
        UndoPrepare(*changes);
    } else if (HasSuffix(name, Committed)) {
        for (const TChange& c : *changes) {
            if (Apply(c)) {
                return false;
            }
        }
        SyncFoldersOf(*changes);
        RemoveBackups(*changes);
    } else if (!RevertAll(*changes)) {
        return false;
    }
    SyncFoldersOf(*changes);
    RemoveFile(file);
    SyncDirectory(file.parent_path());
    return true;
}

// "<process token>.<n>.<phase>": the token, or empty for names of another form.
std::string OwnerOf(const std::string& name) {
    if (!HasSuffix(name, Prepared) && !HasSuffix(name, Committed) &&
        !HasSuffix(name, RollingBack)) {
        return {};
    }
    const auto dot = name.find('.');
    return dot == std::string::npos ? std::string() : name.substr(0, dot);
}

std::vector<fs::path> JournalsIn(const fs::path& folder) {
    std::vector<fs::path> journals;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!OwnerOf(it->path().filename().string()).empty()) {
            journals.push_back(it->path());
        }
    }
    std::sort(journals.begin(), journals.end());
    return journals;
}

// After a failed apply step: turns the journal round and puts every change back.
ECommitFailed::TOutcome PutBack(const TJournalFile& journal, const std::vector<TChange>& changes) {
    if (journal.Move(Committed, RollingBack)) {
        return ECommitFailed::TOutcome::FinishedNextStart;
    }
    if (!RevertAll(changes)) {
        return ECommitFailed::TOutcome::UndoneNextStart;
    }
    SyncFoldersOf(changes);
    journal.Remove(RollingBack);
    return ECommitFailed::TOutcome::Undone;
}

} // namespace

ECommitFailed::ECommitFailed(std::size_t change, TWriteError error, TOutcome outcome)
    : std::runtime_error(error.Step + ": " + error.Reason()), Change(change),
      Error(std::move(error)), Outcome(outcome) {}

TCommitPlan::TCommitPlan(fs::path root) : Root_(std::move(root)) {}

namespace {

TChange NewChange(TKind kind, const fs::path& target) {
    TChange change;
    change.Kind = kind;
    change.Target = target;
    return change;
}

} // namespace

std::size_t TCommitPlan::Add(TChange change) {
    change.Number = Changes_.size();
    Changes_.push_back(std::move(change));
    return Changes_.back().Number;
}

std::size_t TCommitPlan::CreateFolder(const fs::path& dir) {
    return Add(NewChange(TKind::CreateFolder, dir));
}

std::size_t TCommitPlan::ReplaceFile(const fs::path& file, std::string bytes, unsigned mode,
                                     TWriteFault fault) {
    TChange change = NewChange(TKind::Replace, file);
    change.Bytes = std::move(bytes);
    change.Mode = mode;
    change.Fault = fault;
    return Add(std::move(change));
}

std::size_t TCommitPlan::DeleteFile(const fs::path& file) {
    return Add(NewChange(TKind::Delete, file));
}

std::size_t TCommitPlan::ChangeMode(const fs::path& file, unsigned oldMode, unsigned newMode) {
    TChange change = NewChange(TKind::ChangeMode, file);
    change.OldMode = oldMode;
    change.Mode = newMode;
    return Add(std::move(change));
}

std::size_t TCommitPlan::RemoveFolder(const fs::path& dir) {
    return Add(NewChange(TKind::RemoveFolder, dir));
}

void TCommitPlan::Execute() {
    if (Changes_.empty()) {
        return;
    }
    Order(Changes_);
    const fs::path folder = JournalFolder(Root_);
    std::error_code ec;
    fs::create_directories(folder, ec);
    std::set<fs::path> swept;
    for (TChange& c : Changes_) {
        if (swept.insert(c.Target.parent_path()).second) {
            RemoveStaleTemporaries(c.Target.parent_path());
        }
        if (c.Kind == TKind::Replace) {
            c.Temp = NewTemporaryPath(c.Target);
        }
        if (c.Kind == TKind::Replace && IsRegularFile(c.Target)) {
            c.Backup = NewTemporaryPath(c.Target);
        }
        // A deleted file's folder may go too, so its backup waits beside the journal.
        if (c.Kind == TKind::Delete) {
            c.Backup = NewTemporaryPath(folder / c.Target.filename());
        }
    }
    const TJournalFile journal(
        folder / (ProcessToken(CurrentProcessId()) + "." + std::to_string(++JournalCount)));
    if (TWriteResult failed =
            ReplaceFileAtomically(journal.In(Prepared), FormatJournal(Root_, Changes_))) {
        throw ECommitFailed(ECommitFailed::Journal, *failed, TOutcome::Undone);
    }
    TSteps steps;
    steps.Done();
    for (TChange& c : Changes_) {
        if (TWriteResult failed = Prepare(c)) {
            UndoPrepare(Changes_);
            journal.Remove(Prepared);
            throw ECommitFailed(c.Number, *failed, TOutcome::Undone);
        }
        steps.Done();
    }
    SyncFoldersOf(Changes_);
    if (TWriteResult failed = journal.Move(Prepared, Committed)) {
        UndoPrepare(Changes_);
        journal.Remove(Prepared);
        throw ECommitFailed(ECommitFailed::Journal, *failed, TOutcome::Undone);
    }
    steps.Done();
    for (const TChange& c : Changes_) {
        if (TWriteResult failed = Apply(c)) {
            throw ECommitFailed(c.Number, *failed, PutBack(journal, Changes_));
        }
        steps.Done();
    }
    SyncFoldersOf(Changes_);
    for (const TChange& c : Changes_) {
        if (!c.Backup.empty()) {
            RemoveFile(c.Backup);
            steps.Done();
        }
    }
    journal.Remove(Committed);
    steps.Done();
}

fs::path JournalFolder(const fs::path& root) {
    return root / "journal";
}

std::set<int> ProcessesWithJournals(const fs::path& root) {
    std::set<int> processes;
    if (root.empty()) {
        return processes;
    }
    for (const fs::path& journal : JournalsIn(JournalFolder(root))) {
        const std::string owner = OwnerOf(journal.filename().string());
        processes.insert(std::atoi(owner.c_str()));
    }
    return processes;
}

bool RecoverWriteJournals(const fs::path& root) {
    const fs::path folder = JournalFolder(root);
    std::error_code ec;
    if (root.empty() || !fs::is_directory(folder, ec)) {
        return false;
    }
    const std::string self = ProcessToken(CurrentProcessId());
    bool found = false;
    for (const fs::path& journal : JournalsIn(folder)) {
        const std::string owner = OwnerOf(journal.filename().string());
        if (owner != self && ProcessTokenAlive(owner)) {
            continue; // its commit may still be under way
        }
        found = true;
        Recover(root, journal);
    }
    RemoveStaleTemporaries(folder);
    return found;
}

void KillAtCommitStepForTesting(int step) {
    KillAtStep.store(step);
}

} // namespace platform::detail
