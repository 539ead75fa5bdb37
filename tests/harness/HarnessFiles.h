#pragma once
// Files of the reliability harness in the source tree: fuzz corpora, crash inputs and the
// bad-input catalogue.

#include <filesystem>
#include <string>
#include <vector>

namespace harness_test {

std::filesystem::path SourceDir();
// Regular files of a folder, sorted by name; none when the folder is missing. Names starting
// with "." and README files are not inputs.
std::vector<std::filesystem::path> InputFiles(const std::filesystem::path& folder);
std::string ReadBytes(const std::filesystem::path& file);
// The registered format names, for parameterised tests.
std::vector<std::string> FormatNames();

} // namespace harness_test
