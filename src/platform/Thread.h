#pragma once
// A thread object in the manner of the classic thread class: created suspended, started with
// Resume, asked to stop with Terminate (which sets Terminated and wakes the thread through
// TerminatedSet), and waited for with WaitFor.
//
// Threads free themselves: while Execute runs, the thread holds a reference to itself and lets
// go of it when Execute returns, so its owners may forget it at any time. Whoever lets go last
// frees it; when that is the thread itself, its system thread is joined later by
// JoinEndedThreads (program exit, or the next thread start), so no thread is ever left behind
// unjoined. Objects must therefore be owned by std::shared_ptr (std::make_shared).

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

class TThread : public std::enable_shared_from_this<TThread> {
public:
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts the suspended thread; later calls do nothing.
    void Resume();
    // Sets Terminated, then lets the thread know through TerminatedSet.
    void Terminate();
    bool Terminated() const { return Terminated_.load(); }
    // Waits until Execute has returned and joins the system thread. Returns at once when
    // called on the thread itself or for a thread that was never started.
    void WaitFor();
    bool Finished() const;
    // The message of the exception that ended Execute; empty when it ended normally.
    std::string FatalError() const;

protected:
    TThread() = default;
    virtual void Execute() = 0;
    // Runs on the thread that called Terminate: wake the thread if it may be waiting.
    virtual void TerminatedSet() {}

private:
    static void Run(std::shared_ptr<TThread> self);

    std::atomic<bool> Terminated_{false};
    mutable std::mutex Mutex_;
    std::condition_variable FinishedChanged_;
    bool Started_ = false;
    bool Finished_ = false;
    std::string FatalError_;
    std::thread System_;
};

// Joins the system threads of threads that freed themselves.
void JoinEndedThreads();
// System threads started by TThread and not yet joined.
std::size_t LiveThreadCount();

} // namespace platform
