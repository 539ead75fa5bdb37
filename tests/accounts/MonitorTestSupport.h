#pragma once
// Helpers for the change-monitor tests: the application log and the change reports recorded
// and waited for by condition, never by sleeping.

#include "TestStore.h"

#include "accounts/Log.h"
#include "accounts/MailAccounts.h"
#include "accounts/MonitorLock.h"
#include "accounts/MonitorThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace monitor_testing {

// Generous: waits end when the condition holds; this only keeps a broken test from hanging.
inline constexpr auto Patience = std::chrono::seconds(20);
inline constexpr std::uint32_t PatienceMs = 20000;

// Records what goes to the application log while it lives.
class TLogRecorder {
public:
    TLogRecorder() {
        AppLog().SetSink([this](const TLogEntry& entry) {
            {
                std::lock_guard lock(Mutex_);
                Entries_.push_back(entry);
            }
            Changed_.notify_all();
        });
        AppLog().SetEnabled(true);
    }
    ~TLogRecorder() {
        AppLog().SetEnabled(false);
        AppLog().SetSink({});
    }
    TLogRecorder(const TLogRecorder&) = delete;
    TLogRecorder& operator=(const TLogRecorder&) = delete;

    std::vector<TLogEntry> Entries() const {
        std::lock_guard lock(Mutex_);
        return Entries_;
    }
    int Count(const std::string& text) const {
        std::lock_guard lock(Mutex_);
        return CountLocked(text);
    }
    // Waits until at least `count` entries have exactly this text.
    bool WaitFor(const std::string& text, int count = 1) const {
        std::unique_lock lock(Mutex_);
        return Changed_.wait_for(lock, Patience, [&] { return CountLocked(text) >= count; });
    }
    // Waits until the condition over all entries holds.
    bool WaitUntil(const std::function<bool(const std::vector<TLogEntry>&)>& condition) const {
        std::unique_lock lock(Mutex_);
        return Changed_.wait_for(lock, Patience, [&] { return condition(Entries_); });
    }
    // Every text and line of every entry, for checks that something never appears.
    std::string AllText() const {
        std::string text;
        for (const TLogEntry& entry : Entries()) {
            text += entry.Text + "\n";
            for (const std::string& line : entry.Lines) {
                text += "  " + line + "\n";
            }
        }
        return text;
    }

private:
    int CountLocked(const std::string& text) const {
        int count = 0;
        for (const TLogEntry& entry : Entries_) {
            count += entry.Text == text ? 1 : 0;
        }
        return count;
    }

    mutable std::mutex Mutex_;
    mutable std::condition_variable Changed_;
    std::vector<TLogEntry> Entries_;
};

// One change report, as the receiver saw it while it was being made.
struct TReport {
    TMailAccounts* Sender = nullptr;
    TMailAccount* Account = nullptr;
    TMailAccount* Previous = nullptr;
    std::string AccountKey;     // of Account, empty without one
    std::string PreviousKey;    // of Previous, empty without one
    TAccountProperties Current; // of Account
    TAccountProperties Before;  // of Previous
};

// The store's OnAccountChanged handler: records every report.
class TReports {
public:
    TAccountChangedEvent Handler() {
        return [this](TMailAccounts* sender, TMailAccount* account, TMailAccount* previous) {
            TReport report{sender, account, previous, {}, {}, {}, {}};
            if (account) {
                report.AccountKey = account->AccountKey();
                report.Current = account->GetProperties();
            }
            if (previous) {
                report.PreviousKey = previous->AccountKey();
                report.Before = previous->GetProperties();
            }
            {
                std::lock_guard lock(Mutex_);
                Reports_.push_back(std::move(report));
            }
            Changed_.notify_all();
        };
    }
    bool WaitFor(std::size_t count) const {
        std::unique_lock lock(Mutex_);
        return Changed_.wait_for(lock, Patience, [&] { return Reports_.size() >= count; });
    }
    std::vector<TReport> All() const {
        std::lock_guard lock(Mutex_);
        return Reports_;
    }
    std::size_t Count() const {
        std::lock_guard lock(Mutex_);
        return Reports_.size();
    }

private:
    mutable std::mutex Mutex_;
    mutable std::condition_variable Changed_;
    std::vector<TReport> Reports_;
};

// Lets the monitors of a model object handle changes at once and waits until they watch
// (when told to expect it: a key or folder that is gone cannot be watched).
inline void PrepareMonitors(TMailMonitorList& monitors, bool expectWatching = true) {
    for (int i = 0; i < monitors.Count(); ++i) {
        auto& monitor = dynamic_cast<TMonitorThread&>(monitors.Item(i));
        monitor.SetDelay(0);
        const bool watching = monitor.WaitUntilWatching(PatienceMs);
        EXPECT_TRUE(watching || !expectWatching) << "monitor " << i;
    }
}

// Holds the monitor lock meanwhile: monitors already at work may change the store.
inline void PrepareStoreMonitors(TMailAccounts& store, bool expectWatching = true) {
    TMonitorLockHolder hold;
    for (const auto& profile : store.Profiles()) {
        PrepareMonitors(profile->Monitors(), expectWatching);
        for (const auto& account : profile->Accounts()) {
            PrepareMonitors(account->Monitors(), expectWatching);
        }
    }
}

// A test store with the real monitors of the store base: an account gets one monitor, from
// StartMonitorOf, however often it is started. A store made from it shuts its monitors down in
// its own destructor, while the monitors' threads may still call what it overrides.
class TMonitoredStore : public accounts_testing::TTestStore {
public:
    using TTestStore::TTestStore;

    void StartAccountMonitor(TMailAccount& account) override {
        if (account.MonitorCount() == 0) {
            StartMonitorOf(account);
        }
    }
    void StartProfileMonitor(TMailProfile& profile) override {
        TMailAccounts::StartProfileMonitor(profile);
    }
    void StopAccountMonitor(TMailAccount& account) override {
        TMailAccounts::StopAccountMonitor(account);
    }
    void StopProfileMonitor(TMailProfile& profile) override {
        TMailAccounts::StopProfileMonitor(profile);
    }

protected:
    virtual void StartMonitorOf(TMailAccount& account) = 0;
};

// Rounds of the tests that destroy stores while their monitors are busy:
// QUENLIX_MONITOR_ROUNDS, 100 by default.
inline int MonitorRounds() {
    const char* text = std::getenv("QUENLIX_MONITOR_ROUNDS");
    const int rounds = text ? std::atoi(text) : 0;
    return rounds > 0 ? rounds : 100;
}

// A thread that repeats a step until it is told to stop, and is stopped and joined however
// the test ends.
class TBusyThread {
public:
    explicit TBusyThread(std::function<void(int)> step)
        : Thread_([this, step = std::move(step)] {
              for (int i = 0; !Stop_.load(); ++i) {
                  step(i);
                  std::this_thread::sleep_for(std::chrono::milliseconds(1)); // pacing only
              }
          }) {}
    ~TBusyThread() {
        Stop_.store(true);
        Thread_.join();
    }
    TBusyThread(const TBusyThread&) = delete;
    TBusyThread& operator=(const TBusyThread&) = delete;

private:
    std::atomic<bool> Stop_{false};
    std::thread Thread_;
};

} // namespace monitor_testing
