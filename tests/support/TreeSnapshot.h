#pragma once
// Everything below a host folder, to prove that an operation wrote nothing: every file with its
// bytes and every folder, by path relative to the folder.

#include <filesystem>
#include <map>
#include <string>

namespace testing_support {

// Relative path (generic form) -> the file's bytes, or "<folder>" for a folder.
using TTreeSnapshot = std::map<std::string, std::string>;

TTreeSnapshot SnapshotTree(const std::filesystem::path& root);

// The paths whose entries differ between the two snapshots, one per line, for test messages.
std::string TreeDifferences(const TTreeSnapshot& before, const TTreeSnapshot& after);

} // namespace testing_support
