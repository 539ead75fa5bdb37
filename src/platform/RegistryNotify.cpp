// Registry change notification on the simulated registry.
//
// An armed notification remembers what its key looked like (a digest of its subkey names and
// one of its values, each over the subtree when asked) and the key's change stamp. One watch
// thread, started with the first notification and ended when the registry goes, wakes when a
// hive changes in this process (RegistryChanged) or a hive file changes on disk, reads the
// hives again where their files changed, and compares each armed key with what it remembered.
// Comparing contents, not stamps, is what keeps a re-read that changes nothing silent and a
// value write from waking a watch on names.

#include "platform/RegistryNotify.h"

#include "platform/ChangeNotification.h"
#include "platform/HostDirectoryWatch.h"
#include "platform/LastError.h"
#include "platform/RegHive.h"
#include "platform/RegistryStore.h"
#include "platform/RegistryWatch.h"
#include "platform/System.h"
#include "platform/WaitableObject.h"

#include <openssl/evp.h>

#include <array>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

namespace {

constexpr std::uint32_t KnownFilters = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES |
                                       REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;

using TDigest = std::array<unsigned char, 32>;

// SHA-256 over length-prefixed pieces, so that no two different inputs run together.
class TDigester {
public:
    TDigester() : Context_(EVP_MD_CTX_new()) { EVP_DigestInit_ex(Context_, EVP_sha256(), nullptr); }
    ~TDigester() { EVP_MD_CTX_free(Context_); }
    TDigester(const TDigester&) = delete;
    TDigester& operator=(const TDigester&) = delete;

    void Add(const void* data, std::size_t size) {
        const std::uint64_t length = size;
        EVP_DigestUpdate(Context_, &length, sizeof length);
        EVP_DigestUpdate(Context_, data, size);
    }
    void Add(const std::string& text) { Add(text.data(), text.size()); }
    TDigest Finish() {
        TDigest digest{};
        EVP_DigestFinal_ex(Context_, digest.data(), nullptr);
        return digest;
    }

private:
    EVP_MD_CTX* Context_;
};

// What a watched key looked like.
struct TKeyState {
    bool Exists = false;
    std::uint64_t Stamp = 0;
    TDigest Names{};
    TDigest Values{};
};

struct TWatchedKey {
    THKey Root = THKey::CurrentUser;
    std::string Path; // below the root key
    bool Subtree = false;
    std::uint32_t Filter = 0;
    std::weak_ptr<detail::TWaitableObject> Event;
    TKeyState Seen; // written by the arming thread before it is entered, then by the watch thread
};

// Digests of the key's subkey names and values (over the subtree when asked), taken only for
// what the filter watches.
void DigestKey(const reg::TRegKey& key, const TWatchedKey& watch, TKeyState& state) {
    TDigester names;
    TDigester values;
    std::vector<std::pair<const reg::TRegKey*, std::string>> pending{{&key, std::string()}};
    while (!pending.empty()) {
        const auto [current, relative] = pending.back();
        pending.pop_back();
        if (watch.Filter & REG_NOTIFY_CHANGE_LAST_SET) {
            values.Add(relative);
            for (const reg::TRegValue& value : current->Values()) {
                values.Add(value.Name);
                values.Add(&value.Type, sizeof value.Type);
                values.Add(value.Data.data(), value.Data.size());
            }
        }
        for (const auto& entry : current->SubKeys()) {
            const std::string path = relative + "\\" + entry.second->Name();
            names.Add(path);
            if (watch.Subtree) {
                pending.emplace_back(entry.second.get(), path);
            }
        }
    }
    state.Names = names.Finish();
    state.Values = values.Finish();
}

// The key as it is now; hives whose files changed on disk are read again first. Unchanged stamp:
// the previous state, without walking the key again.
TKeyState ReadKeyState(const TWatchedKey& watch, const TKeyState* previous) {
    detail::TRegistryAccess access;
    reg::THive* hive = access.Hive(watch.Root, true);
    const std::string prefix = detail::RootKeyPrefix(watch.Root);
    const std::string path =
        prefix.empty() || watch.Path.empty() ? prefix + watch.Path : prefix + "\\" + watch.Path;
    const reg::TRegKey* key = hive == nullptr ? nullptr : hive->Find(path);
    TKeyState state;
    if (key == nullptr) {
        return state;
    }
    state.Exists = true;
    state.Stamp = watch.Subtree ? key->TreeStamp : key->Stamp;
    if (previous != nullptr && previous->Exists && previous->Stamp == state.Stamp) {
        return *previous;
    }
    DigestKey(*key, watch, state);
    return state;
}

bool Changed(const TKeyState& before, const TKeyState& now, std::uint32_t filter) {
    if (before.Exists != now.Exists) {
        return true;
    }
    if (!now.Exists) {
        return false;
    }
    return ((filter & REG_NOTIFY_CHANGE_NAME) && before.Names != now.Names) ||
           ((filter & REG_NOTIFY_CHANGE_LAST_SET) && before.Values != now.Values);
}

class TRegistryWatch;
std::atomic<TRegistryWatch*> Instance{nullptr};

class TRegistryWatch {
public:
    TRegistryWatch() { Instance.store(this); }
    ~TRegistryWatch() {
        Instance.store(nullptr);
        Stop();
    }
    TRegistryWatch(const TRegistryWatch&) = delete;
    TRegistryWatch& operator=(const TRegistryWatch&) = delete;

