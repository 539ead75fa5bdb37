#pragma once
// The registry accessor's errors, with the classic wrapper's messages, raised by every backend
// (internal to platform/).

#include <string>

namespace platform::detail {

[[noreturn]] void GetDataFailed(const std::string& name);
[[noreturn]] void InvalidType(const std::string& name);
[[noreturn]] void SetDataFailed(const std::string& name);

} // namespace platform::detail
