#pragma once
// The client stores of this build, made the way the wizard's data module makes them: in its
// order, each detecting and loading its client in its constructor.

#include "ProviderAccountSetup.h"

#include <accounts/MailAccounts.h>

#include <array>
#include <memory>

// The store of the client at the index, with auto-save as given; null when that client's
// store is not part of this build.
std::unique_ptr<TMailAccounts> CreateMailStore(TStoreIndex index, bool autoSave);

// All six stores, created in order and freed in reverse order.
class TMailStores {
public:
    explicit TMailStores(bool autoSave);
    TMailStores(const TMailStores&) = delete;
    TMailStores& operator=(const TMailStores&) = delete;

    TMailStoreList List() const;

private:
    std::array<std::unique_ptr<TMailAccounts>, StoreCount> Stores_;
};
