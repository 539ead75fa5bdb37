#pragma once
// A save that the kill test interrupts. The test prepares the scenario once in its own process,
// then round after round writes the old state, runs Save in a child process and kills the child
// with SIGKILL at a random moment, and finishes or undoes what the killed save left as the next
// start of the program would: afterwards every file must hold its old bytes, or every file its
// new bytes (a save of several files is all old or all new).
//
// Adding a save (a store's whole-account save, say) is one file in this folder that derives
// from TKillScenario and registers it: `const TKillRegistration
// Registered{std::make_unique<...>()};`.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kill_test {

class TKillScenario {
public:
    virtual ~TKillScenario() = default;
    virtual std::string Name() const = 0;
    // Once, before any round, in the test's process (the simulated system is installed): builds
    // what the save will write.
    virtual void Prepare() = 0;
    // The host files the save writes, and the folders it creates (a folder's state is whether it
    // exists). The test removes from their parent folders whatever else was not there before
    // the first round (temporary files of killed saves).
    virtual std::vector<std::filesystem::path> Files() const = 0;
    // A file's bytes as the test compares them: a save whose new bytes differ from run to run
    // (fresh encryption, time stamps) maps them to what every run writes alike.
    virtual std::string Comparable(const std::filesystem::path& file, std::string bytes) const {
        (void)file;
        return bytes;
    }
    // Puts the old state on disk (a file missing before the save is removed).
    virtual void WriteOldState() = 0;
    // The save under test, through the program's own API. Runs in the child that gets killed,
    // and once in full to learn the new bytes and how long a save takes.
    virtual void Save() = 0;
};

// A save of one host file, whose old bytes Prepare builds.
class TOneFileSave : public TKillScenario {
public:
    std::vector<std::filesystem::path> Files() const override { return {File_}; }
    void WriteOldState() override;

protected:
    std::filesystem::path File_;
    std::string OldBytes_;
};

const std::vector<std::unique_ptr<TKillScenario>>& KillScenarios();

struct TKillRegistration {
    explicit TKillRegistration(std::unique_ptr<TKillScenario> scenario);
};

// Writes bytes to a host file in place (for old states; not a save under test).
void WriteHostFile(const std::filesystem::path& file, const std::string& bytes);
// A host file's bytes; none when it cannot be read.
std::optional<std::string> ReadHostFile(const std::filesystem::path& file);

} // namespace kill_test
