#pragma once
// What a save changes, for people: files with the lines they gain and lose, folders, registry
// keys and values with their data, every password shown as "(password)".

#include <platform/WriteTransaction.h>

#include <string>

namespace accounts_tool {

// Each change on its own line; with details, a file's changed lines and each value's old and
// new data follow. Nothing when there are no changes.
std::string FormatChanges(const platform::TPreparedChanges& changes, bool details);

// A value's data as regedit spells it, with the number or text it stands for:
//   "text", expand:"text", dword:000001d1 (465), hex:01,02 ... (N bytes).
std::string FormatRegistryData(const platform::TRegistryData& data);

} // namespace accounts_tool