    void Add(std::shared_ptr<TWatchedKey> watch) {
        std::lock_guard lock(Mutex_);
        Watches_.push_back(std::move(watch));
        if (!Thread_.joinable()) {
            Start();
        }
        // A change between taking the key's state and now may already have been checked
        // without this watch: check once more.
        SetEvent(Wake_);
    }

    void Pulse() {
        std::lock_guard lock(Mutex_);
        if (Thread_.joinable()) {
            SetEvent(Wake_);
        }
    }

    void Stop() {
        std::thread thread;
        {
            std::lock_guard lock(Mutex_);
            Stopping_ = true;
            SetEvent(Wake_);
            thread = std::move(Thread_);
        }
        if (thread.joinable()) {
            thread.join();
        }
        std::lock_guard lock(Mutex_);
        Watches_.clear();
        Stopping_ = false;
    }

private:
    // With the mutex held.
    void Start() {
        Wake_ = CreateEvent(false, false);
        // Without a watch on the hive files, changes on disk are still noticed at the next
        // change in this process.
        THandle files;
        if (SystemInstalled()) {
            files = detail::WatchHostDirectory(SystemRoot() / "registry", false,
                                               FILE_NOTIFY_CHANGE_FILE_NAME |
                                                   FILE_NOTIFY_CHANGE_LAST_WRITE);
        }
        Thread_ = std::thread(&TRegistryWatch::Run, this, Wake_, files);
    }

    void Run(THandle wake, THandle files) {
        std::vector<THandle> handles{wake};
        if (files) {
            handles.push_back(files);
        }
        for (;;) {
            const std::uint32_t woken = WaitForMultipleObjects(handles, INFINITE);
            if (woken == WAIT_OBJECT_0 + 1) {
                FindNextChangeNotification(files);
            }
            std::vector<std::shared_ptr<TWatchedKey>> armed;
            {
                std::lock_guard lock(Mutex_);
                if (Stopping_ || woken == WAIT_FAILED) {
                    return;
                }
                std::erase_if(Watches_, [](const auto& w) { return w->Event.expired(); });
                armed = Watches_;
            }
            for (const auto& watch : armed) {
                Check(watch);
            }
        }
    }

    void Check(const std::shared_ptr<TWatchedKey>& watch) {
        const TKeyState now = ReadKeyState(*watch, &watch->Seen);
        if (!Changed(watch->Seen, now, watch->Filter)) {
            watch->Seen = now;
            return;
        }
        bool armed = false;
        {
            std::lock_guard lock(Mutex_);
            armed = std::erase(Watches_, watch) > 0;
        }
        if (auto event = watch->Event.lock(); armed && event) {
            SetEvent(THandle(std::move(event)));
        }
    }

    std::mutex Mutex_;
    std::vector<std::shared_ptr<TWatchedKey>> Watches_; // in arming order
    THandle Wake_;
    std::thread Thread_;
    bool Stopping_ = false;
};

// Made by the first notification, which needs the registry loaded: so it is made after the
// registry's own state and goes before it at program exit.
TRegistryWatch& Watch() {
    static TRegistryWatch watch;
    return watch;
}

} // namespace

std::uint32_t RegNotifyChangeKeyValue(const TRegistry& key, bool watchSubtree,
                                      std::uint32_t notifyFilter, const THandle& event) {
    if (!key.HasCurrentKey() || !detail::IsEvent(event)) {
        return ERROR_INVALID_HANDLE;
    }
    if (notifyFilter == 0 || (notifyFilter & ~KnownFilters) != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    auto watch = std::make_shared<TWatchedKey>();
    watch->Root = key.RootKey();
    watch->Path = key.CurrentPath();
    watch->Subtree = watchSubtree;
    watch->Filter = notifyFilter;
    watch->Event = event.Object();
    watch->Seen = ReadKeyState(*watch, nullptr);
    if (!watch->Seen.Exists) {
        return ERROR_KEY_DELETED;
    }
    Watch().Add(std::move(watch));
    return ERROR_SUCCESS;
}

namespace detail {

void RegistryChanged() {
    if (TRegistryWatch* watch = Instance.load()) {
        watch->Pulse();
    }
}

void StopRegistryWatch() {
    if (TRegistryWatch* watch = Instance.load()) {
        watch->Stop();
    }
}

} // namespace detail

} // namespace platform
