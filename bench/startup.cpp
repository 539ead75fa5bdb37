// Start-up of the wizard from nothing to the welcome page's first frame (offscreen), on a
// simulated Windows XP machine with every mail client the wizard has a store for and 50 or
// 1,000 accounts spread over them, beside a bare Qt window of the same size started in the
// same run. Goal: at most 1.5 times the bare window.
//
// Each iteration starts both as fresh processes (startup/), alternating which goes first. A
// program's time runs from just before it is spawned to its first frame; its processor time is
// what the process itself had used by then. The time reported is the wizard's; the counters
// give the bare window's ("bare ms", "bare CPU ms"), the wizard's processor time ("CPU ms") and
// the two ratios ("x bare" wall, "x bare CPU"). The CPU column is this program's own, which
// only waits.

#include "fixtures/AllClientsSystem.h"
#include "startup/Clocks.h"

#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct TChildRun {
    double WallMs = 0;
    double CpuMs = 0;
    int Width = 0;
    int Height = 0;
    int Accounts = 0;
};

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            return text;
        }
    }
}

int Wait(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Starts the program with standard output on a pipe and standard error into errorFile.
TChildRun RunChild(const char* program, const std::string& errorFile) {
    int out[2];
    if (::pipe(out) != 0) {
        throw std::runtime_error("no pipe for the child program");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    char* argv[] = {const_cast<char*>(program), nullptr};
    pid_t pid = 0;
    const long long start = bench_startup::Nanoseconds(CLOCK_MONOTONIC);
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        throw std::runtime_error(std::string("cannot start ") + program);
    }
    const std::string report = ReadAll(out[0]);
    ::close(out[0]);
    const int status = Wait(pid);
    long long shown = 0, cpu = 0;
    TChildRun run;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(report.c_str(), "shown_ns=%lld cpu_ns=%lld width=%d height=%d accounts=%d",
                    &shown, &cpu, &run.Width, &run.Height, &run.Accounts) != 5) {
        throw std::runtime_error(std::string(program) + " failed: " + ReadHostFile(errorFile));
    }
    run.WallMs = static_cast<double>(shown - start) / 1e6;
    run.CpuMs = static_cast<double>(cpu) / 1e6;
    return run;
}

std::string Hives(const testing_support::TTestSystem& system) {
    return ReadHostFile((system.Root() / "registry" / "HKEY_LOCAL_MACHINE.reg").string()) +
           ReadHostFile((system.Root() / "registry" / "HKEY_CURRENT_USER.reg").string());
}

struct TTotals {
    double Wall = 0;
    double Cpu = 0;
    void Add(const TChildRun& run) {
        Wall += run.WallMs;
        Cpu += run.CpuMs;
    }
};

void BM_StartUp(benchmark::State& state) {
    const bench_fixtures::TAccountSpread spread =
        bench_fixtures::SpreadAccounts(static_cast<int>(state.range(0)));
    const auto system = bench_fixtures::MakeAllClientsSystem(spread);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("QUENLIX_SYSTEM_ROOT", system->Root().c_str(), 1);
    const std::string errors = (system->Root() / "child-stderr.txt").string();
    const std::string hives = Hives(*system);
    TTotals wizardTotal, bareTotal;
    try {
        // Untimed: the libraries, fonts and the system's files into the page cache.
        RunChild(QUENLIX_STARTUP_BARE_WINDOW, errors);
        RunChild(QUENLIX_STARTUP_WIZARD, errors);
        bool wizardFirst = false;
        for (auto _ : state) {
            TChildRun wizard, bare;
            if (wizardFirst) {
                wizard = RunChild(QUENLIX_STARTUP_WIZARD, errors);
                bare = RunChild(QUENLIX_STARTUP_BARE_WINDOW, errors);
            } else {
                bare = RunChild(QUENLIX_STARTUP_BARE_WINDOW, errors);
                wizard = RunChild(QUENLIX_STARTUP_WIZARD, errors);
            }
            wizardFirst = !wizardFirst;
            if (wizard.Accounts != spread.Total()) {
                state.SkipWithError("the wizard did not load every account");
                return;
            }
            if (wizard.Width != bare.Width || wizard.Height != bare.Height) {
                state.SkipWithError("the bare window is not the wizard's size");
                return;
            }
            state.SetIterationTime(wizard.WallMs / 1000);
            wizardTotal.Add(wizard);
            bareTotal.Add(bare);
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    if (Hives(*system) != hives) {
        state.SkipWithError("start-up changed the registry");
        return;
    }
    const auto average = [](double total) {
        return benchmark::Counter(total, benchmark::Counter::kAvgIterations);
    };
    state.counters["bare ms"] = average(bareTotal.Wall);
    state.counters["CPU ms"] = average(wizardTotal.Cpu);
    state.counters["bare CPU ms"] = average(bareTotal.Cpu);
    state.counters["x bare"] = wizardTotal.Wall / bareTotal.Wall;
    state.counters["x bare CPU"] = wizardTotal.Cpu / bareTotal.Cpu;
}

} // namespace

BENCHMARK(BM_StartUp)
    ->Arg(50)
    ->Arg(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

BENCHMARK_MAIN();
