#pragma once
// Key databases (key4.db) of Mozilla profiles, made with NSS's own certutil, as a current
// Thunderbird has them.

#include <filesystem>
#include <string>

namespace testing_support {

// Why key databases cannot be made here; empty when certutil is there.
std::string KeyDatabaseUnavailableReason();
// Creates key4.db (with cert9.db and pkcs11.txt) in the host folder, protected by the primary
// password when one is given. Throws std::runtime_error when certutil fails.
void CreateKeyDatabase(const std::filesystem::path& folder,
                       const std::string& primaryPassword = "");

} // namespace testing_support
