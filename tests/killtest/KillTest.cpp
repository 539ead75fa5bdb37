// The kill test: every registered save (KillScenario.h) is run in a child process that is
// killed with SIGKILL at a random moment, round after round; after each kill the files must
// hold exactly their old or exactly their new bytes, all of them the same.
//
//   kill_test [--kills N] [--seed S] [--only NAME]    (N kills per save, 50 by default)

#include "KillScenario.h"

#include "platform/System.h"
#include "platform/WriteJournal.h"
#include "support/TestSystem.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kill_test {

namespace {

std::vector<std::unique_ptr<TKillScenario>>& Registry() {
    static std::vector<std::unique_ptr<TKillScenario>> scenarios;
    return scenarios;
}

using TState = std::vector<std::optional<std::string>>;

TState ReadState(const TKillScenario& scenario) {
    TState state;
    for (const fs::path& file : scenario.Files()) {
        std::optional<std::string> bytes =
            fs::is_directory(file) ? std::optional<std::string>("<folder>") : ReadHostFile(file);
        state.push_back(bytes ? std::optional(scenario.Comparable(file, std::move(*bytes)))
                              : std::nullopt);
    }
    return state;
}

std::set<fs::path> FolderEntries(const TKillScenario& scenario) {
    std::set<fs::path> entries;
    for (const fs::path& file : scenario.Files()) {
        for (const auto& entry : fs::directory_iterator(file.parent_path())) {
            entries.insert(entry.path());
        }
    }
    return entries;
}

// Removes what killed saves left in the folders; answers how many entries that were.
int RemoveLeftovers(const TKillScenario& scenario, const std::set<fs::path>& before) {
    const std::vector<fs::path> saved = scenario.Files();
    int removed = 0;
    for (const fs::path& entry : FolderEntries(scenario)) {
        if (before.count(entry) == 0 &&
            std::find(saved.begin(), saved.end(), entry) == saved.end()) {
            fs::remove_all(entry);
            ++removed;
        }
    }
    return removed;
}

// Runs the save in a child; kills it after `delay` unless negative (then waits for its end).
// Answers whether the child ended by itself with success.
bool RunChild(TKillScenario& scenario, std::chrono::microseconds delay) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        try {
            scenario.Save();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s: the save failed: %s\n", scenario.Name().c_str(),
                         error.what());
            ::_exit(1);
        }
        ::_exit(0);
    }
    if (delay.count() >= 0) {
        std::this_thread::sleep_for(delay);
        ::kill(child, SIGKILL);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // What the next start of the program does: a save the kill cut short in its commit is
    // finished or undone from its journal.
    platform::detail::RecoverWriteJournals(platform::SystemRoot());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct TTally {
    int Old = 0, New = 0, Torn = 0, Leftovers = 0;
};

bool RunScenario(TKillScenario& scenario, int kills, std::mt19937_64& random) {
    scenario.Prepare();
    scenario.WriteOldState();
    const TState oldState = ReadState(scenario);
    const std::set<fs::path> entries = FolderEntries(scenario);

    // One save in full gives the new bytes and how long a save takes.
    const auto start = std::chrono::steady_clock::now();
    if (!RunChild(scenario, std::chrono::microseconds(-1))) {
        std::printf("%s: the save does not succeed without a kill\n", scenario.Name().c_str());
        return false;
    }
    const auto duration = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    const TState newState = ReadState(scenario);
    if (newState == oldState) {
        std::printf("%s: the save changes nothing\n", scenario.Name().c_str());
        return false;
    }

    // Kills fall anywhere from the start of the child to a little after a save would end.
    std::uniform_int_distribution<long> moment(0, duration.count() * 6 / 5);
    TTally tally;
    for (int round = 0; round < kills; ++round) {
        scenario.WriteOldState();
        RunChild(scenario, std::chrono::microseconds(moment(random)));
        const TState state = ReadState(scenario);
        if (state == oldState) {
            ++tally.Old;
        } else if (state == newState) {
            ++tally.New;
        } else {
            ++tally.Torn;
            std::printf("%s: kill %d left files that are neither all old nor all new\n",
                        scenario.Name().c_str(), round + 1);
        }
        tally.Leftovers += RemoveLeftovers(scenario, entries);
    }
    scenario.WriteOldState();
    std::printf("%-12s %5d kills (save %6.1f ms): %d old, %d new, %d torn; %d temporary files "
                "left behind\n",
                scenario.Name().c_str(), kills, static_cast<double>(duration.count()) / 1000.0,
                tally.Old, tally.New, tally.Torn, tally.Leftovers);
    return tally.Torn == 0;
}

} // namespace

const std::vector<std::unique_ptr<TKillScenario>>& KillScenarios() {
    return Registry();
}

TKillRegistration::TKillRegistration(std::unique_ptr<TKillScenario> scenario) {
    Registry().push_back(std::move(scenario));
}

std::optional<std::string> ReadHostFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteHostFile(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

void TOneFileSave::WriteOldState() {
    WriteHostFile(File_, OldBytes_);
}

} // namespace kill_test

int main(int argc, char** argv) {
    int kills = 50;
    std::uint64_t seed = std::random_device{}();
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--kills") {
            kills = std::stoi(argv[i + 1]);
        } else if (option == "--seed") {
            seed = std::stoull(argv[i + 1]);
        } else if (option == "--only") {
            only = argv[i + 1];
        } else {
            std::fprintf(stderr, "usage: %s [--kills N] [--seed S] [--only NAME]\n", argv[0]);
            return 2;
        }
    }
    std::printf("kill test, seed %llu\n", static_cast<unsigned long long>(seed));
    std::mt19937_64 random(seed);
    testing_support::TTestSystem system;
    int failed = 0, run = 0;
    for (const auto& scenario : kill_test::KillScenarios()) {
        if (!only.empty() && scenario->Name() != only) {
            continue;
        }
        ++run;
        try {
            failed += kill_test::RunScenario(*scenario, kills, random) ? 0 : 1;
        } catch (const std::exception& error) {
            std::printf("%s: %s\n", scenario->Name().c_str(), error.what());
            ++failed;
        }
    }
    std::printf("%d passed, %d failed\n", run - failed, failed);
    return failed == 0 && run > 0 ? 0 : 1;
}
