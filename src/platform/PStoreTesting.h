#pragma once
// What the simulated Protected Storage was asked, for tests (internal to platform/).

#include <cstdint>
#include <string>
#include <vector>

namespace platform::detail {

struct TPStoreCall {
    std::string Operation; // "ReadItem", "WriteItem", "DeleteItem", "CreateType", ...
    std::u16string ItemName;
    std::uint32_t Flags = 0;
    std::uint32_t ConfirmationStyle = 0; // WriteItem only
};

// The latest calls, oldest first (at most the last 256).
std::vector<TPStoreCall> PStoreCallsForTesting();
void ClearPStoreCallsForTesting();

} // namespace platform::detail
