#include "platform/Thread.h"

#include <exception>
#include <vector>

namespace platform {

namespace {

// System threads whose objects were freed on the thread itself, waiting to be joined; at the
// latest when the program ends.
struct TEndedThreads {
    ~TEndedThreads() {
        std::vector<std::thread> ended;
        {
            std::lock_guard lock(Mutex);
            ended.swap(Threads);
        }
        for (std::thread& thread : ended) {
            thread.join();
        }
    }
    std::mutex Mutex;
    std::vector<std::thread> Threads;
};

TEndedThreads& EndedThreads() {
    static TEndedThreads ended;
    return ended;
}

std::atomic<std::size_t> LiveThreads{0};

void Join(std::thread& thread) {
    thread.join();
    --LiveThreads;
}

} // namespace

TThread::~TThread() {
    std::thread system;
    {
        std::lock_guard lock(Mutex_);
        system = std::move(System_);
    }
    if (!system.joinable()) {
        return;
    }
    if (system.get_id() == std::this_thread::get_id()) {
        // Freed by its own thread: it cannot join itself.
        std::lock_guard lock(EndedThreads().Mutex);
        EndedThreads().Threads.push_back(std::move(system));
    } else {
        Join(system);
    }
}

void TThread::Resume() {
    JoinEndedThreads();
    std::lock_guard lock(Mutex_);
    if (Started_) {
        return;
    }
    Started_ = true;
    ++LiveThreads;
    System_ = std::thread(&TThread::Run, shared_from_this());
}

void TThread::Run(std::shared_ptr<TThread> self) {
    std::string fatal;
    try {
        self->Execute();
    } catch (const std::exception& error) {
        fatal = error.what();
    } catch (...) {
        fatal = "Unknown error";
    }
    {
        std::lock_guard lock(self->Mutex_);
        self->Finished_ = true;
        self->FatalError_ = fatal;
    }
    self->FinishedChanged_.notify_all();
    self.reset(); // may free the object, here on its own thread
}

void TThread::Terminate() {
    Terminated_.store(true);
    TerminatedSet();
}

void TThread::WaitFor() {
    std::thread system;
    {
        std::unique_lock lock(Mutex_);
        if (!Started_ || System_.get_id() == std::this_thread::get_id()) {
            return;
        }
        FinishedChanged_.wait(lock, [this] { return Finished_; });
        system = std::move(System_);
    }
    if (system.joinable()) {
        Join(system);
    }
}

bool TThread::Finished() const {
    std::lock_guard lock(Mutex_);
    return Finished_;
}

std::string TThread::FatalError() const {
    std::lock_guard lock(Mutex_);
    return FatalError_;
}

void JoinEndedThreads() {
    std::vector<std::thread> ended;
    {
        std::lock_guard lock(EndedThreads().Mutex);
        ended.swap(EndedThreads().Threads);
    }
    for (std::thread& thread : ended) {
        Join(thread);
    }
}

std::size_t LiveThreadCount() {
    return LiveThreads.load();
}

} // namespace platform
