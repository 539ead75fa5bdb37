#pragma once
// The registry's side of change notification (internal to platform/).

namespace platform::detail {

// Something in a hive changed in this process (a write, or a hive read again from its file).
// Cheap when nothing is armed; safe with the registry lock held.
void RegistryChanged();
// Ends every pending notification and the watch thread; called before the registry goes. Must
// not be called with the registry lock held.
void StopRegistryWatch();

} // namespace platform::detail
