#pragma once
// A save that touches every kind of thing a write transaction covers, numbered by generation, so
// that after any interruption the disk tells whether it holds one whole generation or a mix.
// Generation g: prefs.js and signons.txt say g, gen<g>.txt replaces gen<g-1>.txt, the folder
// Mail\g<g> (with a file) replaces Mail\g<g-1>, flag.txt is hidden and read-only for odd g,
// and HKCU\Software\Quenlix, HKLM\Software\Quenlix and HKCR\Quenlix.Mail say g, with the key
// HKCU\Software\Quenlix\Generations\<g> replacing the one before.

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace platform_test {

inline const std::string Profile = "C:\\Documents and Settings\\User\\Application Data\\Quenlix";

// Generation 0 on an installed system, written outside any transaction.
void WriteGenerationZero();
// Generation g over g-1, through the platform functions; to be called inside a transaction.
// prefsSize pads prefs.js to make the save longer.
void SaveGeneration(int generation, std::size_t prefsSize = 0);
// The generation that each part on disk holds (-1 for a part that holds none or several), read
// through the platform functions; flag.txt answers 0 or 1 for the parity of its generation.
std::map<std::string, int> GenerationsOnDisk();
// The one generation that every part holds; -1 when they disagree (and the parts then go to
// `mix`).
int WholeGeneration(std::string* mix = nullptr);

// Temporary files and journals anywhere under the root.
std::vector<std::string> Leftovers(const std::filesystem::path& root);
// Every file and folder under the root with its mode and bytes, by relative path.
std::map<std::string, std::string> TreeOf(const std::filesystem::path& root);

} // namespace platform_test
