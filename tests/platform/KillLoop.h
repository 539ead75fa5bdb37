#pragma once
// Running a piece of work in a child process and killing it, for kill tests of saves. The child
// is a fork of the test process (which must have no other threads): it shares the installed
// system as it stood, runs the work and ends without returning into the test. After a kill the
// test reinstalls the system (which finishes or undoes a killed commit) and checks the disk.

#include <chrono>
#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace platform_test {

enum class TChildEnd { Finished, Killed, Failed };

namespace child {

[[noreturn]] inline void RunAsChild(const std::function<void()>& work) {
    try {
        work();
    } catch (...) {
        ::_exit(2);
    }
    ::_exit(0);
}

inline TChildEnd EndOf(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        return TChildEnd::Killed;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? TChildEnd::Finished : TChildEnd::Failed;
}

} // namespace child

// Runs the work in a child and waits for it to end (by itself or by killing itself).
inline TChildEnd RunInChild(const std::function<void()>& work) {
    const pid_t child = ::fork();
    if (child == 0)
        child::RunAsChild(work);
    return child::EndOf(child);
}

// Runs the work in a child and kills it with SIGKILL after the delay, unless it ended first.
inline TChildEnd KillInChildAfter(std::chrono::microseconds delay,
                                  const std::function<void()>& work) {
    const pid_t child = ::fork();
    if (child == 0)
        child::RunAsChild(work);
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    return child::EndOf(child);
}

} // namespace platform_test
