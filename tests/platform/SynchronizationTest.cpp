#include "platform/Synchronization.h"
#include "platform/LastError.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace platform;

namespace {

// Generous: waits end by events, this only stops a broken test from hanging.
constexpr std::uint32_t Patience = 10000;

bool Signalled(const THandle& handle) {
    return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
}

TEST(Events, ManualResetStaysSignalledUntilReset) {
    THandle event = CreateEvent(true, false);
    ASSERT_TRUE(event);
    EXPECT_FALSE(Signalled(event));
    ASSERT_TRUE(SetEvent(event));
    EXPECT_TRUE(Signalled(event));
    EXPECT_TRUE(Signalled(event));
    ASSERT_TRUE(ResetEvent(event));
    EXPECT_FALSE(Signalled(event));
    EXPECT_TRUE(Signalled(CreateEvent(true, true)));
}

TEST(Events, AutoResetLetsOneWaiterThrough) {
    THandle event = CreateEvent(false, true);
    EXPECT_TRUE(Signalled(event));
    EXPECT_FALSE(Signalled(event));
    SetEvent(event);
    SetEvent(event); // setting a signalled event changes nothing
    EXPECT_TRUE(Signalled(event));
    EXPECT_FALSE(Signalled(event));
}

TEST(Events, NamedEventsAreSharedWhileTheyLive) {
    THandle first = CreateEvent(true, false, "Quenlix.Test.Named");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    THandle second = CreateEvent(false, true, "Quenlix.Test.Named");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(first == second);
    EXPECT_FALSE(Signalled(second)); // the existing event keeps its mode and state
    SetEvent(first);
    EXPECT_TRUE(Signalled(second));
    EXPECT_TRUE(Signalled(second)); // still manual reset
    CloseHandle(first);
    CloseHandle(second);
    EXPECT_FALSE(second);
    THandle fresh = CreateEvent(true, false, "Quenlix.Test.Named");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_FALSE(Signalled(fresh));
}

TEST(Waits, OnTwoHandlesTellsWhichOneAndTheFirstWins) {
    THandle a = CreateEvent(true, false);
    THandle b = CreateEvent(true, false);
    const THandle both[] = {a, b};
    EXPECT_EQ(WaitForMultipleObjects(both, 0), WAIT_TIMEOUT);
    SetEvent(b);
    EXPECT_EQ(WaitForMultipleObjects(both, 0), WAIT_OBJECT_0 + 1);
    SetEvent(a);
    EXPECT_EQ(WaitForMultipleObjects(both, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForMultipleObjects(both, 20), WAIT_OBJECT_0);
}

TEST(Waits, InvalidHandlesFail) {
    THandle none;
    EXPECT_EQ(WaitForSingleObject(none, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(SetEvent(none));
    EXPECT_EQ(WaitForMultipleObjects({}, 0), WAIT_FAILED);
}

TEST(Waits, ASetFromAnotherThreadWakesAWaiterThatWaitsForEver) {
    THandle request = CreateEvent(false, false);
    THandle reply = CreateEvent(false, false);
    std::thread other([&] {
        if (WaitForSingleObject(request, INFINITE) == WAIT_OBJECT_0) {
            SetEvent(reply);
        }
    });
    SetEvent(request);
    EXPECT_EQ(WaitForSingleObject(reply, Patience), WAIT_OBJECT_0);
    other.join();
}

TEST(Waits, AnAutoResetEventReleasesOneOfTwoWaiters) {
    THandle gate = CreateEvent(false, false);
    THandle done = CreateEvent(false, false);
    std::atomic<int> through{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i) {
        waiters.emplace_back([&] {
            if (WaitForSingleObject(gate, INFINITE) == WAIT_OBJECT_0) {
                ++through;
                SetEvent(done);
            }
        });
    }
    SetEvent(gate);
    ASSERT_EQ(WaitForSingleObject(done, Patience), WAIT_OBJECT_0);
    EXPECT_EQ(through.load(), 1);
    SetEvent(gate); // lets the other one go
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(through.load(), 2);
}

// A thread that waits for its wake event until it is terminated.
class TWaitingThread : public TThread {
public:
    THandle Wake = CreateEvent(true, false);
    THandle Started = CreateEvent(true, false);
    bool ThrowAtEnd = false;

protected:
    void Execute() override {
        SetEvent(Started);
        while (!Terminated()) {
            WaitForSingleObject(Wake, INFINITE);
        }
        if (ThrowAtEnd) {
            throw std::runtime_error("ended badly");
        }
    }
    void TerminatedSet() override { SetEvent(Wake); }
};

TEST(Threads, TerminateWakesTheThreadAndWaitForJoinsIt) {
    const std::size_t before = LiveThreadCount();
    auto thread = std::make_shared<TWaitingThread>();
    EXPECT_FALSE(Signalled(thread->Started)); // created suspended
    thread->Resume();
    thread->Resume(); // once only
    ASSERT_EQ(WaitForSingleObject(thread->Started, Patience), WAIT_OBJECT_0);
    EXPECT_EQ(LiveThreadCount(), before + 1);
    thread->Terminate();
    thread->WaitFor();
    EXPECT_TRUE(thread->Finished());
    EXPECT_EQ(thread->FatalError(), "");
    EXPECT_EQ(LiveThreadCount(), before);
}

TEST(Threads, AnErrorEndsTheThreadAndIsKept) {
    auto thread = std::make_shared<TWaitingThread>();
    thread->ThrowAtEnd = true;
    thread->Resume();
    thread->Terminate();
    thread->WaitFor();
    EXPECT_EQ(thread->FatalError(), "ended badly");
}

TEST(Threads, AThreadNobodyHoldsFreesItselfAndIsJoinedLater) {
    const std::size_t before = LiveThreadCount();
    std::weak_ptr<TWaitingThread> watcher;
    {
        auto thread = std::make_shared<TWaitingThread>();
        watcher = thread;
        thread->Resume();
        ASSERT_EQ(WaitForSingleObject(thread->Started, Patience), WAIT_OBJECT_0);
        thread->Terminate();
    } // the running thread now holds the only reference
    // It frees itself as it ends, then waits to be joined.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Patience);
    while (LiveThreadCount() != before && std::chrono::steady_clock::now() < deadline) {
        JoinEndedThreads();
        std::this_thread::yield();
    }
    EXPECT_TRUE(watcher.expired());
    EXPECT_EQ(LiveThreadCount(), before);
}

TEST(Threads, NeverStartedThreadsNeedNoWaiting) {
    auto thread = std::make_shared<TWaitingThread>();
    thread->WaitFor();
    EXPECT_FALSE(thread->Finished());
}

TEST(LastError, CodesHaveTheSystemsTexts) {
    EXPECT_EQ(SysErrorMessage(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified.");
    EXPECT_EQ(SysErrorMessage(ERROR_PATH_NOT_FOUND), "The system cannot find the path specified.");
    EXPECT_EQ(SysErrorMessage(ERROR_DIRECTORY), "The directory name is invalid.");
    EXPECT_EQ(SysErrorMessage(123456), "");
    std::uint32_t other = 0;
    SetLastError(ERROR_ACCESS_DENIED);
    std::thread([&] { other = GetLastError(); }).join();
    EXPECT_EQ(other, ERROR_SUCCESS); // per thread
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

} // namespace
