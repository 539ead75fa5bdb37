#pragma once
// How the Outlook-family saves open a key of the current user's hive for writing.

#include "platform/Registry.h"

#include <string>

// Opens HKEY_CURRENT_USER\<key> (a path without a leading backslash), creating it with its
// missing parents; raises platform::ERegistryException naming the key when it cannot.
inline void OpenKeyForWriting(platform::TRegistry& registry, const std::string& key) {
    if (!registry.OpenKey("\\" + key, true)) {
        throw platform::ERegistryException("Cannot create the key HKEY_CURRENT_USER\\" + key);
    }
}
