#pragma once
// State shared by the platform modules of the installed system (internal to platform/).

#include "platform/AtomicFile.h"

#include <filesystem>

namespace platform::detail {

// Host folder of drive C: of the installed system; empty when none is installed.
std::filesystem::path DriveRoot();
// Forgets per-system file state (current directory, attribute store) when a system comes or
// goes; the attribute store of the new root is read on first use.
void ResetFileState();

} // namespace platform::detail

namespace platform::detail {

// Makes the next atomic write fail after its temporary file was partly written, as a full disk
// or an I/O error would (for tests of crash safety).
void FailNextAtomicWriteForTesting();
// The fault that the next write is to meet, taken (for writes made elsewhere: a transaction).
TWriteFault TakeWriteFaultForTesting();

} // namespace platform::detail
